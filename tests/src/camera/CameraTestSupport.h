#pragma once
// Helpers shared by the camera tests: a log capture and a camera without hardware whose
// batches and callbacks are driven directly.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "base/Logger.h"
#include "camera/DvsCameraPrivate.h"

namespace quillex::test {

class LogCapture {
public:
    struct Line {
        int level;
        std::string module;
        std::string message;
    };
    LogCapture() {
        id_ = Logger::Instance().addSink([this](int level, const std::string& module, int, const std::string& message) {
            std::lock_guard lock(mutex_);
            lines_.push_back({level, module, message});
            cv_.notify_all();
        });
    }
    ~LogCapture() { Logger::Instance().removeSink(id_); }

    std::vector<Line> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    size_t count(const std::string& prefix, int level = 0) {
        size_t n = 0;
        for (const auto& l : lines()) n += l.message.rfind(prefix, 0) == 0 && (level == 0 || l.level == level);
        return n;
    }
    // Index of the first line starting with prefix, or -1.
    int indexOf(const std::string& prefix) {
        const auto all = lines();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].message.rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    }
    bool waitFor(const std::string& prefix, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] {
            for (const auto& l : lines_)
                if (l.message.rfind(prefix, 0) == 0) return true;
            return false;
        });
    }

private:
    int id_ = 0;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Line> lines_;
};

// No link, no sensor: init only marks the camera inited. Never start() it (its loop would have
// nothing to wait on); markRunning() gives stop() and getNextBatch() a running camera.
class FakeCamera : public DvsCameraPrivate {
public:
    explicit FakeCamera(const CameraDescription& description = makeDescription()) : DvsCameraPrivate(description) {}
    ~FakeCamera() override { shutdown(); }

    static CameraDescription makeDescription() {
        CameraDescription d;
        d.serial = "FAKE1";
        return d;
    }

    bool isConnected() const override { return inited_; }
    uint16_t getWidth() override { return 1280; }
    uint16_t getHeight() override { return 720; }
    int32_t init() override {
        inited_ = true;
        return 0;
    }

    void markRunning() { running_ = 1; }
    void addTool(ToolType type, std::shared_ptr<CameraTool> tool) { tools_[type] = std::move(tool); }

    uint64_t handOvers(int mode) {
        BatchSlot& slot = mode == 1 ? countBatch_ : timeBatch_;
        std::lock_guard lock(slot.mutex);
        return slot.generation;
    }
    std::vector<Event2D> ready(int mode) {
        BatchSlot& slot = mode == 1 ? countBatch_ : timeBatch_;
        std::lock_guard lock(slot.mutex);
        return slot.ready;
    }
    // Only the feeding thread touches the filling vector; the tests feed from their own thread.
    std::vector<Event2D> filling(int mode) { return mode == 1 ? countBatch_.filling : timeBatch_.filling; }

    void feed(std::vector<Event2D> events) { eventStreamArrived(events.data(), events.data() + events.size()); }
};

inline std::vector<Event2D> eventsAt(std::initializer_list<uint64_t> timestamps) {
    std::vector<Event2D> out;
    uint16_t x = 0;
    for (uint64_t t : timestamps) out.emplace_back(x++, 1, 1, t);
    return out;
}

inline std::vector<uint64_t> timestampsOf(const std::vector<Event2D>& events) {
    std::vector<uint64_t> out;
    for (const auto& e : events) out.push_back(e.timestamp);
    return out;
}

}  // namespace quillex::test
