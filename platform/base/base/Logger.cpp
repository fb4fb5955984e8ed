#include "base/Logger.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace quillex {

namespace {
int thresholdFromEnvironment() {
    const char* text = std::getenv("QUILLEX_LOG_LEVEL");
    if (text == nullptr || *text == '\0') return 2;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0') return 2;
    return static_cast<int>(value);
}

const char* levelName(int level) {
    switch (level) {
        case 1: return "DETAIL";
        case 2: return "INFO";
        case 3: return "WARN";
        case 4: return "ERROR";
        default: return "LOG";
    }
}
}  // namespace

Logger::Logger() : threshold_(thresholdFromEnvironment()) {}

Logger& Logger::Instance() {
    static Logger logger;
    return logger;
}

void Logger::log_(int level, const char* module, int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vlog(level, module, line, format, args);
    va_end(args);
}

void Logger::vlog(int level, const char* module, int line, const char* format, va_list args) {
    char stackBuffer[1024];
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(stackBuffer, sizeof stackBuffer, format, copy);
    va_end(copy);
    std::string message;
    if (needed < 0) {
        message = format;
    } else if (static_cast<size_t>(needed) < sizeof stackBuffer) {
        message.assign(stackBuffer, static_cast<size_t>(needed));
    } else {
        message.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(message.data(), message.size(), format, args);
        message.resize(static_cast<size_t>(needed));
    }
    const std::string moduleText = module ? module : "?";

    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : sinks_) entry.sink(level, moduleText, line, message);
    if (level < threshold_) return;

    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char timeText[32];
    std::strftime(timeText, sizeof timeText, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "%s.%03lld [%s] %s:%d %s\n", timeText, static_cast<long long>(millis), levelName(level),
                 moduleText.c_str(), line, message.c_str());
}

int Logger::threshold() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return threshold_;
}

void Logger::setThreshold(int level) {
    std::lock_guard<std::mutex> lock(mutex_);
    threshold_ = level;
}

int Logger::addSink(Sink sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    int id = nextSinkId_++;
    sinks_.push_back({id, std::move(sink)});
    return id;
}

void Logger::removeSink(int id) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(sinks_, [id](const SinkEntry& e) { return e.id == id; });
}

}  // namespace quillex
