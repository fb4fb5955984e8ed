// Camera list and camera info dialogs, and the pure helpers of the camera side (address check,
// elapsed time and statistics texts).

#include "MainWidget.h"
#include "settings/CamerasList.h"
#include "settings/ShowCameraInfoUI.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

quillex::CameraDescription desc(const char* serial, const char* product = "EVK4") {
    quillex::CameraDescription d;
    d.serial = serial;
    d.product = product;
    d.manufacturer = "Maker";
    return d;
}

}  // namespace

class CameraDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void listShowsOneRowPerSerialWithTheFirstSelected() {
        CamerasList list({desc("A1"), desc("B2"), desc("C3")});
        auto* rows = list.findChild<QListWidget*>("listWidget_cameras");
        QVERIFY(rows);
        QCOMPARE(rows->count(), 3);
        QCOMPARE(rows->item(1)->text(), QString("B2"));
        QVERIFY(!rows->item(0)->icon().isNull());
        int index = -1;
        QVERIFY(list.selectedIndex(index));
        QCOMPARE(index, 0);
        QCOMPARE(list.findChild<QLineEdit*>("le_search_camera")->placeholderText(), QString("Search Cameras..."));
        QCOMPARE(list.findChild<QPushButton*>("pb_open")->text(), QString("Open"));
        QCOMPARE(list.findChild<QPushButton*>("pb_close")->text(), QString("Close"));
    }

    void emptyListHasNoSelection() {
        CamerasList list({});
        int index = 7;
        QVERIFY(!list.selectedIndex(index));
        QCOMPARE(index, 7);
    }

    void buttonsAndDoubleClickDecide() {
        {
            CamerasList list({desc("A1"), desc("B2")});
            auto* rows = list.findChild<QListWidget*>("listWidget_cameras");
            list.show();
            QVERIFY(QTest::qWaitForWindowExposed(&list));
            QListWidgetItem* second = rows->item(1);
            const QRect rect = rows->visualItemRect(second);
            QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rect.center());
            QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, rect.center());
            QCOMPARE(list.result(), int(QDialog::Accepted));
            int index = -1;
            QVERIFY(list.selectedIndex(index));
            QCOMPARE(index, 1);
        }
        {
            CamerasList list({desc("A1")});
            list.show();
            list.findChild<QPushButton*>("pb_close")->click();
            QCOMPARE(list.result(), int(QDialog::Rejected));
            QVERIFY(!list.isVisible());
        }
        {
            CamerasList list({desc("A1")});
            list.show();
            list.findChild<QPushButton*>("pb_open")->click();
            QCOMPARE(list.result(), int(QDialog::Accepted));
        }
    }

    // The index refers to the description list, not to the visible row.
    void searchFiltersBySerialAndKeepsIndicesOfTheDescriptions() {
        CamerasList list({desc("EVK-100"), desc("ORB-200"), desc("evk-300")});
        auto* rows = list.findChild<QListWidget*>("listWidget_cameras");
        auto* search = list.findChild<QLineEdit*>("le_search_camera");
        search->setText("orb");
        QVERIFY(rows->item(0)->isHidden());
        QVERIFY(!rows->item(1)->isHidden());
        QVERIFY(rows->item(2)->isHidden());
        int index = -1;
        QVERIFY(list.selectedIndex(index));
        QCOMPARE(index, 1);

        search->setText("EVK");  // case-insensitive
        QVERIFY(!rows->item(0)->isHidden() && rows->item(1)->isHidden() && !rows->item(2)->isHidden());
        rows->setCurrentRow(2);
        QVERIFY(list.selectedIndex(index));
        QCOMPARE(index, 2);

        search->setText("nothing");
        QVERIFY(!list.selectedIndex(index));

        search->clear();
        for (int i = 0; i < 3; ++i) QVERIFY(!rows->item(i)->isHidden());
        QVERIFY(list.selectedIndex(index));
    }

    void infoDialogShowsTheFourValues() {
        ShowCameraInfoUI info;
        quillex::CameraDescription d = desc("SER9", "Quillex.320camera");
        d.manufacturer = "Quillex";
        info.setInfo(d, "V2.0.1");
        auto value = [&](const char* name) { return info.findChild<QLabel*>(name)->text(); };
        QCOMPARE(value("lb_product_value"), QString("Quillex.320camera"));
        QCOMPARE(value("lb_manufacturer_value"), QString("Quillex"));
        QCOMPARE(value("lb_firmware_value"), QString("V2.0.1"));
        QCOMPARE(value("lb_serial_value"), QString("SER9"));
        QCOMPARE(value("lb_firmware"), QString("Firmware version :"));
        info.show();
        info.findChild<QPushButton*>("pb_close")->click();
        QVERIFY(!info.isVisible());
    }

    void addressCheck() {
        using C = MainWidget::AddressCheck;
        const std::vector<std::string> local{"10.0.0.5", "192.168.1.10"};
        QCOMPARE(MainWidget::checkCameraAddress("192.168.1.20", "255.255.255.0", local), C::Ok);
        // Equal to a local address: a conflict even though the segment matches.
        QCOMPARE(MainWidget::checkCameraAddress("192.168.1.10", "255.255.255.0", local), C::Conflict);
        QCOMPARE(MainWidget::checkCameraAddress("192.168.2.20", "255.255.255.0", local), C::OtherSegment);
        QCOMPARE(MainWidget::checkCameraAddress("192.168.2.20", "255.255.0.0", local), C::Ok);
        QCOMPARE(MainWidget::checkCameraAddress("192.168.1.20", "255.255.255.0", {}), C::OtherSegment);
    }

    void elapsedAndStatisticsTexts() {
        QCOMPARE(MainWidget::formatElapsed(0), QString("00:00:00"));
        QCOMPARE(MainWidget::formatElapsed(61), QString("00:01:01"));
        QCOMPARE(MainWidget::formatElapsed(3600 * 123 + 59 * 60 + 9), QString("123:59:09"));
        QCOMPARE(MainWidget::formatBandwidth(3 * 1024 * 1024 + 512 * 1024), QString(" Bandwidth: 3.5 MB/s "));
        QCOMPARE(MainWidget::formatBandwidth(0), QString(" Bandwidth: 0.0 MB/s "));
        QCOMPARE(MainWidget::formatEventRate(12340000), QString(" Events: 12.3 MEv/s "));
    }
};

QTEST_MAIN(CameraDialogsTest)
#include "CameraDialogsTest.moc"
