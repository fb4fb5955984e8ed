#include "qwk/widgetwindowagent.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QWindow>

namespace QWK {

namespace {

Qt::CursorShape cursorFor(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool mainDiagonal = edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
        return mainDiagonal ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

}  // namespace

WidgetWindowAgent::WidgetWindowAgent(QObject* parent) : WindowAgentBase(parent) {}

WidgetWindowAgent::~WidgetWindowAgent() {
    if (host_ && overrideCursor_) {
        host_->unsetCursor();
    }
}

bool WidgetWindowAgent::setup(QWidget* w) {
    if (!w || host_) {
        return false;
    }
    host_ = w;
    w->setAttribute(Qt::WA_DontCreateNativeAncestors);
    w->setAttribute(Qt::WA_NativeWindow);
    const bool wasVisible = w->isVisible();
    w->setWindowFlags(w->windowFlags() | Qt::FramelessWindowHint);
    if (wasVisible) {
        w->show();
    }
    w->installEventFilter(this);
    attachWindowHandle();
    return true;
}

void WidgetWindowAgent::setTitleBar(QWidget* w) {
    if (titleBar_ == w) {
        return;
    }
    if (titleBar_) {
        titleBar_->removeEventFilter(this);
    }
    titleBar_ = w;
    if (w) {
        w->installEventFilter(this);
    }
    emit titleBarChanged(w);
}

QWidget* WidgetWindowAgent::systemButton(SystemButton button) const {
    return systemButtons_.value(button);
}

void WidgetWindowAgent::setSystemButton(SystemButton button, QWidget* w) {
    if (systemButtons_.value(button) == w) {
        return;
    }
    if (w) {
        systemButtons_.insert(button, w);
    } else {
        systemButtons_.remove(button);
    }
    emit systemButtonChanged(button, w);
}

bool WidgetWindowAgent::isHitTestVisible(const QWidget* w) const {
    if (!w) {
        return false;
    }
    for (const auto& entry : hitTestVisible_) {
        if (entry.data() == w) {
            return true;
        }
    }
    return false;
}

void WidgetWindowAgent::setHitTestVisible(QWidget* w, bool visible) {
    if (!w) {
        return;
    }
    hitTestVisible_.removeIf([w](const QPointer<QWidget>& entry) { return entry.isNull() || entry.data() == w; });
    if (visible) {
        hitTestVisible_.append(w);
    }
}

bool WidgetWindowAgent::canMaximize() const {
    if (!host_) {
        return false;
    }
    const Qt::WindowFlags flags = host_->windowFlags();
    const bool allowed = (flags & Qt::WindowMaximizeButtonHint) || host_->windowType() == Qt::Window;
    return allowed && host_->minimumSize() != host_->maximumSize();
}

bool WidgetWindowAgent::canResize() const {
    if (!host_ || host_->isMaximized() || host_->isFullScreen()) {
        return false;
    }
    return host_->minimumSize() != host_->maximumSize();
}

Qt::Edges WidgetWindowAgent::resizeEdgesAt(const QPoint& pos) const {
    if (!canResize()) {
        return {};
    }
    const QSize size = host_->size();
    Qt::Edges edges;
    if (pos.x() < kResizeBorder) {
        edges |= Qt::LeftEdge;
    } else if (pos.x() >= size.width() - kResizeBorder) {
        edges |= Qt::RightEdge;
    }
    if (pos.y() < kResizeBorder) {
        edges |= Qt::TopEdge;
    } else if (pos.y() >= size.height() - kResizeBorder) {
        edges |= Qt::BottomEdge;
    }
    // A fixed width or height only resizes along the other axis.
    if (host_->minimumWidth() == host_->maximumWidth()) {
        edges &= ~(Qt::LeftEdge | Qt::RightEdge);
    }
    if (host_->minimumHeight() == host_->maximumHeight()) {
        edges &= ~(Qt::TopEdge | Qt::BottomEdge);
    }
    return edges;
}

bool WidgetWindowAgent::isDragArea(const QPoint& titleBarPos) const {
    if (!titleBar_ || !titleBar_->rect().contains(titleBarPos)) {
        return false;
    }
    for (QWidget* w = titleBar_->childAt(titleBarPos); w && w != titleBar_; w = w->parentWidget()) {
        if (isHitTestVisible(w)) {
            return false;
        }
        for (const auto& button : systemButtons_) {
            if (button == w) {
                return false;
            }
        }
    }
    return true;
}

void WidgetWindowAgent::attachWindowHandle() {
    QWindow* handle = host_ ? host_->windowHandle() : nullptr;
    if (handle == handle_) {
        return;
    }
    if (handle_) {
        handle_->removeEventFilter(this);
    }
    handle_ = handle;
    if (handle_) {
        handle_->installEventFilter(this);
    }
}

bool WidgetWindowAgent::eventFilter(QObject* watched, QEvent* event) {
    if (host_ && watched == host_.data()) {
        if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange) {
            attachWindowHandle();
        }
        return false;
    }
    if (titleBar_ && watched == titleBar_.data()) {
        return handleTitleBarEvent(event);
    }
    if (handle_ && watched == handle_.data()) {
        return handleWindowEvent(event);
    }
    return false;
}

bool WidgetWindowAgent::handleTitleBarEvent(QEvent* event) {
    if (!host_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !isDragArea(me->position().toPoint())) {
            return false;
        }
        // The move starts only once the mouse travels, so that a double click still reaches us:
        // the window system owns the pointer during a system move.
        pressPending_ = true;
        dragging_ = false;
        dragStartGlobal_ = me->globalPosition().toPoint();
        dragStartWindowPos_ = host_->pos();
        return true;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (!(me->buttons() & Qt::LeftButton) || (!pressPending_ && !dragging_)) {
            return false;
        }
        const QPoint delta = me->globalPosition().toPoint() - dragStartGlobal_;
        if (pressPending_) {
            if (delta.manhattanLength() < QApplication::startDragDistance()) {
                return true;
            }
            pressPending_ = false;
            QWindow* handle = host_->windowHandle();
            if (handle && handle->startSystemMove()) {
                return true;
            }
            // No system move on this platform: move the window ourselves while the button is held.
            dragging_ = !host_->isMaximized() && !host_->isFullScreen();
        }
        if (dragging_) {
            host_->move(dragStartWindowPos_ + delta);
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (pressPending_ || dragging_) {
            pressPending_ = false;
            dragging_ = false;
            return true;
        }
        return false;
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !isDragArea(me->position().toPoint())) {
            return false;
        }
        if (canMaximize()) {
            if (host_->isMaximized()) {
                host_->showNormal();
            } else {
                host_->showMaximized();
            }
        }
        return true;
    }
    default:
        return false;
    }
}

bool WidgetWindowAgent::handleWindowEvent(QEvent* event) {
    if (!host_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->buttons() != Qt::NoButton) {
            return false;
        }
        const Qt::Edges edges = resizeEdgesAt(me->position().toPoint());
        if (edges) {
            host_->setCursor(cursorFor(edges));
            overrideCursor_ = true;
        } else if (overrideCursor_) {
            host_->unsetCursor();
            overrideCursor_ = false;
        }
        return false;
    }
    case QEvent::Leave:
        if (overrideCursor_) {
            host_->unsetCursor();
            overrideCursor_ = false;
        }
        return false;
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton) {
            return false;
        }
        const Qt::Edges edges = resizeEdgesAt(me->position().toPoint());
        return edges && handle_->startSystemResize(edges);
    }
    default:
        return false;
    }
}

}  // namespace QWK
