#pragma once
// Integer line edit that shows a slider in a pop-up below itself while it has focus. Slider and
// text follow each other; typed text outside the range is limited to it, text that is not a
// number is replaced by the last valid value.

#include <QWidget>

class PopWidget;
class ZxLineEditBase;
class ZxSlider;

namespace Ui {
class ZxLineEdit;
}

class ZxLineEdit : public QWidget {
    Q_OBJECT

public:
    explicit ZxLineEdit(QWidget* parent = nullptr);
    ~ZxLineEdit() override;

    void setRange(int minimum, int maximum);
    int minimum() const;
    int maximum() const;
    void setValue(int value);
    int value() const;
    QString text() const;

    ZxLineEditBase* lineEdit() const;
    ZxSlider* slider() const { return slider_; }
    PopWidget* popup() const { return pop_; }

public slots:
    void slotMouseHoverd(bool hovered);

signals:
    void textEdited(const QString& text);
    void textFinished(const QString& text);

private:
    void onSliderChanged(int value);
    void onEditingFinished();

    Ui::ZxLineEdit* ui;
    PopWidget* pop_ = nullptr;
    ZxSlider* slider_ = nullptr;
    bool syncing_ = false;
};
