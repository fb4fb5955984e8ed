#pragma once
// Host side of one bulk endpoint: a bounded queue of transfer buffers that the device fills.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "hal/link/BulkSink.h"
#include "hal/link/CameraInterface.h"

namespace quillex {

class TransferQueue;

class DataTransfer {
public:
    // Transfer kinds; only bulk transfers exist on our devices.
    static constexpr uint32_t kBulk = 2;

    DataTransfer(std::shared_ptr<CameraInterface> interface, uint32_t kind, uint32_t transferSize,
                 uint32_t bufferCount, uint8_t endpoint);
    ~DataTransfer();  // stops the endpoint

    DataTransfer(const DataTransfer&) = delete;
    DataTransfer& operator=(const DataTransfer&) = delete;

    // Asks the device to stream the endpoint. False when the link is not open/connected
    // or the device has no such endpoint. Starting a running transfer returns true.
    bool start();
    // Stops the device's endpoint and discards queued buffers. Safe to call repeatedly.
    void stop();
    bool isRunning() const;

    // > 0: number of buffers ready; 0: none arrived within `timeout` (also while stopped);
    // < 0: the endpoint ended (device unplugged) and nothing is left to read. Never waits
    // longer than `timeout`.
    int waitNextBuffer(std::chrono::milliseconds timeout);
    // The oldest ready buffer (buffers come out in stream order), or null when none.
    RawBufferPtr takeBuffer();

    uint32_t kind() const { return kind_; }
    uint32_t transferSize() const { return transferSize_; }
    uint32_t bufferCount() const { return bufferCount_; }
    uint8_t endpoint() const { return endpoint_; }
    // Buffers lost because the host did not read in time, since construction.
    uint64_t droppedBuffers() const;
    // Buffers the device delivered, since construction.
    uint64_t deliveredBuffers() const;

private:
    std::shared_ptr<CameraInterface> interface_;
    uint32_t kind_;
    uint32_t transferSize_;
    uint32_t bufferCount_;
    uint8_t endpoint_;
    std::shared_ptr<TransferQueue> queue_;
    mutable std::mutex startMutex_;
    bool running_ = false;
};

// Data transfer of `endpoint` over `interface`: `kind` 2 (bulk), buffers of `transferSize`
// bytes, at most `bufferCount` queued. Empty on a missing interface, an unknown kind or
// zero sizes (logged).
std::unique_ptr<DataTransfer> createDataTransferUniquePtr(const std::shared_ptr<CameraInterface>& interface,
                                                          uint32_t kind, uint32_t transferSize,
                                                          uint32_t bufferCount, uint8_t endpoint);

}  // namespace quillex
