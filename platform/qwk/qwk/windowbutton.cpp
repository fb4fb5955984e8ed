#include "qwk/windowbutton.h"

#include <QEvent>
#include <QMouseEvent>

namespace QWK {

WindowButton::WindowButton(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void WindowButton::setIconNormal(const QIcon& icon) {
    iconNormal_ = icon;
    reloadIcon();
}

void WindowButton::setIconChecked(const QIcon& icon) {
    iconChecked_ = icon;
    reloadIcon();
}

void WindowButton::setIconDisabled(const QIcon& icon) {
    iconDisabled_ = icon;
    reloadIcon();
}

void WindowButton::reloadIcon() {
    if (!isEnabled() && !iconDisabled_.isNull()) {
        setIcon(iconDisabled_);
    } else if (isChecked() && !iconChecked_.isNull()) {
        setIcon(iconChecked_);
    } else {
        setIcon(iconNormal_);
    }
}

void WindowButton::checkStateSet() {
    QPushButton::checkStateSet();
    reloadIcon();
}

void WindowButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        reloadIcon();
    }
    QPushButton::changeEvent(event);
}

void WindowButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
    QPushButton::mouseDoubleClickEvent(event);
}

}  // namespace QWK
