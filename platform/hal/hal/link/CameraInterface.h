#pragma once
// Common face of a camera link (USB or Ethernet): open once, report connection,
// exchange control frames, and hand out the data transfer of a bulk endpoint.

#include <cstdint>
#include <memory>

#include "hal/EventTypes.h"
#include "hal/link/BulkSink.h"
#include "hal/link/CtrlFrame.h"

namespace quillex {

class CameraInterface {
public:
    virtual ~CameraInterface() = default;

    // Opens the link. `context` is a camera-owned value that must outlive the interface;
    // the link may store per-open state in it. Returns true on success.
    virtual bool open(uint64_t* context) = 0;
    virtual bool isConnected() const = 0;
    // Sends `frame` (command + words) and fills frame.payload and frame.status.
    // Returns 0 on success, -1 on failure (not connected, unknown command, device error).
    virtual int transferFrame(CtrlFrame& frame) = 0;
    virtual INTERFACE_TYPE interfaceType() const = 0;
    virtual const CameraDescription& description() const = 0;

    // Bulk endpoints (used by DataTransfer): the device starts filling `sink` with buffers of
    // `transferSize` bytes from `endpoint`. False when not open, not connected or no such endpoint.
    virtual bool startBulk(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) {
        (void)endpoint, (void)transferSize, (void)sink;
        return false;
    }
    virtual void stopBulk(uint8_t endpoint) { (void)endpoint; }
};

}  // namespace quillex
