// Main window: time format, source selection when a recording opens, menu entries of the camera
// side, playback-bar wiring, side-bar folding, toasts, and export and cut of a real recording
// through their dialogs.

#include "MainWidget.h"
#include "TestData.h"
#include "settings/AppSettings.h"
#include "settings/ZxTimeRangeDialog.h"
#include "view/ZxEventProcessor.h"
#include "widgets/WaitingWin.h"
#include "widgets/ZxFilePathReminderForm.h"
#include "widgets/ZxThreeHandleSlider.h"

#include "../startup/TempHome.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

void touch(const QString& path, const QByteArray& bytes = "x") {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QList<ZxFilePathReminderForm*> toasts(MainWidget& w) {
    return w.findChildren<ZxFilePathReminderForm*>(Qt::FindDirectChildrenOnly);
}

QString toastText(ZxFilePathReminderForm* toast) {
    auto* label = toast->findChild<QLabel*>("lb_show_tips");
    return label ? label->text() : QString();
}

ZxFilePathReminderForm* toastWithText(MainWidget& w, const QString& text) {
    for (ZxFilePathReminderForm* t : toasts(w))
        if (toastText(t) == text) return t;
    return nullptr;
}

void clearToasts(MainWidget& w) {
    qDeleteAll(toasts(w));
}

// Acts on the export or cut dialog once it is up; rejects any modal window left open after
// 15 s so a failing test cannot hang.
void whenDialogShows(MainWidget& w, std::function<void(ZxTimeRangeDialog*)> act) {
    auto* timer = new QTimer(&w);
    auto* elapsed = new QElapsedTimer;
    elapsed->start();
    QObject::connect(timer, &QTimer::timeout, &w, [&w, timer, elapsed, act] {
        if (ZxTimeRangeDialog* d = w.activeRangeDialog(); d && d->isVisible()) {
            timer->stop();
            act(d);
        } else if (elapsed->elapsed() > 15000) {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        } else {
            return;
        }
        timer->deleteLater();
        delete elapsed;
    });
    timer->start(20);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<quillex::test::TempHome> home_;

    static QAction* action(MainWidget& w, const char* name) { return w.findChild<QAction*>(name); }
    static QPushButton* button(MainWidget& w, const char* name) { return w.findChild<QPushButton*>(name); }
    static QLabel* label(MainWidget& w, const char* name) { return w.findChild<QLabel*>(name); }

    // A copy of a sample recording in a scratch folder (the reader writes its index beside it).
    static QString sampleCopy(const QTemporaryDir& dir, const char* name) {
        const QString source = QString::fromStdString((quillex::test::sampleDataDir() / name).string());
        const QString target = dir.filePath(name);
        if (!QFile::copy(source, target)) return QString();
        return target;
    }

private slots:
    void initTestCase() {
        home_ = std::make_unique<quillex::test::TempHome>();
        QVERIFY(home_->isValid());
    }

    void timeFormat_data() {
        QTest::addColumn<quint64>("us");
        QTest::addColumn<QString>("text");
        QTest::newRow("61.5 s") << quint64(61500000) << "01:01:500000";
        QTest::newRow("zero") << quint64(0) << "00:00:000000";
        QTest::newRow("one microsecond short of a minute") << quint64(59999999) << "00:59:999999";
        QTest::newRow("one hour") << quint64(3600000000ULL) << "60:00:000000";
        QTest::newRow("minutes beyond two digits") << quint64(6000000001ULL) << "100:00:000001";
        QTest::newRow("sample start") << quint64(14224870) << "00:14:224870";
    }
    void timeFormat() {
        QFETCH(quint64, us);
        QFETCH(QString, text);
        QCOMPARE(MainWidget::formatTime(us), text);
    }

    void companionAndToastFolderRules() {
        QTemporaryDir dir;
        QCOMPARE(MainWidget::companionVideoPath(dir.filePath("run.2024.raw")), dir.filePath("run.2024.mp4"));
        touch(dir.filePath("file.raw"));
        QCOMPARE(MainWidget::reminderFolderFor(dir.path()), QDir(dir.path()).absolutePath());
        QCOMPARE(MainWidget::reminderFolderFor(dir.filePath("file.raw")), QDir(dir.path()).absolutePath());
        QCOMPARE(MainWidget::reminderFolderFor(dir.filePath("not-yet.mp4")), QDir(dir.path()).absolutePath());
        QCOMPARE(MainWidget::reminderFolderFor(dir.filePath("gone/deeper/x.mp4")), QString());
        QCOMPARE(MainWidget::reminderFolderFor(QString()), QString());
    }

    void entriesOfTheCameraSideAreDisabled() {
        MainWidget w;
        for (const char* name : {"action_ip_configuration", "action_general_setting"}) {
            QAction* a = action(w, name);
            QVERIFY2(a, name);
            QVERIFY2(!a->isEnabled(), name);
        }
        for (const char* name : {"action_open_camera", "action_camera_info", "action_open_recording",
                                 "action_save_as", "action_cut_recording", "action_quit", "action_language",
                                 "action_about", "action_toggle_start_end"}) {
            QAction* a = action(w, name);
            QVERIFY2(a, name);
            QVERIFY2(a->isEnabled(), name);
        }
        QCOMPARE(action(w, "action_save_as")->text(), QString("Save as..."));
        QCOMPARE(action(w, "action_cut_recording")->text(), QString("Cut Recording"));
        QVERIFY(!button(w, "pb_record")->isEnabled());
        QVERIFY(!button(w, "pb_fold_general_setting")->isEnabled());
        // Nothing to play yet.
        for (const char* name : {"pb_play", "pb_prv", "pb_next", "pb_stop", "pb_loop"})
            QVERIFY2(!button(w, name)->isEnabled(), name);
        QVERIFY(!w.slider()->isEnabled());
        QCOMPARE(label(w, "label_time")->text(), QString("--/ --"));
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceNone));
    }

    void exportAndCutNeedALoadedRecording() {
        QTemporaryDir dir;
        MainWidget w;
        w.resize(1000, 700);
        QSignalSpy exports(&w, &MainWidget::signalExportVideo);
        QSignalSpy cuts(&w, &MainWidget::signalCutRawFile);
        bool dialogSeen = false;
        whenDialogShows(w, [&](ZxTimeRangeDialog* d) {
            dialogSeen = true;
            d->reject();
        });

        w.slotSaveAs();
        w.slotCutRecording();
        // A file that is no recording: the kind says raw, but there is nothing to cut from.
        touch(dir.filePath("junk.raw"), QByteArray(64, '\xff'));
        w.openRecording(dir.filePath("junk.raw"));
        QTRY_VERIFY(!w.eventProcessor()->isLoading());
        w.slotSaveAs();
        w.slotCutRecording();

        QVERIFY(!dialogSeen);
        QCOMPARE(exports.count(), 0);
        QCOMPARE(cuts.count(), 0);
        int warnings = 0;
        for (ZxFilePathReminderForm* t : toasts(w)) {
            if (toastText(t) == "Please open a raw file first.") {
                QCOMPARE(t->type(), ZxMessageWarning);
                ++warnings;
            }
        }
        QCOMPARE(warnings, 4);
    }

    void rawWithVideoBesideItTakesTheFusionPath() {
        QTemporaryDir dir;
        touch(dir.filePath("fused.raw"));
        touch(dir.filePath("fused.mp4"));
        touch(dir.filePath("plain.raw"));
        MainWidget w;
        QSignalSpy rawOpens(&w, &MainWidget::signalOpenRawFile);
        QSignalSpy fusionOpens(&w, &MainWidget::signalOpenFusionFile);

        w.openRecording(dir.filePath("fused.raw"));
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceFusionRecording));
        QCOMPARE(rawOpens.count(), 1);
        QCOMPARE(rawOpens.at(0).at(0).toString(), QString());
        QCOMPARE(fusionOpens.count(), 1);
        QCOMPARE(fusionOpens.at(0).at(0).toString(), dir.filePath("fused.raw"));
        QVERIFY(!action(w, "action_save_as")->isVisible());
        QVERIFY(!action(w, "action_cut_recording")->isVisible());
        QCOMPARE(label(w, "lb_viewer_file_name")->text(), QString("fused.raw"));
        QCOMPARE(quillex::AppSettings::instance()->inputRawFilePath(), QDir(dir.path()).absolutePath());
        QVERIFY(button(w, "pb_viewer_type")->isEnabled());
        for (const char* name : {"pb_play", "pb_prv", "pb_next", "pb_stop", "pb_loop"})
            QVERIFY2(button(w, name)->isEnabled(), name);
        QVERIFY(w.slider()->isEnabled());
        // Nobody plays fusion recordings yet, and the window says so instead of staying blank.
        QVERIFY(toastWithText(w, "Fusion recordings cannot be played in this version."));

        w.openRecording(dir.filePath("plain.raw"));
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceRawRecording));
        QCOMPARE(rawOpens.count(), 2);
        QCOMPARE(rawOpens.at(1).at(0).toString(), dir.filePath("plain.raw"));
        QCOMPARE(fusionOpens.at(1).at(0).toString(), QString());
        QVERIFY(action(w, "action_save_as")->isVisible());
        QVERIFY(action(w, "action_cut_recording")->isVisible());
        QVERIFY(!button(w, "pb_viewer_type")->isEnabled());

        // A path that does not exist changes nothing.
        w.openRecording(dir.filePath("missing.raw"));
        QCOMPARE(w.sourceKind(), uint32_t(MainWidget::SourceRawRecording));
        QCOMPARE(rawOpens.count(), 2);
        QVERIFY(toastWithText(w, "The recording does not exist."));
        QTRY_VERIFY(!w.eventProcessor()->isLoading());
    }

    void timeLabelShowsPositionAndEndForRecordingsOnly() {
        QTemporaryDir dir;
        touch(dir.filePath("a.raw"));
        MainWidget w;
        w.showTimeStamp(5000000);
        QCOMPARE(label(w, "label_time")->text(), QString("--/ --"));

        w.openRecording(dir.filePath("a.raw"));
        QTRY_VERIFY(!w.eventProcessor()->isLoading());
        QCoreApplication::processEvents();
        w.slotSetSliderEndTime(120000000);
        w.slotSetSliderStartTime(0);
        w.showTimeStamp(61500000);
        QCOMPARE(w.slider()->centerValue(), uint64_t(61500000));
        QCOMPARE(label(w, "label_time")->text(), QString("01:01:500000/02:00:000000"));
        // The end shown is the end handle once start and end points are editable.
        w.slotStartEndPointEditable(true);
        w.slider()->setUpperValue(90000000);
        w.showTimeStamp(61500000);
        QCOMPARE(label(w, "label_time")->text(), QString("01:01:500000/01:30:000000"));
    }

    void viewerTypeStepsThroughTheStreams() {
        QTemporaryDir dir;
        touch(dir.filePath("f.raw"));
        touch(dir.filePath("f.mp4"));
        MainWidget w;
        QCOMPARE(w.viewerType(), uint32_t(quillex::STREAM_FUSION));
        w.openRecording(dir.filePath("f.raw"));
        QSignalSpy types(&w, &MainWidget::signalSetViewerShowType);
        QPushButton* b = button(w, "pb_viewer_type");
        const char* expectedLook[] = {"dvs", "aps", "fusion", "dvs"};
        for (int i = 0; i < 4; ++i) {
            b->click();
            QCOMPARE(w.viewerType(), uint32_t(i % 3));
            QCOMPARE(b->property("viewer").toString(), QString(expectedLook[i]));
        }
        QCOMPARE(types.count(), 4);
        QCOMPARE(types.at(0).at(0).value<quillex::STREAM_TYPE>(), quillex::STREAM_DVS);
        QCOMPARE(types.at(1).at(0).value<quillex::STREAM_TYPE>(), quillex::STREAM_APS);
        QCOMPARE(types.at(2).at(0).value<quillex::STREAM_TYPE>(), quillex::STREAM_FUSION);
    }

    void startEndToggleSwitchesTheSliderMode() {
        MainWidget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.slider()->mode(), ZxThreeHandleSlider::kCenterHandleBit);
        QPushButton* viewer = button(w, "pb_viewer_setting");
        viewer->click();
        QTRY_VERIFY(w.viewerMenu()->isVisible());
        QAction* toggle = action(w, "action_toggle_start_end");
        QCOMPARE(toggle->text(), QString("Toggle Start/End Point"));
        toggle->trigger();
        QCOMPARE(w.slider()->mode(), ZxThreeHandleSlider::kAllHandles);
        w.viewerMenu()->hide();
        QVERIFY(!viewer->isChecked());
        toggle->trigger();
        QCOMPARE(w.slider()->mode(), ZxThreeHandleSlider::kCenterHandleBit);
    }

    void foldButtonsActAsExclusiveTabs() {
        MainWidget w;
        auto* camera = new QWidget;
        auto* dvs = new QWidget;
        auto* aps = new QWidget;
        QPushButton* cameraButton = button(w, "pb_fold_setting");
        QPushButton* dvsButton = button(w, "pb_fold_dvs_setting");
        QPushButton* apsButton = button(w, "pb_fold_aps_setting");
        QVERIFY(!cameraButton->isEnabled());
        w.setSidePanel(MainWidget::CameraPanel, camera);
        w.setSidePanel(MainWidget::DvsPanel, dvs);
        w.setSidePanel(MainWidget::ApsPanel, aps);
        QWidget* sideBar = w.findChild<QWidget*>("widget_side_bar");
        const int folded = sideBar->width();
        QVERIFY(cameraButton->isEnabled() && dvsButton->isEnabled() && apsButton->isEnabled());
        QVERIFY(camera->isHidden() && dvs->isHidden() && aps->isHidden());

        cameraButton->click();
        QVERIFY(!camera->isHidden());
        QCOMPARE(sideBar->maximumWidth(), MainWidget::kSideBarOpenWidth);
        dvsButton->click();
        QVERIFY(camera->isHidden() && !dvs->isHidden() && aps->isHidden());
        QVERIFY(!cameraButton->isChecked() && dvsButton->isChecked());
        apsButton->click();
        QVERIFY(dvs->isHidden() && !aps->isHidden() && !dvsButton->isChecked());
        apsButton->click();
        QVERIFY(aps->isHidden());
        QCOMPARE(sideBar->maximumWidth(), folded);
        QVERIFY(folded < MainWidget::kSideBarOpenWidth);

        // Removing the open panel folds the bar and disables its button.
        dvsButton->click();
        w.setSidePanel(MainWidget::DvsPanel, nullptr);
        QVERIFY(!dvsButton->isEnabled() && !dvsButton->isChecked());
        QCOMPARE(sideBar->maximumWidth(), folded);
    }

    void toastsSitAtTheBottomLeftAndStack() {
        QTemporaryDir dir;
        touch(dir.filePath("saved.mp4"));
        MainWidget w;
        w.resize(1000, 700);
        quillex::test::MessageCapture capture;

        emit w.signalShowLeftBottomTips(QString("first"), ZxMessageSuccess, dir.filePath("saved.mp4"));
        ZxFilePathReminderForm* first = toastWithText(w, "first");
        QVERIFY(first);
        QCOMPARE(first->x(), 0);
        QCOMPARE(first->geometry().bottom() + 1, w.height());
        QCOMPARE(first->filePath(), QDir(dir.path()).absolutePath());
        QCOMPARE(first->type(), ZxMessageSuccess);

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        emit w.signalShowLeftBottomTips(QString("second"), ZxMessageError, dir.filePath("none/x.mp4"));
        ZxFilePathReminderForm* second = toastWithText(w, "second");
        QVERIFY(second);
        QCOMPARE(second->geometry().bottom() + 1, w.height());
        QCOMPARE(second->filePath(), QString());
        QCOMPARE(second->type(), ZxMessageError);
        QCOMPARE(first->geometry().bottom() + 1, second->y());
        QCOMPARE(capture.count("Path does not exist:"), 1);
    }

    void triggerMarksTakeTheirEdgeColours() {
        MainWidget w;
        emit w.eventProcessor()->signalTriggerList({{100, 1}, {200, 0}, {300, 7}});
        const auto& marks = w.slider()->marks();
        QCOMPARE(marks.size(), 3);
        QCOMPARE(marks[0].first, uint64_t(100));
        QCOMPARE(marks[0].second, QColor("#FF6058"));
        QCOMPARE(marks[1].second, QColor("#58DB6D"));
        QCOMPARE(marks[2].second, QColor("#58DB6D"));
        // A new list replaces the old marks.
        emit w.eventProcessor()->signalTriggerList({});
        QCOMPARE(w.slider()->marks().size(), 0);
    }

    void waitingWindowStaysUpUntilTheLastBusySpellEnds() {
        MainWidget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.slotSetWaitWinStatus(true);   // e.g. a cut
        w.slotSetWaitWinStatus(true);   // and an export started meanwhile
        QVERIFY(w.waitingWindow()->isVisible());
        w.slotSetWaitWinStatus(false);
        QVERIFY(w.waitingWindow()->isVisible());
        w.slotSetWaitWinStatus(false);
        QVERIFY(!w.waitingWindow()->isVisible());
        // An unmatched end neither breaks the count nor shows anything.
        w.slotSetWaitWinStatus(false);
        w.slotSetWaitWinStatus(true);
        QVERIFY(w.waitingWindow()->isVisible());
        // Progress without a cut or export of this window is not shown.
        w.slotJobProgress(40);
        QVERIFY(w.waitingProgressLabel()->isHidden());
        w.slotSetWaitWinStatus(false);
        QVERIFY(!w.waitingWindow()->isVisible());
    }

    void recordingPlaysCutsAndExportsThroughTheDialogs() {
        if (!quillex::test::sampleDataAvailable()) QSKIP("sample recordings not found (set QUILLEX_TEST_DATA)");
        QTemporaryDir in;
        QTemporaryDir out;
        const QString path = sampleCopy(in, "evt3_1280x720_trigger_erc.raw");
        QVERIFY(!path.isEmpty());

        MainWidget w;
        w.resize(1200, 760);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.openRecording(path);
        QTRY_VERIFY_WITH_TIMEOUT(w.eventProcessor()->hasRecording() && !w.eventProcessor()->isLoading(), 30000);
        QTRY_COMPARE(w.slider()->maximum(), w.eventProcessor()->upperBound());
        QCOMPARE(w.slider()->minimum(), w.eventProcessor()->lowerBound());
        QVERIFY(w.slider()->minimum() < w.slider()->maximum());

        // The event-rate strip comes from the index once the load has finished.
        QTRY_VERIFY(!w.slider()->activityProfile().isEmpty());
        float peak = 0;
        for (float v : w.slider()->activityProfile()) peak = std::max(peak, v);
        QCOMPARE(peak, 1.0f);
        QVERIFY(!w.waitingWindow()->isVisible());

        // Loading starts playback; the time label follows it.
        const QRegularExpression timeText("^\\d{2,}:\\d{2}:\\d{6}/\\d{2,}:\\d{2}:\\d{6}$");
        QTRY_VERIFY(timeText.match(label(w, "label_time")->text()).hasMatch());

        // Cut the middle through the dialog, which comes filled from the slider and the settings.
        button(w, "pb_play")->click();
        QTRY_VERIFY(!w.eventProcessor()->isPlaying());
        QVERIFY(!button(w, "pb_play")->isChecked());
        w.slotStartEndPointEditable(true);
        const uint64_t first = w.slider()->minimum();
        const uint64_t span = w.slider()->maximum() - first;
        // Handles keep start <= position <= end, so the position goes in between first.
        w.slider()->setUpperValue(first + span / 2);
        w.slider()->setCenterValue(first + span * 3 / 8);
        w.slider()->setLowerValue(first + span / 4);
        QSignalSpy cuts(&w, &MainWidget::signalCutRawFile);
        QString shownDir;
        QString shownName;
        uint64_t shownStart = 0;
        uint64_t shownEnd = 0;
        whenDialogShows(w, [&](ZxTimeRangeDialog* d) {
            shownDir = d->saveDir();
            shownName = d->fileName();
            shownStart = d->startTime();
            shownEnd = d->endTime();
            d->setSaveDir(out.path());
            d->setFileName("cut.raw");
            d->findChild<QPushButton*>("pb_save")->click();
        });
        w.slotCutRecording();
        QCOMPARE(shownDir, quillex::AppSettings::instance()->outputRawFilePath());
        QVERIFY2(QRegularExpression("^\\d{8}_\\d{6}\\.raw$").match(shownName).hasMatch(), qPrintable(shownName));
        QCOMPARE(shownStart, first + span / 4);
        QCOMPARE(shownEnd, first + span / 2);
        QCOMPARE(cuts.count(), 1);
        QCOMPARE(cuts.at(0).at(0).toString(), out.path() + "/cut.raw");
        QCOMPARE(cuts.at(0).at(1).toString(), out.path());
        QCOMPARE(cuts.at(0).at(2).value<uint64_t>(), first + span / 4);
        QCOMPARE(cuts.at(0).at(3).value<uint64_t>(), first + span / 2);
        QTRY_VERIFY_WITH_TIMEOUT(toastWithText(w, "Export raw file success!"), 60000);
        QCOMPARE(toastWithText(w, "Export raw file success!")->filePath(), QDir(out.path()).absolutePath());
        QVERIFY(QFileInfo(out.filePath("cut.raw")).size() > 0);
        QTRY_VERIFY(!w.waitingWindow()->isVisible());

        // Export the same range; the waiting window reports the job's progress meanwhile.
        clearToasts(w);
        QStringList progressTexts;
        connect(w.eventProcessor(), &ZxEventProcessor::signalJobProgress, &w,
                [&] { progressTexts << w.waitingProgressLabel()->text(); });
        QSignalSpy exports(&w, &MainWidget::signalExportVideo);
        whenDialogShows(w, [&](ZxTimeRangeDialog* d) {
            shownDir = d->saveDir();
            d->setSaveDir(out.path());
            d->setFileName("clip.mp4");
            d->findChild<QPushButton*>("pb_save")->click();
        });
        w.slotSaveAs();
        QCOMPARE(shownDir, quillex::AppSettings::instance()->videoSavePath());
        QCOMPARE(exports.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(toastWithText(w, "Export video success!"), 120000);
        QVERIFY(QFileInfo(out.filePath("clip.mp4")).size() > 0);
        QVERIFY(!progressTexts.isEmpty());
        const QRegularExpression progress("^Exporting video\\.\\.\\. (\\d+)%$");
        for (const QString& text : progressTexts) QVERIFY2(progress.match(text).hasMatch(), qPrintable(text));
        QTRY_VERIFY(!w.waitingWindow()->isVisible());

        // The cut file is a recording of its own.
        w.openRecording(out.filePath("cut.raw"));
        QTRY_VERIFY_WITH_TIMEOUT(w.eventProcessor()->hasRecording() && !w.eventProcessor()->isLoading(), 30000);
        QVERIFY(w.eventProcessor()->lowerBound() >= first + span / 4);
        QVERIFY(w.eventProcessor()->upperBound() <= first + span / 2);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
