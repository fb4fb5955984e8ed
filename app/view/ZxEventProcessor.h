#pragma once
// Turns decoded change events into 1280 x 720 colour frames, for a live camera (events pushed in
// by the polling loop) and for a raw recording (played back from an owned reader).
//
// Threads, all owned here and joined on destruction: the render thread (whole life), the load
// thread, the playback thread, one cut thread and one export thread. Slots run on the thread the
// object lives in (the GUI thread); results leave through signals, which reach widgets queued.
//
// Counters: three buffers of 16-bit counters (two per pixel, one per polarity, capped at 3).
// The live or playback side accumulates into one, a publish swaps it with the display buffer, and
// the render thread swaps the display buffer with its own before drawing, so accumulation never
// waits for more than a swap.

#include <QImage>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/DvsFileInfo.h"
#include "hal/EventTypes.h"
#include "widgets/ZxMessageType.h"

namespace quillex {
class AppSettings;
class DvsFileReader;
}  // namespace quillex

class ZxEventProcessor : public QObject {
    Q_OBJECT

public:
    using TriggerList = std::vector<std::pair<uint64_t, uint8_t>>;
    // Makes a reader for a path; empty when the path is no recording. Tests swap it.
    using ReaderFactory = std::function<std::unique_ptr<quillex::DvsFileReader>(const std::string& path)>;

    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 720;
    static constexpr int kCounterLimit = 3;
    static constexpr uint64_t kPlaybackPeriodUs = 33333;  // one played frame, whatever the fps
    static constexpr uint64_t kDefaultAccTimeUs = 33333;
    static constexpr uint64_t kDefaultFps = 33;

    // Colours come from `settings` (the process-wide instance when null).
    explicit ZxEventProcessor(QObject* parent = nullptr);
    explicit ZxEventProcessor(quillex::AppSettings* settings, QObject* parent = nullptr);
    ~ZxEventProcessor() override;

    ZxEventProcessor(const ZxEventProcessor&) = delete;
    ZxEventProcessor& operator=(const ZxEventProcessor&) = delete;

    // Live path, callable from the camera polling thread: adds [begin, end) to the counters.
    void accumulateEvents(const quillex::Event2D* begin, const quillex::Event2D* end);
    // Emits signalRealTimeTimeStamp(latest batch timestamp) and hands the counters to the renderer.
    void publishLatestFrame();

    // Event counts of the opened recording in `bins` equal time slices, scaled so the busiest
    // slice is 1. Taken from the bookmark index, nothing is decoded. Empty without a recording.
    QVector<float> activityProfile(int bins) const;

    // Replaces the reader factory (the default is DvsFileReader::createFileReader).
    void setReaderFactory(ReaderFactory factory);

    // Wall-clock text of a recording position, from the file's date and start timestamp.
    QString localTimeText(uint64_t timestamp_us) const;

    uint64_t lowerBound() const { return lower_.load(); }
    uint64_t upperBound() const { return upper_.load(); }
    uint64_t currentPosition() const { return current_.load(); }
    uint64_t accumulationTime() const { return accTime_.load(); }
    uint64_t fps() const { return fps_.load(); }
    uint64_t frameStep() const { return frameStep_.load(); }
    bool isPlaying() const { return playing_.load(); }
    bool isLoading() const { return loading_.load(); }
    bool isLooping() const { return loop_.load(); }
    // True once a recording has been loaded successfully (and until it is closed).
    bool hasRecording() const { return readerReady_.load(); }

signals:
    void signalEventImage(QImage image);
    void signalRealTimeTimeStamp(uint64_t timestamp_us);
    void signalStartTimeStamp(uint64_t timestamp_us);
    void signalEndTimeStamp(uint64_t timestamp_us);
    void signalPlayStatus(bool playing);
    void signalLoadingStatus(bool loading);
    void signalShowLeftBottomTips(QString tips);
    void signalShowLeftBottomTips(QString tips, ZxMessageType type);
    void signalShowLeftBottomTips(QString tips, ZxMessageType type, QString file_path);
    void signalLocalTime(QString str);
    void signalTriggerList(std::vector<std::pair<uint64_t, uint8_t>> triggers);
    // Progress of the running cut or export job, 0..100.
    void signalJobProgress(int percent);

public slots:
    void loadFile(QString file_path);
    void preFrame();
    void nextFrame();
    void setPlayPos(uint64_t timestamp_us);
    void slotPlaybackCtrl(bool play);
    void slotPlaybackReset();
    void slotPlayLoop(bool loop);
    void setFps(int fps);
    void setAccTime(uint64_t time_us);
    void slotSetLowerTimeStamp(uint64_t timestamp_us);
    void slotSetUpperTimeStamp(uint64_t timestamp_us);
    void slotExportVideo(QString qs_out_full_path, QString qs_out_dir, uint64_t start_ts, uint64_t end_ts);
    void slotCutRawFile(QString qs_out_full_path, QString qs_out_dir, uint64_t start_ts, uint64_t end_ts);

private:
    enum class JobKind { Cut, Export };

    void renderLoop();
    void drawFrame(const std::vector<uint16_t>& counters);
    void swapAndWakeRenderer();  // frame lock held by the caller
    void accumulateLocked(const quillex::Event2D* begin, const quillex::Event2D* end);

    void loadJob(std::string path);
    void playbackLoop();
    void runJob(JobKind kind, QString outPath, QString outDir, uint64_t start, uint64_t end);

    // Accumulates, emits the position and its wall-clock text, publishes.
    void showWindow(const std::vector<quillex::Event2D>* events, uint64_t timestamp_us);
    // Stops and joins the playback thread; emits signalPlayStatus(false) when it was playing.
    void stopPlayback(bool announce);
    // Frame-changing requests need a loaded recording and no load or job in progress.
    bool frameSlotAllowed(bool logRefusal) const;
    void reportWorkerFailure(const char* where, const char* what);
    void waitForJobs();

    quillex::AppSettings* settings_ = nullptr;
    ReaderFactory readerFactory_;

    // Counters and frame.
    std::mutex frameMutex_;
    std::condition_variable frameCv_;
    std::unique_ptr<std::vector<uint16_t>> accBuffer_;
    std::unique_ptr<std::vector<uint16_t>> displayBuffer_;
    std::unique_ptr<std::vector<uint16_t>> drawBuffer_;  // render thread only
    bool framePending_ = false;
    bool renderRunning_ = true;
    QImage frameImage_;  // render thread only
    std::atomic<uint64_t> latestBatchTimestamp_{0};

    // Recording. The reader is replaced only with every worker joined.
    std::unique_ptr<quillex::DvsFileReader> reader_;
    std::atomic<bool> readerReady_{false};
    mutable std::mutex infoMutex_;
    quillex::DvsFileInfo fileInfo_{};

    std::atomic<uint64_t> lower_{0};
    std::atomic<uint64_t> upper_{0};
    std::atomic<uint64_t> current_{0};
    std::atomic<uint64_t> accTime_{kDefaultAccTimeUs};
    std::atomic<uint64_t> fps_{kDefaultFps};
    std::atomic<uint64_t> frameStep_{1000000 / kDefaultFps};

    std::atomic<bool> loop_{false};
    std::atomic<bool> playing_{false};
    std::atomic<bool> loading_{false};
    std::atomic<int> jobsRunning_{0};

    // Serialises reader use between playback, stepping and the jobs.
    std::mutex playMutex_;
    // Wakes the playback thread out of its pacing sleep when playback stops.
    std::mutex pacingMutex_;
    std::condition_variable pacingCv_;

    std::thread renderThread_;
    std::thread loadThread_;
    std::thread playbackThread_;
    std::thread cutThread_;
    std::thread exportThread_;
};
