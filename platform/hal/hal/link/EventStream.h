#pragma once
// Stream of raw buffers from one data transfer, as the sensors and the camera loops consume it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "hal/link/DataTransfer.h"

namespace quillex {

class EventStream {
public:
    // How long waitNextBuffer waits by default, so loops can poll their running flag.
    static constexpr std::chrono::milliseconds kDefaultWait{100};

    explicit EventStream(std::unique_ptr<DataTransfer> transfer);
    ~EventStream();

    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    // 0 on success (also when already started), -1 when there is no transfer or the device refuses.
    int start();
    // 0; stopping a stopped stream does nothing.
    int stop();
    bool isStarted() const;

    // > 0 when a buffer is ready; 0 when none came within `timeout` (or the stream is stopped);
    // < 0 at once when the device is gone. Bounded by `timeout`.
    int waitNextBuffer(std::chrono::milliseconds timeout = kDefaultWait);
    // The next buffer in stream order, or none.
    std::optional<RawBufferPtr> getLatestBuffer();

    DataTransfer* transfer() const { return transfer_.get(); }
    uint64_t droppedBuffers() const;

private:
    std::unique_ptr<DataTransfer> transfer_;
};

}  // namespace quillex
