#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "FileRecorder/DvsFileRecorder.h"
#include "base/DvsFileHeader.h"
#include "base/Logger.h"

namespace fs = std::filesystem;
using namespace quillex;

namespace {

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A buffer whose bytes tell which chunk they came from.
std::vector<uint8_t> chunk(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 31 + seed * 7) & 0xFF);
    return bytes;
}

struct LogCapture {
    struct Line {
        int level;
        std::string message;
    };
    LogCapture() {
        id = Logger::Instance().addSink([this](int level, const std::string&, int, const std::string& message) {
            std::lock_guard lock(mutex);
            lines.push_back({level, message});
            cv.notify_all();
        });
    }
    ~LogCapture() { Logger::Instance().removeSink(id); }
    std::vector<Line> snapshot() {
        std::lock_guard lock(mutex);
        return lines;
    }
    size_t count(const std::string& prefix) {
        std::lock_guard lock(mutex);
        size_t n = 0;
        for (const auto& l : lines) n += l.message.rfind(prefix, 0) == 0;
        return n;
    }
    std::vector<std::string> matching(const std::string& prefix) {
        std::lock_guard lock(mutex);
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.message.rfind(prefix, 0) == 0) out.push_back(l.message);
        return out;
    }
    bool waitFor(const std::string& prefix, size_t n) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] {
            size_t c = 0;
            for (const auto& l : lines) c += l.message.rfind(prefix, 0) == 0;
            return c >= n;
        });
    }
    int id = 0;
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<Line> lines;
};

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("quillex_recorder_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "cache");
        info.serial_number = "SER1";
        info.width = 320;
        info.height = 320;
        info.dvs_start_timestamp = 1234;
    }
    void TearDown() override { fs::remove_all(dir); }

    size_t cacheFiles() const {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(dir / "cache")) n += e.is_regular_file();
        return n;
    }

    fs::path dir;
    DvsFileInfo info;
    std::atomic<uint64_t> clock{1000000};
};

TEST_F(RecorderTest, DirectRecordingIsHeaderFollowedByEveryAppendedByte) {
    DvsFileRecorder recorder;
    recorder.setTimestampSource([this] { return clock.load(); });
    const fs::path small = dir / "small.raw";
    ASSERT_TRUE(recorder.startRecording(small.string(), info));
    EXPECT_TRUE(recorder.isActive());
    std::vector<uint8_t> expected;
    for (uint32_t i = 0; i < 5; ++i) {  // well under one pooled buffer
        auto c = chunk(1000 + i, i);
        recorder.append(c);
        expected.insert(expected.end(), c.begin(), c.end());
    }
    ASSERT_TRUE(recorder.stopRecording());
    EXPECT_FALSE(recorder.isActive());
    const std::string header = generateDvsFileHeader(info);
    std::vector<uint8_t> file = readFile(small);
    ASSERT_EQ(file.size(), header.size() + expected.size());
    EXPECT_EQ(std::string(file.begin(), file.begin() + header.size()), header);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + header.size()));

    // Several MiB in 128 KiB transfers, crossing many buffer hand-overs.
    const fs::path large = dir / "large.raw";
    ASSERT_TRUE(recorder.startRecording(large.string(), info));
    expected.clear();
    for (uint32_t i = 0; i < 40; ++i) {
        auto c = chunk(131072, i);
        recorder.append(c);
        expected.insert(expected.end(), c.begin(), c.end());
    }
    ASSERT_TRUE(recorder.stopRecording());
    file = readFile(large);
    ASSERT_EQ(file.size(), header.size() + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + header.size()));
}

TEST_F(RecorderTest, RefusesUnopenableFileAndSecondStart) {
    LogCapture log;
    DvsFileRecorder recorder;
    EXPECT_FALSE(recorder.startRecording((dir / "missing" / "x.raw").string(), info));
    EXPECT_FALSE(recorder.isActive());
    bool sawError = false;
    for (const auto& l : log.snapshot()) sawError |= l.level == 4 && l.message.find("x.raw") != std::string::npos;
    EXPECT_TRUE(sawError);

    ASSERT_TRUE(recorder.startRecording((dir / "a.raw").string(), info));
    EXPECT_FALSE(recorder.startRecording((dir / "b.raw").string(), info));
    EXPECT_TRUE(recorder.stopRecording());
    EXPECT_TRUE(fs::exists(dir / "a.raw"));
}

TEST_F(RecorderTest, CacheFileNameJoinsCounterAndSuffix) {
    EXPECT_EQ(DvsFileRecorder::cacheFileName("d", "s", 3), "d/s_3quillex.raw.tmp");
}

// Drives the cache with one just-over-1 MiB buffer per simulated second, waiting for the cache
// thread to take each one, so the timestamps it reads are the ones set here.
class CacheDriver {
public:
    CacheDriver(DvsFileRecorder& r, std::atomic<uint64_t>& c, LogCapture& l) : recorder(r), clock(c), log(l) {}
    void second(uint32_t seed, std::vector<std::vector<uint8_t>>& sent) {
        clock += 1000000;
        auto c = chunk(DvsFileRecorder::kBufferBytes + 1, seed);
        recorder.append(c);
        sent.push_back(std::move(c));
        ++rotations;
        ASSERT_TRUE(log.waitFor("A frame of cache file was saved", rotations));
    }
    DvsFileRecorder& recorder;
    std::atomic<uint64_t>& clock;
    LogCapture& log;
    size_t rotations = 0;
};

TEST_F(RecorderTest, CacheRingKeepsAtMostCacheSecondsFilesAndReusesTheDroppedName) {
    LogCapture log;
    DvsFileRecorder recorder;
    recorder.setTimestampSource([this] { return clock.load(); });
    recorder.setFileInfo(info);
    recorder.setFileCacheTime(3, (dir / "cache").string());
    EXPECT_TRUE(recorder.isActive());

    std::vector<std::vector<uint8_t>> sent;
    auto first = chunk(DvsFileRecorder::kBufferBytes + 1, 100);
    recorder.append(first);
    ASSERT_TRUE(log.waitFor("Start save cache file", 1));
    CacheDriver drive(recorder, clock, log);
    for (uint32_t s = 0; s < 8; ++s) {
        drive.second(s, sent);
        EXPECT_LE(cacheFiles(), 3u);
    }
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir / "cache")) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"SER1_0quillex.raw.tmp", "SER1_1quillex.raw.tmp", "SER1_2quillex.raw.tmp"}));

    // Each dropped file is the one opened right after it.
    const auto dropped = log.matching("Delete unused buffer: ");
    const auto opened = log.matching("A frame of cache file was saved: ");
    ASSERT_EQ(dropped.size(), 6u);  // rotations 3..8
    for (size_t i = 0; i < dropped.size(); ++i) {
        const std::string droppedPath = dropped[i].substr(std::string("Delete unused buffer: ").size());
        const std::string openedPath = opened[i + 2].substr(std::string("A frame of cache file was saved: ").size());
        EXPECT_EQ(droppedPath, openedPath);
    }

    recorder.setFileCacheTime(0, (dir / "cache").string());
    EXPECT_FALSE(recorder.isActive());
    EXPECT_EQ(log.count("End cache loop"), 1u);
}

TEST_F(RecorderTest, CacheRecordingJoinsCachedSecondsAndEmptiesTheCacheFolder) {
    LogCapture log;
    DvsFileRecorder recorder;
    recorder.setTimestampSource([this] { return clock.load(); });
    recorder.setFileInfo(info);
    recorder.setFileCacheTime(3, (dir / "cache").string());

    std::vector<std::vector<uint8_t>> sent;
    sent.push_back(chunk(DvsFileRecorder::kBufferBytes + 1, 200));
    recorder.append(sent.back());
    ASSERT_TRUE(log.waitFor("Start save cache file", 1));
    const uint64_t firstSegment = clock.load();
    CacheDriver drive(recorder, clock, log);
    for (uint32_t s = 0; s < 5; ++s) drive.second(s, sent);
    // Six buffers so far; buffer k ended segment k, so the ring holds segments 3, 4 and 5:
    // the buffers sent[4], sent[5] (segment 3 began when sent[3] closed segment 2).
    const size_t oldestKept = 4;
    const uint64_t oldestStart = firstSegment + 3 * 1000000;

    const fs::path out = dir / "trigger.raw";
    ASSERT_TRUE(recorder.startRecording(out.string(), info));
    for (uint32_t s = 10; s < 15; ++s) drive.second(s, sent);
    auto tail = chunk(5000, 99);  // a partial buffer, handed on by the stop
    recorder.append(tail);
    sent.push_back(tail);
    ASSERT_TRUE(recorder.stopRecording());
    recorder.waitForSave();

    DvsFileInfo expectedInfo = info;
    expectedInfo.dvs_start_timestamp = oldestStart;
    const std::string header = generateDvsFileHeader(expectedInfo);
    std::vector<uint8_t> expected(header.begin(), header.end());
    for (size_t i = oldestKept; i < sent.size(); ++i) expected.insert(expected.end(), sent[i].begin(), sent[i].end());
    const std::vector<uint8_t> file = readFile(out);
    EXPECT_EQ(file.size(), expected.size());
    EXPECT_TRUE(file == expected);
    EXPECT_EQ(cacheFiles(), 0u);
    // Caching resumes after the save.
    EXPECT_TRUE(recorder.isActive());
    EXPECT_FALSE(recorder.isRecording());
}

TEST_F(RecorderTest, StartAndStopAreRefusedWhileTheSaveRuns) {
    // The save thread logs "app file" per joined file; holding it there keeps the save busy.
    std::mutex gateMutex;
    std::condition_variable gateCv;
    bool open = false;
    std::atomic<bool> reached{false};
    const int sink = Logger::Instance().addSink([&](int, const std::string&, int, const std::string& message) {
        if (message.rfind("app file", 0) != 0) return;
        reached = true;
        std::unique_lock lock(gateMutex);
        gateCv.wait(lock, [&] { return open; });
    });
    {
        DvsFileRecorder recorder;
        recorder.setTimestampSource([this] { return clock.load(); });
        recorder.setFileInfo(info);
        recorder.setFileCacheTime(2, (dir / "cache").string());
        ASSERT_TRUE(recorder.startRecording((dir / "one.raw").string(), info));
        recorder.append(chunk(70000, 1));
        ASSERT_TRUE(recorder.stopRecording());
        for (int i = 0; i < 5000 && !reached; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(reached);
        EXPECT_TRUE(recorder.isSaving());
        EXPECT_FALSE(recorder.startRecording((dir / "two.raw").string(), info));
        EXPECT_FALSE(recorder.stopRecording());
        {
            std::lock_guard lock(gateMutex);
            open = true;
        }
        gateCv.notify_all();
        recorder.waitForSave();
        EXPECT_FALSE(recorder.isSaving());
        EXPECT_TRUE(recorder.startRecording((dir / "two.raw").string(), info));
        EXPECT_TRUE(recorder.stopRecording());
        recorder.waitForSave();
    }
    Logger::Instance().removeSink(sink);
    EXPECT_GT(fs::file_size(dir / "one.raw"), 70000u);
    EXPECT_EQ(cacheFiles(), 0u);
}

TEST_F(RecorderTest, UnreadableCacheFileIsLoggedAndTheOthersAreStillRemoved) {
    LogCapture log;
    DvsFileRecorder recorder;
    recorder.setTimestampSource([this] { return clock.load(); });
    recorder.setFileInfo(info);
    recorder.setFileCacheTime(3, (dir / "cache").string());
    std::vector<std::vector<uint8_t>> sent;
    sent.push_back(chunk(DvsFileRecorder::kBufferBytes + 1, 7));
    recorder.append(sent.back());
    ASSERT_TRUE(log.waitFor("Start save cache file", 1));
    CacheDriver drive(recorder, clock, log);
    drive.second(1, sent);
    drive.second(2, sent);
    ASSERT_EQ(cacheFiles(), 3u);
    ASSERT_TRUE(recorder.startRecording((dir / "r.raw").string(), info));
    fs::remove(dir / "cache" / "SER1_0quillex.raw.tmp");  // the oldest second vanishes
    ASSERT_TRUE(recorder.stopRecording());
    recorder.waitForSave();
    bool readError = false;
    for (const auto& l : log.snapshot()) readError |= l.level == 4 && l.message.find("SER1_0quillex.raw.tmp") != std::string::npos;
    EXPECT_TRUE(readError);
    EXPECT_EQ(cacheFiles(), 0u);
    EXPECT_EQ(log.count("app file: "), 3u);
}

}  // namespace
