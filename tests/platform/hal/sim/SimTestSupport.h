#pragma once
// Shared helpers of the simulator tests: open a simulated camera, start its sensor through the
// registers, and decode what its event endpoint streams.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "hal/EVT3Decoder.h"
#include "hal/link/ControlProtocol.h"
#include "hal/link/EventStream.h"
#include "hal/link/UsbInterface.h"
#include "hal/registers/SensorRegisterAddresses.h"
#include "hal/sim/SimBackend.h"
#include "hal/sim/SimDevice.h"

namespace quillex::test {

inline uint32_t readReg(CameraInterface& link, uint32_t address) {
    CtrlFrame frame(protocol::kReadRegister);
    frame.push_back32(address);
    if (link.transferFrame(frame) != 0 || frame.payload.size() != 1) return 0xDEADBEEF;
    return frame.payload[0];
}

inline bool writeReg(CameraInterface& link, uint32_t address, uint32_t value) {
    CtrlFrame frame(protocol::kWriteRegister);
    frame.push_back32(address);
    frame.push_back32(value);
    return link.transferFrame(frame) == 0;
}

inline void setBits(CameraInterface& link, uint32_t address, uint32_t mask, bool on) {
    const uint32_t v = readReg(link, address);
    writeReg(link, address, on ? (v | mask) : (v & ~mask));
}

// What the start sequence leaves on: the sensor clock and the output.
inline void sensorOn(CameraInterface& link, bool on = true) {
    setBits(link, regs::imx636::kTimeBaseCtrl, 1, on);
    setBits(link, regs::imx636::kOutputCtrl, 1, on);
}

struct Decoded {
    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
    size_t buffers = 0;
    bool allFullSize = true;
};

// Decodes buffers of `stream` until `sensorSpanUs` of stream time were seen or `wallLimit`
// passed. `swap` undoes the fusion link's byte order.
inline Decoded decodeStream(EventStream& stream, uint64_t sensorSpanUs, bool swap = false,
                            std::chrono::milliseconds wallLimit = std::chrono::milliseconds(10000)) {
    Decoded out;
    EVT3Decoder decoder;  // full address space: out-of-geometry events stay visible
    decoder.setEventsStreamHandleCallback(
        [&](Event2D* first, Event2D* last) { out.events.insert(out.events.end(), first, last); });
    decoder.setTriggerInCallback([&](EventTriggerIn t) { out.triggers.push_back(t); });
    const auto deadline = std::chrono::steady_clock::now() + wallLimit;
    uint64_t firstTime = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (stream.waitNextBuffer() <= 0) continue;
        auto buffer = stream.getLatestBuffer();
        if (!buffer || !*buffer) continue;
        std::vector<uint8_t> bytes = **buffer;
        ++out.buffers;
        if (bytes.size() != protocol::kEventTransferSize) out.allFullSize = false;
        if (swap)
            for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
        decoder.decodeBuffer(bytes);
        const uint64_t now = decoder.getCurrentTimestamp();
        if (firstTime == 0) firstTime = now;
        if (now > firstTime && now - firstTime >= sensorSpanUs) break;
    }
    return out;
}

// A fresh backend state with one device; every test starts from here.
class SimFixture {
public:
    SimFixture() { SimBackend::instance().removeAll(); }
    ~SimFixture() { SimBackend::instance().removeAll(); }

    std::shared_ptr<UsbInterface> open(SimModel model, const std::string& serial, const std::string& recording = {},
                                       const SimSceneConfig* scene = nullptr) {
        auto& backend = SimBackend::instance();
        if (!backend.addDevice(model, serial, recording)) return nullptr;
        if (scene) backend.device(serial)->setScene(*scene);
        const auto& info = simModelInfo(model);
        auto found = UsbInterface::findUsbDvsCamera(info.vendorId, info.productId);
        for (const auto& d : found)
            if (d.serial == serial) {
                auto link = UsbInterface::createUsbInterface(d);
                uint64_t context = 0;
                if (link && link->open(&context)) return link;
            }
        return nullptr;
    }

    static std::unique_ptr<EventStream> eventStream(const std::shared_ptr<CameraInterface>& link) {
        return std::make_unique<EventStream>(
            createDataTransferUniquePtr(link, 2, protocol::kEventTransferSize, 20, protocol::kEventEndpoint));
    }
};

}  // namespace quillex::test
