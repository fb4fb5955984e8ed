#pragma once
// Writes an event camera's raw stream to a raw event file.
//
// Direct mode: a recording holds the stream from start to stop.
// Cache mode (setFileCacheTime > 0): the last seconds of the stream are kept in a ring of
// one-second cache files, so that a recording started in reaction to a trigger also holds
// the seconds before it; at stop the cached seconds and the recording are joined into one file.
//
// The camera loop thread calls append(); exactly one consumer thread (writer or cache thread)
// drains the queue of full buffers.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/DvsFileInfo.h"

namespace quillex {

class DvsFileRecorder {
public:
    using TimestampSource = std::function<uint64_t()>;
    using Buffer = std::vector<uint8_t>;
    using BufferPtr = std::shared_ptr<Buffer>;

    // A full buffer is handed on once it holds more than this many bytes.
    static constexpr size_t kBufferBytes = 1048576;
    static constexpr size_t kPoolBuffers = 10;

    DvsFileRecorder();
    ~DvsFileRecorder();
    DvsFileRecorder(const DvsFileRecorder&) = delete;
    DvsFileRecorder& operator=(const DvsFileRecorder&) = delete;

    void setTimestampSource(TimestampSource source);
    void setFileInfo(const DvsFileInfo& info);

    // True while a recording runs or the trigger-in cache is on.
    bool isActive() const;
    bool isRecording() const { return recording_.load(); }
    bool isSaving() const { return saveBusy_.load(); }

    void append(const uint8_t* data, size_t size);
    void append(const std::vector<uint8_t>& bytes) { append(bytes.data(), bytes.size()); }

    // False when a cache save is still running, a recording already runs, or the file cannot be opened.
    bool startRecording(const std::string& path, const DvsFileInfo& info);
    // False while a cache save runs. In cache mode the joined file is written by a save thread.
    bool stopRecording();
    // seconds > 0 turns the cache on (ignored while it already runs), 0 turns it off.
    void setFileCacheTime(uint16_t seconds, const std::string& directory);

    // Blocks until a running cache save has finished (tests and orderly shutdown).
    void waitForSave();

    // Cache file path for a counter value: dir/serial_Nquillex.raw.tmp
    static std::string cacheFileName(const std::string& directory, const std::string& serial, uint32_t counter);

private:
    BufferPtr takeBuffer();
    uint64_t now() const;
    DvsFileInfo fileInfo() const;
    void pushCurrentLocked();

    void writerLoop();
    void prepareCache();
    void cacheLoop();
    void saveLoop();
    void openCacheFile(uint64_t start);
    void deleteCacheFiles();
    void joinSaveThread();

    // Buffer pool: returned buffers keep their storage for reuse.
    struct Pool;
    std::shared_ptr<Pool> pool_;

    std::string filePath_;
    std::ofstream recordingStream_;
    std::atomic<bool> recording_{false};

    BufferPtr current_;
    std::atomic<uint8_t> cacheMode_{0};
    std::mutex queueMutex_;
    std::condition_variable queueCv_;
    std::deque<BufferPtr> queue_;

    std::atomic<bool> cacheEnabled_{false};
    std::atomic<bool> saveBusy_{false};
    uint16_t cacheSeconds_ = 0;
    std::string cacheDirectory_;
    std::deque<std::pair<std::string, uint64_t>> cacheList_;
    bool segmentOpen_ = false;
    uint64_t segmentStart_ = 0;
    uint32_t cacheCounter_ = 0;
    std::ofstream cacheStream_;

    std::thread writerThread_;
    std::thread cacheThread_;
    std::thread saveThread_;

    mutable std::mutex infoMutex_;
    DvsFileInfo fileInfo_;
    TimestampSource timestampSource_;
};

}  // namespace quillex
