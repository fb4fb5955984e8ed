// Image view: zoom limits, fitting, placeholder size, and the ROI rubber band.

#include <QApplication>
#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

#include "view/ShowImageForm.h"
#include "view/ZxGraphicsView.h"

namespace {

void wheel(ZxGraphicsView* view, int deltaY) {
    const QPointF pos(view->viewport()->width() / 2.0, view->viewport()->height() / 2.0);
    QWheelEvent event(pos, view->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, deltaY), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &event);
}

QPoint viewPoint(ZxGraphicsView* view, QPointF scenePoint) {
    return view->mapFromScene(scenePoint);
}

}  // namespace

class ImageViewTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShowImageForm> form_;
    ZxGraphicsView* view() { return form_->view(); }

private slots:
    void init() {
        form_ = std::make_unique<ShowImageForm>();
        form_->resize(1280, 720);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() { form_.reset(); }

    void formStartsWithGreyPlaceholderAndFits() {
        QCOMPARE(form_->objectName(), QString("ShowImageForm"));
        QVERIFY(form_->findChild<ZxGraphicsView*>("graphicsView") == view());
        QCOMPARE(form_->pixmap().size(), QSize(1280, 720));
        QCOMPARE(form_->pixmap().toImage().pixelColor(5, 5), QColor("#707070"));
        QCOMPARE(form_->scene()->sceneRect(), QRectF(0, 0, 1280, 720));
        QCOMPARE(view()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(view()->dragMode(), QGraphicsView::ScrollHandDrag);
        // Fitted: the whole image is inside the viewport.
        const QRect shown = view()->mapFromScene(form_->scene()->sceneRect()).boundingRect();
        QVERIFY(view()->viewport()->rect().adjusted(-1, -1, 1, 1).contains(shown));
    }

    void wheelZoomStaysWithinLimits() {
        const double base = view()->transform().m11();
        wheel(view(), -120);  // at 1.0 a step down does nothing
        QCOMPARE(view()->zoomFactor(), 1.0);
        QCOMPARE(view()->transform().m11(), base);

        for (int i = 0; i < 10; ++i) wheel(view(), 120);
        QVERIFY(std::abs(view()->zoomFactor() - std::pow(1.1, 10)) < 1e-9);
        QVERIFY(std::abs(view()->transform().m11() / base - std::pow(1.1, 10)) < 1e-6);

        for (int i = 0; i < 100; ++i) wheel(view(), 120);
        const double top = view()->zoomFactor();
        QVERIFY(top >= 50.0);
        QVERIFY(top < 50.0 * 1.1);
        QVERIFY(std::abs(view()->transform().m11() / base - top) < 1e-6);

        for (int i = 0; i < 200; ++i) wheel(view(), -120);
        QVERIFY(view()->zoomFactor() <= 1.0);
        QVERIFY(view()->zoomFactor() > 1.0 / 1.1);
    }

    void doubleClickRefitsOnlyWithoutRoiSelection() {
        const double base = view()->transform().m11();
        for (int i = 0; i < 5; ++i) wheel(view(), 120);
        const double zoomed = view()->transform().m11();
        QVERIFY(zoomed > base * 1.5);

        form_->slotSetRoiSelectionEnabled(true);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(view()->transform().m11(), zoomed);

        form_->slotSetRoiSelectionEnabled(false);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(view()->zoomFactor(), 1.0);
        QVERIFY(std::abs(view()->transform().m11() - base) < 1e-6);
    }

    void imagesKeepZoomAndResolutionSetsPlaceholder() {
        for (int i = 0; i < 3; ++i) wheel(view(), 120);
        const QTransform zoomed = view()->transform();

        form_->slotSetResolution(320, 320);
        QCOMPARE(form_->pixmap().size(), QSize(320, 320));
        QCOMPARE(form_->scene()->sceneRect(), QRectF(0, 0, 320, 320));
        QCOMPARE(form_->pixmapItem()->pixmap().toImage().pixelColor(300, 300), QColor("#707070"));
        QCOMPARE(form_->imageWidth(), 320);

        QImage frame(640, 480, QImage::Format_RGB888);
        frame.fill(QColor(10, 20, 30));
        form_->slotShowImage(frame);
        QCOMPARE(form_->pixmap().size(), QSize(640, 480));
        QCOMPARE(form_->scene()->sceneRect(), QRectF(0, 0, 640, 480));
        QCOMPARE(form_->pixmapItem()->pixmap().toImage().pixelColor(1, 1), QColor(10, 20, 30));
        QCOMPARE(view()->transform(), zoomed);

        form_->slotSetResolution(0, 10);  // nonsense size is ignored
        QCOMPARE(form_->pixmap().size(), QSize(640, 480));
    }

    void roiDragIsClampedAndNeedsMoreThanOnePixel() {
        QSignalSpy formSpy(form_.get(), &ShowImageForm::signalRoiSelected);
        form_->slotSetRoiSelectionEnabled(true);
        QCOMPARE(view()->dragMode(), QGraphicsView::NoDrag);

        // A drag from inside the image to beyond its bottom-right corner ends on the edges.
        QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, viewPoint(view(), {1000, 500}));
        QVERIFY(view()->isSelecting());
        QTest::mouseMove(view()->viewport(), viewPoint(view(), {1100, 600}));
        QVERIFY(view()->roiRectItem() != nullptr);
        QVERIFY(view()->roiRectItem()->isVisible());
        const QPoint outside(view()->viewport()->width() + 200, view()->viewport()->height() + 200);
        QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, outside);
        QVERIFY(!view()->isSelecting());
        QCOMPARE(formSpy.count(), 1);
        const QRect roi = formSpy.at(0).at(0).toRect();
        QCOMPARE(roi.right() + 1, 1280);
        QCOMPARE(roi.bottom() + 1, 720);
        QVERIFY(std::abs(roi.left() - 1000) <= 2);
        QVERIFY(std::abs(roi.top() - 500) <= 2);
        QCOMPARE(view()->roiRectItem()->rect().right(), 1280.0);
        QCOMPARE(view()->roiRectItem()->zValue(), 1000.0);

        // Dragging up-left beyond the origin clamps to 0 and normalises.
        QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, viewPoint(view(), {200, 150}));
        QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, QPoint(-300, -300));
        QCOMPARE(formSpy.count(), 2);
        const QRect corner = formSpy.at(1).at(0).toRect();
        QCOMPARE(corner.topLeft(), QPoint(0, 0));
        QVERIFY(std::abs(corner.right() + 1 - 200) <= 2);

        // Zoom in so one scene pixel spans several view pixels: a 1-pixel drag selects nothing.
        for (int i = 0; i < 20; ++i) wheel(view(), 120);
        const QPointF start(640, 360);
        QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, viewPoint(view(), start));
        QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, viewPoint(view(), start + QPointF(1, 1)));
        QCOMPARE(formSpy.count(), 2);

        // Turning selection off hides the band and brings panning back.
        form_->slotSetRoiSelectionEnabled(false);
        QVERIFY(!view()->roiRectItem()->isVisible());
        QCOMPARE(view()->dragMode(), QGraphicsView::ScrollHandDrag);
    }

    void clampLimitsEverySide() {
        const QRectF bounds(0, 0, 100, 50);
        QCOMPARE(ZxGraphicsView::clampToRect(QRectF(-10, -10, 50, 30), bounds), QRectF(0, 0, 40, 20));
        QCOMPARE(ZxGraphicsView::clampToRect(QRectF(90, 40, 30, 30), bounds), QRectF(90, 40, 10, 10));
        QCOMPARE(ZxGraphicsView::clampToRect(QRectF(200, 200, 10, 10), bounds), QRectF(100, 50, 0, 0));
    }
};

QTEST_MAIN(ImageViewTest)
#include "ImageViewTest.moc"
