// Export and cut dialogs: accessors, the refusal of ranges and targets that cannot work, the
// step buttons, and how each way of closing ends.

#include "settings/ZxCutRawFileDialog.h"
#include "settings/ZxExportVideoDialog.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class RangeDialogTest : public QObject {
    Q_OBJECT

private:
    // A dialog whose values are all acceptable, over a recording from 1000 to 9000 us.
    static void fillValid(ZxTimeRangeDialog& d, const QString& dir) {
        d.setRecordingRange(1000, 9000);
        d.setStartTime(2000);
        d.setEndTime(8000);
        d.setSaveDir(dir);
        d.setFileName("out.raw");
    }
    static QLineEdit* field(ZxTimeRangeDialog& d, const char* name) { return d.findChild<QLineEdit*>(name); }
    static QPushButton* button(ZxTimeRangeDialog& d, const char* name) { return d.findChild<QPushButton*>(name); }

private slots:
    void formsCarryTheirTitlesAndDefaults() {
        ZxExportVideoUI exportDialog;
        ZxCutRawFile cutDialog;
        QCOMPARE(exportDialog.windowTitle(), QString("ZxExportVideoUI"));
        QCOMPARE(cutDialog.windowTitle(), QString("ZxCutRawFile"));
        QCOMPARE(exportDialog.fileName(), QString("xxx.mp4"));
        QCOMPARE(cutDialog.fileName(), QString("xxx.raw"));
        QCOMPARE(exportDialog.findChild<QLabel*>("lb_title")->text(), QString("Export a video"));
        QCOMPARE(cutDialog.findChild<QLabel*>("lb_title")->text(), QString("Cut Recording"));
        QCOMPARE(button(exportDialog, "pb_save")->text(), QString("Export"));
        QCOMPARE(button(cutDialog, "pb_save")->text(), QString("Cut"));
        for (const char* name : {"le_start_time", "le_end_time", "le_save_file_path", "le_file_name"})
            QVERIFY2(field(cutDialog, name), name);
        for (const char* name : {"pb_start_time_plus", "pb_start_time_sub", "pb_end_time_plus", "pb_end_time_sub",
                                 "pb_select_dir", "pb_cancel", "pb_win_close"})
            QVERIFY2(button(cutDialog, name), name);
    }

    void accessorsRoundTripLargeValuesAndReadNonNumbersAsZero() {
        ZxCutRawFile d;
        d.setStartTime(UINT64_MAX - 1);
        d.setEndTime(UINT64_MAX);
        QCOMPARE(d.startTime(), UINT64_MAX - 1);
        QCOMPARE(d.endTime(), UINT64_MAX);
        field(d, "le_start_time")->setText("12x");
        field(d, "le_end_time")->setText("-5");
        QCOMPARE(d.startTime(), uint64_t(0));
        QCOMPARE(d.endTime(), uint64_t(0));
        d.setSaveDir("/data/cuts");
        d.setFileName("a.raw");
        QCOMPARE(d.filePath(), QString("/data/cuts/a.raw"));
        d.setFileName("");
        QCOMPARE(d.filePath(), QString("/data/cuts/"));
    }

    void validValuesAreAccepted() {
        QTemporaryDir dir;
        ZxExportVideoUI d;
        fillValid(d, dir.path());
        QCOMPARE(d.validationError(), QString());
        // The whole recording is a valid range too.
        d.setStartTime(1000);
        d.setEndTime(9000);
        QCOMPARE(d.validationError(), QString());
        button(d, "pb_save")->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.shownError(), QString());
    }

    void badRangesAreRefused_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("reason");
        QTest::newRow("start not a number") << "12x" << "8000" << "start time must be a whole number";
        QTest::newRow("empty start") << "" << "8000" << "start time must be a whole number";
        QTest::newRow("end not a number") << "2000" << "8e3" << "end time must be a whole number";
        QTest::newRow("start equals end") << "5000" << "5000" << "before the end time";
        QTest::newRow("start after end") << "6000" << "5000" << "before the end time";
        QTest::newRow("start before recording") << "999" << "8000" << "within the recording, 1000 to 9000";
        QTest::newRow("end after recording") << "2000" << "9001" << "within the recording, 1000 to 9000";
    }
    void badRangesAreRefused() {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        ZxCutRawFile d;
        fillValid(d, dir.path());
        field(d, "le_start_time")->setText(start);
        field(d, "le_end_time")->setText(end);
        QVERIFY2(d.validationError().contains(reason), qPrintable(d.validationError()));
        QSignalSpy accepted(&d, &QDialog::accepted);
        button(d, "pb_save")->click();
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(d.shownError(), d.validationError());
    }

    void targetsThatCannotBeWrittenAreRefused() {
        QTemporaryDir dir;
        ZxCutRawFile d;
        fillValid(d, dir.path());

        d.setSaveDir(dir.path() + "/missing");
        QVERIFY(d.validationError().contains("existing folder"));
        d.setSaveDir("");
        QVERIFY(d.validationError().contains("existing folder"));
        d.setSaveDir(dir.path());

        d.setFileName("   ");
        QVERIFY(d.validationError().contains("Enter a file name"));
        d.setFileName("sub/out.raw");
        QVERIFY(d.validationError().contains("must not contain a folder"));
        d.setFileName("..");
        QVERIFY(d.validationError().contains("must not contain a folder"));

        // An existing file, such as the recording itself, is never overwritten.
        QFile existing(dir.filePath("taken.raw"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        d.setFileName("taken.raw");
        QVERIFY(d.validationError().contains("already exists"));
        d.setFileName("free.raw");
        QCOMPARE(d.validationError(), QString());
    }

    void refusalMessageClearsOnceTheValuesAreFixed() {
        QTemporaryDir dir;
        ZxCutRawFile d;
        fillValid(d, dir.path());
        d.setEndTime(1500);
        button(d, "pb_save")->click();
        QVERIFY(!d.shownError().isEmpty());
        d.setEndTime(8000);
        button(d, "pb_save")->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.shownError(), QString());
    }

    void withoutARecordingRangeOnlyTheOrderIsChecked() {
        QTemporaryDir dir;
        ZxExportVideoUI d;
        d.setSaveDir(dir.path());
        d.setFileName("a.mp4");
        d.setStartTime(0);
        d.setEndTime(UINT64_MAX);
        QCOMPARE(d.validationError(), QString());
        d.setStartTime(UINT64_MAX);
        QVERIFY(!d.validationError().isEmpty());
    }

    void stepButtonsMoveByOneFrameWithinTheRecording() {
        ZxCutRawFile d;
        d.setRecordingRange(1000, 100000);
        d.setStartTime(50000);
        button(d, "pb_start_time_plus")->click();
        QCOMPARE(d.startTime(), uint64_t(50000 + ZxTimeRangeDialog::kTimeStepUs));
        button(d, "pb_start_time_sub")->click();
        button(d, "pb_start_time_sub")->click();
        QCOMPARE(d.startTime(), uint64_t(50000 - ZxTimeRangeDialog::kTimeStepUs));
        button(d, "pb_start_time_sub")->click();
        QCOMPARE(d.startTime(), uint64_t(1000));  // clamped at the recording's start
        d.setEndTime(90000);
        button(d, "pb_end_time_plus")->click();
        QCOMPARE(d.endTime(), uint64_t(100000));  // clamped at its end
        // A field holding no number steps from the nearest bound.
        field(d, "le_end_time")->setText("abc");
        button(d, "pb_end_time_sub")->click();
        QCOMPARE(d.endTime(), uint64_t(1000));
    }

    void cancelAndCloseButtonRejectEvenWithValidValues() {
        QTemporaryDir dir;
        for (const char* name : {"pb_cancel", "pb_win_close"}) {
            ZxExportVideoUI d;
            fillValid(d, dir.path());
            d.setResult(-1);
            QSignalSpy rejected(&d, &QDialog::rejected);
            button(d, name)->click();
            QCOMPARE(rejected.count(), 1);
            QCOMPARE(d.result(), int(QDialog::Rejected));
        }
    }
};

QTEST_MAIN(RangeDialogTest)
#include "RangeDialogTest.moc"
