// Toast, delayed tool tip, message box and waiting window.

#include "widgets/PopWidget.h"
#include "widgets/WaitingWin.h"
#include "widgets/ZXMessageBox.h"
#include "widgets/ZxFilePathReminderForm.h"
#include "widgets/ZxToolTip.h"

#include "qwk/widgetwindowagent.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class NotificationsTest : public QObject {
    Q_OBJECT

    static void sendEnter(QWidget* w) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(w, &enter);
    }
    static void sendLeave(QWidget* w) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
    }

private slots:
    void toastLooksFollowTheType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("border");
        QTest::addColumn<QString>("background");
        QTest::newRow("success") << 0 << "Success" << "#58DB6D" << "#F5FCF6";
        QTest::newRow("warning") << 1 << "Warning" << "#F9BF37" << "#FEFBF4";
        QTest::newRow("error") << 2 << "Error" << "#FF6058" << "#FFF6F6";
    }
    void toastLooksFollowTheType() {
        QFETCH(int, type);
        QFETCH(QString, title);
        QFETCH(QString, border);
        QFETCH(QString, background);
        QWidget parent;
        auto* toast = new ZxFilePathReminderForm("Saved", static_cast<ZxMessageType>(type), "/tmp", &parent);
        QVERIFY(!toast->isWindow());  // placed by its parent
        QCOMPARE(toast->findChild<QLabel*>("lb_title")->text(), title);
        QCOMPARE(toast->findChild<QLabel*>("lb_show_tips")->text(), QString("Saved"));
        QVERIFY(toast->findChild<QWidget*>("widget_item")->styleSheet().contains(border));
        QVERIFY(!toast->findChild<QPushButton*>("pb_open_dir")->isHidden());
        QCOMPARE(toast->filePath(), QString("/tmp"));

        // The look really drawn, not only the sheet text.
        parent.resize(400, 200);
        parent.show();
        toast->show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QWidget* item = toast->findChild<QWidget*>("widget_item");
        const QImage img = item->grab().toImage();
        QCOMPARE(img.pixelColor(img.width() / 2, img.height() - 3), QColor(background));
        QCOMPARE(img.pixelColor(0, img.height() / 2), QColor(border));
    }

    void toastWithoutPathHasNoOpenDirAndExpires() {
        QWidget parent;
        parent.resize(400, 300);
        parent.show();
        QPointer<ZxFilePathReminderForm> toast = new ZxFilePathReminderForm("Done", ZxMessageSuccess, "", &parent);
        toast->show();
        QVERIFY(toast->findChild<QPushButton*>("pb_open_dir")->isHidden());
        QTest::qWait(ZxFilePathReminderForm::kLifetimeMs - 500);
        QVERIFY(!toast.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(toast.isNull(), 3000);
    }

    void toastCloseButtonDestroysIt() {
        QWidget parent;
        QPointer<ZxFilePathReminderForm> toast = new ZxFilePathReminderForm("x", ZxMessageError, "", &parent);
        toast->show();
        QTest::mouseClick(toast->findChild<QPushButton*>("pb_close"), Qt::LeftButton);
        QTRY_VERIFY(toast.isNull());
    }

    void toolTipPlacement() {
        QWidget window;
        window.setGeometry(300, 300, 600, 200);
        auto* narrow = new QPushButton("n", &window);
        narrow->setGeometry(200, 100, 40, 24);
        auto* wide = new QPushButton("w", &window);
        wide->setGeometry(200, 150, 300, 24);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        ZxToolTip tip("Play/Stop", ZxToolTip::kPlaceAboveCentered);
        tip.adjustSize();
        const int w = tip.width();
        QVERIFY(w >= 100);
        QCOMPARE(tip.height(), 20);

        const QPoint gn = narrow->mapToGlobal(QPoint(0, 0));
        QCOMPARE(tip.placementFor(narrow), QPoint(gn.x() + (40 - w) / 2, gn.y() - 20));
        // Centred above also when the control is wider than the tip.
        const QPoint gw = wide->mapToGlobal(QPoint(0, 0));
        QCOMPARE(tip.placementFor(wide), QPoint(gw.x() + (300 - w) / 2, gw.y() - 20));

        tip.setAlignmentMode(ZxToolTip::kPlaceAboveLeft);
        QCOMPARE(tip.placementFor(narrow), QPoint(gn.x() - w, gn.y() - 20));
        tip.setXOffset(5);
        tip.setYOffset(-3);
        QCOMPARE(tip.placementFor(narrow), QPoint(gn.x() - w + 5, gn.y() - 23));
    }

    void toolTipPropertiesSignalOnlyOnChange() {
        ZxToolTip tip("a");
        QSignalSpy text(&tip, &ZxToolTip::textChanged);
        QSignalSpy align(&tip, &ZxToolTip::alignmentChanged);
        tip.setText("a");
        tip.setText("b");
        tip.setText("b");
        QCOMPARE(text.count(), 1);
        QCOMPARE(tip.text(), QString("b"));
        tip.setAlignment(Qt::AlignCenter);  // already centred
        tip.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(align.count(), 1);
        QCOMPARE(tip.property("alignment").value<Qt::Alignment>(), Qt::AlignLeft | Qt::AlignVCenter);
    }

    void toolTipTimings() {
        QWidget window;
        window.setGeometry(200, 200, 300, 200);
        auto* button = new QPushButton("b", &window);
        button->setGeometry(100, 100, 60, 24);
        auto* other = new QPushButton("o", &window);
        other->setGeometry(10, 10, 60, 24);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        ZxToolTip tip("tip");
        tip.attachTo(button);
        QVERIFY(button->hasMouseTracking());

        // In and out again within the delay: never shown.
        sendEnter(button);
        QVERIFY(tip.showPending());
        QTest::qWait(300);
        sendLeave(button);
        QVERIFY(!tip.showPending());
        QTest::qWait(ZxToolTip::kShowDelayMs + 300);
        QVERIFY(!tip.isVisible());

        // Staying: shown after the delay, gone again after the visible time.
        sendEnter(button);
        QTest::qWait(ZxToolTip::kShowDelayMs / 2);
        QVERIFY(!tip.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(tip.isVisible(), ZxToolTip::kShowDelayMs + 1000);
        QTRY_VERIFY_WITH_TIMEOUT(!tip.isVisible(), ZxToolTip::kVisibleMs + 1000);

        // Leaving a shown tip hides it shortly after.
        sendEnter(button);
        QTRY_VERIFY_WITH_TIMEOUT(tip.isVisible(), ZxToolTip::kShowDelayMs + 1000);
        sendLeave(button);
        QTRY_VERIFY_WITH_TIMEOUT(!tip.isVisible(), ZxToolTip::kLeaveHideMs + 700);

        // Re-attached: the old control no longer drives it.
        tip.attachTo(other);
        sendEnter(button);
        QVERIFY(!tip.showPending());
        sendEnter(other);
        QVERIFY(tip.showPending());
    }

    void messageBoxButtonsAndResult() {
        ZXMessageBox box("The language change will take effect after restart.", "Tips", "Restart", "Later");
        QCOMPARE(box.text(), QString("The language change will take effect after restart."));
        QCOMPARE(box.title(), QString("Tips"));
        QCOMPARE(box.acceptText(), QString("Restart"));
        QCOMPARE(box.rejectText(), QString("Later"));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(box.windowAgent()->titleBar(), box.findChild<QWidget*>("widget_title_bar"));

        QTimer::singleShot(0, &box, [&box] { box.findChild<QPushButton*>("pb_open")->click(); });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, &box, [&box] { box.findChild<QPushButton*>("pb_close")->click(); });
        QCOMPARE(box.exec(), int(QDialog::Rejected));

        box.show();
        box.findChild<QPushButton*>("pb_win_close")->click();
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Rejected));
    }

    void messageBoxDefaultsToOpenAndClose() {
        ZXMessageBox box("text", "title");
        QCOMPARE(box.acceptText(), QString("Open"));
        QCOMPARE(box.rejectText(), QString("Close"));
    }

    void waitingWindowCentresAndAnimatesWhileShown() {
        QWidget parent;
        parent.setGeometry(100, 120, 640, 480);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        WaitingWin wait(&parent);
        QVERIFY(wait.movie()->isValid());
        QVERIFY(!wait.isAnimating());

        wait.show();
        QVERIFY(wait.isAnimating());
        const QPoint expected = parent.mapToGlobal(QPoint(0, 0)) +
                                QPoint((parent.width() - wait.width()) / 2, (parent.height() - wait.height()) / 2);
        QCOMPARE(wait.pos(), expected);

        wait.close();
        QVERIFY(!wait.isVisible());
        QVERIFY(!wait.isAnimating());
        wait.show();
        QVERIFY(wait.isAnimating());
        wait.hide();
        QVERIFY(!wait.isAnimating());
    }

    void popWidgetStacksWidgets() {
        PopWidget pop;
        auto* a = new QLabel("a");
        auto* b = new QLabel("b");
        pop.addWidget(a);
        pop.addWidget(b);
        pop.addWidget(nullptr);
        QCOMPARE(a->parentWidget(), pop.panel());
        QCOMPARE(b->parentWidget(), pop.panel());
        pop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pop));
        QVERIFY(a->geometry().bottom() < b->geometry().top());
    }
};

QTEST_MAIN(NotificationsTest)
#include "NotificationsTest.moc"
