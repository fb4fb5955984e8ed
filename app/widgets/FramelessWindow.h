#pragma once
// Main window with a self-drawn window bar above its central widget. The bar's "bar-active"
// property follows window activation so the style sheet can colour it.

#include "widgets/FramelessHelper.h"

#include <QMainWindow>

class FramelessWindow : public QMainWindow {
    Q_OBJECT

public:
    enum Theme : int { Dark = 0, Light = 1 };
    Q_ENUM(Theme)

    Q_INVOKABLE explicit FramelessWindow(QWidget* parent = nullptr, int theme = Dark);

    FramelessHelper* helper() const { return helper_; }

signals:
    void themeChanged(FramelessWindow::Theme theme);

protected:
    bool event(QEvent* event) override;

private:
    void setBarActive(bool active);

    FramelessHelper* helper_ = nullptr;
};
