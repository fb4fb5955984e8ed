#include "widgets/FramelessHelper.h"

#include "qwk/widgetwindowagent.h"
#include "qwk/windowbar.h"
#include "qwk/windowbutton.h"

#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QHoverEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>

FramelessHelper::FramelessHelper(QWidget* window, int theme) : QObject(window), theme_(theme), window_(window) {
    if (!window) {
        qWarning() << "FramelessHelper needs a window.";
        return;
    }
    window->setAttribute(Qt::WA_DontCreateNativeAncestors);
    loadStyle();

    agent_ = new QWK::WidgetWindowAgent(window);
    agent_->setup(window);

    bar_ = new QWK::WindowBar(window);
    auto* title = new QLabel(bar_);
    title->setObjectName("win-title-label");
    title->setAlignment(Qt::AlignCenter);

    auto makeButton = [this](const char* name, bool system) {
        auto* b = new QWK::WindowButton(bar_);
        b->setObjectName(name);
        if (system) {
            b->setProperty("system-button", true);
        }
        return b;
    };
    auto* icon = makeButton("icon-button", false);
    auto* minimize = makeButton("min-button", true);
    auto* maximize = makeButton("max-button", true);
    maximize->setCheckable(true);
    auto* close = makeButton("close-button", true);

    bar_->setIconButton(icon);
    bar_->setTitleLabel(title);
    bar_->setMinButton(minimize);
    bar_->setMaxButton(maximize);
    bar_->setCloseButton(close);
    bar_->setHostWidget(window);

    agent_->setTitleBar(bar_);
    agent_->setSystemButton(QWK::WindowAgentBase::WindowIcon, icon);
    agent_->setSystemButton(QWK::WindowAgentBase::Minimize, minimize);
    agent_->setSystemButton(QWK::WindowAgentBase::Maximize, maximize);
    agent_->setSystemButton(QWK::WindowAgentBase::Close, close);

    connect(bar_, &QWK::WindowBar::minimizeRequested, window, &QWidget::showMinimized);
    connect(bar_, &QWK::WindowBar::maximizeRequested, this, [this](bool max) {
        if (!window_) {
            return;
        }
        if (max) {
            window_->showMaximized();
        } else {
            window_->showNormal();
        }
        // The button moves away from under the cursor; without this it keeps its hover look. The
        // window system may resize the window later than the next turn, so check again then.
        hoverCheckPending_ = true;
        QTimer::singleShot(0, this, &FramelessHelper::clearMaxButtonHover);
    });
    connect(bar_, &QWK::WindowBar::closeRequested, window, &QWidget::close);

    window->installEventFilter(this);
    bar_->setFixedHeight(kBarHeight);
    bar_->setTitleFollowWindow(true);
    bar_->setIconFollowWindow(true);
}

void FramelessHelper::loadStyle() {
    QFile file(theme_ ? ":/windowbar/light-style.qss" : ":/windowbar/dark-style.qss");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "Cannot open window-bar style" << file.fileName();
        return;
    }
    window_->setStyleSheet(QString::fromUtf8(file.readAll()));
    emit themeChanged(theme_ ? Light : Dark);
}

bool FramelessHelper::eventFilter(QObject* watched, QEvent* event) {
    if (hoverCheckPending_ && watched == window_ && event->type() == QEvent::Resize) {
        // After the layouts have followed the new size.
        QTimer::singleShot(0, this, &FramelessHelper::clearMaxButtonHover);
    }
    return QObject::eventFilter(watched, event);
}

void FramelessHelper::clearMaxButtonHover() {
    QAbstractButton* button = bar_ ? bar_->maxButton() : nullptr;
    if (!button) {
        return;
    }
    const QPoint local = button->mapFromGlobal(QCursor::pos());
    if (button->rect().contains(local)) {
        return;
    }
    hoverCheckPending_ = false;
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    // The style's hover state comes from this attribute, which no synthetic event clears.
    button->setAttribute(Qt::WA_UnderMouse, false);
    if (button->testAttribute(Qt::WA_Hover)) {
        QHoverEvent hover(QEvent::HoverLeave, QPointF(local), QPointF(QCursor::pos()), QPointF(local));
        QApplication::sendEvent(button, &hover);
    }
    button->update();
}
