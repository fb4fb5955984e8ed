#pragma once
// A camera interface over an in-memory register file, answering the register commands of the
// control protocol. It records every register write and bulk start/stop in one ordered log so
// tests can check what happened in which order.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hal/link/BulkSink.h"
#include "hal/link/CameraInterface.h"
#include "hal/link/ControlProtocol.h"

namespace quillex::test {

class FakeRegisterDevice : public CameraInterface {
public:
    struct Entry {
        enum Kind { kWrite, kBulkStart, kBulkStop } kind;
        uint32_t address = 0;  // register address, or endpoint for bulk entries
        uint32_t value = 0;
    };

    bool open(uint64_t* context) override {
        if (context) *context = 1;
        return true;
    }
    bool isConnected() const override { return connected; }
    INTERFACE_TYPE interfaceType() const override { return INTERFACE_USB; }
    const CameraDescription& description() const override { return description_; }

    int transferFrame(CtrlFrame& frame) override {
        std::lock_guard lock(mutex_);
        ++transfers;
        frame.payload.clear();
        frame.status = 0;
        if (!connected) return fail(frame);
        const auto& w = frame.words;
        switch (frame.command) {
            case protocol::kWriteRegister:
                if (w.size() != 2) return fail(frame);
                write(w[0], w[1]);
                return 0;
            case protocol::kReadRegister:
                if (w.size() != 1) return fail(frame);
                frame.payload.push_back(read(w[0]));
                return 0;
            case protocol::kWriteBlock:
                if (w.size() < 2) return fail(frame);
                for (size_t i = 1; i < w.size(); ++i) write(w[0] + 4 * static_cast<uint32_t>(i - 1), w[i]);
                return 0;
            case protocol::kReadBlock:
                if (w.size() != 2) return fail(frame);
                for (uint32_t i = 0; i < w[1]; ++i) frame.payload.push_back(read(w[0] + 4 * i));
                return 0;
            default:
                return fail(frame);
        }
    }

    bool startBulk(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) override {
        std::lock_guard lock(mutex_);
        if (!connected) return false;
        log_.push_back({Entry::kBulkStart, endpoint, transferSize});
        sinks_[endpoint] = sink;
        if (deliverOnStart && sink) {
            auto buffer = sink->acquire();
            if (!buffer) buffer = std::make_shared<RawBuffer>();
            buffer->assign({1, 2, 3, 4});
            sink->deliver(buffer);
        }
        return true;
    }
    void stopBulk(uint8_t endpoint) override {
        std::lock_guard lock(mutex_);
        log_.push_back({Entry::kBulkStop, endpoint, 0});
        sinks_.erase(endpoint);
    }

    uint32_t reg(uint32_t address) const {
        std::lock_guard lock(mutex_);
        return read(address);
    }
    void setReg(uint32_t address, uint32_t value) {
        std::lock_guard lock(mutex_);
        registers_[address] = value;
    }
    std::map<uint32_t, uint32_t> registers() const {
        std::lock_guard lock(mutex_);
        return registers_;
    }
    std::vector<Entry> log() const {
        std::lock_guard lock(mutex_);
        return log_;
    }
    void clearLog() {
        std::lock_guard lock(mutex_);
        log_.clear();
    }
    size_t writeCount() const {
        std::lock_guard lock(mutex_);
        size_t n = 0;
        for (const auto& e : log_) n += e.kind == Entry::kWrite;
        return n;
    }

    bool connected = true;
    bool deliverOnStart = false;  // hand one small buffer to the sink when a bulk endpoint starts
    size_t transfers = 0;

private:
    uint32_t read(uint32_t address) const {
        auto it = registers_.find(address);
        return it == registers_.end() ? 0 : it->second;
    }
    void write(uint32_t address, uint32_t value) {
        registers_[address] = value;
        log_.push_back({Entry::kWrite, address, value});
    }
    static int fail(CtrlFrame& frame) {
        frame.status = -1;
        return -1;
    }

    mutable std::mutex mutex_;
    std::map<uint32_t, uint32_t> registers_;
    std::vector<Entry> log_;
    std::map<uint8_t, std::shared_ptr<BulkSink>> sinks_;
    CameraDescription description_ = [] {
        CameraDescription d;
        d.serial = "FAKE0001";
        return d;
    }();
};

// Collects log lines while alive.
class LogCapture {
public:
    struct Line {
        int level;
        std::string module;
        std::string message;
    };
    LogCapture();
    ~LogCapture();
    std::vector<Line> lines() const;
    size_t count(int level, const std::string& message) const;
    bool containsAtLevel(int level, const std::string& fragment) const;

private:
    mutable std::mutex mutex_;
    std::vector<Line> lines_;
    int id_;
};

}  // namespace quillex::test

#include "base/Logger.h"

namespace quillex::test {

inline LogCapture::LogCapture() {
    id_ = Logger::Instance().addSink([this](int level, const std::string& module, int, const std::string& message) {
        std::lock_guard lock(mutex_);
        lines_.push_back({level, module, message});
    });
}
inline LogCapture::~LogCapture() { Logger::Instance().removeSink(id_); }
inline std::vector<LogCapture::Line> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}
inline size_t LogCapture::count(int level, const std::string& message) const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& l : lines_) n += l.level == level && l.message == message;
    return n;
}
inline bool LogCapture::containsAtLevel(int level, const std::string& fragment) const {
    std::lock_guard lock(mutex_);
    for (const auto& l : lines_)
        if (l.level == level && l.message.find(fragment) != std::string::npos) return true;
    return false;
}

}  // namespace quillex::test
