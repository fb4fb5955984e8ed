#include "camera/DvsCameraPrivate.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "base/Logger.h"
#include "hal/EVT3Decoder.h"
#include "hal/link/CameraInterface.h"
#include "hal/link/EthInterface.h"
#include "hal/registers/RegisterController.h"
#include "sensor/Sensor.h"

static constexpr const char* kLogModule = "src/camera/DvsCameraPrivate";

namespace quillex {

DvsCameraPrivate::DvsCameraPrivate(const CameraDescription& description) : DvsCamera(description) {
    fileInfo_.serial_number = description.serial;
}

DvsCameraPrivate::~DvsCameraPrivate() {
    shutdown();
    std::lock_guard lock(statsCallbackMutex_);
    statsCallback_ = nullptr;
}

void DvsCameraPrivate::shutdown() {
    stop();
    std::lock_guard lock(lifecycleMutex_);
    if (loopThread_.joinable()) {
        // The last holder may let go of the camera from inside one of its own callbacks.
        if (loopThread_.get_id() == std::this_thread::get_id())
            loopThread_.detach();
        else
            loopThread_.join();
    }
    if (statsThread_.joinable()) statsThread_.join();
}

uint32_t DvsCameraPrivate::addEventsStreamHandleCallback(EventsCallback callback) {
    std::lock_guard lock(eventCallbacksMutex_);
    const uint32_t id = nextEventCallbackId_++;
    eventCallbacks_[id] = std::move(callback);
    return id;
}

bool DvsCameraPrivate::removeEventsStreamHandleCallback(uint32_t id) {
    std::lock_guard lock(eventCallbacksMutex_);
    return eventCallbacks_.erase(id) > 0;
}

uint32_t DvsCameraPrivate::addTriggerInCallback(TriggerInCallback callback) {
    std::lock_guard lock(triggerCallbacksMutex_);
    const uint32_t id = nextTriggerCallbackId_++;
    triggerCallbacks_[id] = std::move(callback);
    return id;
}

bool DvsCameraPrivate::removeTriggerInCallback(uint32_t id) {
    std::lock_guard lock(triggerCallbacksMutex_);
    return triggerCallbacks_.erase(id) > 0;
}

void DvsCameraPrivate::setBatchEventsNum(uint64_t count) {
    batchEventsNum_ = count;
    std::lock_guard lock(batchModeMutex_);
    batchMode_ = 1;
}

void DvsCameraPrivate::setBatchEventsTime(uint64_t microseconds) {
    batchEventsTime_ = microseconds;
    std::lock_guard lock(batchModeMutex_);
    batchMode_ = 2;
}

bool DvsCameraPrivate::getNextBatch(std::vector<Event2D>& out) {
    out.clear();
    int32_t mode = 0;
    {
        std::lock_guard lock(batchModeMutex_);
        mode = batchMode_;
    }
    if (mode != 1 && mode != 2) return false;
    BatchSlot& slot = mode == 1 ? countBatch_ : timeBatch_;
    std::unique_lock lock(slot.mutex);
    const uint64_t seen = slot.generation;
    slot.cv.wait(lock, [&] { return slot.generation != seen; });
    slot.ready.swap(out);
    return true;
}

void DvsCameraPrivate::handOver(BatchSlot& slot) {
    std::lock_guard lock(slot.mutex);
    slot.ready.clear();
    slot.ready.swap(slot.filling);
    ++slot.generation;
    slot.cv.notify_all();
}

void DvsCameraPrivate::wakeBatchConsumers() {
    for (BatchSlot* slot : {&countBatch_, &timeBatch_}) {
        std::lock_guard lock(slot->mutex);
        ++slot->generation;
        slot->cv.notify_all();
    }
}

void DvsCameraPrivate::gatherByCount(Event2D* first, Event2D* last) {
    // 0 would never make room; treat it as one event per batch.
    const uint64_t limit = std::max<uint64_t>(1, batchEventsNum_.load(std::memory_order_relaxed));
    std::vector<Event2D>& filling = countBatch_.filling;
    // A limit lowered below what is already gathered closes the current batch at once.
    if (filling.size() >= limit) handOver(countBatch_);
    Event2D* it = first;
    while (it != last) {
        const uint64_t remaining = static_cast<uint64_t>(last - it);
        const uint64_t space = limit - filling.size();
        if (remaining <= space) {
            filling.insert(filling.end(), it, last);
            break;
        }
        filling.insert(filling.end(), it, it + space);
        it += space;
        handOver(countBatch_);
    }
}

void DvsCameraPrivate::gatherByTime(Event2D* first, Event2D* last) {
    // 0 would never move the boundary; the shortest period is one microsecond.
    const uint64_t period = std::max<uint64_t>(1, batchEventsTime_.load(std::memory_order_relaxed));
    std::vector<Event2D>& filling = timeBatch_.filling;
    uint64_t boundary = period + (filling.empty() ? first->timestamp : filling.front().timestamp);
    const uint64_t lastTimestamp = (last - 1)->timestamp;
    size_t emptyBatches = 0;
    Event2D* it = first;
    while (it != last) {
        if (boundary >= lastTimestamp) {
            filling.insert(filling.end(), it, last);
            break;
        }
        Event2D* split = EVT3Decoder::binarySearchTimestamp(boundary, it, last);
        if (split == it && filling.empty()) {
            if (++emptyBatches > kMaxEmptyTimeBatches) {
                // Long gap: go straight to the period holding the next event.
                boundary += ((it->timestamp - boundary) / period + 1) * period;
                continue;
            }
        } else {
            emptyBatches = 0;
        }
        filling.insert(filling.end(), it, split);
        handOver(timeBatch_);
        boundary += period;
        it = split;
    }
}

void DvsCameraPrivate::eventStreamArrived(Event2D* first, Event2D* last) {
    int32_t mode = 0;
    {
        std::lock_guard lock(batchModeMutex_);
        mode = batchMode_;
    }
    if (first != nullptr && last > first) {
        if (mode == 1)
            gatherByCount(first, last);
        else if (mode == 2)
            gatherByTime(first, last);
    }
    std::lock_guard lock(eventCallbacksMutex_);
    for (auto& [id, callback] : eventCallbacks_)
        if (callback) callback(first, last);
}

void DvsCameraPrivate::triggerInArrived(EventTriggerIn trigger) {
    std::lock_guard lock(triggerCallbacksMutex_);
    for (auto& [id, callback] : triggerCallbacks_)
        if (callback) callback(trigger);
}

int32_t DvsCameraPrivate::start() {
    std::lock_guard lock(lifecycleMutex_);
    if (!inited_) throw std::runtime_error("Camera is not inited");
    if (running_.load() == 1) return 0;

    recorder_.setTimestampSource([this] { return currentTimestamp_.load(); });
    recorder_.setFileInfo(fileInfo_);
    if (sensor_ && sensor_->start() != 0) return -1;
    if (auto eth = std::dynamic_pointer_cast<EthInterface>(interface_)) eth->setEventStream(true);

    // Threads of an earlier run have ended by now (stop joined them or the loop left on its own).
    if (loopThread_.joinable()) loopThread_.join();
    if (statsThread_.joinable()) statsThread_.join();
    running_ = 1;
    loopThread_ = std::thread(&DvsCameraPrivate::cameraLoop, this);
    statsThread_ = std::thread(&DvsCameraPrivate::statisticsLoop, this);
    return 0;
}

int32_t DvsCameraPrivate::stop() { return stopCamera(false); }

int32_t DvsCameraPrivate::stopCamera(bool fromLoop) {
    std::unique_lock lock(lifecycleMutex_, std::defer_lock);
    if (fromLoop) {
        // Whoever holds the lock may be joining this thread: give way once it has begun stopping.
        while (!lock.try_lock()) {
            if (running_.load() == 0) return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } else {
        lock.lock();
    }
    if (!inited_ || running_.load() == 0) return 0;
    try {
        {
            std::lock_guard wait(statsWaitMutex_);
            running_ = 0;
            statsWaitCv_.notify_all();
        }
        if (loopThread_.joinable() && loopThread_.get_id() != std::this_thread::get_id()) loopThread_.join();
        if (statsThread_.joinable()) statsThread_.join();
        wakeBatchConsumers();
        if (sensor_) sensor_->stop();
        ZX_LOG(2, "Stop camera successfully.");
        return 0;
    } catch (const std::exception& e) {
        ZX_LOG(4, "Stopping the camera failed: %s", e.what());
        return -1;
    }
}

void DvsCameraPrivate::cameraLoop() {
    while (running_.load() == 1) {
        std::shared_ptr<std::vector<uint8_t>> buffer;
        if (sensor_) {
            if (auto next = sensor_->getNextBuffer()) buffer = *next;
        }
        if (buffer) {
            if (recorder_.isActive()) recorder_.append(*buffer);
            if (decoder_) {
                decoder_->decode(buffer->data(), buffer->data() + buffer->size());
                currentTimestamp_.store(decoder_->getCurrentTimestamp());
            }
            continue;
        }
        if (isConnected()) continue;
        stopCamera(true);
        ZX_LOG(2, "Loss connection to the camera, camera loop thread exited.");
        return;
    }
}

void DvsCameraPrivate::statisticsLoop() {
    if (running_.load() != 1) return;
    auto next = std::chrono::steady_clock::now();
    while (running_.load() == 1) {
        next += std::chrono::milliseconds(1000);
        {
            std::unique_lock lock(statsWaitMutex_);
            statsWaitCv_.wait_until(lock, next, [&] { return running_.load() != 1; });
        }
        if (running_.load() != 1) break;
        std::lock_guard lock(statsCallbackMutex_);
        if (statsCallback_ && decoder_) {
            const uint64_t eventRate = decoder_->getEventRate();
            const uint64_t dataRate = decoder_->getDataRate();
            statsCallback_(ZxStatisticInfo(dataRate, eventRate));
        }
    }
}

void DvsCameraPrivate::setStatisticInfoCallback(StatisticCallback callback) {
    std::lock_guard lock(statsCallbackMutex_);
    statsCallback_ = std::move(callback);
}

int32_t DvsCameraPrivate::startRecording(const std::string& path) {
    if (!inited_) throw std::runtime_error("Camera is not inited");
    fileInfo_.dvs_start_timestamp = currentTimestamp_.load();
    fileInfo_.date = std::chrono::time_point_cast<FileTimePoint::duration>(std::chrono::system_clock::now());
    return recorder_.startRecording(path, fileInfo_) ? 0 : -1;
}

void DvsCameraPrivate::setFileCacheTime(uint16_t seconds, const std::string& directory) {
    recorder_.setFileInfo(fileInfo_);
    recorder_.setFileCacheTime(seconds, directory);
}

int32_t DvsCameraPrivate::stopRecording() {
    recorder_.stopRecording();
    return 0;
}

}  // namespace quillex
