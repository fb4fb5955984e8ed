#pragma once
// One simulated camera: identity, register file, bulk endpoints 0x52 (EVT 3.0) and, for the
// fusion model, 0x53 (NV12 frames). Each started endpoint runs one generator thread.

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hal/sim/DeviceBackend.h"
#include "hal/sim/SimRegisterFile.h"
#include "hal/sim/SimTypes.h"

namespace quillex {

class SimEndpointWorker;

class SimDevice : public Device, public std::enable_shared_from_this<SimDevice> {
public:
    // Counters since the device was added (tests and benchmarks read them).
    struct Stats {
        uint64_t eventsGenerated = 0;  // by the scene, before ROI and ERC
        uint64_t eventsStreamed = 0;   // encoded into buffers
        uint64_t droppedByRoi = 0;
        uint64_t droppedByErc = 0;
        uint64_t triggers = 0;
        uint64_t eventBuffers = 0;
        uint64_t frames = 0;
        uint64_t replayBytes = 0;
    };

    SimDevice(SimModel model, std::string serial, std::string recordingPath, SimSceneConfig scene,
              CameraDescription description);
    ~SimDevice() override;

    SimModel model() const { return model_; }
    const SimModelInfo& info() const;
    const std::string& serial() const { return serial_; }
    const std::string& recordingPath() const { return recordingPath_; }

    void setScene(const SimSceneConfig& scene);
    SimSceneConfig scene() const;

    void setPlugged(bool plugged);
    bool plugged() const { return plugged_.load(); }

    // Direct register access (as the control frames do it).
    uint32_t readRegister(uint32_t address) const { return registers_.read(address); }
    void writeRegister(uint32_t address, uint32_t value) { registers_.write(address, value); }
    const SimRegisterFile& registers() const { return registers_; }

    Stats stats() const;
    void setCalibration(std::vector<uint8_t> json);
    std::vector<uint8_t> calibration() const;

    // Device
    CameraDescription description() const override { return description_; }
    bool isConnected() const override { return plugged_.load(); }
    int control(CtrlFrame& frame) override;
    bool startEndpoint(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) override;
    void stopEndpoint(uint8_t endpoint) override;
    void setEventStream(bool on) override { ethStreamOn_.store(on); }

    // Gates read by the generator threads.
    bool ethStreamOn() const { return ethStreamOn_.load(); }
    bool dvsEnabled() const { return dvsEnabled_.load(); }
    // Plugged, and for the Ethernet model its stream switched on, for the fusion model its
    // event sensor switched on.
    bool eventGateOpen() const;

    // Sensor clock: µs of the steady clock since the first read after power-up (a restarted
    // stream continues the clock, so times never go back while the device stays plugged).
    uint64_t sensorClockUs();
    std::chrono::steady_clock::time_point sensorClockOrigin();
    // Incremented whenever the scene changes.
    uint64_t sceneGeneration() const { return sceneGeneration_.load(); }
    // Incremented at every replug; handles of an earlier plugging stay disconnected.
    uint64_t plugEpoch() const { return plugEpoch_.load(); }
    // Payload of the replayed recording, or null for the synthetic scene.
    void setReplayPayload(std::shared_ptr<const std::vector<uint8_t>> payload) { replay_ = std::move(payload); }

    // Counters the workers add to.
    struct Counters {
        std::atomic<uint64_t> eventsGenerated{0}, eventsStreamed{0}, droppedByRoi{0}, droppedByErc{0},
            triggers{0}, eventBuffers{0}, frames{0}, replayBytes{0};
    };
    Counters& counters() { return counters_; }

private:
    void stopAllEndpoints(bool unplugged);
    void powerUp();

    static constexpr int64_t kNoOrigin = INT64_MIN;

    SimModel model_;
    std::string serial_;
    std::string recordingPath_;
    CameraDescription description_;
    SimRegisterFile registers_;
    std::atomic<bool> plugged_{true};
    std::atomic<bool> ethStreamOn_{false};
    std::atomic<bool> dvsEnabled_{false};
    Counters counters_;
    std::atomic<int64_t> clockOriginNs_{kNoOrigin};
    std::atomic<uint64_t> sceneGeneration_{0};
    std::atomic<uint64_t> plugEpoch_{0};
    std::shared_ptr<const std::vector<uint8_t>> replay_;

    mutable std::mutex mutex_;  // scene, calibration, serial text, workers
    SimSceneConfig scene_;
    std::vector<uint8_t> calibration_;
    std::map<uint8_t, std::unique_ptr<SimEndpointWorker>> workers_;
};

}  // namespace quillex
