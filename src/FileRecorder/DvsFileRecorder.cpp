#include "FileRecorder/DvsFileRecorder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/DvsFileHeader.h"
#include "base/Logger.h"
#include "base/ZxObjectPool.h"

static constexpr const char* kLogModule = "src/FileRecorder/DvsFileRecorder";

namespace quillex {

struct DvsFileRecorder::Pool {
    std::unique_ptr<ZxObjectPool<Buffer>> pool;
};

namespace {

bool removeFile(const std::string& path) {
    std::error_code ec;
    const bool removed = std::filesystem::remove(path, ec);
    if (!removed || ec) {
        ZX_LOG(4, "Error deleting file: %s", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

DvsFileRecorder::DvsFileRecorder() : pool_(std::make_shared<Pool>()) {
    pool_->pool = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<Buffer>(false, kPoolBuffers, kBufferBytes);
    current_ = takeBuffer();
}

DvsFileRecorder::~DvsFileRecorder() {
    // A running save re-arms the cache when it ends; let it finish first.
    joinSaveThread();
    if (recording_.load()) stopRecording();
    joinSaveThread();
    {
        std::lock_guard lock(queueMutex_);
        cacheEnabled_ = false;
        recording_ = false;
        queueCv_.notify_all();
    }
    if (cacheThread_.joinable()) cacheThread_.join();
    deleteCacheFiles();
    if (writerThread_.joinable()) writerThread_.join();
    joinSaveThread();
    std::lock_guard lock(infoMutex_);
    timestampSource_ = nullptr;
}

void DvsFileRecorder::setTimestampSource(TimestampSource source) {
    std::lock_guard lock(infoMutex_);
    timestampSource_ = std::move(source);
}

void DvsFileRecorder::setFileInfo(const DvsFileInfo& info) {
    std::lock_guard lock(infoMutex_);
    fileInfo_ = info;
}

DvsFileInfo DvsFileRecorder::fileInfo() const {
    std::lock_guard lock(infoMutex_);
    return fileInfo_;
}

uint64_t DvsFileRecorder::now() const {
    std::lock_guard lock(infoMutex_);
    return timestampSource_ ? timestampSource_() : 0;
}

bool DvsFileRecorder::isActive() const { return recording_.load() || cacheEnabled_.load(); }

std::string DvsFileRecorder::cacheFileName(const std::string& directory, const std::string& serial, uint32_t counter) {
    return directory + "/" + serial + "_" + std::to_string(counter) + "quillex.raw.tmp";
}

DvsFileRecorder::BufferPtr DvsFileRecorder::takeBuffer() {
    BufferPtr buffer = pool_->pool->acquire();
    buffer->clear();
    if (buffer->capacity() < kBufferBytes) buffer->reserve(kBufferBytes);
    return buffer;
}

void DvsFileRecorder::pushCurrentLocked() {
    if (current_ && !current_->empty()) {
        queue_.push_back(std::move(current_));
        current_ = takeBuffer();
    }
    queueCv_.notify_all();
}

void DvsFileRecorder::append(const uint8_t* data, size_t size) {
    if (size == 0) return;
    std::lock_guard lock(queueMutex_);
    current_->insert(current_->end(), data, data + size);
    if (current_->size() > kBufferBytes) pushCurrentLocked();
}

bool DvsFileRecorder::startRecording(const std::string& path, const DvsFileInfo& info) {
    if (saveBusy_.load()) return false;
    if (recording_.load()) {
        ZX_LOG(3, "Recording already in progress, %s not started.", path.c_str());
        return false;
    }
    filePath_ = path;
    recordingStream_ = std::ofstream(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!recordingStream_.is_open()) {
        ZX_LOG(4, "Unable to open %s for writing: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    setFileInfo(info);

    if (cacheMode_.load() == 1) {
        recording_ = true;  // the header is written at save time
        return true;
    }
    {
        std::lock_guard lock(queueMutex_);
        current_ = takeBuffer();
        queue_.clear();
        recording_ = true;
    }
    ZX_LOG(2, "Start recording file ts: %llu", static_cast<unsigned long long>(info.dvs_start_timestamp));
    const std::string header = generateDvsFileHeader(info);
    recordingStream_.write(header.data(), static_cast<std::streamsize>(header.size()));
    if (writerThread_.joinable()) writerThread_.join();
    writerThread_ = std::thread(&DvsFileRecorder::writerLoop, this);
    return true;
}

void DvsFileRecorder::writerLoop() {
    std::deque<BufferPtr> batch;
    bool failed = false;
    for (;;) {
        {
            std::unique_lock lock(queueMutex_);
            queueCv_.wait(lock, [&] { return !queue_.empty() || !recording_.load(); });
            batch.swap(queue_);
        }
        // Written outside the lock so the camera loop never waits for the disk.
        for (BufferPtr& buffer : batch) {
            recordingStream_.write(reinterpret_cast<const char*>(buffer->data()), static_cast<std::streamsize>(buffer->size()));
            recordingStream_.flush();
            if (!recordingStream_ && !failed) {
                failed = true;
                ZX_LOG(4, "Failed to write recording file %s.", filePath_.c_str());
            }
            buffer.reset();
        }
        batch.clear();
        std::lock_guard lock(queueMutex_);
        if (!recording_.load() && queue_.empty()) break;
    }
    recordingStream_.close();
}

bool DvsFileRecorder::stopRecording() {
    if (saveBusy_.load()) return false;
    if (!recording_.load()) return true;  // nothing to stop
    {
        // Clearing the flags under the lock lets the consumer see the last buffer and the stop together.
        std::lock_guard lock(queueMutex_);
        recording_ = false;
        cacheEnabled_ = false;
        pushCurrentLocked();
    }
    if (cacheMode_.load() == 1) {
        if (cacheThread_.joinable()) cacheThread_.join();
        joinSaveThread();
        saveBusy_ = true;
        saveThread_ = std::thread(&DvsFileRecorder::saveLoop, this);
        return true;
    }
    {
        std::lock_guard lock(infoMutex_);
        if (timestampSource_)
            ZX_LOG(2, "Stop recording file ts: %llu", static_cast<unsigned long long>(timestampSource_()));
    }
    if (writerThread_.joinable()) writerThread_.join();
    return true;
}

void DvsFileRecorder::joinSaveThread() {
    if (saveThread_.joinable()) saveThread_.join();
}

void DvsFileRecorder::waitForSave() { joinSaveThread(); }

void DvsFileRecorder::setFileCacheTime(uint16_t seconds, const std::string& directory) {
    if (saveBusy_.load()) joinSaveThread();
    if (recording_.load()) {
        ZX_LOG(3, "Cache time can not be changed while recording.");
        return;
    }
    {
        std::lock_guard lock(infoMutex_);
        cacheDirectory_ = directory;
    }
    if (seconds > 0) {
        if (cacheEnabled_.load()) return;
        if (cacheThread_.joinable()) cacheThread_.join();
        cacheMode_ = 1;
        segmentOpen_ = false;
        segmentStart_ = 0;
        cacheSeconds_ = seconds;
        cacheEnabled_ = true;
        cacheCounter_ = 0;
        prepareCache();
        cacheThread_ = std::thread(&DvsFileRecorder::cacheLoop, this);
        return;
    }
    cacheMode_ = 0;
    {
        std::lock_guard lock(queueMutex_);
        cacheEnabled_ = false;
        pushCurrentLocked();
    }
    if (cacheThread_.joinable()) cacheThread_.join();
}

void DvsFileRecorder::deleteCacheFiles() {
    for (const auto& entry : cacheList_) removeFile(entry.first);
    cacheList_.clear();
}

void DvsFileRecorder::openCacheFile(uint64_t start) {
    std::string name;
    {
        std::lock_guard lock(infoMutex_);
        name = cacheFileName(cacheDirectory_, fileInfo_.serial_number, cacheCounter_);
    }
    segmentStart_ = start;
    segmentOpen_ = true;
    cacheList_.emplace_back(name, start);
    cacheStream_ = std::ofstream(name, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!cacheStream_.is_open()) ZX_LOG(4, "Unable to open cache file %s for writing.", name.c_str());
}

void DvsFileRecorder::prepareCache() {
    // Done before the cache thread starts, so nothing appended after the start is dropped.
    {
        std::lock_guard lock(queueMutex_);
        current_ = takeBuffer();
        queue_.clear();
    }
    deleteCacheFiles();
}

void DvsFileRecorder::cacheLoop() {
    ZX_LOG(2, "Start cache loop");

    std::deque<BufferPtr> batch;
    auto active = [&] { return recording_.load() || cacheEnabled_.load(); };
    for (;;) {
        {
            std::unique_lock lock(queueMutex_);
            queueCv_.wait(lock, [&] { return !queue_.empty() || !active(); });
            if (queue_.empty() && !active()) break;
            batch.swap(queue_);
        }
        for (BufferPtr& buffer : batch) {
            if (!segmentOpen_) {
                cacheCounter_ = 0;
                openCacheFile(now());
                ZX_LOG(2, "Start save cache file: %s", cacheList_.back().first.c_str());
            }
            const uint64_t ts = now();
            cacheStream_.write(reinterpret_cast<const char*>(buffer->data()), static_cast<std::streamsize>(buffer->size()));
            if (ts > segmentStart_ + 999999) {
                cacheStream_.close();
                ++cacheCounter_;
                const bool rec = recording_.load();
                const bool cache = cacheEnabled_.load();
                if (!rec && cache && cacheList_.size() >= cacheSeconds_) {
                    // The oldest file's name is the one reused below; its file is truncated on open.
                    ZX_LOG(2, "Delete unused buffer: %s", cacheList_.front().first.c_str());
                    cacheList_.pop_front();
                }
                if (rec && cacheCounter_ < cacheSeconds_) {
                    cacheCounter_ += cacheSeconds_;
                    ZX_LOG(2, "Save cache file num: %d", static_cast<int>(cacheCounter_));
                }
                if (!rec && cache && cacheCounter_ >= cacheSeconds_) cacheCounter_ = 0;
                openCacheFile(ts);
                ZX_LOG(2, "A frame of cache file was saved: %s", cacheList_.back().first.c_str());
            }
            buffer.reset();
        }
        batch.clear();
    }
    if (cacheStream_.is_open()) cacheStream_.close();
    segmentOpen_ = false;
    ZX_LOG(2, "End cache loop");
}

void DvsFileRecorder::saveLoop() {
    if (!cacheList_.empty()) {
        DvsFileInfo info = fileInfo();
        info.dvs_start_timestamp = cacheList_.front().second;
        setFileInfo(info);
        const std::string header = generateDvsFileHeader(info);
        recordingStream_.write(header.data(), static_cast<std::streamsize>(header.size()));
    }
    bool writeFailed = false;
    std::vector<char> chunk(kBufferBytes);
    while (!cacheList_.empty()) {
        const std::string path = cacheList_.front().first;
        std::ifstream in(path, std::ios::binary);
        if (!in.is_open()) {
            ZX_LOG(4, "Failed to read cache file %s.", path.c_str());
        } else {
            while (in) {
                in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                const std::streamsize got = in.gcount();
                if (got > 0 && !writeFailed) {
                    recordingStream_.write(chunk.data(), got);
                    if (!recordingStream_) {
                        writeFailed = true;
                        ZX_LOG(4, "Failed to write recording file %s.", filePath_.c_str());
                    }
                }
            }
            if (in.bad()) ZX_LOG(4, "Failed to read cache file %s.", path.c_str());
            in.close();
        }
        // Removed whatever happened above: the cache folder must not keep stale seconds.
        removeFile(path);
        cacheList_.pop_front();
        ZX_LOG(2, "app file: %s", path.c_str());
    }
    recordingStream_.close();

    cacheEnabled_ = true;
    cacheCounter_ = 0;
    segmentOpen_ = false;
    segmentStart_ = 0;
    if (cacheThread_.joinable()) cacheThread_.join();
    prepareCache();
    cacheThread_ = std::thread(&DvsFileRecorder::cacheLoop, this);
    saveBusy_ = false;
}

}  // namespace quillex
