#pragma once
// Helpers for the recording reader tests: temporary folders, synthetic recordings, reference
// decoding and log capture.

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "base/DvsFileHeader.h"
#include "base/Logger.h"
#include "hal/EVT3Decoder.h"
#include "hal/Evt3Encoder.h"

namespace quillex::test {

class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("quillex-rawfile-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeRecording(const std::string& path, const std::string& header, const std::vector<uint8_t>& payload) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
}

// Isolated events (no two neighbours on a row at one time, so every event is its own word),
// `perStep` events every `stepUs` from t0 to t1, pseudo-random positions inside width x height.
inline std::vector<Event2D> makeEvents(uint64_t t0, uint64_t t1, uint64_t stepUs, int perStep, uint16_t width = 1280,
                                       uint16_t height = 720, uint32_t seed = 7) {
    std::mt19937 rng(seed);
    std::vector<Event2D> events;
    for (uint64_t t = t0; t < t1; t += stepUs) {
        for (int i = 0; i < perStep; ++i) {
            const auto y = static_cast<uint16_t>(rng() % height);
            const auto x = static_cast<uint16_t>((rng() % (width / 2)) * 2);
            events.emplace_back(x, y, static_cast<uint8_t>(rng() & 1), t);
        }
        std::sort(events.end() - perStep, events.end(), [](const Event2D& a, const Event2D& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
        // One event per row and time: neighbours of one polarity would merge into vector words.
        auto last = std::unique(events.end() - perStep, events.end(),
                                [](const Event2D& a, const Event2D& b) { return a.y == b.y; });
        events.erase(last, events.end());
    }
    return events;
}

// EVT 3.0 words for events and triggers, merged by time (a trigger goes before events of its time).
inline std::vector<uint8_t> encodeStream(const std::vector<Event2D>& events,
                                         const std::vector<EventTriggerIn>& triggers = {}) {
    Evt3Encoder encoder;
    std::vector<uint8_t> out;
    encoder.forceFullTimeReference();
    size_t e = 0;
    for (const EventTriggerIn& trigger : triggers) {
        size_t stop = e;
        while (stop < events.size() && events[stop].timestamp < trigger.timestamp) ++stop;
        if (stop > e) encoder.encodeEvents(events.data() + e, events.data() + stop, out);
        e = stop;
        encoder.encodeTrigger(trigger, out);
    }
    if (e < events.size()) encoder.encodeEvents(events.data() + e, events.data() + events.size(), out);
    return out;
}

inline std::string headerFor(uint64_t dvsStart, uint16_t width = 1280, uint16_t height = 720,
                             const std::string& serial = "TEST0001") {
    DvsFileInfo info;
    info.dvs_start_timestamp = dvsStart;
    info.width = width;
    info.height = height;
    info.serial_number = serial;
    return generateDvsFileHeader(info);
}

struct Decoded {
    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
};

// What a fresh decoder makes of a payload from a given time base.
inline Decoded decodeReference(const uint8_t* first, const uint8_t* last, uint64_t timeBase) {
    Decoded result;
    EVT3Decoder decoder(1280, 720);
    decoder.setEventsStreamHandleCallback(
        [&](Event2D* a, Event2D* b) { result.events.insert(result.events.end(), a, b); });
    decoder.setTriggerInCallback([&](EventTriggerIn t) { result.triggers.push_back(t); });
    decoder.resetTimestamp(timeBase);
    decoder.decode(first, last);
    return result;
}

inline Decoded decodeReference(const std::vector<uint8_t>& payload, uint64_t timeBase) {
    return decodeReference(payload.data(), payload.data() + payload.size(), timeBase);
}

// Collects log lines while alive.
class LogCapture {
public:
    LogCapture() {
        id_ = Logger::Instance().addSink([this](int level, const std::string&, int, const std::string& message) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.emplace_back(level, message);
        });
    }
    ~LogCapture() { Logger::Instance().removeSink(id_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool contains(int level, const std::string& text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::any_of(lines_.begin(), lines_.end(), [&](const auto& line) {
            return line.first == level && line.second.find(text) != std::string::npos;
        });
    }
    size_t count(const std::string& text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(), [&](const auto& line) {
            return line.second.find(text) != std::string::npos;
        }));
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> lines_;
    int id_ = -1;
};

}  // namespace quillex::test
