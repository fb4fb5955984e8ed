#pragma once
// Process-wide logger of the base services.
// One line per message on standard error: time, level, module:line, text.
// Messages below the threshold (QUILLEX_LOG_LEVEL, default 2) are dropped.

#include <cstdarg>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quillex {

class Logger {
public:
    // level: 1 detail, 2 progress, 3 problems worked around, 4 errors.
    using Sink = std::function<void(int level, const std::string& module, int line, const std::string& message)>;

    static Logger& Instance();

    void log_(int level, const char* module, int line, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    void vlog(int level, const char* module, int line, const char* format, va_list args);

    int threshold() const;
    void setThreshold(int level);

    // Observers see every message, even those below the threshold (tests use this).
    // Returns an id for removeSink.
    int addSink(Sink sink);
    void removeSink(int id);

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

private:
    Logger();
    struct SinkEntry {
        int id;
        Sink sink;
    };
    mutable std::mutex mutex_;
    int threshold_ = 2;
    int nextSinkId_ = 0;
    std::vector<SinkEntry> sinks_;
};

}  // namespace quillex

// Every .cpp that logs defines: static constexpr const char* kLogModule = "src/camera/DvsCameraPrivate";
#define ZX_LOG(level, ...) ::quillex::Logger::Instance().log_((level), kLogModule, __LINE__, __VA_ARGS__)
