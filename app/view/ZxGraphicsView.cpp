#include "view/ZxGraphicsView.h"

#include <QBrush>
#include <QColor>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QMouseEvent>
#include <QPen>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>

namespace {
constexpr qreal kRoiZValue = 1000.0;
}

ZxGraphicsView::ZxGraphicsView(QWidget* parent) : QGraphicsView(parent) {
    setDragMode(QGraphicsView::ScrollHandDrag);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setContentsMargins(0, 0, 0, 0);
    setStyleSheet("border: 0px;");
}

void ZxGraphicsView::setRoiSelectionEnabled(bool enabled) {
    roiEnabled_ = enabled;
    selecting_ = false;
    if (enabled) {
        setDragMode(QGraphicsView::NoDrag);
        viewport()->setCursor(Qt::CrossCursor);
    } else {
        setDragMode(QGraphicsView::ScrollHandDrag);
        viewport()->setCursor(Qt::OpenHandCursor);
        if (roiItem_ != nullptr) roiItem_->hide();
    }
}

QRectF ZxGraphicsView::clampToRect(const QRectF& rect, const QRectF& bounds) {
    // Far edge first, then the near one, so a rectangle outside the bounds collapses onto them.
    auto clamp = [](qreal v, qreal lo, qreal hi) { return std::max(std::min(v, hi), lo); };
    const qreal left = clamp(rect.left(), bounds.left(), bounds.right());
    const qreal right = clamp(rect.right(), bounds.left(), bounds.right());
    const qreal top = clamp(rect.top(), bounds.top(), bounds.bottom());
    const qreal bottom = clamp(rect.bottom(), bounds.top(), bounds.bottom());
    return QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
}

QRectF ZxGraphicsView::currentRoi(const QPointF& scenePoint) const {
    const QRectF raw = QRectF(anchor_, scenePoint).normalized();
    return scene() != nullptr ? clampToRect(raw, scene()->sceneRect()) : raw;
}

void ZxGraphicsView::showRoi(const QRectF& rect) {
    if (scene() == nullptr) return;
    if (roiItem_ == nullptr || roiItem_->scene() != scene()) {
        roiItem_ = new QGraphicsRectItem();  // owned by the scene
        roiItem_->setZValue(kRoiZValue);
        roiItem_->setBrush(QBrush(QColor(0, 75, 106, 45), Qt::SolidPattern));
        QPen pen(QColor("#00A6D6"), 2, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin);
        roiItem_->setPen(pen);
        scene()->addItem(roiItem_);
    }
    roiItem_->setRect(rect);
    roiItem_->show();
}

void ZxGraphicsView::mousePressEvent(QMouseEvent* event) {
    if (roiEnabled_ && event->button() == Qt::LeftButton && scene() != nullptr) {
        selecting_ = true;
        anchor_ = mapToScene(event->position().toPoint());
        showRoi(QRectF(anchor_, anchor_));
        event->accept();
        return;
    }
    QGraphicsView::mousePressEvent(event);
}

void ZxGraphicsView::mouseMoveEvent(QMouseEvent* event) {
    if (selecting_) {
        showRoi(currentRoi(mapToScene(event->position().toPoint())));
        event->accept();
        return;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void ZxGraphicsView::mouseReleaseEvent(QMouseEvent* event) {
    if (selecting_ && event->button() == Qt::LeftButton) {
        selecting_ = false;
        const QRectF roi = currentRoi(mapToScene(event->position().toPoint()));
        showRoi(roi);
        const QRect aligned = roi.toAlignedRect();
        if (aligned.width() > 1 && aligned.height() > 1) emit signalRoiSelected(aligned);
        event->accept();
        return;
    }
    QGraphicsView::mouseReleaseEvent(event);
}

void ZxGraphicsView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!roiEnabled_) {
        zoomFactor_ = 1.0;
        if (scene() != nullptr) fitInView(sceneRect(), Qt::KeepAspectRatio);
    }
    QGraphicsView::mouseDoubleClickEvent(event);
}

void ZxGraphicsView::resizeEvent(QResizeEvent* event) {
    // The form refits after a resize; the zoom count starts over from there.
    zoomFactor_ = 1.0;
    QGraphicsView::resizeEvent(event);
}

void ZxGraphicsView::wheelEvent(QWheelEvent* event) {
    if (event->angleDelta().y() >= 1) {
        if (zoomFactor_ < kMaxZoom) {
            scale(kZoomStep, kZoomStep);
            zoomFactor_ *= kZoomStep;
        }
    } else if (zoomFactor_ > kMinZoom) {
        scale(1.0 / kZoomStep, 1.0 / kZoomStep);
        zoomFactor_ /= kZoomStep;
    }
    event->accept();
}
