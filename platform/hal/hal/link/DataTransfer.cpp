#include "hal/link/DataTransfer.h"

#include "base/Logger.h"

static constexpr const char* kLogModule = "platform/hal/hal/link/DataTransfer";

namespace quillex {

namespace {

// Recycles transfer buffers: a buffer the host releases goes back to the free list, so a
// running stream allocates only while its queue fills the first time.
class BufferPool : public std::enable_shared_from_this<BufferPool> {
public:
    BufferPool(size_t capacity, size_t maxFree) : capacity_(capacity), maxFree_(maxFree) {}

    RawBufferPtr get() {
        std::unique_ptr<RawBuffer> buffer;
        {
            std::lock_guard lock(mutex_);
            if (!free_.empty()) {
                buffer = std::move(free_.back());
                free_.pop_back();
            }
        }
        if (!buffer) {
            buffer = std::make_unique<RawBuffer>();
            buffer->reserve(capacity_);
        }
        buffer->clear();
        std::weak_ptr<BufferPool> weak = weak_from_this();
        return RawBufferPtr(buffer.release(), [weak](RawBuffer* p) {
            if (auto pool = weak.lock())
                pool->put(p);
            else
                delete p;
        });
    }

private:
    void put(RawBuffer* p) {
        std::unique_ptr<RawBuffer> owned(p);
        std::lock_guard lock(mutex_);
        if (free_.size() < maxFree_) free_.push_back(std::move(owned));
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<RawBuffer>> free_;
    size_t capacity_;
    size_t maxFree_;
};

}  // namespace

// Bounded queue between a device endpoint and the host; drops the oldest buffer when full.
class TransferQueue : public BulkSink {
public:
    TransferQueue(uint32_t transferSize, uint32_t bufferCount)
        : capacity_(bufferCount), pool_(std::make_shared<BufferPool>(transferSize, bufferCount + 2)) {}

    RawBufferPtr acquire() override { return pool_->get(); }

    void deliver(RawBufferPtr buffer) override {
        if (!buffer) return;
        RawBufferPtr dropped;  // released outside the lock
        {
            std::lock_guard lock(mutex_);
            if (!accepting_) return;
            if (ready_.size() >= capacity_) {
                dropped = std::move(ready_.front());
                ready_.pop_front();
                ++droppedCount_;
            }
            ready_.push_back(std::move(buffer));
            ++deliveredCount_;
        }
        cv_.notify_one();
    }

    void finish() override {
        std::deque<RawBufferPtr> discarded;
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
            accepting_ = false;
            discarded.swap(ready_);
        }
        cv_.notify_all();
    }

    void open() {
        std::lock_guard lock(mutex_);
        ended_ = false;
        accepting_ = true;
        ready_.clear();
    }

    void close() {
        std::deque<RawBufferPtr> discarded;
        {
            std::lock_guard lock(mutex_);
            accepting_ = false;
            discarded.swap(ready_);
        }
        cv_.notify_all();
    }

    int wait(std::chrono::milliseconds timeout, bool connected) {
        std::unique_lock lock(mutex_);
        if (ready_.empty() && (ended_ || !connected)) return -1;
        cv_.wait_for(lock, timeout, [this] { return !ready_.empty() || ended_; });
        if (!ready_.empty()) return static_cast<int>(ready_.size());
        return ended_ ? -1 : 0;
    }

    bool ended() const {
        std::lock_guard lock(mutex_);
        return ended_;
    }

    RawBufferPtr take() {
        std::lock_guard lock(mutex_);
        if (ready_.empty()) return nullptr;
        RawBufferPtr buffer = std::move(ready_.front());
        ready_.pop_front();
        return buffer;
    }

    uint64_t dropped() const {
        std::lock_guard lock(mutex_);
        return droppedCount_;
    }
    uint64_t delivered() const {
        std::lock_guard lock(mutex_);
        return deliveredCount_;
    }

private:
    size_t capacity_;
    std::shared_ptr<BufferPool> pool_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<RawBufferPtr> ready_;
    bool ended_ = false;
    bool accepting_ = false;
    uint64_t droppedCount_ = 0;
    uint64_t deliveredCount_ = 0;
};

DataTransfer::DataTransfer(std::shared_ptr<CameraInterface> interface, uint32_t kind, uint32_t transferSize,
                           uint32_t bufferCount, uint8_t endpoint)
    : interface_(std::move(interface)),
      kind_(kind),
      transferSize_(transferSize),
      bufferCount_(bufferCount),
      endpoint_(endpoint),
      queue_(std::make_shared<TransferQueue>(transferSize, bufferCount)) {}

DataTransfer::~DataTransfer() { stop(); }

bool DataTransfer::start() {
    std::lock_guard lock(startMutex_);
    if (running_ && !queue_->ended()) return true;
    if (running_) {  // the device ended the endpoint (unplugged): start from scratch
        running_ = false;
        interface_->stopBulk(endpoint_);
        queue_->close();
    }
    if (!interface_ || !interface_->isConnected()) {
        ZX_LOG(4, "Cannot start endpoint 0x%02X: camera not connected", endpoint_);
        return false;
    }
    queue_->open();
    if (!interface_->startBulk(endpoint_, transferSize_, queue_)) {
        queue_->close();
        ZX_LOG(4, "Device refused to start endpoint 0x%02X", endpoint_);
        return false;
    }
    running_ = true;
    return true;
}

void DataTransfer::stop() {
    std::lock_guard lock(startMutex_);
    if (!running_) return;
    running_ = false;
    interface_->stopBulk(endpoint_);
    queue_->close();
}

bool DataTransfer::isRunning() const {
    std::lock_guard lock(startMutex_);
    return running_;
}

int DataTransfer::waitNextBuffer(std::chrono::milliseconds timeout) {
    return queue_->wait(timeout, interface_ && interface_->isConnected());
}

RawBufferPtr DataTransfer::takeBuffer() { return queue_->take(); }

uint64_t DataTransfer::droppedBuffers() const { return queue_->dropped(); }
uint64_t DataTransfer::deliveredBuffers() const { return queue_->delivered(); }

std::unique_ptr<DataTransfer> createDataTransferUniquePtr(const std::shared_ptr<CameraInterface>& interface,
                                                          uint32_t kind, uint32_t transferSize,
                                                          uint32_t bufferCount, uint8_t endpoint) {
    if (!interface) {
        ZX_LOG(4, "No interface for the data transfer of endpoint 0x%02X", endpoint);
        return nullptr;
    }
    if (kind != DataTransfer::kBulk) {
        ZX_LOG(4, "Unsupported transfer kind %u", kind);
        return nullptr;
    }
    if (transferSize == 0 || bufferCount == 0) {
        ZX_LOG(4, "Invalid transfer size %u or buffer count %u", transferSize, bufferCount);
        return nullptr;
    }
    return std::make_unique<DataTransfer>(interface, kind, transferSize, bufferCount, endpoint);
}

}  // namespace quillex
