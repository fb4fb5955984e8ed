#include "hal/link/EventStream.h"

#include <thread>

#include "base/Logger.h"

static constexpr const char* kLogModule = "platform/hal/hal/link/EventStream";

namespace quillex {

EventStream::EventStream(std::unique_ptr<DataTransfer> transfer) : transfer_(std::move(transfer)) {}

EventStream::~EventStream() { stop(); }

int EventStream::start() {
    if (!transfer_) {
        ZX_LOG(4, "Event stream has no data transfer");
        return -1;
    }
    return transfer_->start() ? 0 : -1;
}

int EventStream::stop() {
    if (transfer_) transfer_->stop();
    return 0;
}

bool EventStream::isStarted() const { return transfer_ && transfer_->isRunning(); }

int EventStream::waitNextBuffer(std::chrono::milliseconds timeout) {
    if (!transfer_) {
        // Nothing will ever come; still honour the bound so callers' loops do not spin.
        std::this_thread::sleep_for(timeout);
        return -1;
    }
    return transfer_->waitNextBuffer(timeout);
}

std::optional<RawBufferPtr> EventStream::getLatestBuffer() {
    if (!transfer_) return std::nullopt;
    RawBufferPtr buffer = transfer_->takeBuffer();
    if (!buffer) return std::nullopt;
    return buffer;
}

uint64_t EventStream::droppedBuffers() const { return transfer_ ? transfer_->droppedBuffers() : 0; }

}  // namespace quillex
