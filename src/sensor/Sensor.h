#pragma once
// A sensor driver: powers up, starts and stops one kind of image sensor and owns the stream of
// raw buffers it delivers. The camera hands it register-access callbacks bound to its
// RegisterController, calls init with its interface, then start/stop around streaming, and its
// streaming thread pulls buffers with getNextBuffer.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hal/link/CameraInterface.h"
#include "hal/link/EventStream.h"
#include "hal/registers/RegisterOperation.h"

namespace quillex {

class Sensor {
public:
    using WriteRegisterCallback = std::function<void(const std::string& registerName, uint32_t value)>;
    using WriteRegisterFieldCallback =
        std::function<void(const std::string& registerName, const std::string& fieldName, uint32_t value)>;
    using ApplyRegisterOperationSequenceCallback = std::function<void(const std::vector<RegisterOperation>&)>;

    virtual ~Sensor();
    Sensor(const Sensor&) = delete;
    Sensor& operator=(const Sensor&) = delete;

    virtual int init(std::shared_ptr<CameraInterface> interface) = 0;
    virtual int start() = 0;
    virtual int stop() = 0;

    void setWriteRegisterCallback(WriteRegisterCallback callback);
    void setWriteRegisterFieldCallback(WriteRegisterFieldCallback callback);
    void setApplyRegisterOperationSequenceCallback(ApplyRegisterOperationSequenceCallback callback);

    // The next raw buffer, or none when the wait reported nothing (timeout, stopped, device gone,
    // or no stream yet).
    std::optional<RawBufferPtr> getNextBuffer(std::chrono::milliseconds timeout = EventStream::kDefaultWait);

    bool isInitialized() const { return initialized_; }
    EventStream* eventStream() const { return stream_.get(); }

protected:
    Sensor() = default;

    // Replaces the stream with a bulk transfer (kind 2) of `endpoint`.
    void createEventStream(const std::shared_ptr<CameraInterface>& interface, uint32_t transferSize,
                           uint32_t bufferCount, uint8_t endpoint);

    std::unique_ptr<EventStream> stream_;
    WriteRegisterCallback writeRegister_;
    WriteRegisterFieldCallback writeRegisterField_;
    ApplyRegisterOperationSequenceCallback applySequence_;
    bool initialized_ = false;
};

}  // namespace quillex
