#pragma once
// The thread behind one started endpoint of a simulated device. Internal to the simulator.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hal/link/BulkSink.h"

namespace quillex {

class SimDevice;

class SimEndpointWorker {
public:
    using Clock = std::chrono::steady_clock;

    SimEndpointWorker(SimDevice& device, std::shared_ptr<BulkSink> sink, uint32_t transferSize);
    virtual ~SimEndpointWorker();

    SimEndpointWorker(const SimEndpointWorker&) = delete;
    SimEndpointWorker& operator=(const SimEndpointWorker&) = delete;

    void start();
    // Asks the thread to end and joins it. With `unplugged` the host side is told the stream ended.
    void stop(bool unplugged);

protected:
    virtual void run() = 0;
    bool stopping() const;
    // Sleeps until `deadline` or a stop request; false when stopping.
    bool sleepUntil(Clock::time_point deadline);
    bool sleepFor(std::chrono::microseconds duration) { return sleepUntil(Clock::now() + duration); }
    // Delivers exactly `size` bytes from `data` as one transfer (byte-swapped per 16-bit word when asked).
    void deliver(const uint8_t* data, size_t size, bool swapWords);

    SimDevice& device_;
    std::shared_ptr<BulkSink> sink_;
    uint32_t transferSize_;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool stopRequested_ = false;
    std::thread thread_;
};

// Synthetic events on 0x52.
class SimEventWorker : public SimEndpointWorker {
public:
    using SimEndpointWorker::SimEndpointWorker;
    ~SimEventWorker() override { stop(false); }

protected:
    void run() override;
};

// A recording's words on 0x52, paced by its own timestamps and looped.
class SimReplayWorker : public SimEndpointWorker {
public:
    SimReplayWorker(SimDevice& device, std::shared_ptr<BulkSink> sink, uint32_t transferSize,
                    std::shared_ptr<const std::vector<uint8_t>> payload);
    ~SimReplayWorker() override { stop(false); }

protected:
    void run() override;

private:
    std::shared_ptr<const std::vector<uint8_t>> payload_;
};

// NV12 test pattern frames on 0x53.
class SimFrameWorker : public SimEndpointWorker {
public:
    using SimEndpointWorker::SimEndpointWorker;
    ~SimFrameWorker() override { stop(false); }

protected:
    void run() override;
};

// Geometry a recording's header states ("% geometry WxH" or the format's width/height); 0 when absent.
struct RawGeometry {
    uint32_t width = 0;
    uint32_t height = 0;
};

// Payload (the bytes after the text header) of a `.raw` recording; empty with `error` set on failure.
std::shared_ptr<const std::vector<uint8_t>> loadRawPayload(const std::string& path, std::string& error,
                                                           RawGeometry* geometry = nullptr);

// Fills one NV12 frame of `width` x `height` with the moving test pattern of frame `index`.
void fillNv12TestPattern(uint8_t* frame, uint32_t width, uint32_t height, uint64_t index);

}  // namespace quillex
