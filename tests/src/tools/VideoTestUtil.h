#pragma once
// Helpers of the video tests: temporary folders, log capture, test images, PSNR, and the
// independent command-line tools (ffprobe, ffmpeg) used to check what we write.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/Logger.h"

namespace quillex::test {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("quillex-video-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

class LogLines {
public:
    LogLines() {
        id_ = Logger::Instance().addSink([this](int level, const std::string&, int, const std::string& message) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(level, message);
        });
    }
    ~LogLines() { Logger::Instance().removeSink(id_); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    bool has(int level, const std::string& message) const {
        std::lock_guard lock(mutex_);
        for (const auto& [l, m] : lines_)
            if (l == level && m == message) return true;
        return false;
    }
    size_t countContaining(const std::string& part) const {
        std::lock_guard lock(mutex_);
        size_t n = 0;
        for (const auto& line : lines_) n += line.second.find(part) != std::string::npos;
        return n;
    }

private:
    int id_ = -1;
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> lines_;
};

// A BGR24 image with smooth gradients and a moving block, different for every `seed`.
inline std::vector<uint8_t> patternImage(int width, int height, int seed) {
    std::vector<uint8_t> img(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &img[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>((x * 255) / std::max(1, width - 1));
            p[1] = static_cast<uint8_t>((y * 255) / std::max(1, height - 1));
            p[2] = static_cast<uint8_t>((x + y + seed * 40) % 256);
            const int bx = (seed * 13) % std::max(1, width - 16);
            if (x >= bx && x < bx + 16 && y >= height / 4 && y < height / 4 + 16) p[0] = p[1] = p[2] = 255;
        }
    }
    return img;
}

inline std::vector<uint8_t> flatImage(int width, int height, uint8_t value) {
    return std::vector<uint8_t>(static_cast<size_t>(width) * height * 3, value);
}

inline double psnr(const uint8_t* a, const uint8_t* b, size_t n) {
    double se = 0;
    for (size_t i = 0; i < n; ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        se += d * d;
    }
    if (se == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (se / static_cast<double>(n)));
}

inline double meanValue(const uint8_t* a, size_t n) {
    double s = 0;
    for (size_t i = 0; i < n; ++i) s += a[i];
    return n == 0 ? 0 : s / static_cast<double>(n);
}

// Runs a shell command and returns its standard output.
inline std::string runCommand(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return out;
    std::array<char, 4096> buf{};
    size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
    return out;
}

inline bool toolAvailable(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// What ffprobe sees in a video file.
struct ProbeResult {
    std::string codec;
    int width = 0;
    int height = 0;
    int frames = 0;
    int keyFrames = 0;
    std::vector<int64_t> ptsUs;
};

inline ProbeResult probeVideo(const std::string& path) {
    ProbeResult r;
    std::istringstream stream(runCommand("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height "
                                         "-of default=noprint_wrappers=1 '" + path + "' 2>/dev/null"));
    for (std::string line; std::getline(stream, line);) {
        if (line.rfind("codec_name=", 0) == 0) r.codec = line.substr(11);
        if (line.rfind("width=", 0) == 0) r.width = std::stoi(line.substr(6));
        if (line.rfind("height=", 0) == 0) r.height = std::stoi(line.substr(7));
    }
    // One line per decoded frame: key flag and presentation time in seconds.
    std::istringstream frames(runCommand("ffprobe -v error -select_streams v:0 -show_entries frame=key_frame,pts_time "
                                         "-of csv=p=0 '" + path + "' 2>/dev/null"));
    for (std::string line; std::getline(frames, line);) {
        if (line.empty()) continue;
        const auto comma = line.find(',');
        if (comma == std::string::npos) continue;
        ++r.frames;
        r.keyFrames += line.substr(0, comma) == "1";
        r.ptsUs.push_back(std::llround(std::stod(line.substr(comma + 1)) * 1e6));
    }
    return r;
}

// Decodes an image file with the ffmpeg tool into BGR24 bytes.
inline std::vector<uint8_t> decodeImageWithFfmpeg(const std::string& path) {
    const std::string out = runCommand("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt bgr24 - 2>/dev/null");
    return std::vector<uint8_t>(out.begin(), out.end());
}

}  // namespace quillex::test

#define QUILLEX_REQUIRE_TOOL(tool)                                                  \
    do {                                                                            \
        if (!::quillex::test::toolAvailable(tool)) GTEST_SKIP() << tool " not found"; \
    } while (0)
