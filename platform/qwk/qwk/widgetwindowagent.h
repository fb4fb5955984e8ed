#pragma once
// Frameless top-level widget with a self-drawn title bar. One agent per window, created with the
// window as parent. After setup() the window has no native frame; dragging with the left button on
// the registered title bar (outside its buttons and hit-test-visible widgets) moves the window
// through the window system, a double click there maximises or restores it when the window may be maximised, and a
// press within kResizeBorder pixels of a border of a resizable window resizes it. Where the
// platform offers no system move, the agent moves the window itself while the button is held.

#include "qwk/windowagentbase.h"

#include <QHash>
#include <QPointer>
#include <QList>
#include <QWidget>

class QWindow;

namespace QWK {

class WidgetWindowAgent : public WindowAgentBase {
    Q_OBJECT

public:
    static constexpr int kResizeBorder = 5;

    explicit WidgetWindowAgent(QObject* parent = nullptr);
    ~WidgetWindowAgent() override;

    // Fails (false) for a null widget or when the agent already has a window.
    bool setup(QWidget* w);
    QWidget* window() const { return host_; }

    QWidget* titleBar() const { return titleBar_; }
    void setTitleBar(QWidget* w);

    QWidget* systemButton(SystemButton button) const;
    void setSystemButton(SystemButton button, QWidget* w);

    // Widgets inside the title bar that keep their own mouse handling (menus, search fields).
    bool isHitTestVisible(const QWidget* w) const;
    void setHitTestVisible(QWidget* w, bool visible = true);

    // Border edges a point (window coordinates) lies on, empty when it may not resize there.
    Qt::Edges resizeEdgesAt(const QPoint& pos) const;
    // True when a press at this title-bar point starts a window move.
    bool isDragArea(const QPoint& titleBarPos) const;

signals:
    void titleBarChanged(QWidget* w);
    void systemButtonChanged(QWK::WindowAgentBase::SystemButton button, QWidget* w);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool canMaximize() const;
    bool canResize() const;
    void attachWindowHandle();
    bool handleTitleBarEvent(QEvent* event);
    bool handleWindowEvent(QEvent* event);

    QPointer<QWidget> host_;
    QPointer<QWidget> titleBar_;
    QPointer<QWindow> handle_;
    QHash<int, QPointer<QWidget>> systemButtons_;
    QList<QPointer<QWidget>> hitTestVisible_;  // a dead entry reads as null and never matches
    bool overrideCursor_ = false;
    bool pressPending_ = false;  // left press on the caption, not yet moved far enough
    bool dragging_ = false;      // moving the window ourselves
    QPoint dragStartGlobal_;
    QPoint dragStartWindowPos_;
};

}  // namespace QWK
