// Throughput of the camera path: a simulated camera streaming fast, decoded into time batches
// and recorded at the same time; and the recorder alone writing to a local file.
// Prints its figures; exits non-zero when a buffer was lost.

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "FileRecorder/DvsFileRecorder.h"
#include "camera/EventCameraModels.h"
#include "hal/link/UsbInterface.h"
#include "hal/sim/SimBackend.h"
#include "sensor/Sensor.h"

using namespace quillex;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Counts the bytes the camera loop hands to the decoder.
class CountingDecoder : public Decoder {
public:
    explicit CountingDecoder(std::unique_ptr<Decoder> inner) : inner_(std::move(inner)) {}
    size_t decodeCount(const uint8_t* f, const uint8_t* l) override { bytes += l - f; return inner_->decodeCount(f, l); }
    size_t decodeBuffer(const std::vector<uint8_t>& b) override { bytes += b.size(); return inner_->decodeBuffer(b); }
    void decode(const uint8_t* f, const uint8_t* l) override { bytes += l - f; inner_->decode(f, l); }
    uint64_t getCurrentTimestamp() const override { return inner_->getCurrentTimestamp(); }
    void resetTimestamp(uint64_t t) override { inner_->resetTimestamp(t); }
    size_t getRawEventSize() const override { return inner_->getRawEventSize(); }
    uint64_t getDataRate() const override { return inner_->getDataRate(); }
    uint64_t getEventRate() const override { return inner_->getEventRate(); }
    void setTimeValue(uint64_t v) override { inner_->setTimeValue(v); }
    std::atomic<uint64_t> bytes{0};

private:
    std::unique_ptr<Decoder> inner_;
};

class BenchCamera : public PropheseeEVK4 {
public:
    using PropheseeEVK4::PropheseeEVK4;
    int32_t init() override {
        const int32_t r = PropheseeEVK4::init();
        if (r == 0 && !counter) {
            auto c = std::make_unique<CountingDecoder>(std::move(decoder_));
            counter = c.get();
            decoder_ = std::move(c);
        }
        return r;
    }
    uint64_t droppedBuffers() const {
        return sensor_ && sensor_->eventStream() ? sensor_->eventStream()->droppedBuffers() : 0;
    }
    CountingDecoder* counter = nullptr;
};

bool streamAndRecord(const fs::path& dir, double seconds, double rate) {
    SimSceneConfig scene = SimBackend::instance().defaultScene();
    scene.eventRate = rate;
    scene.triggerPeriodUs = 0;
    SimBackend::instance().setDefaultScene(scene);
    SimBackend::instance().addDevice(SimModel::Evk4, "BENCH1");
    const auto found = UsbInterface::findUsbDvsCamera(PropheseeEVK4::vendorId, PropheseeEVK4::productId);
    if (found.empty()) {
        std::printf("no simulated camera\n");
        return false;
    }
    DvsEventCamera::setRegisterWaitFunction([](std::chrono::microseconds) {});
    auto camera = std::make_shared<BenchCamera>(found.front());
    if (camera->init() != 0) return false;

    std::atomic<uint64_t> callbackEvents{0};
    camera->addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { callbackEvents += static_cast<uint64_t>(l - f); });
    camera->setBatchEventsTime(33333);
    std::atomic<bool> consuming{true};
    uint64_t batchEvents = 0, batches = 0;
    std::thread consumer([&] {
        std::vector<Event2D> batch;
        while (consuming) {
            if (!camera->getNextBatch(batch)) break;
            batchEvents += batch.size();
            ++batches;
        }
    });

    const fs::path out = dir / "bench_stream.raw";
    // Recording from before the first buffer to after the last one, so both counts cover the same bytes.
    if (camera->startRecording(out.string()) != 0) return false;
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    if (camera->start() != 0) return false;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    consuming = false;
    const uint64_t droppedWhileRunning = camera->droppedBuffers();
    camera->stop();
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    camera->stopRecording();
    consumer.join();

    uint64_t headerBytes = 0;
    {
        std::ifstream in(out, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            headerBytes += line.size() + 1;
            if (line == "% end") break;
        }
    }
    const uint64_t fileBytes = fs::file_size(out);
    const uint64_t delivered = camera->counter->bytes.load();
    const uint64_t recorded = fileBytes - headerBytes;
    const uint64_t dropped = camera->droppedBuffers();
    std::printf("  transfer buffers dropped before reaching the camera: %llu while running, %llu in all\n",
                static_cast<unsigned long long>(droppedWhileRunning), static_cast<unsigned long long>(dropped));
    const double mev = static_cast<double>(callbackEvents.load()) / wall / 1e6;
    std::printf("stream+record: %.1f s, %.1f Mev/s decoded, %.1f MB/s raw\n", wall, mev,
                static_cast<double>(delivered) / wall / (1024.0 * 1024.0));
    std::printf("  delivered bytes %llu, recorded payload bytes %llu\n", static_cast<unsigned long long>(delivered),
                static_cast<unsigned long long>(recorded));
    std::printf("  batch consumer: %llu batches, %llu of %llu events (%.2f%%)\n",
                static_cast<unsigned long long>(batches), static_cast<unsigned long long>(batchEvents),
                static_cast<unsigned long long>(callbackEvents.load()),
                callbackEvents ? 100.0 * static_cast<double>(batchEvents) / static_cast<double>(callbackEvents) : 0.0);
    std::printf("  CPU time %.2f s over %.2f s wall (%.0f%% of one core)\n", cpu, wall, 100.0 * cpu / wall);
    camera.reset();
    SimBackend::instance().removeAll();
    fs::remove(out);
    // Buffers the transfer queue dropped never reach the camera; a recording is complete when it
    // holds every byte the camera received.
    return recorded == delivered;
}

void recorderAlone(const fs::path& dir, uint64_t totalBytes) {
    const fs::path out = dir / "bench_recorder.raw";
    DvsFileRecorder recorder;
    std::vector<uint8_t> chunk(131072);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<uint8_t>(i * 13);
    DvsFileInfo info;
    const auto t0 = Clock::now();
    recorder.startRecording(out.string(), info);
    for (uint64_t written = 0; written < totalBytes; written += chunk.size()) recorder.append(chunk);
    recorder.stopRecording();
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("recorder alone: %.0f MiB in %.2f s = %.0f MB/s (file %ju bytes)\n",
                static_cast<double>(totalBytes) / (1024.0 * 1024.0), wall,
                static_cast<double>(totalBytes) / wall / (1024.0 * 1024.0), static_cast<uintmax_t>(fs::file_size(out)));
    fs::remove(out);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QUILLEX_SIM_CAMERAS", "none", 1);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const double rate = argc > 2 ? std::atof(argv[2]) : 60e6;
    const fs::path dir = fs::temp_directory_path();
    recorderAlone(dir, 1024ull * 1024 * 1024);
    const bool ok = streamAndRecord(dir, seconds, rate);
    std::printf("%s\n", ok ? "recording complete: every delivered byte recorded" : "RECORDING INCOMPLETE");
    return ok ? 0 : 1;
}
