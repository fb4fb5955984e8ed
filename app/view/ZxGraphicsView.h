#pragma once
// Graphics view of the image area: wheel zoom between 1x and 50x, fit on double-click,
// hand-drag panning, and an optional rubber band that selects a region of interest.

#include <QGraphicsView>
#include <QPointF>
#include <QRect>
#include <QRectF>

class QGraphicsRectItem;

class ZxGraphicsView : public QGraphicsView {
    Q_OBJECT

public:
    static constexpr double kZoomStep = 1.1;
    static constexpr double kMinZoom = 1.0;
    static constexpr double kMaxZoom = 50.0;

    explicit ZxGraphicsView(QWidget* parent = nullptr);

    void setRoiSelectionEnabled(bool enabled);
    bool roiSelectionEnabled() const { return roiEnabled_; }
    bool isSelecting() const { return selecting_; }
    double zoomFactor() const { return zoomFactor_; }
    // The rubber band, created on first use (null before).
    QGraphicsRectItem* roiRectItem() const { return roiItem_; }

    // `rect` normalised and limited to `bounds` on every side.
    static QRectF clampToRect(const QRectF& rect, const QRectF& bounds);

signals:
    void signalRoiSelected(QRect roi);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void showRoi(const QRectF& rect);
    QRectF currentRoi(const QPointF& scenePoint) const;

    double zoomFactor_ = 1.0;
    bool roiEnabled_ = false;
    bool selecting_ = false;
    QPointF anchor_;
    QGraphicsRectItem* roiItem_ = nullptr;
};
