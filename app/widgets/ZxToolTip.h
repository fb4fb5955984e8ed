#pragma once
// Delayed tool tip attached to one control: shows kShowDelayMs after the mouse entered it, hides
// itself kVisibleMs later, and kLeaveHideMs after the mouse left.

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QTimer;

class ZxToolTip : public QDialog {
    Q_OBJECT
    Q_PROPERTY(int x_offset READ xOffset WRITE setXOffset NOTIFY xOffsetChanged)
    Q_PROPERTY(int y_offset READ yOffset WRITE setYOffset NOTIFY yOffsetChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment NOTIFY alignmentChanged)

public:
    static constexpr int kShowDelayMs = 2000;
    static constexpr int kVisibleMs = 3000;
    static constexpr int kLeaveHideMs = 300;

    // Placement modes: centred above the control, or above it ending at its left edge.
    static constexpr int kPlaceAboveCentered = 0;
    static constexpr int kPlaceAboveLeft = 2;

    explicit ZxToolTip(const QString& text = QString(), int alignmentMode = kPlaceAboveCentered,
                       QWidget* parent = nullptr);

    // Follows this widget's mouse enter/leave; detaches from the previous one.
    void attachTo(QWidget* widget);
    QWidget* attachedWidget() const { return target_; }

    int alignmentMode() const { return alignmentMode_; }
    void setAlignmentMode(int mode) { alignmentMode_ = mode; }

    int xOffset() const { return xOffset_; }
    void setXOffset(int offset);
    int yOffset() const { return yOffset_; }
    void setYOffset(int offset);
    QString text() const;
    void setText(const QString& text);
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);

    bool showPending() const;

    // Top-left position (global) the tip takes for the attached widget.
    QPoint placementFor(const QWidget* widget) const;

signals:
    void xOffsetChanged(int offset);
    void yOffsetChanged(int offset);
    void textChanged(const QString& text);
    void alignmentChanged(Qt::Alignment alignment);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QLabel* label_ = nullptr;
    QTimer* showTimer_ = nullptr;
    QTimer* autoHideTimer_ = nullptr;
    QTimer* leaveHideTimer_ = nullptr;
    QPointer<QWidget> target_;
    int alignmentMode_ = kPlaceAboveCentered;
    int xOffset_ = 0;
    int yOffset_ = 0;
};
