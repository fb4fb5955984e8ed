#include "widgets/ZxToolTip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

#include <algorithm>

ZxToolTip::ZxToolTip(const QString& text, int alignmentMode, QWidget* parent)
    : QDialog(parent), alignmentMode_(alignmentMode) {
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setObjectName("ZxToolTip");

    label_ = new QLabel(text, this);
    label_->setAlignment(Qt::AlignCenter);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);

    setStyleSheet(
        ".ZxToolTip{min-width:100px;min-height:20px;max-height:20px;background:transparent;}"
        "QLabel{font-family:\"Noto Sans SC Medium\";font-size:10px;color:#646464;border:1px solid #A7A7A7;"
        "padding-left:10px;padding-right:10px;border-radius:5px;background-color:#FFFFFF;}");
    setMinimumWidth(100);
    setFixedHeight(20);

    showTimer_ = new QTimer(this);
    showTimer_->setSingleShot(true);
    showTimer_->setInterval(kShowDelayMs);
    autoHideTimer_ = new QTimer(this);
    autoHideTimer_->setSingleShot(true);
    autoHideTimer_->setInterval(kVisibleMs);
    leaveHideTimer_ = new QTimer(this);
    leaveHideTimer_->setSingleShot(true);
    leaveHideTimer_->setInterval(kLeaveHideMs);

    connect(showTimer_, &QTimer::timeout, this, [this] {
        if (!target_ || !target_->isVisible()) {
            return;
        }
        place();
        show();
        autoHideTimer_->start();
    });
    connect(autoHideTimer_, &QTimer::timeout, this, &QWidget::hide);
    connect(leaveHideTimer_, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void ZxToolTip::attachTo(QWidget* widget) {
    if (target_) {
        target_->removeEventFilter(this);
    }
    showTimer_->stop();
    autoHideTimer_->stop();
    target_ = widget;
    if (widget) {
        widget->installEventFilter(this);
        widget->setMouseTracking(true);
    }
}

bool ZxToolTip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_) {
        switch (event->type()) {
        case QEvent::Enter:
            leaveHideTimer_->stop();
            place();
            if (!showTimer_->isActive()) {
                showTimer_->start();
            }
            break;
        case QEvent::Leave:
        case QEvent::Hide:
            showTimer_->stop();
            autoHideTimer_->stop();
            if (isVisible()) {
                leaveHideTimer_->start();
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ZxToolTip::showPending() const {
    return showTimer_->isActive();
}

QPoint ZxToolTip::placementFor(const QWidget* widget) const {
    if (!widget) {
        return pos();
    }
    const QPoint g = widget->mapToGlobal(QPoint(0, 0));
    const QSize tip = size().expandedTo(minimumSizeHint()).expandedTo(sizeHint());
    const int w = std::max(tip.width(), minimumWidth());
    const int h = height();
    switch (alignmentMode_) {
    case kPlaceAboveCentered:
        // Centred for tips both narrower and wider than the control.
        return QPoint(g.x() + (widget->width() - w) / 2 + xOffset_, g.y() - h + yOffset_);
    case kPlaceAboveLeft:
        return QPoint(g.x() - w + xOffset_, g.y() - h + yOffset_);
    default:
        return pos();
    }
}

void ZxToolTip::place() {
    adjustSize();
    move(placementFor(target_));
}

void ZxToolTip::setXOffset(int offset) {
    if (xOffset_ != offset) {
        xOffset_ = offset;
        emit xOffsetChanged(offset);
    }
}

void ZxToolTip::setYOffset(int offset) {
    if (yOffset_ != offset) {
        yOffset_ = offset;
        emit yOffsetChanged(offset);
    }
}

QString ZxToolTip::text() const {
    return label_->text();
}

void ZxToolTip::setText(const QString& text) {
    if (label_->text() != text) {
        label_->setText(text);
        adjustSize();
        emit textChanged(text);
    }
}

Qt::Alignment ZxToolTip::alignment() const {
    return label_->alignment();
}

void ZxToolTip::setAlignment(Qt::Alignment alignment) {
    if (label_->alignment() != alignment) {
        label_->setAlignment(alignment);
        emit alignmentChanged(alignment);
    }
}
