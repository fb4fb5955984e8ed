// Playback slider: setter limits, mode switches, handle geometry, mouse rules, colours, strip.

#include "widgets/ZxThreeHandleSlider.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// 1012 px wide: usable length 1000, start/end track 980 in the three-handle mode.
constexpr int kWidth = 1012;
constexpr int kHeight = 30;

QPoint mid(const QRect& r) {
    return QPoint(r.x() + r.width() / 2, r.y() + r.height() / 2);
}

void drag(QWidget* w, QPoint from, QPoint to) {
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), w->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
}

}  // namespace

class ThreeHandleSliderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ZxThreeHandleSlider> slider;

    // Range 0..1000 with start 250, position 500, end 750.
    void makeSlider(int mode = ZxThreeHandleSlider::kAllHandles) {
        slider = std::make_unique<ZxThreeHandleSlider>(Qt::Horizontal, mode);
        slider->resize(kWidth, kHeight);
        slider->setMinimum(0);
        slider->setMaximum(1000);
        slider->setCenterValue(500);
        slider->setUpperValue(750);
        slider->setLowerValue(250);
    }

private slots:
    void cleanup() { slider.reset(); }

    void initialStateAndSizeHints() {
        ZxThreeHandleSlider s;
        QCOMPARE(s.minimum(), uint64_t(0));
        QCOMPARE(s.maximum(), std::numeric_limits<uint64_t>::max());
        QCOMPARE(s.span(), std::numeric_limits<uint64_t>::max());
        QCOMPARE(s.lowerValue(), uint64_t(0));
        QCOMPARE(s.upperValue(), std::numeric_limits<uint64_t>::max());
        QCOMPARE(s.centerValue(), std::numeric_limits<uint64_t>::max() / 2);
        QCOMPARE(s.grooveRadius(), 0);
        QCOMPARE(s.minimumSizeHint(), QSize(12, 6));
        QCOMPARE(s.minimumHeight(), 30);
        QCOMPARE(s.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(s.sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
    }

    void settersKeepTheOrderAndEmitNothing() {
        makeSlider();
        QSignalSpy lower(slider.get(), &ZxThreeHandleSlider::lowerValueChanged);
        QSignalSpy upper(slider.get(), &ZxThreeHandleSlider::upperValueChanged);
        QSignalSpy moved(slider.get(), &ZxThreeHandleSlider::centerValueMove);

        slider->setLowerValue(900);  // above the position: stops at it
        QCOMPARE(slider->lowerValue(), uint64_t(500));
        slider->setLowerValue(100);
        QCOMPARE(slider->lowerValue(), uint64_t(100));
        slider->setUpperValue(200);  // below the position: stops at it
        QCOMPARE(slider->upperValue(), uint64_t(500));
        slider->setUpperValue(5000);  // above the maximum
        QCOMPARE(slider->upperValue(), uint64_t(1000));
        slider->setCenterValue(1);
        QCOMPARE(slider->centerValue(), uint64_t(100));
        slider->setCenterValue(99999);
        QCOMPARE(slider->centerValue(), uint64_t(1000));

        QCOMPARE(lower.count(), 0);
        QCOMPARE(upper.count(), 0);
        QCOMPARE(moved.count(), 0);
    }

    void rangeSettersResetBoundsAndKeepPositionInside() {
        makeSlider();
        QSignalSpy range(slider.get(), &ZxThreeHandleSlider::rangeChanged);
        slider->setMinimum(600);  // above the position
        QCOMPARE(range.count(), 1);
        QCOMPARE(range.last().at(0).value<uint64_t>(), uint64_t(600));
        QCOMPARE(range.last().at(1).value<uint64_t>(), uint64_t(1000));
        QCOMPARE(slider->lowerValue(), uint64_t(600));
        QCOMPARE(slider->span(), uint64_t(400));
        QVERIFY(slider->centerValue() >= 600);

        slider->setMaximum(700);
        QCOMPARE(range.count(), 2);
        QCOMPARE(slider->upperValue(), uint64_t(700));
        QVERIFY(slider->centerValue() >= 600 && slider->centerValue() <= 700);
    }

    void modeSwitchResetsBoundsAndEmitsBoth() {
        makeSlider();
        QSignalSpy lower(slider.get(), &ZxThreeHandleSlider::lowerValueChanged);
        QSignalSpy upper(slider.get(), &ZxThreeHandleSlider::upperValueChanged);
        slider->setMode(ZxThreeHandleSlider::kCenterHandleBit);
        QCOMPARE(slider->grooveRadius(), 5);
        QCOMPARE(lower.count(), 1);
        QCOMPARE(upper.count(), 1);
        QCOMPARE(lower.last().at(0).value<uint64_t>(), uint64_t(0));
        QCOMPARE(upper.last().at(0).value<uint64_t>(), uint64_t(1000));
        // Other modes report the whole range whatever the handles hold.
        slider->setLowerValue(800);
        QCOMPARE(slider->lowerValue(), uint64_t(0));

        slider->setMode(ZxThreeHandleSlider::kAllHandles);
        QCOMPARE(slider->grooveRadius(), 0);
        QCOMPARE(slider->lowerValue(), uint64_t(0));
        QCOMPARE(slider->upperValue(), uint64_t(1000));
        QCOMPARE(lower.count(), 2);
        QCOMPARE(upper.count(), 2);
    }

    void handleRectangles() {
        makeSlider();
        QCOMPARE(slider->lowerHandleRect(), QRect(245, 1, 6, 27));    // 980 x 0.25
        QCOMPARE(slider->upperHandleRect(), QRect(761, 1, 6, 27));    // 980 x 0.75 + 26
        QCOMPARE(slider->centerHandleRect(), QRect(496, 5, 20, 20));  // 980 x 0.5 + 6
        slider->setCenterValue(250);
        QCOMPARE(slider->centerHandleRect().x(), 251);

        slider->setMode(ZxThreeHandleSlider::kCenterHandleBit);
        slider->setCenterValue(250);
        QCOMPARE(slider->centerHandleRect().x(), 249);  // (1012 - 26) x 0.25 + 3
        QCOMPARE(slider->upperHandleRect().x(), 1006);  // 1000 x 1 + 6
    }

    void verticalLaysOutAlongTheHeight() {
        ZxThreeHandleSlider s(Qt::Vertical, ZxThreeHandleSlider::kAllHandles);
        s.resize(kHeight, kWidth);
        s.setMinimum(0);
        s.setMaximum(1000);
        s.setCenterValue(500);
        s.setUpperValue(750);
        s.setLowerValue(250);
        QCOMPARE(s.lowerHandleRect(), QRect(1, 245, 27, 6));
        QCOMPARE(s.centerHandleRect(), QRect(5, 496, 20, 20));
        QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(15, 640));
        QVERIFY(std::abs(mid(s.centerHandleRect()).y() - 640) <= 1);
    }

    void trackClickLeftOfStartStopsAtStart() {
        makeSlider();
        QSignalSpy click(slider.get(), &ZxThreeHandleSlider::centerValueTrackClick);
        QTest::mouseClick(slider.get(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 15));
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.last().at(0).value<uint64_t>(), uint64_t(250));
        QCOMPARE(slider->centerValue(), uint64_t(250));
    }

    void trackClickPutsHandleUnderCursor() {
        for (int mode : {ZxThreeHandleSlider::kAllHandles, ZxThreeHandleSlider::kCenterHandleBit}) {
            makeSlider(mode);
            for (int x : {300, 420, 640, 730}) {
                QTest::mouseClick(slider.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x, 15));
                const int centre = mid(slider->centerHandleRect()).x();
                QVERIFY2(std::abs(centre - x) <= 1, qPrintable(QString("mode %1 x %2 handle %3").arg(mode).arg(x).arg(centre)));
            }
        }
    }

    void hiddenEdgeHandlesDoNotSwallowClicks() {
        makeSlider(ZxThreeHandleSlider::kCenterHandleBit);
        QSignalSpy click(slider.get(), &ZxThreeHandleSlider::centerValueTrackClick);
        QTest::mouseClick(slider.get(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 15));
        QCOMPARE(click.count(), 1);
        QCOMPARE(slider->centerValue(), uint64_t(0));
        QTest::mouseClick(slider.get(), Qt::LeftButton, Qt::NoModifier, QPoint(kWidth - 2, 15));
        QCOMPARE(click.count(), 2);
        QCOMPARE(slider->centerValue(), uint64_t(1000));
    }

    void draggingStartAndEndStopsAtPosition() {
        makeSlider();
        QSignalSpy lower(slider.get(), &ZxThreeHandleSlider::lowerValueChanged);
        drag(slider.get(), mid(slider->lowerHandleRect()), QPoint(900, 15));
        QCOMPARE(slider->lowerValue(), uint64_t(500));
        QVERIFY(lower.count() >= 1);
        QCOMPARE(lower.last().at(0).value<uint64_t>(), uint64_t(500));

        QSignalSpy upper(slider.get(), &ZxThreeHandleSlider::upperValueChanged);
        drag(slider.get(), mid(slider->upperHandleRect()), QPoint(-40, 15));
        QCOMPARE(slider->upperValue(), uint64_t(500));
        QCOMPARE(upper.last().at(0).value<uint64_t>(), uint64_t(500));
    }

    void draggedHandlesFollowTheCursor() {
        makeSlider();
        const QPoint from = mid(slider->lowerHandleRect());
        drag(slider.get(), from, from + QPoint(-100, 0));
        QVERIFY(std::abs(mid(slider->lowerHandleRect()).x() - (from.x() - 100)) <= 1);
        // Past the left edge the start pins to the minimum.
        drag(slider.get(), mid(slider->lowerHandleRect()), QPoint(-300, 15));
        QCOMPARE(slider->lowerValue(), uint64_t(0));

        const QPoint end = mid(slider->upperHandleRect());
        drag(slider.get(), end, end + QPoint(80, 0));
        QVERIFY(std::abs(mid(slider->upperHandleRect()).x() - (end.x() + 80)) <= 1);
    }

    void draggingPositionEmitsMoveAndStaysInBounds() {
        makeSlider();
        QSignalSpy moved(slider.get(), &ZxThreeHandleSlider::centerValueMove);
        const QPoint from = mid(slider->centerHandleRect());
        drag(slider.get(), from, from + QPoint(60, 0));
        QCOMPARE(moved.count(), 1);
        QVERIFY(std::abs(mid(slider->centerHandleRect()).x() - (from.x() + 60)) <= 1);
        QCOMPARE(moved.last().at(0).value<uint64_t>(), slider->centerValue());

        drag(slider.get(), mid(slider->centerHandleRect()), QPoint(kWidth + 50, 15));
        QCOMPARE(slider->centerValue(), uint64_t(750));
        drag(slider.get(), mid(slider->centerHandleRect()), QPoint(-50, 15));
        QCOMPARE(slider->centerValue(), uint64_t(250));
    }

    void emptyOrInvertedRangeIsHarmless() {
        makeSlider();
        slider->setMinimum(500);
        slider->setMaximum(500);
        QCOMPARE(slider->span(), uint64_t(0));
        slider->addMark(500, Qt::red);
        slider->setActivityProfile({0.5f, 1.0f});
        QVERIFY(!slider->grab().isNull());
        QTest::mouseClick(slider.get(), Qt::LeftButton, Qt::NoModifier, QPoint(700, 15));
        QCOMPARE(slider->centerValue(), uint64_t(500));
        QCOMPARE(slider->lowerHandleRect().x(), 0);

        slider->setMinimum(9000);  // interim state while a new range is set
        QCOMPARE(slider->span(), uint64_t(0));
        QVERIFY(!slider->grab().isNull());
        slider->setMaximum(10000);
        QCOMPARE(slider->span(), uint64_t(1000));
    }

    void fullRangeDoesNotOverflow() {
        ZxThreeHandleSlider s(Qt::Horizontal, ZxThreeHandleSlider::kAllHandles);
        s.resize(kWidth, kHeight);
        // Just inside the end and start handles.
        QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(kWidth - 8, 15));
        QCOMPARE(s.centerValue(), std::numeric_limits<uint64_t>::max());
        QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(8, 15));
        QCOMPARE(s.centerValue(), uint64_t(0));
    }

    void disabledColours() {
        makeSlider();
        QImage on = slider->grab().toImage();
        QCOMPARE(on.pixelColor(mid(slider->lowerHandleRect())), QColor("#004B6A"));
        QCOMPARE(on.pixelColor(mid(slider->centerHandleRect())), QColor(Qt::white));
        QCOMPARE(on.pixelColor(400, 15), QColor("#004B6A"));  // range between the handles

        slider->setEnabled(false);
        QCOMPARE(slider->centerBorderColor(), QColor("#707070"));
        QImage off = slider->grab().toImage();
        const QRect c = slider->centerHandleRect();
        QCOMPARE(off.pixelColor(mid(slider->lowerHandleRect())), QColor("#C7C7C7"));
        QCOMPARE(off.pixelColor(mid(slider->upperHandleRect())), QColor("#C7C7C7"));
        QCOMPARE(off.pixelColor(400, 15), QColor("#C7C7C7"));
        QCOMPARE(off.pixelColor(mid(c)), QColor("#C7C7C7"));
        QCOMPARE(off.pixelColor(c.x() + 1, mid(c).y()), QColor("#707070"));

        slider->setEnabled(true);
        QCOMPARE(slider->grab().toImage().pixelColor(mid(slider->lowerHandleRect())), QColor("#004B6A"));
    }

    void marksAreDrawnInsideTheRangeOnly() {
        makeSlider(ZxThreeHandleSlider::kCenterHandleBit);
        slider->setCenterValue(0);
        slider->addMark(300, QColor("#FF0000"));
        slider->addMark(5000, QColor("#00FF00"));  // outside: never drawn
        QCOMPARE(slider->marks().size(), 2);
        QImage img = slider->grab().toImage();
        QCOMPARE(img.pixelColor(300, 15), QColor("#FF0000"));  // 1000 x 0.3
        for (int x = 0; x < img.width(); ++x) {
            QVERIFY(img.pixelColor(x, 15) != QColor("#00FF00"));
        }
        slider->clearMarks();
        QVERIFY(slider->grab().toImage().pixelColor(300, 15) != QColor("#FF0000"));
    }

    void activityStripFollowsTheProfile() {
        makeSlider();
        slider->setActivityProfile({0.0f, 1.0f, std::nanf(""), 7.0f, -1.0f});
        QCOMPARE(slider->activityProfile(), (QVector<float>{0.0f, 1.0f, 0.0f, 1.0f, 0.0f}));

        // Five bins over the centre handle's travel (980 px from x = 16).
        const QImage img = slider->grab().toImage();
        const int y = kHeight - 5;
        auto binX = [](int i) { return 16 + int((i + 0.5) * 980 / 5); };
        const QColor empty = img.pixelColor(binX(0), y);
        QVERIFY(img.pixelColor(binX(1), y) != empty);
        QCOMPARE(img.pixelColor(binX(2), y), empty);
        QVERIFY(img.pixelColor(binX(3), y) != empty);

        slider->setActivityProfile({});
        QCOMPARE(slider->grab().toImage().pixelColor(binX(1), y), empty);
    }
};

QTEST_MAIN(ThreeHandleSliderTest)
#include "ThreeHandleSliderTest.moc"
