#pragma once
// What the links talk to: a backend that enumerates devices and opens them.
// The backend that ships is the simulator (SimBackend).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hal/EventTypes.h"
#include "hal/link/BulkSink.h"
#include "hal/link/CtrlFrame.h"

namespace quillex {

// One attached device as the links see it. Thread-safe.
class Device {
public:
    virtual ~Device() = default;

    virtual CameraDescription description() const = 0;
    virtual bool isConnected() const = 0;
    // Executes one control frame (hal/link/ControlProtocol.h); 0 or a negative status.
    virtual int control(CtrlFrame& frame) = 0;
    // Starts streaming `endpoint` into `sink`; a running endpoint is restarted on the new sink.
    virtual bool startEndpoint(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) = 0;
    virtual void stopEndpoint(uint8_t endpoint) = 0;
    // Ethernet devices stream events only while their event stream is switched on.
    virtual void setEventStream(bool on) = 0;
};

class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;

    // Plugged USB devices with these ids.
    virtual std::vector<CameraDescription> findUsb(uint16_t vendorId, uint16_t productId) = 0;
    // Reachable Ethernet devices.
    virtual std::vector<CameraDescription> findEth() = 0;
    // The plugged device of `description` (same serial, ids and interface type), or null.
    virtual std::shared_ptr<Device> openDevice(const CameraDescription& description) = 0;

    // The backend the links use: the simulator unless another one was installed.
    static DeviceBackend& active();
    // Installs `backend` (null restores the simulator). For tests and future hardware backends.
    static void setActive(std::shared_ptr<DeviceBackend> backend);
};

}  // namespace quillex
