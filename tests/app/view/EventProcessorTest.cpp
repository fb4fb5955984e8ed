// Event processor: counters and colours, loading, playback, stepping, seeking, jobs and failures.

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "../startup/TempHome.h"
#include "FileReader/DvsFileReader.h"
#include "ViewTestSupport.h"
#include "settings/AppSettings.h"
#include "view/ZxEventProcessor.h"

using quillex::Event2D;
using quillex::EventTriggerIn;
using quillex::test::SignalLog;

namespace {

constexpr uint64_t kT0 = 100000;       // first event of the synthetic recording
constexpr uint64_t kT1 = 1100000;      // events stop before this
constexpr uint64_t kStep = 20;         // one burst every 20 us: the index needs many 128 KiB chunks

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

}  // namespace

class EventProcessorTest : public QObject {
    Q_OBJECT

private:
    quillex::test::TempHome home_;
    std::unique_ptr<quillex::AppSettings> settings_;
    QTemporaryDir dir_;
    QString recording_;
    std::vector<EventTriggerIn> triggers_;
    uint64_t end_ = 0;  // the recording's end timestamp as its reader reports it

    std::unique_ptr<ZxEventProcessor> makeProcessor() {
        return std::make_unique<ZxEventProcessor>(settings_.get());
    }

    // Loads the synthetic recording and waits for the load to finish.
    void load(ZxEventProcessor& p, SignalLog& log) {
        const size_t from = log.entries.size();
        p.loadFile(recording_);
        QVERIFY(log.waitFor("loading", false, 10000, from));
        QVERIFY(p.hasRecording());
    }

    // Publishes what was accumulated and returns the drawn frame.
    QImage publish(ZxEventProcessor& p, SignalLog& log) {
        const int before = log.images;
        p.publishLatestFrame();
        if (!QTest::qWaitFor([&] { return log.images > before; }, 5000)) return {};
        return log.lastImage;
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        QVERIFY(dir_.isValid());
        if (qEnvironmentVariableIsSet("VIEW_KEEP")) dir_.setAutoRemove(false);
        settings_ = std::make_unique<quillex::AppSettings>(home_.iniPath());
        settings_->setColorType("Gray");

        recording_ = dir_.filePath("synthetic.raw");
        triggers_ = {EventTriggerIn(0, 1, 300000), EventTriggerIn(0, 0, 300500), EventTriggerIn(0, 1, 700000)};
        quillex::DvsFileInfo info;
        info.dvs_start_timestamp = kT0;
        info.date = quillex::test::fixedDate();
        info.serial_number = "VIEW0001";
        quillex::test::writeRecording(recording_.toStdString(), info,
                                      quillex::test::scatteredEvents(kT0, kT1, kStep, 8), triggers_);
        // Build the bookmark index once; later loads read it back with every trigger in it.
        auto reader = quillex::DvsFileReader::createFileReader(recording_.toStdString());
        QVERIFY(reader && reader->loadFile());
        reader->getEndTimeStamp(end_);
        QVERIFY(end_ > kT0 + 900000);
    }

    void cleanupTestCase() { settings_.reset(); }

    void init() { settings_->setColorType("Gray"); }

    // --- counters and colours ------------------------------------------------------------------

    void accumulationRulesDecideTheColour() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        std::vector<Event2D> events;
        auto add = [&](int x, int y, int pol, int n) {
            for (int i = 0; i < n; ++i)
                events.emplace_back(static_cast<uint16_t>(x), static_cast<uint16_t>(y), static_cast<uint8_t>(pol), 4242);
        };
        add(10, 10, 1, 2), add(10, 10, 0, 1);   // more ON: ON
        add(20, 20, 1, 1), add(20, 20, 0, 1);   // tie: OFF
        add(30, 30, 1, 5), add(30, 30, 0, 4);   // both capped at 3: tie, OFF
        add(40, 40, 0, 1);                      // only OFF
        add(1279, 719, 1, 1);                   // last pixel is inside
        add(0, 720, 1, 1);                      // index == width * height * 2: ignored
        add(1280, 0, 1, 1);                     // only the combined index counts: lands on (0, 1)
        p->accumulateEvents(events.data(), events.data() + events.size());
        p->accumulateEvents(nullptr, nullptr);  // no effect
        p->accumulateEvents(events.data(), events.data());

        const QImage img = publish(*p, log);
        QVERIFY(!img.isNull());
        QCOMPARE(img.size(), QSize(1280, 720));
        QCOMPARE(img.format(), QImage::Format_RGB888);
        const QColor on(255, 255, 255), off(0, 0, 0), bg(112, 112, 112);
        QCOMPARE(pixel(img, 10, 10), on);
        QCOMPARE(pixel(img, 20, 20), off);
        QCOMPARE(pixel(img, 30, 30), off);
        QCOMPARE(pixel(img, 40, 40), off);
        QCOMPARE(pixel(img, 1279, 719), on);
        QCOMPARE(pixel(img, 0, 1), on);
        QCOMPARE(pixel(img, 0, 0), bg);
        QCOMPARE(pixel(img, 11, 10), bg);
        QVERIFY(log.waitFor("time", QVariant::fromValue<qulonglong>(4242)));

        // Published counters are gone: the next frame starts from an empty buffer.
        const QImage next = publish(*p, log);
        QCOMPARE(pixel(next, 10, 10), bg);
        QCOMPARE(pixel(next, 1279, 719), bg);
    }

    void counterCapMakesLaterOffEventsTie() {
        // 3 ON, then 1 OFF per batch over three batches: OFF reaches 3 = ON's cap, a tie.
        auto p = makeProcessor();
        SignalLog log(p.get());
        std::vector<Event2D> on(6, Event2D(5, 5, 1, 1));
        p->accumulateEvents(on.data(), on.data() + on.size());
        Event2D off(5, 5, 0, 2);
        p->accumulateEvents(&off, &off + 1);
        p->accumulateEvents(&off, &off + 1);
        QCOMPARE(pixel(publish(*p, log), 5, 5), QColor(255, 255, 255));
        p->accumulateEvents(on.data(), on.data() + on.size());
        for (int i = 0; i < 3; ++i) p->accumulateEvents(&off, &off + 1);
        QCOMPARE(pixel(publish(*p, log), 5, 5), QColor(0, 0, 0));
    }

    void colourTypes_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QColor>("on");
        QTest::addColumn<QColor>("off");
        QTest::addColumn<QColor>("bg");
        QTest::newRow("Gray") << "Gray" << QColor(255, 255, 255) << QColor(0, 0, 0) << QColor(112, 112, 112);
        QTest::newRow("RedBlue") << "RedBlue" << QColor(255, 0, 0) << QColor(0, 0, 255) << QColor(112, 112, 112);
        QTest::newRow("Dark") << "Dark" << QColor(255, 255, 255) << QColor(64, 126, 200) << QColor(30, 37, 52);
        QTest::newRow("RedGreen") << "RedGreen" << QColor(255, 0, 0) << QColor(0, 255, 0) << QColor(112, 112, 112);
        QTest::newRow("Light") << "Light" << QColor(0, 0, 0) << QColor(64, 126, 201) << QColor(255, 255, 255);
    }

    void colourTypes() {
        QFETCH(QString, type);
        QFETCH(QColor, on);
        QFETCH(QColor, off);
        QFETCH(QColor, bg);
        auto p = makeProcessor();
        SignalLog log(p.get());
        publish(*p, log);  // a Gray frame first: the new type must show on the very next frame
        settings_->setColorType(type);
        const Event2D events[] = {Event2D(100, 200, 1, 7), Event2D(300, 400, 0, 7)};
        p->accumulateEvents(std::begin(events), std::end(events));
        const QImage img = publish(*p, log);
        QCOMPARE(pixel(img, 100, 200), on);
        QCOMPARE(pixel(img, 300, 400), off);
        QCOMPARE(pixel(img, 640, 360), bg);
    }

    // --- loading -------------------------------------------------------------------------------

    void loadEmitsBoundsThenPositionThenStatus() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        p->loadFile(recording_);
        QVERIFY(log.waitFor("loading", false));

        QStringList expected{"play", "loading", "triggers", "end", "start", "time", "local", "play", "loading"};
        QCOMPARE(log.names(), expected);
        QCOMPARE(log.entries[0].value, QVariant(false));  // playback stopped before the reader goes
        QCOMPARE(log.entries[1].value, QVariant(true));
        QCOMPARE(log.entries[3].value.toULongLong(), end_);
        QCOMPARE(log.entries[4].value.toULongLong(), kT0);
        QCOMPARE(log.entries[5].value.toULongLong(), kT0);
        QCOMPARE(log.entries[7].value, QVariant(true));

        // The header's date is the wall-clock time of its dvs_start_timestamp, kT0.
        const QDateTime at(QDate(2024, 3, 5), QTime(12, 34, 56));
        QCOMPARE(log.entries[6].value.toString(), at.toString("yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(p->localTimeText(kT0 + 2500000), at.addMSecs(2500).toString("yyyy-MM-dd HH:mm:ss"));

        QCOMPARE(static_cast<int>(log.triggers.size()), static_cast<int>(triggers_.size()));
        for (size_t i = 0; i < triggers_.size(); ++i) {
            QCOMPARE(log.triggers[i].first, triggers_[i].timestamp);
            QCOMPARE(static_cast<int>(log.triggers[i].second), static_cast<int>(triggers_[i].polarity));
        }
        QCOMPARE(p->lowerBound(), kT0);
        QCOMPARE(p->upperBound(), end_);
        QCOMPARE(p->currentPosition(), kT0);
        QVERIFY(!p->isLoading());
    }

    void loadRefusalsAndFailures() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        p->loadFile(dir_.filePath("notes.txt"));  // not a recording: nothing but the stop
        QTest::qWait(50);
        QCOMPARE(log.names(), QStringList{"play"});
        QVERIFY(!p->hasRecording());

        // Frame slots without a recording do nothing.
        p->nextFrame();
        p->preFrame();
        p->setPlayPos(kT0);
        p->slotPlaybackReset();
        p->slotPlaybackCtrl(true);
        p->slotCutRawFile(dir_.filePath("x.raw"), dir_.path(), kT0, kT1);
        QTest::qWait(50);
        QCOMPARE(log.names(), QStringList{"play"});
        QVERIFY(!p->isPlaying());

        // A missing .raw file fails on load: a failure tip, no play status true, no recording.
        log.clear();
        p->loadFile(dir_.filePath("missing.raw"));
        QVERIFY(log.waitFor("loading", false));
        QCOMPARE(log.count("play"), 1);
        const auto tips = log.of("tip");
        QCOMPARE(static_cast<int>(tips.size()), 1);
        QCOMPARE(tips[0].type, static_cast<int>(ZxMessageError));
        QVERIFY(!p->hasRecording());
        QCOMPARE(log.count("start"), 0);

        // An empty path closes a loaded recording.
        load(*p, log);
        p->loadFile(QString());
        QVERIFY(!p->hasRecording());
        QVERIFY(p->activityProfile(10).isEmpty());
    }

    // --- playback ------------------------------------------------------------------------------

    void playbackEndsAtUpperBoundWithoutLoop() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        load(*p, log);
        p->slotSetUpperTimeStamp(kT0 + 5 * 30303 + 1000);  // six played frames
        log.clear();
        p->slotPlaybackCtrl(true);
        QVERIFY(log.waitFor("play", false, 5000));
        QVERIFY(!p->isPlaying());
        QCOMPARE(p->currentPosition(), kT0);  // rewound for the next start
        const auto times = log.of("time");
        QCOMPARE(static_cast<int>(times.size()), 6);
        QCOMPARE(times.front().value.toULongLong(), kT0 + 30303);
        QCOMPARE(times.back().value.toULongLong(), kT0 + 5 * 30303 + 1000);  // the last window ends on the bound
        QVERIFY(log.images >= 1);

        // Ended by itself: a new start works.
        log.clear();
        p->slotPlaybackCtrl(true);
        QVERIFY(log.waitFor("play", false, 5000));
        QCOMPARE(static_cast<int>(log.of("time").size()), 6);
    }

    void playbackLoopsFromLowerBound() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        load(*p, log);
        p->slotSetLowerTimeStamp(kT0 + 100000);
        p->slotSetUpperTimeStamp(kT0 + 100000 + 3 * 30303);
        p->setPlayPos(kT0 + 100000);
        p->slotPlayLoop(true);
        log.clear();
        p->slotPlaybackCtrl(true);
        p->slotPlaybackCtrl(true);  // a second start while running is ignored
        // Wait for the position to wrap at least once.
        QVERIFY(QTest::qWaitFor([&] {
            const auto times = log.of("time");
            for (size_t i = 1; i < times.size(); ++i)
                if (times[i].value.toULongLong() < times[i - 1].value.toULongLong()) return true;
            return false;
        }, 5000));
        QVERIFY(p->isPlaying());
        QCOMPARE(log.count("play"), 1);  // one start announced, no stop
        for (const auto& t : log.of("time")) {
            QVERIFY(t.value.toULongLong() > kT0 + 100000);
            QVERIFY(t.value.toULongLong() <= kT0 + 100000 + 3 * 30303);
        }
        p->slotPlaybackCtrl(false);
        QVERIFY(!p->isPlaying());
        QVERIFY(log.waitFor("play", false));
    }

    // --- stepping and seeking ------------------------------------------------------------------

    void stepsAndSeeks() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        load(*p, log);

        // preFrame at the lower bound stays there and shows that window.
        log.clear();
        p->preFrame();
        QCOMPARE(p->currentPosition(), kT0);
        QVERIFY(log.waitFor("time", QVariant::fromValue<qulonglong>(kT0)));
        QVERIFY(QTest::qWaitFor([&] { return log.images > 0; }, 5000));
        QVERIFY(log.lastImage != QImage());

        // Outside the bounds setPlayPos changes nothing.
        p->nextFrame();
        const uint64_t before = p->currentPosition();
        QCOMPARE(before, kT0 + 30303);
        QTest::qWait(20);
        log.clear();
        p->setPlayPos(kT0 - 1);
        p->setPlayPos(kT1);
        QTest::qWait(50);
        QVERIFY(log.entries.empty());
        QCOMPARE(p->currentPosition(), before);

        // Inside: the window starting there, the position after it.
        p->setPlayPos(kT0 + 400000);
        QCOMPARE(p->currentPosition(), kT0 + 400000 + 33333);
        QVERIFY(log.waitFor("time", QVariant::fromValue<qulonglong>(kT0 + 400000 + 33333)));

        // One frame back from just above the lower bound clamps to it (no wrap through zero).
        p->setPlayPos(kT0 + 10);  // position kT0 + 10 + 33333
        p->preFrame();
        QCOMPARE(p->currentPosition(), kT0 + 10 + 33333 - 30303);
        p->preFrame();
        QCOMPARE(p->currentPosition(), kT0);

        // 60 fps: half the step per frame; 0 is refused and keeps the step.
        p->setFps(60);
        QCOMPARE(p->frameStep(), uint64_t{16666});
        p->setFps(0);
        p->setFps(-5);
        QCOMPARE(p->frameStep(), uint64_t{16666});
        QCOMPARE(p->fps(), uint64_t{60});
        p->nextFrame();
        QCOMPARE(p->currentPosition(), kT0 + 16666);

        // nextFrame near the end does nothing.
        p->setPlayPos(p->upperBound() - 10);
        const uint64_t nearEnd = p->currentPosition();
        p->nextFrame();
        QCOMPARE(p->currentPosition(), nearEnd);

        // Reset goes back to the lower bound and reports a stop.
        log.clear();
        p->slotPlaybackReset();
        QCOMPARE(p->currentPosition(), kT0);
        QVERIFY(log.waitFor("play", false));
        QVERIFY(log.waitFor("time", QVariant::fromValue<qulonglong>(kT0)));
    }

    void steppingStopsPlayback() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        load(*p, log);
        p->slotPlaybackCtrl(true);
        QVERIFY(p->isPlaying());
        p->nextFrame();
        QVERIFY(!p->isPlaying());
        QVERIFY(log.waitFor("play", false, 5000, log.entries.size()));
    }

    // --- jobs ----------------------------------------------------------------------------------

    void cutShowsExactlyOneSuccessTip() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        load(*p, log);
        log.clear();
        const QString out = dir_.filePath("cut.raw");
        p->slotCutRawFile(out, dir_.path(), kT0 + 200000, kT0 + 400000);
        QVERIFY(log.waitFor("loading", false));
        QTest::qWait(50);
        const auto tips = log.of("tip");
        QCOMPARE(static_cast<int>(tips.size()), 1);
        QCOMPARE(tips[0].value.toString(), QString("Export raw file success!"));
        QCOMPARE(tips[0].type, static_cast<int>(ZxMessageSuccess));
        QCOMPARE(tips[0].path, dir_.path());
        QCOMPARE(log.of("progress").front().value.toInt(), 0);
        QCOMPARE(log.of("progress").back().value.toInt(), 100);

        // The cut holds the events of the range.
        auto reader = quillex::DvsFileReader::createFileReader(out.toStdString());
        QVERIFY(reader != nullptr);
        QVERIFY(reader->loadFile());
        uint64_t total = 0, first = 0;
        reader->getMaxEvents(total);
        reader->getStartTimeStamp(first);
        QVERIFY(total > 0);
        QVERIFY(reader->seekTime(first));
        const auto events = reader->getNEvents(total);
        QVERIFY(events && !events->empty());
        QVERIFY(events->front().timestamp >= kT0 + 200000);
        QVERIFY(events->front().timestamp < kT0 + 200000 + kStep);
        QVERIFY(events->back().timestamp < kT0 + 400000);
        QVERIFY(events->back().timestamp >= kT0 + 400000 - kStep);

        // The processor still plays after the job.
        log.clear();
        p->nextFrame();
        QVERIFY(log.waitFor("time"));

        // A failing cut (empty range) shows no tip but clears the loading status.
        log.clear();
        p->slotCutRawFile(dir_.filePath("none.raw"), dir_.path(), kT0 + 200000, kT0 + 200000);
        QVERIFY(log.waitFor("loading", false));
        QCOMPARE(log.count("tip"), 0);
        QVERIFY(!QFile::exists(dir_.filePath("none.raw")));
    }

    void exportStopsPlaybackAndReportsProgress() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        load(*p, log);
        p->slotPlaybackCtrl(true);
        QVERIFY(p->isPlaying());
        log.clear();
        const QString out = dir_.filePath("range.mp4");
        p->slotExportVideo(out, dir_.path(), kT0, kT0 + 300000);
        QVERIFY(!p->isPlaying());
        QVERIFY(log.waitFor("loading", false, 60000));
        QTest::qWait(50);
        QVERIFY(!log.of("play").empty());
        QCOMPARE(log.of("play").back().value, QVariant(false));
        const auto tips = log.of("tip");
        QCOMPARE(static_cast<int>(tips.size()), 1);
        QCOMPARE(tips[0].value.toString(), QString("Export video success!"));
        QCOMPARE(tips[0].type, static_cast<int>(ZxMessageSuccess));
        QCOMPARE(tips[0].path, dir_.path());
        const auto progress = log.of("progress");
        QVERIFY(progress.size() >= 2);
        QCOMPARE(progress.front().value.toInt(), 0);
        QCOMPARE(progress.back().value.toInt(), 100);
        for (size_t i = 1; i < progress.size(); ++i)
            QVERIFY(progress[i].value.toInt() >= progress[i - 1].value.toInt());
        QVERIFY(QFileInfo(out).size() > 0);
    }

    void activityProfileFollowsEventDensity() {
        // Dense events in [0, 300 ms) and [700 ms, 1 s), nothing in between.
        const QString path = dir_.filePath("gap.raw");
        quillex::DvsFileInfo info;
        info.dvs_start_timestamp = 1;
        auto events = quillex::test::scatteredEvents(1, 300000, 20, 8, 3);
        const auto late = quillex::test::scatteredEvents(700000, 1000000, 20, 8, 4);
        events.insert(events.end(), late.begin(), late.end());
        quillex::test::writeRecording(path.toStdString(), info, events);
        auto p = makeProcessor();
        SignalLog log(p.get());
        QVERIFY(p->activityProfile(10).isEmpty());
        p->loadFile(path);
        QVERIFY(log.waitFor("loading", false));
        QVERIFY(p->hasRecording());
        const uint64_t lower = p->lowerBound();
        const uint64_t upper = p->upperBound();
        QVERIFY(upper > 800000);

        constexpr int kBins = 20;
        const QVector<float> profile = p->activityProfile(kBins);
        QCOMPARE(profile.size(), kBins);
        float peak = 0.0f;
        for (int i = 0; i < kBins; ++i) {
            QVERIFY(profile[i] >= 0.0f && profile[i] <= 1.0f);
            peak = std::max(peak, profile[i]);
            const double binStart = lower + double(upper - lower + 1) * i / kBins;
            const double binEnd = lower + double(upper - lower + 1) * (i + 1) / kBins;
            const QString where = QString("bin %1 [%2, %3): %4").arg(i).arg(binStart).arg(binEnd).arg(profile[i]);
            // The index resolves time to its bookmarks only (one per 128 KiB), so the quiet
            // stretch is low rather than empty.
            if (binStart > 350000 && binEnd < 650000) QVERIFY2(profile[i] < 0.35f, qPrintable(where));
            if (binEnd < 250000 || (binStart > 750000 && binEnd < upper - 50000))
                QVERIFY2(profile[i] > 0.6f, qPrintable(where));
        }
        QCOMPARE(peak, 1.0f);
        QVERIFY(p->activityProfile(0).isEmpty());
        QVERIFY(p->activityProfile(-3).isEmpty());
    }

    // --- worker failures -----------------------------------------------------------------------

    void readerExceptionsBecomeFailureTips() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        std::atomic<bool> throwOnRead{false};
        std::atomic<bool> throwOnLoad{true};
        p->setReaderFactory([&](const std::string&) {
            auto r = std::make_unique<quillex::test::FakeReader>();
            r->onLoad = [&] {
                if (throwOnLoad) throw std::runtime_error("disk gone");
            };
            r->onRead = [&] {
                if (throwOnRead) throw std::runtime_error("bad chunk");
            };
            r->onExtract = [] { throw std::runtime_error("Failed to read the expected number of bytes"); };
            return r;
        });

        p->loadFile("fake.raw");
        QVERIFY(log.waitFor("loading", false));
        QCOMPARE(log.of("tip").size(), size_t{1});
        QCOMPARE(log.of("tip")[0].type, static_cast<int>(ZxMessageError));
        QVERIFY(!p->hasRecording());

        throwOnLoad = false;
        log.clear();
        p->loadFile("fake.raw");
        QVERIFY(log.waitFor("loading", false));
        QVERIFY(p->hasRecording());

        // Playback thread.
        throwOnRead = true;
        log.clear();
        p->slotPlaybackCtrl(true);
        QVERIFY(log.waitFor("play", false, 5000));
        QVERIFY(!p->isPlaying());
        QCOMPARE(log.of("tip").size(), size_t{1});
        QCOMPARE(log.of("tip")[0].type, static_cast<int>(ZxMessageError));

        // Stepping on the GUI thread.
        log.clear();
        p->nextFrame();
        QTest::qWait(20);
        QCOMPARE(log.of("tip").size(), size_t{1});

        // Cut and export threads.
        log.clear();
        p->slotCutRawFile(dir_.filePath("a.raw"), dir_.path(), 2000, 3000);
        QVERIFY(log.waitFor("loading", false));
        p->slotExportVideo(dir_.filePath("a.mp4"), dir_.path(), 2000, 3000);
        QVERIFY(QTest::qWaitFor([&] { return log.count("loading") == 4; }, 5000));
        const auto tips = log.of("tip");
        QCOMPARE(static_cast<int>(tips.size()), 2);
        QCOMPARE(tips[0].value.toString(), QString("Export raw file failed!"));
        QCOMPARE(tips[1].value.toString(), QString("Export video failed!"));
        QCOMPARE(tips[1].type, static_cast<int>(ZxMessageError));
    }

    void destructionWhilePlayingJoinsThreads() {
        auto p = makeProcessor();
        SignalLog log(p.get());
        load(*p, log);
        p->slotPlayLoop(true);
        p->slotPlaybackCtrl(true);
        QTest::qWait(100);
        p.reset();  // must not hang or crash
        QVERIFY(p == nullptr);
    }
};

QTEST_MAIN(EventProcessorTest)
#include "EventProcessorTest.moc"
