// The camera side of the main window against simulated cameras: opening from the window,
// frames in the image view, the statistics line, play/stop, manual and trigger-in recording,
// refusals, and unplugging while streaming.

#include "MainWidget.h"
#include "settings/CamerasList.h"
#include "Utility/zxfilerecorder.h"
#include "camera/DvsCamera.h"
#include "camera/DvsEventCamera.h"
#include "FileReader/DvsFileReader.h"
#include "hal/sim/SimBackend.h"
#include "settings/AppSettings.h"
#include "view/ShowImageForm.h"
#include "view/ZxEventProcessor.h"
#include "widgets/ZxFilePathReminderForm.h"

#include "../startup/TempHome.h"

#include <QDir>
#include <QFileInfo>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using quillex::SimBackend;
using quillex::SimModel;

namespace {

QList<ZxFilePathReminderForm*> toasts(MainWidget& w) {
    return w.findChildren<ZxFilePathReminderForm*>(Qt::FindDirectChildrenOnly);
}

bool hasToast(MainWidget& w, const QString& text) {
    for (ZxFilePathReminderForm* t : toasts(w)) {
        auto* label = t->findChild<QLabel*>("lb_show_tips");
        if (label && label->text() == text) return true;
    }
    return false;
}

QPushButton* button(MainWidget& w, const char* name) {
    return w.findChild<QPushButton*>(name);
}
QLabel* label(MainWidget& w, const char* name) {
    return w.findChild<QLabel*>(name);
}

SimBackend& sim() {
    return SimBackend::instance();
}

// Counts a signal emitted on another thread, on the test's thread (a QSignalSpy would record it
// on the emitting thread while the test reads it).
template <typename Signal>
std::shared_ptr<QList<QVariantList>> queuedSpy(const typename QtPrivate::FunctionPointer<Signal>::Object* sender,
                                               Signal signal, QObject* context) {
    auto calls = std::make_shared<QList<QVariantList>>();
    QObject::connect(sender, signal, context, [calls](auto... args) { calls->append({QVariant::fromValue(args)...}); },
                     Qt::QueuedConnection);
    return calls;
}

}  // namespace

class LiveCameraTest : public QObject {
    Q_OBJECT

    std::unique_ptr<quillex::test::TempHome> home_;
    QTemporaryDir out_;

private slots:
    void initTestCase() {
        qputenv("QUILLEX_SIM_CAMERAS", "none");
        home_ = std::make_unique<quillex::test::TempHome>();
        quillex::DvsEventCamera::setRegisterWaitFunction([](std::chrono::microseconds) {});
        QVERIFY(out_.isValid());
        quillex::AppSettings::instance()->setOutputRawFilePath(out_.path() + "/records");
    }

    void init() {
        sim().removeAll();
        auto* s = quillex::AppSettings::instance();
        s->setTriggerInRecEnabled(false);
    }
    void cleanupTestCase() { sim().removeAll(); }

    void opensStreamsAndShowsStatistics() {
        QVERIFY(sim().addDevice(SimModel::Evk4, "LIVE1"));
        MainWidget w;
        w.show();
        auto images = queuedSpy(w.eventProcessor(), &ZxEventProcessor::signalEventImage, &w);
        auto times = queuedSpy(w.eventProcessor(), &ZxEventProcessor::signalRealTimeTimeStamp, &w);
        QVERIFY(w.openCameraBySerial("LIVE1"));
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceEventCamera));
        QCOMPARE(w.viewerType(), uint32_t(quillex::STREAM_DVS));
        QVERIFY(w.eventCamera());
        QVERIFY(w.isCameraRunning());
        QVERIFY(button(w, "pb_play")->isChecked());
        QVERIFY(button(w, "pb_record")->isEnabled());
        QVERIFY(!button(w, "pb_prv")->isEnabled());
        QCOMPARE(label(w, "label_show_camera_info")->text(), QString("Camera: LIVE1"));

        // Frames reach the view with the camera's timestamps.
        QTRY_VERIFY_WITH_TIMEOUT(images->count() >= 3, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!w.imageForm()->pixmap().isNull(), 5000);
        QCOMPARE(w.imageForm()->pixmap().size(), QSize(1280, 720));
        QVERIFY(times->count() > 0);
        QTRY_VERIFY_WITH_TIMEOUT(label(w, "label_show_timestamp_info")->text().startsWith(" | Time: 00:"), 5000);

        // Once a second the rates.
        QLabel* status = label(w, "lb_status_bar");
        const QRegularExpression rates(R"(^ Bandwidth: (\d+\.\d) MB/s  Events: (\d+\.\d) MEv/s $)");
        QTRY_VERIFY_WITH_TIMEOUT(rates.match(status->text()).hasMatch(), 10000);
        // The first second may be partly before the stream; a later one carries events.
        QTRY_VERIFY_WITH_TIMEOUT(rates.match(status->text()).captured(2).toDouble() > 0.0, 5000);
        QVERIFY(rates.match(status->text()).captured(1).toDouble() > 0.0);

        // Play/stop control the stream.
        button(w, "pb_play")->click();
        QVERIFY(!w.isCameraRunning());
        QVERIFY(!button(w, "pb_play")->isChecked());
        QTest::qWait(500);  // frames already queued may still arrive
        const int stoppedAt = images->count();
        QTest::qWait(500);
        QCOMPARE(images->count(), stoppedAt);
        button(w, "pb_play")->click();
        QVERIFY(w.isCameraRunning());
        QTRY_VERIFY_WITH_TIMEOUT(images->count() > stoppedAt, 5000);

        w.close();
        QVERIFY(!w.isCameraRunning());
        QVERIFY(!w.eventCamera());
    }

    void manualRecordingWritesAReadableRawFile() {
        QVERIFY(sim().addDevice(SimModel::Evk4, "REC1"));
        MainWidget w;
        w.show();
        QVERIFY(w.openCameraBySerial("REC1"));
        QPushButton* record = button(w, "pb_record");
        QLabel* clock = label(w, "lb_recoding_time");
        record->click();
        QVERIFY(w.isLiveRecording());
        QVERIFY(record->isChecked());
        QCOMPARE(clock->text(), QString("00:00:00"));
        // Whole seconds since the start, once a second.
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() != "00:00:00", 3000);
        QVERIFY2(QRegularExpression(R"(^00:00:0[1-9]$)").match(clock->text()).hasMatch(), qPrintable(clock->text()));
        record->click();
        QVERIFY(!w.isLiveRecording());
        QVERIFY(!record->isChecked());
        QVERIFY(clock->text().isEmpty());
        QVERIFY(hasToast(w, "Save file success!"));

        const QFileInfo file(w.liveRecordingPath());
        QCOMPARE(file.absolutePath(), QDir(out_.path() + "/records").absolutePath());
        QVERIFY2(QRegularExpression(R"(^REC1_\d{8}_\d{6}\.raw$)").match(file.fileName()).hasMatch(),
                 qPrintable(file.fileName()));
        QVERIFY(file.size() > 0);

        auto reader = quillex::DvsFileReader::createFileReader(file.absoluteFilePath().toStdString());
        QVERIFY(reader);
        QVERIFY(reader->loadFile());
        uint64_t count = 0;
        QVERIFY(reader->getMaxEvents(count));
        QVERIFY(count > 1000);
        QCOMPARE(reader->getWidth(), uint16_t(1280));
        // The stream keeps running after the recording.
        QVERIFY(w.isCameraRunning());
    }

    // The menu's slot: the list dialog offers every camera; closing it opens nothing.
    void openCameraSlotGoesThroughTheList() {
        QVERIFY(sim().addDevice(SimModel::Evk4, "MENU1"));
        QVERIFY(sim().addDevice(SimModel::Evk4, "MENU2"));
        MainWidget w;
        w.show();
        auto answer = [](const QString& search, const char* buttonName) {
            QTimer::singleShot(200, [search, buttonName] {
                auto* list = qobject_cast<CamerasList*>(QApplication::activeModalWidget());
                if (!list) return;
                list->findChild<QLineEdit*>("le_search_camera")->setText(search);
                list->findChild<QPushButton*>(buttonName)->click();
            });
        };
        answer("2", "pb_close");
        w.slotOpenCamera();
        QVERIFY(!w.eventCamera());
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceNone));

        answer("2", "pb_open");
        w.slotOpenCamera();
        QVERIFY(w.eventCamera());
        QCOMPARE(w.eventCamera()->getDescription().serial, std::string("MENU2"));
        QVERIFY(w.isCameraRunning());
    }

    void refusalsLeaveNoCamera() {
        MainWidget w;
        QVERIFY(!w.openCameraBySerial("NOPE"));
        QVERIFY(hasToast(w, "Open camera: NOPEfailed."));
        QVERIFY(!w.eventCamera());

        quillex::CameraDescription fusion;
        fusion.serial = "FUS1";
        fusion.product = "Tessary";
        QVERIFY(!w.openCameraDescription(fusion));
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceFusionCamera));
        QVERIFY(hasToast(w, "Fusion cameras are not supported in this version."));
        QVERIFY(!w.eventCamera());
        QVERIFY(!w.isCameraRunning());

        // An Ethernet camera on this host's own address, or outside every local segment.
        quillex::CameraDescription eth;
        eth.serial = "ETH1";
        eth.interfaceType = quillex::INTERFACE_ETH;
        eth.subnetMask = "255.255.255.0";
        const auto local = MainWidget::localIPv4Addresses();
        if (!local.empty()) {
            eth.ipAddress = local.front();
            QVERIFY(!w.openCameraDescription(eth));
            QVERIFY(hasToast(w, "There is a conflict between the camera ip and the local ip!"));
        }
        eth.ipAddress = "203.0.113.77";  // documentation range, on no interface here
        QVERIFY(!w.openCameraDescription(eth));
        QVERIFY(hasToast(w, "The camera ip is not in the same network segment as the local ip!"));
        QVERIFY(!w.eventCamera());

        // Recording without a camera is refused and the button stays up.
        button(w, "pb_record")->setEnabled(true);
        button(w, "pb_record")->click();
        QVERIFY(!w.isLiveRecording());
        QVERIFY(!button(w, "pb_record")->isChecked());
    }

    void openingARecordingStopsTheStream() {
        QVERIFY(sim().addDevice(SimModel::Evk4, "SW1"));
        MainWidget w;
        QVERIFY(w.openCameraBySerial("SW1"));
        QVERIFY(w.isCameraRunning());
        QFile f(out_.filePath("some.raw"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        w.openRecording(f.fileName());
        QVERIFY(!w.isCameraRunning());
        QVERIFY(!w.eventCamera());
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceRawRecording));
        QVERIFY(!button(w, "pb_record")->isEnabled());
    }

    void unplugStopsTheLiveViewWithATip() {
        QVERIFY(sim().addDevice(SimModel::Evk4, "UNP1"));
        MainWidget w;
        w.show();
        auto images = queuedSpy(w.eventProcessor(), &ZxEventProcessor::signalEventImage, &w);
        QVERIFY(w.openCameraBySerial("UNP1"));
        button(w, "pb_record")->click();
        QVERIFY(w.isLiveRecording());
        QTRY_VERIFY_WITH_TIMEOUT(images->count() > 0, 10000);
        QVERIFY(sim().unplug("UNP1"));
        QTRY_VERIFY_WITH_TIMEOUT(hasToast(w, "Camera connection lost."), 10000);
        QVERIFY(!w.isCameraRunning());
        QVERIFY(!w.isLiveRecording());
        QVERIFY(!button(w, "pb_play")->isChecked());
        QVERIFY(!button(w, "pb_record")->isEnabled());
        // Play again on a gone camera: refused, nothing runs.
        button(w, "pb_play")->click();
        QVERIFY(!w.isCameraRunning());
        QVERIFY(!button(w, "pb_play")->isChecked());
    }

    // No events, so no batch ever comes: stopping must not wait for one.
    void silentCameraStopsAndCloses() {
        const quillex::SimSceneConfig normal = sim().defaultScene();
        quillex::SimSceneConfig dark = normal;
        dark.eventRate = 0;
        dark.noiseFraction = 0;
        dark.shapeCount = 0;
        dark.triggerPeriodUs = 0;
        sim().setDefaultScene(dark);
        const bool added = sim().addDevice(SimModel::Evk4, "DARK1");
        sim().setDefaultScene(normal);
        QVERIFY(added);
        MainWidget w;
        auto images = queuedSpy(w.eventProcessor(), &ZxEventProcessor::signalEventImage, &w);
        QVERIFY(w.openCameraBySerial("DARK1"));
        QVERIFY(w.isCameraRunning());
        QTest::qWait(300);
        button(w, "pb_play")->click();
        QVERIFY(!w.isCameraRunning());
        QVERIFY(!button(w, "pb_play")->isChecked());
        button(w, "pb_play")->click();
        QVERIFY(w.isCameraRunning());
        QTest::qWait(100);
        QCOMPARE(images->count(), 0);
        w.close();
        QVERIFY(!w.eventCamera());
    }

    void triggerEdgesStartTimedRecordings() {
        auto* s = quillex::AppSettings::instance();
        s->setTriggerInRecEnabled(true);
        s->setTriggerInEdgeType("Falling Edge");
        s->setBeforeTriggerSaveTime(0);
        s->setAfterTriggerSaveTime(1);
        QVERIFY(sim().addDevice(SimModel::Evk4, "TRG1"));
        MainWidget w;
        auto requests = queuedSpy(&w, &MainWidget::signalRecByTime, &w);
        QVERIFY(w.openCameraBySerial("TRG1"));
        QVERIFY(w.triggerCallbackId() != UINT32_MAX);
        QCOMPARE(w.recorder()->camera(), w.eventCamera());
        // The simulated trigger input is a 1 s square wave: one falling edge a second.
        QTRY_VERIFY_WITH_TIMEOUT(requests->count() >= 1, 15000);
        QCOMPARE(requests->first().at(0).value<uint32_t>(), uint32_t(1));
        const QString path = requests->first().at(1).toString();
        QVERIFY2(QRegularExpression(R"(/records/TRG1_\d{8}_\d{6}\.raw$)").match(path).hasMatch(), qPrintable(path));
        QTRY_VERIFY_WITH_TIMEOUT(hasToast(w, "Recording file ... "), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(hasToast(w, "Recording end"), 15000);
        QVERIFY(QFileInfo(path).size() > 0);

        // Turning trigger recording off removes the callback.
        s->setTriggerInRecEnabled(false);
        w.initDvsCameraSettings();
        QCOMPARE(w.triggerCallbackId(), UINT32_MAX);
    }

    void recorderRefusesASecondTimedRecording() {
        QVERIFY(sim().addDevice(SimModel::Evk4, "TR2"));
        MainWidget w;
        QVERIFY(w.openCameraBySerial("TR2"));
        ZxFileRecorder* r = w.recorder();
        QVERIFY(!r->recordingTime(0, out_.filePath("zero.raw")));  // no length: nothing
        QVERIFY(r->recordingTime(2, out_.filePath("timed.raw")));
        QVERIFY(r->isRecording());
        QVERIFY(!r->recordingTime(2, out_.filePath("second.raw")));
        QTRY_VERIFY_WITH_TIMEOUT(hasToast(w, "Currently being recorded."), 2000);
        QVERIFY(!r->stopRecording());  // a timed recording ends by itself
        QTRY_VERIFY_WITH_TIMEOUT(!r->isRecording(), 15000);
        QVERIFY(QFileInfo(out_.filePath("timed.raw")).size() > 0);
        QVERIFY(!QFileInfo::exists(out_.filePath("second.raw")));

        // Untimed recording through the recorder.
        QVERIFY(r->startRecording(out_.filePath("untimed.raw")));
        QVERIFY(!r->startRecording(out_.filePath("again.raw")));
        QTest::qWait(200);
        QVERIFY(r->stopRecording());
        QVERIFY(QFileInfo(out_.filePath("untimed.raw")).size() > 0);
    }
};

QTEST_MAIN(LiveCameraTest)
#include "LiveCameraTest.moc"
