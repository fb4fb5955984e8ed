#pragma once
// Collects log lines while in scope.

#include <mutex>
#include <string>
#include <vector>

#include "base/Logger.h"

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
        });
    }
    ~LogCapture() { Logger::Instance().removeSink(id_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    size_t count(int level) const {
        std::lock_guard lock(mutex_);
        size_t n = 0;
        for (const auto& line : lines_) n += line.level == level;
        return n;
    }

private:
    int id_ = -1;
    mutable std::mutex mutex_;
    std::vector<Line> lines_;
};

}  // namespace quillex::test
