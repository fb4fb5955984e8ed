#pragma once
// Gives a top-level window a window bar (icon, title, minimise, maximise, close) styled by the
// light or dark window-bar style sheet, and the frameless agent that makes the bar its caption.
// Owned by the window.

#include <QObject>
#include <QPointer>

class QWidget;

namespace QWK {
class WidgetWindowAgent;
class WindowBar;
}  // namespace QWK

class FramelessHelper : public QObject {
    Q_OBJECT

public:
    enum FramelessTheme : int { Dark = 0, Light = 1 };
    Q_ENUM(FramelessTheme)

    static constexpr int kBarHeight = 32;

    // theme: non-zero selects the light style.
    FramelessHelper(QWidget* window, int theme);

    int theme() const { return theme_; }
    QWidget* window() const { return window_; }
    QWK::WindowBar* windowBar() const { return bar_; }
    QWK::WidgetWindowAgent* agent() const { return agent_; }

signals:
    void themeChanged(FramelessHelper::FramelessTheme theme);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadStyle();
    void clearMaxButtonHover();

    int theme_;
    QPointer<QWidget> window_;
    QWK::WindowBar* bar_ = nullptr;
    QWK::WidgetWindowAgent* agent_ = nullptr;
    bool hoverCheckPending_ = false;
};
