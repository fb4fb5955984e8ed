// Bookmark index of RawFileReader: building, the ".zxmark.tmp" file, lookups.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "FileReader/BookmarkFile.h"
#include "FileReader/RawFileReader.h"
#include "base/Logger.h"
#include "hal/Decoder.h"
#include "hal/EVT3Decoder.h"

namespace quillex {

static constexpr const char* kLogModule = "src/FileReader/RawFileReader";

namespace {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    return in.gcount() == size;
}

}  // namespace

uint8_t RawFileReader::crc8(const std::vector<uint8_t>& bytes) { return bookmarkfile::crc8(bytes.data(), bytes.size()); }

uint64_t RawFileReader::countEvents(uint64_t first, uint64_t last, uint64_t timeBase) {
    DiscardScope discard(discarding_);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(first));
    decoder_->resetTimestamp(timeBase);
    buffer_.resize(kChunkSize);
    uint64_t events = 0;
    uint64_t pos = first;
    while (pos < last) {
        const auto want = static_cast<std::streamsize>(std::min<uint64_t>(kChunkSize, last - pos));
        file_.read(reinterpret_cast<char*>(buffer_.data()), want);
        const auto got = static_cast<size_t>(file_.gcount());
        if (got == 0) break;
        events += decoder_->decodeCount(buffer_.data(), buffer_.data() + got);
        pos += got;
    }
    return events;
}

bool RawFileReader::lastEventTime(uint64_t dataEnd, uint64_t& timestamp) {
    // Decoded the way reads decode it: from a bookmark with its time base. Walks back over
    // stretches that hold no events.
    bool found = false;
    decoder_->setEventsStreamHandleCallback([&](Event2D* first, Event2D* last) {
        if (first != last) {
            timestamp = (last - 1)->timestamp;
            found = true;
        }
    });
    uint64_t stretchEnd = dataEnd;
    for (auto it = bookmarks_.rbegin(); it != bookmarks_.rend() && !found; ++it) {
        const Bookmark& bookmark = it->second;
        if (bookmark.offset >= stretchEnd) continue;
        file_.clear();
        file_.seekg(static_cast<std::streamoff>(bookmark.offset));
        decoder_->resetTimestamp(bookmark.timestamp);
        buffer_.resize(kChunkSize);
        for (uint64_t pos = bookmark.offset; pos < stretchEnd;) {
            const auto want = static_cast<std::streamsize>(std::min<uint64_t>(kChunkSize, stretchEnd - pos));
            file_.read(reinterpret_cast<char*>(buffer_.data()), want);
            const auto got = static_cast<size_t>(file_.gcount());
            if (got == 0) break;
            decoder_->decode(buffer_.data(), buffer_.data() + got);
            pos += got;
        }
        stretchEnd = bookmark.offset;
    }
    decoder_->setEventsStreamHandleCallback([](Event2D*, Event2D*) {});
    buffer_.resize(kChunkSize);
    return found;
}

bool RawFileReader::initBookmark() {
    std::lock_guard<std::mutex> lock(readMutex_);
    buffer_.resize(kChunkSize);
    clearTriggerList();
    bookmarks_.clear();
    countMap_.clear();

    // One pass: the scan gives each chunk's end time and event count, so the counts of the
    // bookmarks come from the same pass instead of a second decode of the whole payload.
    auto* evt3 = dynamic_cast<EVT3Decoder*>(decoder_.get());
    std::vector<EventTriggerIn> segmentTriggers;
    if (evt3 == nullptr)
        decoder_->setTriggerInCallback([&segmentTriggers](EventTriggerIn t) { segmentTriggers.push_back(t); });

    const uint64_t firstBase = fileInfo_.dvs_start_timestamp;
    uint64_t pendingOffset = payloadOffset_;
    uint64_t pendingTimestamp = firstBase;
    uint64_t pendingCount = 0;
    uint64_t total = 0;
    uint64_t dataEnd = payloadOffset_;
    bool anyChunk = false;
    decoder_->resetTimestamp(pendingTimestamp);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(payloadOffset_));

    auto store = [this](uint64_t key, uint64_t offset, uint64_t count, const std::vector<EventTriggerIn>& triggers) {
        Bookmark bookmark;
        bookmark.offset = offset;
        bookmark.timestamp = key;
        bookmark.event_count = static_cast<uint32_t>(count);
        bookmark.triggers = triggers;
        bookmarks_.try_emplace(key, std::move(bookmark));
    };

    while (true) {
        file_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kChunkSize));
        const auto got = static_cast<size_t>(file_.gcount());
        if (got == 0) break;
        anyChunk = true;
        const uint8_t* p = buffer_.data();
        const uint8_t* const chunkEnd = p + got;
        auto scan = [&](const uint8_t* from, const uint8_t* to) {
            total += evt3 != nullptr ? evt3->preprocessEventData(from, to, segmentTriggers)
                                     : decoder_->decodeCount(from, to);
        };
        if (pendingTimestamp == 0) {
            // The start is the time the stream first makes known, not the end of the chunk
            // holding it: decode word by word until a time appears, then the rest at once.
            const size_t word = std::max<size_t>(1, decoder_->getRawEventSize());
            while (p < chunkEnd && pendingTimestamp == 0) {
                const uint8_t* next = p + std::min<size_t>(word, static_cast<size_t>(chunkEnd - p));
                scan(p, next);
                p = next;
                pendingTimestamp = decoder_->getCurrentTimestamp();
            }
        }
        scan(p, chunkEnd);
        dataEnd += got;
        const uint64_t reached = decoder_->getCurrentTimestamp();
        if (reached == 0) continue;
        if (reached < pendingTimestamp + bookmark_period_us) continue;
        store(pendingTimestamp, pendingOffset, pendingCount, segmentTriggers);
        segmentTriggers.clear();
        pendingOffset = dataEnd;
        pendingTimestamp = reached;
        pendingCount = total;
    }
    if (evt3 == nullptr) decoder_->setTriggerInCallback([](EventTriggerIn) {});
    if (anyChunk && pendingTimestamp != 0) {
        // The unfinished last period keeps its own restart point; a closing bookmark after the
        // data then lies beyond the last event, so time-based reads reach every event.
        const uint64_t reached = decoder_->getCurrentTimestamp();
        if (dataEnd > pendingOffset) store(pendingTimestamp, pendingOffset, pendingCount, segmentTriggers);
        segmentTriggers.clear();
        uint64_t endKey = std::max(reached, bookmarks_.empty() ? pendingTimestamp : bookmarks_.rbegin()->first + 1);
        uint64_t lastEvent = 0;
        if (lastEventTime(dataEnd, lastEvent)) endKey = std::max(endKey, lastEvent + 1);
        store(endKey, dataEnd, total, {});
    }

    if (total > std::numeric_limits<uint32_t>::max())
        ZX_LOG(3, "The recording holds more events than the bookmark index can count.");

    // Without a start time in the header the scan began with an unknown time, while reads
    // restart at the first bookmark with its time set: count that first stretch the way reads
    // decode it, so event numbers and reads agree.
    if (!bookmarks_.empty() && bookmarks_.begin()->first != firstBase) {
        const auto first = bookmarks_.begin();
        const auto second = std::next(first);
        const uint64_t stretchEnd = second != bookmarks_.end() ? second->second.offset : dataEnd;
        const uint64_t scanned = second != bookmarks_.end() ? second->second.event_count : total;
        const uint64_t recounted = countEvents(first->second.offset, stretchEnd, first->first);
        if (recounted != scanned) {
            const auto delta = static_cast<uint32_t>(recounted - scanned);  // modular, like the counts
            for (auto it = second; it != bookmarks_.end(); ++it) it->second.event_count += delta;
            total += recounted - scanned;
        }
    }

    for (auto it = std::next(bookmarks_.begin(), bookmarks_.empty() ? 0 : 1); it != bookmarks_.end(); ++it)
        countMap_.emplace(it->second.event_count, it->first);
    if (!bookmarks_.empty()) countMap_.emplace(bookmarks_.begin()->second.event_count, bookmarks_.begin()->first);

    {
        // Every stored trigger, as loading the index gives them.
        std::vector<EventTriggerIn> all;
        for (const auto& [key, bookmark] : bookmarks_)
            all.insert(all.end(), bookmark.triggers.begin(), bookmark.triggers.end());
        std::lock_guard<std::mutex> triggerLock(triggerMutex_);
        triggerList_ = std::move(all);
    }

    if (bookmarks_.empty()) return false;

    serializeBookmarkMap(bookmarks_, bookmarkPath_);
    std::vector<uint8_t> bytes;
    if (!readWholeFile(bookmarkPath_, bytes)) {
        ZX_LOG(4, "Failed to open file");
        return false;
    }
    bytes.push_back(crc8(bytes));
    std::ofstream out(bookmarkPath_, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        ZX_LOG(4, "Failed to open file for writing");
        return false;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return true;
}

void RawFileReader::serializeBookmarkMap(const BookmarkMap& map, const std::string& path) {
    std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        ZX_LOG(4, "Failed to open file for writing");
        return;
    }
    const std::vector<uint8_t> bytes = bookmarkfile::encode(map, fileSize_, fileInfo_.width, fileInfo_.height);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool RawFileReader::checkBookmarksFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        ZX_LOG(4, "Error opening file for reading!");
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxBookmarkFileSize) {
        ZX_LOG(3, "The tmp file is too large!");
        return false;
    }
    in.seekg(0, std::ios::beg);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.empty()) {
        ZX_LOG(3, "The file content is insufficient to perform CRC validation!");
        return false;
    }
    const uint8_t stored = bytes.back();
    bytes.pop_back();
    if (crc8(bytes) != stored) {
        ZX_LOG(3, "The file has changed");
        return false;
    }

    const bookmarkfile::TextPart text = bookmarkfile::parseText(bytes.data(), bytes.size());
    const auto version = text.text.find("version");
    if (version == text.text.end()) {
        ZX_LOG(3, "Bookmark file has no version information, need to regenerate");
        return false;
    }
    if (version->second != BOOKMARK_VERSION) {
        ZX_LOG(3, "Bookmark file version mismatch: expected %s, got %s", BOOKMARK_VERSION, version->second.c_str());
        return false;
    }
    for (const char* key : {"max_byte", "sensor_width", "sensor_height"}) {
        if (text.numbers.find(key) == text.numbers.end()) {
            ZX_LOG(3, "Bookmark file has no valid %s, need to regenerate", key);
            return false;
        }
    }
    if (text.numbers.at("max_byte") != fileSize_) {
        ZX_LOG(3, "The file has changed");
        return false;
    }
    // A recording rewritten after its index was made may keep the old size (fixed-length
    // recordings at one path): an index older than the recording is stale.
    {
        std::error_code recordingError, indexError;
        const auto recordingTime = std::filesystem::last_write_time(path_, recordingError);
        const auto indexTime = std::filesystem::last_write_time(path, indexError);
        if (recordingError || indexError || recordingTime > indexTime) {
            ZX_LOG(3, "The file has changed");
            return false;
        }
    }
    if (text.numbers.at("sensor_width") != fileInfo_.width || text.numbers.at("sensor_height") != fileInfo_.height) {
        ZX_LOG(3, "The sensor resolution has been changed ");
        return false;
    }

    BookmarkMap entries;
    bool consistent = text.terminated &&
                      bookmarkfile::decodeEntries(bytes.data() + text.binaryOffset, bytes.size() - text.binaryOffset,
                                                  entries);
    // Restart points lie on word boundaries of this payload.
    const uint64_t wordSize = decoder_->getRawEventSize();
    for (const auto& [key, bookmark] : entries) {
        if (bookmark.offset < payloadOffset_ || bookmark.offset > fileSize_) consistent = false;
        if (bookmark.offset != fileSize_ && (bookmark.offset - payloadOffset_) % wordSize != 0) consistent = false;
    }
    if (!consistent) {
        ZX_LOG(3, "Bookmark data is truncated or inconsistent, need to regenerate");
        return false;
    }
    return true;
}

bool RawFileReader::loadBookmarksFromFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes)) {
        ZX_LOG(4, "Error opening file for reading!");
        return false;
    }
    const bookmarkfile::TextPart text = bookmarkfile::parseText(bytes.data(), bytes.size());
    BookmarkMap entries;
    // The last byte is the CRC.
    if (!text.terminated || bytes.size() < text.binaryOffset + 1 ||
        !bookmarkfile::decodeEntries(bytes.data() + text.binaryOffset, bytes.size() - 1 - text.binaryOffset,
                                     entries))
        return false;

    std::vector<EventTriggerIn> triggers;
    CountMap counts;
    for (const auto& [key, bookmark] : entries) {
        triggers.insert(triggers.end(), bookmark.triggers.begin(), bookmark.triggers.end());
        counts.emplace(bookmark.event_count, key);
    }
    {
        std::lock_guard<std::mutex> lock(triggerMutex_);
        triggerList_ = std::move(triggers);
    }
    countMap_ = std::move(counts);
    bookmarks_ = std::move(entries);
    return true;
}

bool RawFileReader::getRawFileBookmark(uint64_t timestamp, Bookmark& out) const {
    if (bookmarks_.empty() || timestamp < bookmarks_.begin()->first || timestamp > bookmarks_.rbegin()->first)
        return false;
    auto it = bookmarks_.upper_bound(timestamp);
    out = std::prev(it)->second;
    return true;
}

bool RawFileReader::getRawFileBookmarkByNEvents(uint64_t eventNumber, Bookmark& out) const {
    if (countMap_.empty() || eventNumber > countMap_.rbegin()->first) return false;
    if (eventNumber == 0) {
        if (bookmarks_.empty()) return false;
        out = bookmarks_.begin()->second;
        return true;
    }
    auto it = countMap_.lower_bound(eventNumber);
    if (it == countMap_.begin()) return false;
    const auto found = bookmarks_.find(std::prev(it)->second);
    if (found == bookmarks_.end()) return false;
    out = found->second;
    return true;
}

const RawFileReader::BookmarkMap& RawFileReader::getAllBookmarks() const { return bookmarks_; }

std::vector<EventTriggerIn> RawFileReader::getTriggerListForBookmark(uint64_t timestamp) const {
    const auto it = bookmarks_.find(timestamp);
    if (it == bookmarks_.end()) return {};
    return it->second.triggers;
}

}  // namespace quillex
