#include "hal/sim/SimDevice.h"

#include <algorithm>

#include "base/Logger.h"
#include "hal/link/ControlProtocol.h"
#include "hal/link/LinkCommon.h"
#include "hal/registers/SensorRegisterAddresses.h"
#include "hal/sim/SimEndpointWorker.h"

static constexpr const char* kLogModule = "platform/hal/hal/sim/SimDevice";

namespace quillex {

namespace {
constexpr uint32_t kMaxBlockWords = 4096;
constexpr const char* kFirmwareText = "1.4.2";
constexpr const char* kFusionFirmwareText = "Tessary_V1.8.0";
constexpr uint32_t kFrameBytes = regs::imx415::kWidth * regs::imx415::kHeight * 3 / 2;

void putText(CtrlFrame& frame, const std::string& text) {
    frame.payload = link_detail::bytesToWords(reinterpret_cast<const uint8_t*>(text.data()), text.size() + 1);
}
}  // namespace

SimDevice::SimDevice(SimModel model, std::string serial, std::string recordingPath, SimSceneConfig scene,
                     CameraDescription description)
    : model_(model),
      serial_(std::move(serial)),
      recordingPath_(std::move(recordingPath)),
      description_(std::move(description)),
      registers_(simModelInfo(model).genx320, simModelInfo(model).width, simModelInfo(model).height,
                 simModelInfo(model).frameSensor),
      scene_(scene) {
    powerUp();
}

SimDevice::~SimDevice() { stopAllEndpoints(false); }

const SimModelInfo& SimDevice::info() const { return simModelInfo(model_); }

void SimDevice::powerUp() {
    registers_.reset();
    if (info().frameSensor) {
        // The frame board's text blocks, as the host reads them through the register map.
        auto writeText = [this](uint32_t base, const std::string& text) {
            std::vector<uint8_t> bytes(protocol::kTextBlockBytes, 0);
            std::copy_n(text.begin(), std::min<size_t>(text.size(), bytes.size() - 1), bytes.begin());
            const auto words = link_detail::bytesToWords(bytes.data(), bytes.size());
            for (size_t i = 0; i < words.size(); ++i) registers_.write(base + 4 * static_cast<uint32_t>(i), words[i]);
        };
        writeText(protocol::kFirmwareVersionBlock, kFusionFirmwareText);
        writeText(protocol::kUsbSerialNumberBlock, serial_);
    }
    clockOriginNs_.store(kNoOrigin);
    ethStreamOn_.store(false);
    dvsEnabled_.store(false);
}

void SimDevice::setScene(const SimSceneConfig& scene) {
    {
        std::lock_guard lock(mutex_);
        scene_ = scene;
    }
    sceneGeneration_.fetch_add(1);
}

SimSceneConfig SimDevice::scene() const {
    std::lock_guard lock(mutex_);
    return scene_;
}

void SimDevice::setPlugged(bool plugged) {
    if (!plugged) {
        if (!plugged_.exchange(false)) return;
        ZX_LOG(2, "Simulated camera %s unplugged", serial_.c_str());
        stopAllEndpoints(true);
        ethStreamOn_.store(false);
        dvsEnabled_.store(false);
        return;
    }
    if (plugged_.load()) return;
    powerUp();
    plugEpoch_.fetch_add(1);
    plugged_.store(true);
    ZX_LOG(2, "Simulated camera %s plugged in", serial_.c_str());
}

bool SimDevice::eventGateOpen() const {
    if (!plugged_.load()) return false;
    if (model_ == SimModel::OrbelEth && !ethStreamOn_.load()) return false;
    if (model_ == SimModel::Tessary && !dvsEnabled_.load()) return false;
    return true;
}

uint64_t SimDevice::sensorClockUs() {
    const auto origin = sensorClockOrigin();  // first: it may be set to "now" by this call
    const auto now = std::chrono::steady_clock::now();
    return now <= origin ? 0
                         : static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now - origin).count());
}

std::chrono::steady_clock::time_point SimDevice::sensorClockOrigin() {
    int64_t origin = clockOriginNs_.load();
    if (origin == kNoOrigin) {
        const int64_t now = std::chrono::steady_clock::now().time_since_epoch().count();
        // The first reader sets the origin; everyone else sees that value.
        if (clockOriginNs_.compare_exchange_strong(origin, now)) origin = now;
    }
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(origin));
}

SimDevice::Stats SimDevice::stats() const {
    Stats s;
    s.eventsGenerated = counters_.eventsGenerated.load();
    s.eventsStreamed = counters_.eventsStreamed.load();
    s.droppedByRoi = counters_.droppedByRoi.load();
    s.droppedByErc = counters_.droppedByErc.load();
    s.triggers = counters_.triggers.load();
    s.eventBuffers = counters_.eventBuffers.load();
    s.frames = counters_.frames.load();
    s.replayBytes = counters_.replayBytes.load();
    return s;
}

void SimDevice::setCalibration(std::vector<uint8_t> json) {
    std::lock_guard lock(mutex_);
    calibration_ = std::move(json);
}

std::vector<uint8_t> SimDevice::calibration() const {
    std::lock_guard lock(mutex_);
    return calibration_;
}

int SimDevice::control(CtrlFrame& frame) {
    frame.payload.clear();
    if (!plugged_.load()) return protocol::kStatusNotConnected;
    const auto& w = frame.words;
    switch (frame.command) {
        case protocol::kWriteRegister:
            if (w.size() != 2) return protocol::kStatusBadArguments;
            registers_.write(w[0], w[1]);
            return protocol::kStatusOk;
        case protocol::kReadRegister:
            if (w.size() != 1) return protocol::kStatusBadArguments;
            frame.payload.push_back(registers_.read(w[0]));
            return protocol::kStatusOk;
        case protocol::kWriteBlock:
            if (w.size() < 2 || w.size() - 1 > kMaxBlockWords) return protocol::kStatusBadArguments;
            for (size_t i = 1; i < w.size(); ++i) registers_.write(w[0] + 4 * static_cast<uint32_t>(i - 1), w[i]);
            return protocol::kStatusOk;
        case protocol::kReadBlock:
            if (w.size() != 2 || w[1] == 0 || w[1] > kMaxBlockWords) return protocol::kStatusBadArguments;
            frame.payload.reserve(w[1]);
            for (uint32_t i = 0; i < w[1]; ++i) frame.payload.push_back(registers_.read(w[0] + 4 * i));
            return protocol::kStatusOk;
        case protocol::kReadSerial:
            putText(frame, serial_);
            return protocol::kStatusOk;
        case protocol::kFirmwareVersion:
            putText(frame, info().frameSensor ? kFusionFirmwareText : kFirmwareText);
            return protocol::kStatusOk;
        case protocol::kReadCalibration: {
            if (!info().frameSensor) return protocol::kStatusUnknownCommand;
            const auto json = calibration();
            if (json.empty()) return protocol::kStatusBadArguments;
            frame.payload.push_back(static_cast<uint32_t>(json.size()));
            const auto words = link_detail::bytesToWords(json.data(), json.size());
            frame.payload.insert(frame.payload.end(), words.begin(), words.end());
            return protocol::kStatusOk;
        }
        case protocol::kWriteCalibration: {
            if (!info().frameSensor) return protocol::kStatusUnknownCommand;
            if (w.empty() || w[0] == 0 || w[0] > 4 * (w.size() - 1)) return protocol::kStatusBadArguments;
            std::vector<uint8_t> bytes(w[0]);
            for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((w[1 + i / 4] >> (8 * (i % 4))) & 0xFF);
            setCalibration(std::move(bytes));
            return protocol::kStatusOk;
        }
        case protocol::kDvsEnable:
            if (!info().frameSensor) return protocol::kStatusUnknownCommand;
            if (w.size() != 2) return protocol::kStatusBadArguments;
            dvsEnabled_.store(w[1] != 0);
            return protocol::kStatusOk;
        case protocol::kDvsEnableCommit:
            if (!info().frameSensor) return protocol::kStatusUnknownCommand;
            return w.size() == 2 ? protocol::kStatusOk : protocol::kStatusBadArguments;
        default:
            ZX_LOG(3, "Simulated camera %s: unknown command 0x%X", serial_.c_str(), frame.command);
            return protocol::kStatusUnknownCommand;
    }
}

bool SimDevice::startEndpoint(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) {
    if (!plugged_.load() || !sink) return false;
    transferSize &= ~1u;  // whole 16-bit words
    std::unique_ptr<SimEndpointWorker> worker;
    if (endpoint == protocol::kEventEndpoint) {
        if (transferSize < 64) return false;
        if (replay_)
            worker = std::make_unique<SimReplayWorker>(*this, std::move(sink), transferSize, replay_);
        else
            worker = std::make_unique<SimEventWorker>(*this, std::move(sink), transferSize);
    } else if (endpoint == protocol::kFrameEndpoint && info().frameSensor) {
        if (transferSize < kFrameBytes) {
            ZX_LOG(4, "Frame endpoint needs transfers of %u bytes, got %u", kFrameBytes, transferSize);
            return false;
        }
        worker = std::make_unique<SimFrameWorker>(*this, std::move(sink), transferSize);
    } else {
        ZX_LOG(4, "Simulated camera %s has no endpoint 0x%02X", serial_.c_str(), endpoint);
        return false;
    }
    std::unique_ptr<SimEndpointWorker> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::move(workers_[endpoint]);
    }
    previous.reset();  // joined outside the lock: workers read the scene under it
    worker->start();
    {
        std::lock_guard lock(mutex_);
        if (plugged_.load()) {
            workers_[endpoint] = std::move(worker);
            return true;
        }
    }
    worker->stop(true);  // unplugged meanwhile
    return false;
}

void SimDevice::stopEndpoint(uint8_t endpoint) {
    std::unique_ptr<SimEndpointWorker> worker;
    {
        std::lock_guard lock(mutex_);
        auto it = workers_.find(endpoint);
        if (it == workers_.end()) return;
        worker = std::move(it->second);
        workers_.erase(it);
    }
}

void SimDevice::stopAllEndpoints(bool unplugged) {
    std::map<uint8_t, std::unique_ptr<SimEndpointWorker>> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& [endpoint, worker] : workers)
        if (worker) worker->stop(unplugged);
}

}  // namespace quillex
