#pragma once
// Streaming machinery shared by every event camera model: the camera loop and statistics
// threads, event and trigger fan-out, count and time batches, recording.
// Not part of the public include chain: the application sees DvsCamera only.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "FileRecorder/DvsFileRecorder.h"
#include "base/DvsFileInfo.h"
#include "camera/DvsCamera.h"
#include "hal/Decoder.h"

namespace quillex {

class CameraInterface;
class RegisterController;
class Sensor;

class DvsCameraPrivate : public DvsCamera {
public:
    static constexpr uint64_t kDefaultBatchEventsNum = 131072;
    static constexpr uint64_t kDefaultBatchEventsTime = 10000;
    // In one decoded range, at most this many empty time batches are handed over for a gap;
    // past it the boundary jumps to the period of the next event.
    static constexpr size_t kMaxEmptyTimeBatches = 1000;

    explicit DvsCameraPrivate(const CameraDescription& description);
    virtual ~DvsCameraPrivate();

    uint32_t addEventsStreamHandleCallback(EventsCallback callback) override;
    bool removeEventsStreamHandleCallback(uint32_t id) override;
    uint32_t addTriggerInCallback(TriggerInCallback callback) override;
    bool removeTriggerInCallback(uint32_t id) override;
    bool getNextBatch(std::vector<Event2D>& out) override;
    void setBatchEventsNum(uint64_t count) override;
    void setBatchEventsTime(uint64_t microseconds) override;
    int32_t start() override;
    int32_t stop() override;
    int32_t startRecording(const std::string& path) override;
    void setFileCacheTime(uint16_t seconds, const std::string& directory) override;
    int32_t stopRecording() override;
    void setStatisticInfoCallback(StatisticCallback callback) override;

    // Decoder handlers; they run on the camera loop thread.
    void eventStreamArrived(Event2D* first, Event2D* last);
    void triggerInArrived(EventTriggerIn trigger);

    bool isInited() const { return inited_; }
    bool isRunning() const { return running_.load() == 1; }
    // Time reached by the decoder after the last buffer, in µs.
    uint64_t currentTimestamp() const { return currentTimestamp_.load(); }
    DvsFileRecorder& recorder() { return recorder_; }

protected:
    struct BatchSlot {
        std::vector<Event2D> ready;
        std::vector<Event2D> filling;
        std::mutex mutex;
        std::condition_variable cv;
        uint64_t generation = 0;  // bumped by every hand-over and by stop
    };

    // Stops and joins both threads; the most-derived destructor calls it while the object is whole.
    void shutdown();
    int32_t stopCamera(bool fromLoop);
    void cameraLoop();
    void statisticsLoop();
    void handOver(BatchSlot& slot);
    void wakeBatchConsumers();
    void gatherByCount(Event2D* first, Event2D* last);
    void gatherByTime(Event2D* first, Event2D* last);

    std::unordered_map<uint32_t, EventsCallback> eventCallbacks_;
    uint32_t nextEventCallbackId_ = 0;
    std::mutex eventCallbacksMutex_;
    std::unordered_map<uint32_t, TriggerInCallback> triggerCallbacks_;
    uint32_t nextTriggerCallbackId_ = 0;
    std::mutex triggerCallbacksMutex_;
    int32_t batchMode_ = 0;  // 0 none, 1 by count, 2 by time
    mutable std::mutex batchModeMutex_;
    std::atomic<uint64_t> batchEventsNum_{kDefaultBatchEventsNum};
    std::atomic<uint64_t> batchEventsTime_{kDefaultBatchEventsTime};
    std::shared_ptr<RegisterController> registerController_;
    std::unique_ptr<Decoder> decoder_;
    std::shared_ptr<CameraInterface> interface_;
    uint64_t interfaceContext_ = 0;  // handed to the interface's open; lives as long as it
    std::thread loopThread_;
    bool inited_ = false;
    std::atomic<int32_t> running_{0};
    std::mutex lifecycleMutex_;  // start and stop
    BatchSlot countBatch_;
    BatchSlot timeBatch_;
    std::atomic<uint64_t> currentTimestamp_{0};
    DvsFileInfo fileInfo_;
    DvsFileRecorder recorder_;
    std::unique_ptr<Sensor> sensor_;
    std::thread statsThread_;
    std::mutex statsWaitMutex_;
    std::condition_variable statsWaitCv_;
    std::mutex statsCallbackMutex_;  // held while the callback runs, so a replaced one is never called
    StatisticCallback statsCallback_;
};

}  // namespace quillex
