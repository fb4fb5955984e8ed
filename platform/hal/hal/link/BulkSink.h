#pragma once
// Receiving end of a bulk endpoint: the device (real or simulated) fills buffers and
// hands them to the host side of a data transfer.

#include <cstdint>
#include <memory>
#include <vector>

namespace quillex {

using RawBuffer = std::vector<uint8_t>;
using RawBufferPtr = std::shared_ptr<RawBuffer>;

class BulkSink {
public:
    virtual ~BulkSink() = default;

    // An empty buffer with room for one transfer (recycled when the host released one).
    virtual RawBufferPtr acquire() = 0;
    // Queues a filled buffer for the host. Like a real bulk endpoint whose host stopped
    // reading, a full queue loses data: the oldest queued buffer is dropped and counted.
    virtual void deliver(RawBufferPtr buffer) = 0;
    // The device ended the endpoint (unplugged, or the stream broke); wakes the host.
    virtual void finish() = 0;
};

}  // namespace quillex
