#include "sensor/Sensor.h"

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "src/sensor/Sensor";

Sensor::~Sensor() = default;

void Sensor::setWriteRegisterCallback(WriteRegisterCallback callback) { writeRegister_ = std::move(callback); }

void Sensor::setWriteRegisterFieldCallback(WriteRegisterFieldCallback callback) {
    writeRegisterField_ = std::move(callback);
}

void Sensor::setApplyRegisterOperationSequenceCallback(ApplyRegisterOperationSequenceCallback callback) {
    applySequence_ = std::move(callback);
}

void Sensor::createEventStream(const std::shared_ptr<CameraInterface>& interface, uint32_t transferSize,
                               uint32_t bufferCount, uint8_t endpoint) {
    auto transfer = createDataTransferUniquePtr(interface, DataTransfer::kBulk, transferSize, bufferCount, endpoint);
    if (!transfer) ZX_LOG(4, "No data transfer for endpoint 0x%X; the event stream will not start", endpoint);
    stream_ = std::make_unique<EventStream>(std::move(transfer));
}

std::optional<RawBufferPtr> Sensor::getNextBuffer(std::chrono::milliseconds timeout) {
    if (!stream_) return std::nullopt;
    if (stream_->waitNextBuffer(timeout) > 0) return stream_->getLatestBuffer();
    return std::nullopt;
}

}  // namespace quillex
