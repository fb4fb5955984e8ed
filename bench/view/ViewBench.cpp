// Figures for the event processor:
//  - drawing one 1280 x 720 frame on the render thread (publish to image signal), median of many;
//  - accumulating one 33 ms window of a 30 Mev/s scene;
//  - playing a 30 Mev/s recording at 30 frames per second: process CPU use over the playback
//    and the achieved frame period against the 33333 us target.
// Usage: quillex_bench_view [seconds of recording, default 3]

#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numeric>
#include <string>
#include <vector>

#include "SynthScene.h"
#include "settings/AppSettings.h"
#include "view/ZxEventProcessor.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    // Keep the settings away from the real home.
    QTemporaryDir home;
    QStandardPaths::setTestModeEnabled(true);
    qputenv("HOME", home.path().toUtf8());
    quillex::AppSettings settings(home.path() + "/config.ini");

    // A vector-rich synthetic scene at 30 Mev/s.
    quillex::synth::SynthOptions options;
    options.rateMev = 30.0;
    options.durationUs = static_cast<uint64_t>(seconds) * 1000000;
    const std::string path = (home.path() + "/bench30mev.raw").toStdString();
    quillex::synth::SynthResult written;
    std::string error;
    auto t0 = Clock::now();
    if (!quillex::synth::writeSynthRecording(path, options, written, error)) {
        std::fprintf(stderr, "cannot write the recording: %s\n", error.c_str());
        return 1;
    }
    std::printf("recording: %d s, %.1f M events, %.1f MB, written in %.2f s\n", seconds, written.events / 1e6,
                written.bytes / 1e6, std::chrono::duration<double>(Clock::now() - t0).count());

    ZxEventProcessor processor(&settings);

    // --- drawing ----------------------------------------------------------------------------
    {
        std::mutex m;
        std::condition_variable cv;
        int drawn = 0;
        Clock::time_point drawnAt;
        auto connection = QObject::connect(&processor, &ZxEventProcessor::signalEventImage, &processor,
                                           [&](const QImage&) {
                                               std::lock_guard lock(m);
                                               drawnAt = Clock::now();
                                               ++drawn;
                                               cv.notify_all();
                                           }, Qt::DirectConnection);
        quillex::synth::SynthScene scene(options);
        std::vector<quillex::Event2D> events;
        std::vector<quillex::EventTriggerIn> triggers;
        std::vector<double> drawUs;
        std::vector<double> accumulateUs;
        constexpr int kFrames = 120;
        for (int i = 0; i < kFrames; ++i) {
            events.clear();
            scene.generate(options.startUs + static_cast<uint64_t>(i) * 33333, 33333, events, triggers);
            const auto a0 = Clock::now();
            processor.accumulateEvents(events.data(), events.data() + events.size());
            accumulateUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a0).count());
            std::unique_lock lock(m);
            const int before = drawn;
            const auto p0 = Clock::now();
            lock.unlock();
            processor.publishLatestFrame();
            lock.lock();
            cv.wait(lock, [&] { return drawn > before; });
            drawUs.push_back(std::chrono::duration<double, std::micro>(drawnAt - p0).count());
        }
        QObject::disconnect(connection);
        std::printf("draw 1280x720 frame (publish -> image signal): median %.0f us, min %.0f us, max %.0f us over %d frames\n",
                    median(drawUs), *std::min_element(drawUs.begin(), drawUs.end()),
                    *std::max_element(drawUs.begin(), drawUs.end()), kFrames);
        std::printf("accumulate one 33 ms window (%.2f M events): median %.0f us\n", events.size() / 1e6,
                    median(accumulateUs));
    }

    // --- playback ---------------------------------------------------------------------------
    std::atomic<bool> loaded{false};
    std::atomic<bool> stopped{false};
    std::mutex timesMutex;
    std::vector<Clock::time_point> frameTimes;
    QObject::connect(&processor, &ZxEventProcessor::signalLoadingStatus, &processor,
                     [&](bool loading) { if (!loading) loaded = true; }, Qt::DirectConnection);
    t0 = Clock::now();
    processor.loadFile(QString::fromStdString(path));
    while (!loaded) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::printf("load (index build): %.2f s\n", std::chrono::duration<double>(Clock::now() - t0).count());

    QObject::connect(&processor, &ZxEventProcessor::signalRealTimeTimeStamp, &processor,
                     [&](uint64_t) {
                         std::lock_guard lock(timesMutex);
                         frameTimes.push_back(Clock::now());
                     }, Qt::DirectConnection);
    QObject::connect(&processor, &ZxEventProcessor::signalPlayStatus, &processor,
                     [&](bool playing) { if (!playing) stopped = true; }, Qt::DirectConnection);
    processor.setFps(30);
    processor.setAccTime(33333);
    stopped = false;
    const double cpu0 = cpuSeconds();
    const auto wall0 = Clock::now();
    processor.slotPlaybackCtrl(true);
    while (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    const double cpu = cpuSeconds() - cpu0;
    processor.slotPlaybackCtrl(false);

    std::lock_guard lock(timesMutex);
    std::vector<double> periods;
    for (size_t i = 1; i < frameTimes.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::micro>(frameTimes[i] - frameTimes[i - 1]).count());
    const double mean = periods.empty() ? 0.0 : std::accumulate(periods.begin(), periods.end(), 0.0) / periods.size();
    const auto overruns = std::count_if(periods.begin(), periods.end(), [](double p) { return p > 33333.0 * 1.05; });
    std::printf("playback at 30 fps: %zu frames in %.2f s, CPU %.2f s = %.0f%% of one core\n", frameTimes.size(), wall,
                cpu, wall > 0 ? 100.0 * cpu / wall : 0.0);
    std::printf("frame period: mean %.0f us (target 33333), median %.0f us, max %.0f us, %lld of %zu over +5%%\n", mean,
                median(periods), periods.empty() ? 0.0 : *std::max_element(periods.begin(), periods.end()),
                static_cast<long long>(overruns), periods.size());
    return 0;
}
