#pragma once
// Title-bar container: icon button, title label, minimise, maximise and close buttons laid out in
// a row, all direct children so style sheets can address them as QWK--WindowBar>...
// It can follow a host widget's title and icon, and mirrors its maximised state on the
// maximise button.

#include <QFrame>
#include <QPointer>

class QAbstractButton;
class QHBoxLayout;
class QLabel;

namespace QWK {

class WindowBar : public QFrame {
    Q_OBJECT

public:
    explicit WindowBar(QWidget* parent = nullptr);
    ~WindowBar() override;

    QLabel* titleLabel() const { return titleLabel_; }
    QAbstractButton* iconButton() const { return iconButton_; }
    QAbstractButton* minButton() const { return minButton_; }
    QAbstractButton* maxButton() const { return maxButton_; }
    QAbstractButton* closeButton() const { return closeButton_; }

    void setTitleLabel(QLabel* label);
    void setIconButton(QAbstractButton* button);
    void setMinButton(QAbstractButton* button);
    void setMaxButton(QAbstractButton* button);
    void setCloseButton(QAbstractButton* button);

    QWidget* hostWidget() const { return host_; }
    void setHostWidget(QWidget* w);

    bool titleFollowWindow() const { return titleFollow_; }
    void setTitleFollowWindow(bool follow);
    bool iconFollowWindow() const { return iconFollow_; }
    void setIconFollowWindow(bool follow);

signals:
    void minimizeRequested();
    void maximizeRequested(bool max = false);
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Slot { IconSlot = 0, TitleSlot = 1, MinSlot = 2, MaxSlot = 3, CloseSlot = 4 };
    void placeWidget(Slot slot, QWidget* w);
    void syncTitle();
    void syncIcon();
    void syncMaximized();

    QHBoxLayout* layout_ = nullptr;
    QWidget* slots_[5] = {};
    QLabel* titleLabel_ = nullptr;
    QAbstractButton* iconButton_ = nullptr;
    QAbstractButton* minButton_ = nullptr;
    QAbstractButton* maxButton_ = nullptr;
    QAbstractButton* closeButton_ = nullptr;
    QPointer<QWidget> host_;
    bool titleFollow_ = true;
    bool iconFollow_ = true;
};

}  // namespace QWK
