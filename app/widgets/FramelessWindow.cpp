#include "widgets/FramelessWindow.h"

#include "qwk/windowbar.h"

#include <QEvent>
#include <QStyle>

FramelessWindow::FramelessWindow(QWidget* parent, int theme) : QMainWindow(parent) {
    helper_ = new FramelessHelper(this, theme);
    connect(helper_, &FramelessHelper::themeChanged, this,
            [this](FramelessHelper::FramelessTheme t) { emit themeChanged(static_cast<Theme>(t)); });
    setMenuWidget(helper_->windowBar());
    setBarActive(isActiveWindow());
}

void FramelessWindow::setBarActive(bool active) {
    QWidget* bar = helper_ ? helper_->windowBar() : nullptr;
    if (!bar) {
        return;
    }
    bar->setProperty("bar-active", active);
    bar->style()->unpolish(bar);
    bar->style()->polish(bar);
    bar->update();
}

bool FramelessWindow::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
        setBarActive(true);
        break;
    case QEvent::WindowDeactivate:
        setBarActive(false);
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}
