#include "view/ZxEventProcessor.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <chrono>
#include <exception>

#include "FileReader/DvsFileReader.h"
#include "FileReader/RawFileReader.h"
#include "base/TimeUtils.h"
#include "settings/AppInfo.h"
#include "settings/AppSettings.h"

using quillex::DvsFileReader;
using quillex::Event2D;

namespace {

constexpr size_t kCounterCount = static_cast<size_t>(ZxEventProcessor::kWidth) * ZxEventProcessor::kHeight * 2;

const char* exceptionText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

}  // namespace

ZxEventProcessor::ZxEventProcessor(QObject* parent) : ZxEventProcessor(nullptr, parent) {}

ZxEventProcessor::ZxEventProcessor(quillex::AppSettings* settings, QObject* parent) : QObject(parent) {
    if (settings == nullptr) {
        // The process-wide settings resolve their location from these names.
        QCoreApplication::setApplicationName(quillex::kAppName);
        QCoreApplication::setOrganizationName(quillex::kOrganizationName);
        settings = quillex::AppSettings::instance();
    }
    settings_ = settings;
    // For string-based and queued connections by the typedef names used in the signatures.
    qRegisterMetaType<uint64_t>("uint64_t");
    qRegisterMetaType<TriggerList>("std::vector<std::pair<uint64_t,uint8_t>>");
    qRegisterMetaType<ZxMessageType>("ZxMessageType");
    readerFactory_ = [](const std::string& path) { return DvsFileReader::createFileReader(path); };

    accBuffer_ = std::make_unique<std::vector<uint16_t>>(kCounterCount, 0);
    displayBuffer_ = std::make_unique<std::vector<uint16_t>>(kCounterCount, 0);
    drawBuffer_ = std::make_unique<std::vector<uint16_t>>(kCounterCount, 0);
    frameImage_ = QImage(kWidth, kHeight, QImage::Format_RGB888);
    frameImage_.fill(settings_->backgroundColor());
    loading_ = false;
    renderRunning_ = true;
    renderThread_ = std::thread(&ZxEventProcessor::renderLoop, this);
}

ZxEventProcessor::~ZxEventProcessor() {
    {
        std::lock_guard lock(frameMutex_);
        renderRunning_ = false;
    }
    frameCv_.notify_all();
    if (renderThread_.joinable()) renderThread_.join();

    playing_ = false;
    {
        std::lock_guard lock(pacingMutex_);
    }
    pacingCv_.notify_all();
    for (std::thread* t : {&loadThread_, &playbackThread_, &exportThread_, &cutThread_})
        if (t->joinable()) t->join();
    reader_.reset();
}

void ZxEventProcessor::setReaderFactory(ReaderFactory factory) {
    readerFactory_ = std::move(factory);
}

// ---------------------------------------------------------------------------------------------
// Counters and rendering

void ZxEventProcessor::accumulateEvents(const Event2D* begin, const Event2D* end) {
    if (begin == nullptr || end == nullptr || begin >= end) return;
    std::lock_guard lock(frameMutex_);
    accumulateLocked(begin, end);
}

void ZxEventProcessor::accumulateLocked(const Event2D* begin, const Event2D* end) {
    uint16_t* counters = accBuffer_->data();
    constexpr int32_t kLimit = static_cast<int32_t>(kCounterCount);
    for (const Event2D* e = begin; e != end; ++e) {
        // Only the combined index is checked: an x past the row end lands on the next row.
        const int32_t index = (static_cast<int32_t>(e->y) * kWidth + static_cast<int32_t>(e->x)) * 2 +
                              static_cast<int32_t>(e->polarity);
        if (index >= 0 && index < kLimit && counters[index] < kCounterLimit) ++counters[index];
    }
    latestBatchTimestamp_ = begin->timestamp;
}

void ZxEventProcessor::publishLatestFrame() {
    emit signalRealTimeTimeStamp(latestBatchTimestamp_.load());
    std::lock_guard lock(frameMutex_);
    swapAndWakeRenderer();
}

void ZxEventProcessor::swapAndWakeRenderer() {
    std::swap(accBuffer_, displayBuffer_);
    framePending_ = true;
    frameCv_.notify_one();
    std::fill(accBuffer_->begin(), accBuffer_->end(), uint16_t{0});
}

void ZxEventProcessor::renderLoop() {
    std::unique_lock lock(frameMutex_);
    while (true) {
        frameCv_.wait(lock, [this] { return framePending_ || !renderRunning_; });
        if (!renderRunning_) break;
        framePending_ = false;
        // Take the published counters; the old ones become the next display buffer, which the
        // next publish replaces before anyone reads it.
        std::swap(displayBuffer_, drawBuffer_);
        lock.unlock();
        drawFrame(*drawBuffer_);
        emit signalEventImage(frameImage_);
        lock.lock();
    }
}

void ZxEventProcessor::drawFrame(const std::vector<uint16_t>& counters) {
    const quillex::EventColours colours = settings_->colours();
    // The last emitted image may still be in use by a receiver: draw into a fresh one then.
    if (frameImage_.isNull() || !frameImage_.isDetached())
        frameImage_ = QImage(kWidth, kHeight, QImage::Format_RGB888);

    const uchar on[3] = {static_cast<uchar>(colours.on.red()), static_cast<uchar>(colours.on.green()),
                         static_cast<uchar>(colours.on.blue())};
    const uchar off[3] = {static_cast<uchar>(colours.off.red()), static_cast<uchar>(colours.off.green()),
                          static_cast<uchar>(colours.off.blue())};
    const uchar bg[3] = {static_cast<uchar>(colours.background.red()),
                         static_cast<uchar>(colours.background.green()),
                         static_cast<uchar>(colours.background.blue())};

    uchar* bits = frameImage_.bits();
    const qsizetype stride = frameImage_.bytesPerLine();
    const uint16_t* cnt = counters.data();
    for (int y = 0; y < kHeight; ++y) {
        uchar* px = bits + y * stride;
        for (int x = 0; x < kWidth; ++x, cnt += 2, px += 3) {
            const uint16_t c0 = cnt[0];
            const uint16_t c1 = cnt[1];
            // A tie, including the capped 3:3, shows the OFF colour.
            const uchar* colour = c1 > c0 ? on : (c0 > 0 ? off : bg);
            px[0] = colour[0];
            px[1] = colour[1];
            px[2] = colour[2];
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Helpers

QString ZxEventProcessor::localTimeText(uint64_t timestamp_us) const {
    quillex::FileTimePoint date;
    uint64_t dvsStart = 0;
    {
        std::lock_guard lock(infoMutex_);
        date = fileInfo_.date;
        dvsStart = fileInfo_.dvs_start_timestamp;
    }
    // Signed difference: a position before the header's start timestamp is earlier, not 584 000 years later.
    const int64_t deltaUs = static_cast<int64_t>(timestamp_us) - static_cast<int64_t>(dvsStart);
    const quillex::FileTimePoint at = date + quillex::FileTimePoint::duration(deltaUs * 10);
    return QString::fromStdString(quillex::timePointToString(at));
}

void ZxEventProcessor::showWindow(const std::vector<Event2D>* events, uint64_t timestamp_us) {
    if (events != nullptr && !events->empty()) accumulateEvents(events->data(), events->data() + events->size());
    emit signalRealTimeTimeStamp(timestamp_us);
    emit signalLocalTime(localTimeText(timestamp_us));
    std::lock_guard lock(frameMutex_);
    swapAndWakeRenderer();
}

void ZxEventProcessor::stopPlayback(bool announce) {
    const bool wasPlaying = playing_.exchange(false);
    {
        std::lock_guard lock(pacingMutex_);
    }
    pacingCv_.notify_all();
    // A running playback thread announces the stop itself on its way out.
    const bool threadAnnounced = playbackThread_.joinable();
    if (threadAnnounced) playbackThread_.join();
    if (wasPlaying && announce && !threadAnnounced) emit signalPlayStatus(false);
}

bool ZxEventProcessor::frameSlotAllowed(bool logRefusal) const {
    if (!readerReady_ || loading_) {
        if (logRefusal) qDebug() << "not raw file.";
        return false;
    }
    if (jobsRunning_ > 0) {
        if (logRefusal) qDebug() << "A cut or export is running.";
        return false;
    }
    return true;
}

void ZxEventProcessor::reportWorkerFailure(const char* where, const char* what) {
    qWarning().noquote() << where << "failed:" << what;
}

void ZxEventProcessor::waitForJobs() {
    for (std::thread* t : {&cutThread_, &exportThread_})
        if (t->joinable()) t->join();
}

// ---------------------------------------------------------------------------------------------
// Loading

void ZxEventProcessor::loadFile(QString file_path) {
    if (file_path.isEmpty()) {
        emit signalPlayStatus(false);
        stopPlayback(false);
        // Nobody may still hold the reader when it goes.
        if (loadThread_.joinable()) loadThread_.join();
        waitForJobs();
        readerReady_ = false;
        reader_.reset();
        return;
    }
    qDebug().noquote() << "Load raw file: " << file_path;
    if (loading_) {
        qDebug() << "is loading.";
        return;
    }
    emit signalPlayStatus(false);
    stopPlayback(false);
    waitForJobs();
    if (loadThread_.joinable()) loadThread_.join();

    readerReady_ = false;
    reader_.reset();
    try {
        reader_ = readerFactory_(file_path.toLocal8Bit().toStdString());
    } catch (...) {
        reportWorkerFailure("Creating the reader", exceptionText(std::current_exception()));
        reader_.reset();
    }
    if (!reader_) {
        qDebug() << "not raw file.";
        return;
    }
    // Set before the thread starts, so no request slips in between.
    loading_ = true;
    loadThread_ = std::thread(&ZxEventProcessor::loadJob, this, file_path.toStdString());
}

void ZxEventProcessor::loadJob(std::string path) {
    emit signalLoadingStatus(true);
    try {
        if (!reader_->loadFile()) {
            qDebug().noquote() << "Load raw file failed:" << QString::fromStdString(path);
            loading_ = false;
            emit signalShowLeftBottomTips(tr("Load raw file failed!"), ZxMessageError);
            emit signalLoadingStatus(false);
            return;
        }
        uint64_t lower = 0;
        uint64_t upper = 0;
        reader_->getStartTimeStamp(lower);
        reader_->getEndTimeStamp(upper);
        quillex::DvsFileInfo info;
        reader_->getFileInfo(info);
        {
            std::lock_guard lock(infoMutex_);
            fileInfo_ = info;
        }
        lower_ = lower;
        upper_ = upper;
        qDebug() << "Start time: " << lower;
        qDebug() << "End time: " << upper;
        current_ = lower;

        try {
            const std::vector<quillex::EventTriggerIn> triggers = reader_->getTriggerList();
            TriggerList list;
            list.reserve(triggers.size());
            for (const quillex::EventTriggerIn& t : triggers)
                list.emplace_back(t.timestamp, static_cast<uint8_t>(t.polarity));
            emit signalTriggerList(list);
        } catch (...) {
            qDebug() << "No triggers found in file or error reading triggers.";
        }

        // Ready before the play status goes out: its receiver may start playback at once.
        readerReady_ = true;
        loading_ = false;
        emit signalEndTimeStamp(upper);
        emit signalStartTimeStamp(lower);
        emit signalRealTimeTimeStamp(lower);
        emit signalLocalTime(localTimeText(lower));
        emit signalPlayStatus(true);
        emit signalLoadingStatus(false);
        qDebug() << "Load raw file success.";
    } catch (...) {
        reportWorkerFailure("Loading the recording", exceptionText(std::current_exception()));
        readerReady_ = false;
        loading_ = false;
        emit signalShowLeftBottomTips(tr("Load raw file failed!"), ZxMessageError);
        emit signalLoadingStatus(false);
    }
}

// ---------------------------------------------------------------------------------------------
// Playback

void ZxEventProcessor::slotPlaybackCtrl(bool play) {
    if (!play) {
        stopPlayback(false);  // the thread announces the stop on its way out
        return;
    }
    if (!frameSlotAllowed(false)) return;
    if (playing_) {
        qDebug() << "Playback is already running.";
        return;
    }
    if (playbackThread_.joinable()) playbackThread_.join();  // ended on its own
    playing_ = true;
    emit signalPlayStatus(true);
    playbackThread_ = std::thread(&ZxEventProcessor::playbackLoop, this);
}

void ZxEventProcessor::playbackLoop() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(kPlaybackPeriodUs);
    // Cycles keep to a fixed grid of deadlines, so a late wake-up is made up in the next sleep
    // instead of stretching every period; a cycle that overran a whole period restarts the grid.
    Clock::time_point deadline = Clock::now();
    try {
        while (playing_ && readerReady_) {
            const Clock::time_point cycleStart = Clock::now();
            deadline = cycleStart - deadline > period ? cycleStart + period : deadline + period;
            std::unique_lock playLock(playMutex_);
            const uint64_t lower = lower_;
            const uint64_t upper = upper_;
            const uint64_t step = frameStep_;
            uint64_t position = current_;
            DvsFileReader::EventVectorPtr events;
            if (position <= upper) {
                if (position + step <= upper) {
                    events = reader_->getNTimeEventsGivenStartTimeStamp(position, accTime_);
                    position += step;
                } else {
                    events = reader_->getNTimeEventsGivenStartTimeStamp(position, upper - position + 1);
                    position = upper;
                }
            } else {
                position = upper;  // the end bound moved below the position
            }
            current_ = position;
            if (events && !events->empty()) showWindow(events.get(), position);
            if (!events || position >= upper) {
                reader_->seekTime(lower);
                current_ = lower;
                if (!loop_) break;
            }

            if (Clock::now() < deadline && playing_) {
                std::unique_lock pacing(pacingMutex_);
                pacingCv_.wait_until(pacing, deadline, [this] { return !playing_; });
            }
        }
    } catch (...) {
        reportWorkerFailure("Playback", exceptionText(std::current_exception()));
        emit signalShowLeftBottomTips(tr("Read raw file failed!"), ZxMessageError);
    }
    playing_ = false;
    emit signalPlayStatus(false);
}

void ZxEventProcessor::nextFrame() {
    if (!frameSlotAllowed(true)) return;
    stopPlayback(true);
    try {
        std::lock_guard playLock(playMutex_);
        const uint64_t position = current_;
        const uint64_t acc = accTime_;
        if (position + acc >= upper_) return;
        DvsFileReader::EventVectorPtr events = reader_->getNTimeEventsGivenStartTimeStamp(position, acc);
        if (!events || events->empty()) qDebug() << "File read end.";
        const uint64_t next = position + frameStep_;
        current_ = next;
        showWindow(events.get(), next);
    } catch (...) {
        reportWorkerFailure("Next frame", exceptionText(std::current_exception()));
        emit signalShowLeftBottomTips(tr("Read raw file failed!"), ZxMessageError);
    }
}

void ZxEventProcessor::preFrame() {
    if (!frameSlotAllowed(true)) return;
    stopPlayback(true);
    try {
        std::lock_guard playLock(playMutex_);
        const uint64_t lower = lower_;
        const uint64_t step = frameStep_;
        const uint64_t position = current_;
        // Never below the lower bound, and never through zero.
        const uint64_t previous = position >= lower + step ? position - step : lower;
        current_ = previous;
        if (reader_->seekTime(previous)) {
            DvsFileReader::EventVectorPtr events = reader_->getNTimeEvents(accTime_);
            showWindow(events.get(), previous);
        }
    } catch (...) {
        reportWorkerFailure("Previous frame", exceptionText(std::current_exception()));
        emit signalShowLeftBottomTips(tr("Read raw file failed!"), ZxMessageError);
    }
}

void ZxEventProcessor::setPlayPos(uint64_t timestamp_us) {
    if (!frameSlotAllowed(true)) return;
    if (timestamp_us < lower_ || timestamp_us > upper_) return;
    stopPlayback(true);
    try {
        std::lock_guard playLock(playMutex_);
        if (!reader_->seekTime(timestamp_us)) {
            qDebug() << "seek time err." << timestamp_us;
            return;
        }
        const uint64_t acc = accTime_;
        DvsFileReader::EventVectorPtr events = reader_->getNTimeEventsGivenStartTimeStamp(timestamp_us, acc);
        const uint64_t position = timestamp_us + acc;
        current_ = position;
        showWindow(events.get(), position);
    } catch (...) {
        reportWorkerFailure("Seeking", exceptionText(std::current_exception()));
        emit signalShowLeftBottomTips(tr("Read raw file failed!"), ZxMessageError);
    }
}

void ZxEventProcessor::slotPlaybackReset() {
    if (!frameSlotAllowed(true)) return;
    stopPlayback(false);
    const uint64_t lower = lower_;
    try {
        std::lock_guard playLock(playMutex_);
        reader_->seekTime(lower);
        DvsFileReader::EventVectorPtr events = reader_->getNTimeEventsGivenStartTimeStamp(lower, accTime_);
        if (events && !events->empty()) {
            accumulateEvents(events->data(), events->data() + events->size());
            std::lock_guard lock(frameMutex_);
            swapAndWakeRenderer();
        }
    } catch (...) {
        reportWorkerFailure("Reset", exceptionText(std::current_exception()));
        emit signalShowLeftBottomTips(tr("Read raw file failed!"), ZxMessageError);
    }
    qDebug() << "set ts: " << lower;
    emit signalRealTimeTimeStamp(lower);
    emit signalLocalTime(localTimeText(lower));
    current_ = lower;
    emit signalPlayStatus(false);
}

void ZxEventProcessor::slotPlayLoop(bool loop) {
    loop_ = loop;
}

void ZxEventProcessor::setFps(int fps) {
    if (fps <= 0) {
        qWarning() << "Refused frame rate" << fps << "- it must be positive.";
        return;
    }
    fps_ = static_cast<uint64_t>(fps);
    frameStep_ = 1000000 / static_cast<uint64_t>(fps);
}

void ZxEventProcessor::setAccTime(uint64_t time_us) {
    accTime_ = time_us;
}

void ZxEventProcessor::slotSetLowerTimeStamp(uint64_t timestamp_us) {
    lower_ = timestamp_us;
}

void ZxEventProcessor::slotSetUpperTimeStamp(uint64_t timestamp_us) {
    upper_ = timestamp_us;
}

// ---------------------------------------------------------------------------------------------
// Cut and export

void ZxEventProcessor::slotExportVideo(QString qs_out_full_path, QString qs_out_dir, uint64_t start_ts,
                                       uint64_t end_ts) {
    if (!readerReady_ || loading_) return;
    stopPlayback(true);
    if (exportThread_.joinable()) exportThread_.join();
    ++jobsRunning_;
    exportThread_ = std::thread(&ZxEventProcessor::runJob, this, JobKind::Export, qs_out_full_path, qs_out_dir,
                                start_ts, end_ts);
}

void ZxEventProcessor::slotCutRawFile(QString qs_out_full_path, QString qs_out_dir, uint64_t start_ts,
                                      uint64_t end_ts) {
    if (!readerReady_ || loading_) return;
    stopPlayback(true);
    if (cutThread_.joinable()) cutThread_.join();
    ++jobsRunning_;
    cutThread_ = std::thread(&ZxEventProcessor::runJob, this, JobKind::Cut, qs_out_full_path, qs_out_dir,
                             start_ts, end_ts);
}

void ZxEventProcessor::runJob(JobKind kind, QString outPath, QString outDir, uint64_t start, uint64_t end) {
    emit signalLoadingStatus(true);
    emit signalJobProgress(0);
    try {
        // A cut and an export may overlap; the reader serves one of them at a time.
        std::lock_guard playLock(playMutex_);
        const std::string path = outPath.toLocal8Bit().toStdString();
        bool ok = false;
        if (kind == JobKind::Export) {
            qDebug().noquote() << "start export video: " << outPath;
            if (auto* raw = dynamic_cast<quillex::RawFileReader*>(reader_.get())) {
                int reported = 0;
                ok = raw->exportEventDataToVideo(start, end, path, [&](uint64_t done, uint64_t total, uint64_t) {
                    const int percent =
                        total == 0 ? 100 : static_cast<int>(std::min<uint64_t>(100, done * 100 / total));
                    if (percent > reported) {
                        reported = percent;
                        emit signalJobProgress(percent);
                    }
                });
            } else {
                ok = reader_->exportEventDataToVideo(start, end, path);
            }
        } else {
            ok = reader_->extractEventData(start, end, path);
        }
        if (ok) {
            qDebug() << "extract event data start:" << start << " end: " << end << " success.";
            emit signalJobProgress(100);
            emit signalShowLeftBottomTips(
                kind == JobKind::Cut ? tr("Export raw file success!") : tr("Export video success!"),
                ZxMessageSuccess, outDir);
        }
    } catch (...) {
        reportWorkerFailure(kind == JobKind::Cut ? "Cutting the recording" : "Exporting the video",
                            exceptionText(std::current_exception()));
        emit signalShowLeftBottomTips(
            kind == JobKind::Cut ? tr("Export raw file failed!") : tr("Export video failed!"), ZxMessageError,
            outDir);
    }
    --jobsRunning_;
    emit signalLoadingStatus(false);
}

// ---------------------------------------------------------------------------------------------
// Activity profile

QVector<float> ZxEventProcessor::activityProfile(int bins) const {
    if (bins <= 0 || !readerReady_ || loading_) return {};
    const auto* raw = dynamic_cast<const quillex::RawFileReader*>(reader_.get());
    if (raw == nullptr) return {};
    const quillex::RawFileReader::BookmarkMap& marks = raw->getAllBookmarks();
    if (marks.empty()) return {};

    uint64_t total = 0;
    uint64_t first = marks.begin()->first;
    uint64_t last = marks.rbegin()->first;
    raw->getMaxEvents(total);
    raw->getStartTimeStamp(first);
    raw->getEndTimeStamp(last);
    if (last < first) last = first;
    const long double span = static_cast<long double>(last - first) + 1.0L;

    // A bookmark knows how many events lie between it and the next one, not where: spread them
    // evenly over that stretch of time.
    std::vector<double> counts(static_cast<size_t>(bins), 0.0);
    const long double scale = static_cast<long double>(bins) / span;
    for (auto it = marks.begin(); it != marks.end(); ++it) {
        const auto next = std::next(it);
        const uint64_t from = it->second.event_count;
        const uint64_t to = next == marks.end() ? total : next->second.event_count;
        if (to <= from || it->first < first || it->first > last) continue;
        const uint64_t stretchEnd = next == marks.end() ? last + 1 : std::min(next->first, last + 1);
        const long double a = static_cast<long double>(it->first - first) * scale;
        const long double b = std::max(a, static_cast<long double>(stretchEnd - first) * scale);
        const long double n = static_cast<long double>(to - from);
        auto binOf = [&](long double pos) {
            return std::min(static_cast<size_t>(pos), counts.size() - 1);
        };
        if (b - a < 1e-12L) {
            counts[binOf(a)] += static_cast<double>(n);
            continue;
        }
        for (size_t bin = binOf(a); bin < counts.size() && static_cast<long double>(bin) < b; ++bin) {
            const long double overlap =
                std::min(b, static_cast<long double>(bin + 1)) - std::max(a, static_cast<long double>(bin));
            if (overlap > 0) counts[bin] += static_cast<double>(n * overlap / (b - a));
        }
    }
    const double peak = *std::max_element(counts.begin(), counts.end());
    QVector<float> profile(bins, 0.0f);
    if (peak > 0.0)
        for (int i = 0; i < bins; ++i) profile[i] = static_cast<float>(counts[static_cast<size_t>(i)] / peak);
    return profile;
}
