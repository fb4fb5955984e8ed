#include "hal/sim/SimEndpointWorker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "base/Logger.h"
#include "hal/Evt3Encoder.h"
#include "hal/registers/SensorRegisterAddresses.h"
#include "hal/sim/SimDevice.h"
#include "hal/sim/SimEventSource.h"

static constexpr const char* kLogModule = "platform/hal/hal/sim/SimEndpointWorker";

namespace quillex {

namespace {
using namespace std::chrono_literals;

// A partly filled transfer goes out after this long, padded, so low rates keep a low latency.
constexpr auto kFlushInterval = 20ms;
// When the generator falls this far behind the sensor clock it skips ahead instead of queuing.
constexpr uint64_t kMaxLagUs = 200000;
constexpr size_t kMaxRecordingBytes = size_t(1) << 30;

uint16_t timeLowWord(uint64_t t) { return static_cast<uint16_t>(0x6000 | (t & 0xFFF)); }

void appendWord(std::vector<uint8_t>& out, uint16_t word) {
    out.push_back(static_cast<uint8_t>(word & 0xFF));
    out.push_back(static_cast<uint8_t>(word >> 8));
}
}  // namespace

SimEndpointWorker::SimEndpointWorker(SimDevice& device, std::shared_ptr<BulkSink> sink, uint32_t transferSize)
    : device_(device), sink_(std::move(sink)), transferSize_(transferSize) {}

SimEndpointWorker::~SimEndpointWorker() { stop(false); }

void SimEndpointWorker::start() {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) return;
    stopRequested_ = false;
    thread_ = std::thread([this] { run(); });
}

void SimEndpointWorker::stop(bool unplugged) {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    if (unplugged && sink_) sink_->finish();
}

bool SimEndpointWorker::stopping() const {
    std::lock_guard lock(mutex_);
    return stopRequested_;
}

bool SimEndpointWorker::sleepUntil(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return !cv_.wait_until(lock, deadline, [this] { return stopRequested_; });
}

void SimEndpointWorker::deliver(const uint8_t* data, size_t size, bool swapWords) {
    RawBufferPtr buffer = sink_->acquire();
    buffer->resize(size);
    if (swapWords) {
        uint8_t* out = buffer->data();
        for (size_t i = 0; i + 1 < size; i += 2) {
            out[i] = data[i + 1];
            out[i + 1] = data[i];
        }
        if (size % 2 != 0) out[size - 1] = data[size - 1];
    } else {
        std::memcpy(buffer->data(), data, size);
    }
    sink_->deliver(std::move(buffer));
}

// ---------------------------------------------------------------- synthetic events

void SimEventWorker::run() {
    const SimModelInfo& info = device_.info();
    const bool swap = info.model == SimModel::Tessary;
    SimEventSource source(info.width, info.height, device_.scene());
    uint64_t sceneGeneration = device_.sceneGeneration();
    uint64_t registerGeneration = UINT64_MAX;
    SimSensorState state;
    Evt3Encoder encoder;
    std::vector<uint8_t> pending;
    pending.reserve(transferSize_ + SimEventSource::kMaxStepBytes);
    // Cut early enough that one more encoding step still fits: every transfer then starts with
    // a full time reference and decodes on its own even when the host lost the one before.
    const size_t cutAt = transferSize_ > 2 * SimEventSource::kMaxStepBytes ? transferSize_ - SimEventSource::kMaxStepBytes
                                                                          : transferSize_ / 2;
    bool active = false;
    bool lagReported = false;
    uint64_t generatedUntil = 0;
    auto lastDelivery = Clock::now();
    SimEventSource::Counts reported;
    auto& counters = device_.counters();

    // Pads `pending` to one transfer with the TIME_LOW the stream is at (a no-op for a decoder)
    // and sends it.
    auto send = [&](uint64_t streamTime) {
        encoder.encodeTime(streamTime, pending);
        size_t offset = 0;
        while (pending.size() - offset > transferSize_) {  // only with transfers smaller than a step
            deliver(pending.data() + offset, transferSize_, swap);
            counters.eventBuffers++;
            offset += transferSize_;
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(offset));
        while (pending.size() < transferSize_) appendWord(pending, timeLowWord(streamTime));
        deliver(pending.data(), transferSize_, swap);
        counters.eventBuffers++;
        pending.clear();
        encoder.forceFullTimeReference();
        lastDelivery = Clock::now();
    };

    while (!stopping()) {
        if (device_.sceneGeneration() != sceneGeneration) {
            sceneGeneration = device_.sceneGeneration();
            source.setScene(device_.scene());
        }
        if (device_.registers().generation() != registerGeneration) {
            registerGeneration = device_.registers().generation();
            state = device_.registers().state();
            source.setState(state);
        }
        const bool streaming = device_.eventGateOpen() && state.timeBaseEnabled && state.pixelsEnabled;
        if (!streaming) {
            active = false;
            sleepFor(2ms);
            continue;
        }
        const uint64_t now = device_.sensorClockUs();
        if (!active) {
            encoder.reset();
            pending.clear();
            generatedUntil = now;
            lastDelivery = Clock::now();
            active = true;
        }
        if (now > generatedUntil + kMaxLagUs) {
            if (!lagReported) {
                ZX_LOG(3, "Simulated camera %s cannot keep up with %.1f Mev/s; skipping ahead", device_.serial().c_str(),
                       device_.scene().eventRate / 1e6);
                lagReported = true;
            }
            generatedUntil = now - kMaxLagUs;
        }
        if (now > generatedUntil) {
            source.generate(generatedUntil, now, encoder, pending, cutAt, send);
            generatedUntil = now;
        }
        if (Clock::now() - lastDelivery >= kFlushInterval) send(generatedUntil);

        const auto& c = source.counts();
        counters.eventsGenerated += c.generated - reported.generated;
        counters.eventsStreamed += c.streamed - reported.streamed;
        counters.droppedByRoi += c.droppedByRoi - reported.droppedByRoi;
        counters.droppedByErc += c.droppedByErc - reported.droppedByErc;
        counters.triggers += c.triggers - reported.triggers;
        reported = c;
        sleepFor(1ms);
    }
}

// ---------------------------------------------------------------- replay

SimReplayWorker::SimReplayWorker(SimDevice& device, std::shared_ptr<BulkSink> sink, uint32_t transferSize,
                                 std::shared_ptr<const std::vector<uint8_t>> payload)
    : SimEndpointWorker(device, std::move(sink), transferSize), payload_(std::move(payload)) {}

void SimReplayWorker::run() {
    const bool swap = device_.info().model == SimModel::Tessary;
    const std::vector<uint8_t>& data = *payload_;
    const size_t wordCount = data.size() / 2;
    auto word = [&data](size_t i) { return static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8)); };

    size_t first = 0;
    while (first < wordCount && (word(first) >> 12) != 0x8) ++first;
    if (first == wordCount || transferSize_ < 64) {
        ZX_LOG(4, "Recording %s has no time words; nothing to replay", device_.recordingPath().c_str());
        while (sleepFor(100ms)) {
        }
        return;
    }

    // Times are re-based onto the sensor clock by shifting whole TIME_HIGH steps (4096 µs),
    // so every word except TIME_HIGH stays as recorded, and each loop continues forward in time.
    uint64_t registerGeneration = UINT64_MAX;
    bool triggerIn = false;
    bool sensorOn = false;
    std::vector<uint8_t> out;
    out.reserve(transferSize_);
    bool active = false;
    int64_t shift = 0;           // live steps = recorded steps + shift
    uint64_t periods = 0;        // 2^24 µs wraps seen in the recording
    uint16_t previousHigh = 0;
    uint64_t liveHighSteps = 0;  // current live TIME_HIGH, in 4096 µs steps
    uint64_t liveTime = 0;       // current live time, µs
    // Row and vector base the stream is at, repeated at the start of each transfer so that a
    // transfer decodes correctly even when the host lost the previous one.
    uint16_t rowWord = 0, baseWord = 0;
    bool rowKnown = false, baseKnown = false;
    size_t i = first;
    auto startLoop = [&](uint64_t fromSteps) {
        i = first;
        periods = 0;
        previousHigh = word(first) & 0xFFF;
        shift = static_cast<int64_t>(fromSteps) - static_cast<int64_t>(previousHigh);
        liveHighSteps = fromSteps;
        liveTime = fromSteps * 4096;
    };
    auto advanceBase = [&](uint16_t n) {
        baseWord = static_cast<uint16_t>((baseWord & 0xF800) | (((baseWord & 0x7FF) + n) & 0x7FF));
    };

    while (!stopping()) {
        if (device_.registers().generation() != registerGeneration) {
            registerGeneration = device_.registers().generation();
            const SimSensorState state = device_.registers().state();
            triggerIn = state.triggerInEnabled;
            sensorOn = state.timeBaseEnabled && state.pixelsEnabled;
        }
        if (!sensorOn || !device_.eventGateOpen()) {
            active = false;
            sleepFor(2ms);
            continue;
        }
        if (!active) {
            startLoop((device_.sensorClockUs() + 4095) / 4096);
            rowKnown = baseKnown = false;
            active = true;
        }

        const uint64_t bufferStart = liveTime;
        out.clear();
        appendWord(out, static_cast<uint16_t>(0x8000 | (liveHighSteps & 0xFFF)));
        appendWord(out, timeLowWord(liveTime));
        if (rowKnown) appendWord(out, rowWord);
        if (baseKnown) appendWord(out, baseWord);
        while (out.size() < transferSize_) {
            if (i == wordCount) startLoop(liveHighSteps + 1);
            uint16_t w = word(i++);
            switch (w >> 12) {
                case 0x8: {
                    const uint16_t high = w & 0xFFF;
                    if (high < previousHigh && previousHigh - high > 2048) ++periods;
                    previousHigh = high;
                    liveHighSteps = static_cast<uint64_t>(static_cast<int64_t>(periods * 4096 + high) + shift);
                    liveTime = liveHighSteps * 4096;
                    w = static_cast<uint16_t>(0x8000 | (liveHighSteps & 0xFFF));
                    break;
                }
                case 0x6: liveTime = liveHighSteps * 4096 + (w & 0xFFF); break;
                case 0x0: rowWord = w, rowKnown = true; break;
                case 0x3: baseWord = w, baseKnown = true; break;
                case 0x4: advanceBase(12); break;
                case 0x5: advanceBase(8); break;
                case 0xA:
                    if (!triggerIn) continue;
                    break;
                default: break;
            }
            appendWord(out, w);
            if (liveTime > bufferStart + 20000) break;  // keep latency low at low data rates
        }
        // Send the buffer once the sensor clock reaches its last time.
        const auto deadline = device_.sensorClockOrigin() + std::chrono::microseconds(liveTime);
        if (!sleepUntil(deadline)) break;
        device_.counters().replayBytes += out.size();
        // Pad with the current TIME_LOW, which changes nothing for a decoder.
        while (out.size() < transferSize_) appendWord(out, timeLowWord(liveTime));
        deliver(out.data(), transferSize_, swap);
        device_.counters().eventBuffers++;
    }
}

std::shared_ptr<const std::vector<uint8_t>> loadRawPayload(const std::string& path, std::string& error,
                                                           RawGeometry* geometry) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = "cannot open " + path;
        return nullptr;
    }
    const auto size = static_cast<size_t>(file.tellg());
    if (size > kMaxRecordingBytes) {
        error = path + " is too large to replay";
        return nullptr;
    }
    std::vector<uint8_t> bytes(size);
    file.seekg(0);
    if (size > 0 && !file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        error = "cannot read " + path;
        return nullptr;
    }
    // Header: lines starting with '%'; "% end" closes it, otherwise the first byte that is not '%'.
    size_t pos = 0;
    while (pos < bytes.size() && bytes[pos] == '%') {
        size_t eol = pos;
        while (eol < bytes.size() && bytes[eol] != '\n') ++eol;
        std::string line(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.begin() + static_cast<std::ptrdiff_t>(eol));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        pos = eol < bytes.size() ? eol + 1 : eol;
        if (line == "% end") break;
        if (geometry != nullptr) {
            unsigned w = 0, h = 0;
            if (std::sscanf(line.c_str(), "%% geometry %ux%u", &w, &h) == 2) {
                geometry->width = w;
                geometry->height = h;
            } else if (line.rfind("% format ", 0) == 0 && geometry->width == 0) {
                const auto field = [&line](const char* key) -> unsigned {
                    const size_t at = line.find(key);
                    return at == std::string::npos ? 0u : static_cast<unsigned>(std::strtoul(line.c_str() + at + std::strlen(key), nullptr, 10));
                };
                geometry->width = field("width=");
                geometry->height = field("height=");
            }
        }
    }
    auto payload = std::make_shared<std::vector<uint8_t>>(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
    if (payload->size() % 2 != 0) payload->pop_back();
    if (payload->empty()) {
        error = path + " has no event data";
        return nullptr;
    }
    return payload;
}

// ---------------------------------------------------------------- frames

void fillNv12TestPattern(uint8_t* frame, uint32_t width, uint32_t height, uint64_t index) {
    // Luma: a horizontal ramp scrolling right, with a bright square moving diagonally.
    const uint32_t shift = static_cast<uint32_t>((index * 16) % width);
    std::vector<uint8_t> ramp(2 * size_t(width));
    for (uint32_t x = 0; x < 2 * width; ++x) ramp[x] = static_cast<uint8_t>(16 + (x % width) * 219 / width);
    const uint32_t box = std::max<uint32_t>(8, height / 6);
    const uint32_t boxX = static_cast<uint32_t>((index * 24) % (width - box));
    const uint32_t boxY = static_cast<uint32_t>((index * 12) % (height - box));
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = frame + size_t(y) * width;
        std::memcpy(row, ramp.data() + (width - shift), width);
        if (y >= boxY && y < boxY + box) std::memset(row + boxX, 235, box);
    }
    // Chroma: eight colour bars (U, V pairs) scrolling with the ramp.
    static constexpr uint8_t kBars[8][2] = {{128, 128}, {16, 146}, {166, 16}, {54, 34},
                                           {202, 222}, {90, 240}, {240, 110}, {128, 128}};
    std::vector<uint8_t> bars(2 * size_t(width));
    for (uint32_t x = 0; x < 2 * width; x += 2) {
        const uint32_t bar = ((x % width) * 8) / width;
        bars[x] = kBars[bar][0];
        bars[x + 1] = kBars[bar][1];
    }
    uint8_t* chroma = frame + size_t(width) * height;
    const uint32_t chromaShift = shift & ~1u;
    for (uint32_t y = 0; y < height / 2; ++y)
        std::memcpy(chroma + size_t(y) * width, bars.data() + (width - chromaShift) % width, width);
}

void SimFrameWorker::run() {
    const uint32_t width = regs::imx415::kWidth;
    const uint32_t height = regs::imx415::kHeight;
    const size_t frameBytes = size_t(width) * height * 3 / 2;
    // Frames run on the sensor clock, one per frame period: frame k leaves the board
    // kReadoutUs after k * period, where the event sensor sees the rising edge of its trigger
    // pulse (the fusion model's trigger-in square wave has the frame period).
    constexpr uint64_t kReadoutUs = 25720;
    uint64_t index = 0;
    uint64_t registerGeneration = UINT64_MAX;
    bool streaming = false;
    uint64_t nextUs = 0;  // sensor time of the next frame; 0: not scheduled
    while (!stopping()) {
        if (device_.registers().generation() != registerGeneration) {
            registerGeneration = device_.registers().generation();
            streaming = device_.registers().state().apsStreaming;
        }
        if (!streaming || !device_.plugged()) {
            sleepFor(5ms);
            nextUs = 0;
            continue;
        }
        const uint32_t fps = std::clamp<uint32_t>(device_.scene().frameRate, 1, 120);
        const uint64_t periodUs = 1000000 / fps;
        const uint64_t nowUs = device_.sensorClockUs();
        if (nextUs == 0 || nextUs + periodUs < nowUs)  // first frame, or no burst after a stall
            nextUs = (nowUs / periodUs + 1) * periodUs + kReadoutUs;
        if (!sleepUntil(device_.sensorClockOrigin() + std::chrono::microseconds(nextUs))) break;
        if (!device_.registers().state().apsStreaming) continue;
        RawBufferPtr buffer = sink_->acquire();
        buffer->resize(frameBytes);
        fillNv12TestPattern(buffer->data(), width, height, index++);
        sink_->deliver(std::move(buffer));
        device_.counters().frames++;
        nextUs += periodUs;
    }
}

}  // namespace quillex
