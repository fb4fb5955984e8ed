#include "qwk/windowbar.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace QWK {

WindowBar::WindowBar(QWidget* parent) : QFrame(parent) {
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    // Fixed slots; a stretch after the title keeps the system buttons on the right.
    for (int i = 0; i < 5; ++i) {
        layout_->addWidget(new QWidget(this));
        slots_[i] = layout_->itemAt(i)->widget();
        slots_[i]->hide();
        slots_[i]->setFixedSize(0, 0);
    }
}

WindowBar::~WindowBar() = default;

void WindowBar::placeWidget(Slot slot, QWidget* w) {
    QWidget* old = slots_[slot];
    QWidget* replacement = w ? w : new QWidget(this);
    if (!w) {
        replacement->hide();
        replacement->setFixedSize(0, 0);
    }
    replacement->setParent(this);
    QLayoutItem* item = layout_->replaceWidget(old, replacement);
    delete item;
    slots_[slot] = replacement;
    if (old && old != w) {
        old->deleteLater();
    }
    layout_->setStretchFactor(replacement, slot == TitleSlot ? 1 : 0);
    if (w) {
        w->show();
    }
}

void WindowBar::setTitleLabel(QLabel* label) {
    placeWidget(TitleSlot, label);
    titleLabel_ = label;
    syncTitle();
}

void WindowBar::setIconButton(QAbstractButton* button) {
    placeWidget(IconSlot, button);
    iconButton_ = button;
    syncIcon();
}

void WindowBar::setMinButton(QAbstractButton* button) {
    placeWidget(MinSlot, button);
    minButton_ = button;
    if (button) {
        connect(button, &QAbstractButton::clicked, this, &WindowBar::minimizeRequested);
    }
}

void WindowBar::setMaxButton(QAbstractButton* button) {
    placeWidget(MaxSlot, button);
    maxButton_ = button;
    if (button) {
        connect(button, &QAbstractButton::clicked, this, &WindowBar::maximizeRequested);
    }
    syncMaximized();
}

void WindowBar::setCloseButton(QAbstractButton* button) {
    placeWidget(CloseSlot, button);
    closeButton_ = button;
    if (button) {
        connect(button, &QAbstractButton::clicked, this, &WindowBar::closeRequested);
    }
}

void WindowBar::setHostWidget(QWidget* w) {
    if (host_ == w) {
        return;
    }
    if (host_) {
        host_->removeEventFilter(this);
    }
    host_ = w;
    if (w) {
        w->installEventFilter(this);
    }
    syncTitle();
    syncIcon();
    syncMaximized();
}

void WindowBar::setTitleFollowWindow(bool follow) {
    titleFollow_ = follow;
    syncTitle();
}

void WindowBar::setIconFollowWindow(bool follow) {
    iconFollow_ = follow;
    syncIcon();
}

void WindowBar::syncTitle() {
    if (titleFollow_ && host_ && titleLabel_) {
        titleLabel_->setText(host_->windowTitle());
    }
}

void WindowBar::syncIcon() {
    if (iconFollow_ && host_ && iconButton_) {
        iconButton_->setIcon(host_->windowIcon());
    }
}

void WindowBar::syncMaximized() {
    if (host_ && maxButton_ && maxButton_->isCheckable()) {
        const QSignalBlocker block(maxButton_);
        maxButton_->setChecked(host_->isMaximized());
    }
}

bool WindowBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == host_.data()) {
        switch (event->type()) {
        case QEvent::WindowTitleChange:
            syncTitle();
            break;
        case QEvent::WindowIconChange:
            syncIcon();
            break;
        case QEvent::WindowStateChange:
            syncMaximized();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace QWK
