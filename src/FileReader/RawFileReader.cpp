#include "FileReader/RawFileReader.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "FileReader/RawFileHeader.h"
#include "base/Logger.h"
#include "hal/Decoder.h"
#include "hal/EVT3Decoder.h"

namespace quillex {

static constexpr const char* kLogModule = "src/FileReader/RawFileReader";

namespace {

uint64_t saturatingAdd(uint64_t a, uint64_t b) {
    return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max() : a + b;
}

// Appends `from` to `to` and empties `from`; a swap when `to` is empty.
void moveAppend(std::vector<Event2D>& to, std::vector<Event2D>& from) {
    if (to.empty()) {
        to.swap(from);
    } else {
        to.insert(to.end(), from.begin(), from.end());
    }
    from.clear();
}

}  // namespace

RawFileReader::RawFileReader(const std::string& path)
    : path_(path),
      bookmarkPath_(bookmarkPathFor(path)),
      decoder_(DecoderFactory::createUniqueDecoder(kDecoderFormat)),
      decoded_(std::make_shared<std::vector<Event2D>>()),
      carry_(std::make_shared<std::vector<Event2D>>()),
      output_(std::make_shared<std::vector<Event2D>>()) {
    buffer_.reserve(kChunkSize);
}

RawFileReader::~RawFileReader() = default;

std::string RawFileReader::bookmarkPathFor(const std::string& rawPath) {
    const size_t pos = rawPath.rfind(".raw");
    if (pos == std::string::npos) return rawPath + ".zxmark.tmp";
    return rawPath.substr(0, pos) + ".zxmark.tmp" + rawPath.substr(pos + 4);
}

void RawFileReader::resetState() {
    std::lock_guard<std::mutex> lock(readMutex_);
    if (file_.is_open()) file_.close();
    file_.clear();
    decoded_->clear();
    clearCarry();
    output_->clear();
    currentEventNum_ = currentTimestamp_ = startTimestamp_ = endTimestamp_ = totalEvents_ = 0;
    payloadOffset_ = fileSize_ = 0;
    fileInfo_ = DvsFileInfo{};
    bookmarks_.clear();
    countMap_.clear();
    discarding_ = false;
    clearTriggerList();
}

void RawFileReader::muteDecoderCallbacks() {
    if (!decoder_) return;
    decoder_->setEventsStreamHandleCallback([](Event2D*, Event2D*) {});
    decoder_->setTriggerInCallback([](EventTriggerIn) {});
}

void RawFileReader::installDecoderCallbacks() {
    decoder_->setEventsStreamHandleCallback([this](Event2D* first, Event2D* last) {
        if (!discarding_) decoded_->insert(decoded_->end(), first, last);
    });
}

void RawFileReader::onTrigger(const EventTriggerIn& trigger) {
    if (discarding_) return;
    {
        std::lock_guard<std::mutex> lock(triggerMutex_);
        triggerList_.push_back(trigger);
    }
    std::lock_guard<std::mutex> lock(callbackMutex_);
    for (auto& [id, callback] : triggerCallbacks_)
        if (callback) callback(trigger);
}

bool RawFileReader::loadFile() {
    resetState();
    if (!decoder_) {
        ZX_LOG(4, "No decoder for the stream format %s.", kDecoderFormat);
        return false;
    }
    muteDecoderCallbacks();

    file_.open(path_, std::ios::in | std::ios::binary);
    if (!file_.is_open()) return false;
    file_.seekg(0, std::ios::end);
    const std::streamoff size = file_.tellg();
    fileSize_ = size < 0 ? 0 : static_cast<uint64_t>(size);
    file_.seekg(0, std::ios::beg);

    const RawHeaderResult header = parseRawFileHeader(file_, fileInfo_);
    if (!header.ok()) {
        if (header.status == RawHeaderResult::Status::InvalidNumber ||
            header.status == RawHeaderResult::Status::OutOfRange)
            ZX_LOG(4, "Invalid number in header line '%s': %s.", header.line.c_str(), header.message.c_str());
        file_.close();
        return false;
    }
    payloadOffset_ = header.payloadOffset;

    ZX_LOG(2, "Loading raw file...");

    std::error_code ec;
    const bool haveBookmarks = std::filesystem::exists(bookmarkPath_, ec);
    if (ec) ZX_LOG(3, "Cannot test for the bookmark file %s: %s", bookmarkPath_.c_str(), ec.message().c_str());
    if (!haveBookmarks) {
        initBookmark();
    } else if (checkBookmarksFromFile(bookmarkPath_) && loadBookmarksFromFile(bookmarkPath_)) {
        // index loaded
    } else {
        ZX_LOG(3, "Bookmark file check failed, re-initialize bookmarks.");
        initBookmark();
    }

    installDecoderCallbacks();

    if (bookmarks_.empty()) {
        ZX_LOG(4, "Loading raw file failed. There is no data in the file.");
        return false;
    }
    startTimestamp_ = bookmarks_.begin()->first;
    endTimestamp_ = bookmarks_.rbegin()->first;
    totalEvents_ = bookmarks_.rbegin()->second.event_count;

    seekTime(startTimestamp_);

    ZX_LOG(2, "Loading raw file succeeded.");
    decoder_->setTriggerInCallback([this](EventTriggerIn trigger) { onTrigger(trigger); });
    return true;
}

bool RawFileReader::getStartTimeStamp(uint64_t& timestamp) const {
    timestamp = startTimestamp_;
    return true;
}

bool RawFileReader::getEndTimeStamp(uint64_t& timestamp) const {
    timestamp = endTimestamp_;
    return true;
}

bool RawFileReader::getMaxEvents(uint64_t& count) const {
    count = totalEvents_;
    return true;
}

bool RawFileReader::reachedEndOfEvents() const { return endTimestamp_ < currentTimestamp_; }

uint64_t RawFileReader::getCurrentPosTimeStamp() const { return currentTimestamp_; }

uint64_t RawFileReader::getCurrentPosEventNum() const { return currentEventNum_; }

uint16_t RawFileReader::getWidth() const { return fileInfo_.width; }

uint16_t RawFileReader::getHeight() const { return fileInfo_.height; }

bool RawFileReader::getFileInfo(DvsFileInfo& info) const {
    info = fileInfo_;
    return true;
}

std::vector<EventTriggerIn> RawFileReader::getTriggerList() const {
    std::lock_guard<std::mutex> lock(triggerMutex_);
    return triggerList_;
}

void RawFileReader::clearTriggerList() {
    std::lock_guard<std::mutex> lock(triggerMutex_);
    triggerList_.clear();
}

uint32_t RawFileReader::addTriggerInCallback(TriggerInCallback callback) {
    std::lock_guard<std::mutex> lock(callbackMutex_);
    const uint32_t id = nextCallbackId_++;
    triggerCallbacks_[id] = std::move(callback);
    return id;
}

bool RawFileReader::removeTriggerInCallback(uint32_t id) {
    std::lock_guard<std::mutex> lock(callbackMutex_);
    return triggerCallbacks_.erase(id) > 0;
}

bool RawFileReader::readLoop(const std::function<bool()>& enough) {
    std::lock_guard<std::mutex> lock(readMutex_);
    if (!decoder_) return !output_->empty();
    buffer_.resize(kChunkSize);
    while (true) {
        if (!file_.good()) return !output_->empty();
        file_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kChunkSize));
        const auto got = static_cast<size_t>(file_.gcount());
        if (got == 0) return !output_->empty();
        decoder_->decode(buffer_.data(), buffer_.data() + got);
        if (enough()) return true;
    }
}

RawFileReader::EventVectorPtr RawFileReader::getNEvents(uint64_t count) {
    if (saturatingAdd(currentEventNum_, count) > totalEvents_) {
        ZX_LOG(3, "Requested number of events exceeds total number of events.");
        count = totalEvents_ > currentEventNum_ ? totalEvents_ - currentEventNum_ : 0;
    }
    std::vector<Event2D>& out = *output_;
    out.clear();
    if (carrySize() > count) {
        takeCarry(out, static_cast<size_t>(count));
    } else {
        takeAllCarry(out);
        const bool ok = readLoop([&] {
            std::vector<Event2D>& decoded = *decoded_;
            const uint64_t need = count - out.size();
            if (decoded.size() < need) {
                moveAppend(out, decoded);
                return false;
            }
            out.insert(out.end(), decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(need));
            keepDecodedFrom(static_cast<size_t>(need));
            return true;
        });
        if (!ok) return output_;
    }
    if (!out.empty()) currentTimestamp_ = out.back().timestamp + 1;
    currentEventNum_ += out.size();
    return output_;
}

RawFileReader::EventVectorPtr RawFileReader::getNTimeEvents(uint64_t durationUs) {
    uint64_t end = saturatingAdd(currentTimestamp_, durationUs);
    if (end < startTimestamp_) {
        ZX_LOG(3, "Requested interval is before start timestamp.");
        currentTimestamp_ = end;
        currentEventNum_ = 0;
        return std::make_shared<std::vector<Event2D>>();
    }
    if (endTimestamp_ < currentTimestamp_) {
        ZX_LOG(3, "Current read pos exceeds end timestamp.");
        currentEventNum_ = totalEvents_;
        return std::make_shared<std::vector<Event2D>>();
    }
    if (endTimestamp_ < end) {
        ZX_LOG(3, "Requested interval exceeds end timestamp.");
        end = endTimestamp_ + 1;
    }
    currentTimestamp_ = saturatingAdd(currentTimestamp_, durationUs);

    std::vector<Event2D>& out = *output_;
    out.clear();
    if (carrySize() > 0) {
        const std::vector<Event2D>& carry = *carry_;
        if (carry.back().timestamp >= end) {
            const Event2D* first = carry.data() + carryPos_;
            const Event2D* split = EVT3Decoder::binarySearchTimestamp(end, first, carry.data() + carry.size());
            takeCarry(out, static_cast<size_t>(split - first));
            currentEventNum_ += out.size();
            return output_;
        }
        takeAllCarry(out);
    }
    const bool ok = readLoop([&] {
        std::vector<Event2D>& decoded = *decoded_;
        if (decoded.empty()) return false;
        if (decoded.back().timestamp >= end) {
            const Event2D* split =
                EVT3Decoder::binarySearchTimestamp(end, decoded.data(), decoded.data() + decoded.size());
            const auto taken = static_cast<size_t>(split - decoded.data());
            out.insert(out.end(), decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(taken));
            keepDecodedFrom(taken);
            return true;
        }
        moveAppend(out, decoded);
        return false;
    });
    if (ok) currentEventNum_ += out.size();
    return output_;
}

RawFileReader::EventVectorPtr RawFileReader::getNEventsGivenStartTimeStamp(uint64_t timestamp, uint64_t count) {
    if (!seekTime(timestamp)) return std::make_shared<std::vector<Event2D>>();
    return getNEvents(count);
}

RawFileReader::EventVectorPtr RawFileReader::getNEventsGivenStartEvent(uint64_t startEvent, uint64_t count) {
    if (!seekNEvents(startEvent)) return std::make_shared<std::vector<Event2D>>();
    return getNEvents(count);
}

RawFileReader::EventVectorPtr RawFileReader::getNTimeEventsGivenStartTimeStamp(uint64_t timestamp,
                                                                               uint64_t durationUs) {
    if (!seekTime(timestamp)) return std::make_shared<std::vector<Event2D>>();
    return getNTimeEvents(durationUs);
}

RawFileReader::EventVectorPtr RawFileReader::getNTimeEventsGivenStartEvent(uint64_t startEvent, uint64_t durationUs) {
    if (!seekNEvents(startEvent)) return std::make_shared<std::vector<Event2D>>();
    return getNTimeEvents(durationUs);
}

void RawFileReader::commitPosition(uint64_t position, uint64_t timeBase, uint64_t timestamp, uint64_t eventNumber) {
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(position));
    decoder_->resetTimestamp(timeBase);
    currentTimestamp_ = timestamp;
    currentEventNum_ = eventNumber;
    clearCarry();
    decoded_->clear();
}

void RawFileReader::clearCarry() {
    carry_->clear();
    carryPos_ = 0;
}

void RawFileReader::takeCarry(std::vector<Event2D>& out, size_t count) {
    const auto first = carry_->begin() + static_cast<std::ptrdiff_t>(carryPos_);
    out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(count));
    carryPos_ += count;
    if (carryPos_ == carry_->size()) clearCarry();
}

void RawFileReader::takeAllCarry(std::vector<Event2D>& out) {
    if (carryPos_ == 0 && out.empty()) {
        out.swap(*carry_);
        clearCarry();
        return;
    }
    takeCarry(out, carrySize());
}

void RawFileReader::keepDecodedFrom(size_t from) {
    carry_->swap(*decoded_);
    carryPos_ = from;
    decoded_->clear();
    if (carryPos_ == carry_->size()) clearCarry();
}

bool RawFileReader::seekTime(uint64_t timestamp) {
    if (timestamp > endTimestamp_) {
        currentTimestamp_ = saturatingAdd(endTimestamp_, 1);
        return false;
    }
    if (timestamp < startTimestamp_) {
        currentTimestamp_ = startTimestamp_ - 1;
        return false;
    }
    Bookmark bookmark;
    if (!getRawFileBookmark(timestamp, bookmark)) return false;

    std::lock_guard<std::mutex> lock(readMutex_);
    if (bookmark.timestamp == timestamp) {
        commitPosition(bookmark.offset, bookmark.timestamp, timestamp, bookmark.event_count);
        return true;
    }

    // Word by word from the bookmark to the first word that brings the time to `timestamp`.
    // Events of the words before it are what lies before the new position.
    DiscardScope discard(discarding_);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(bookmark.offset));
    decoder_->resetTimestamp(bookmark.timestamp);
    buffer_.resize(kChunkSize);
    const size_t wordSize = decoder_->getRawEventSize();
    uint64_t chunkPos = bookmark.offset;
    uint64_t events = 0;
    while (true) {
        file_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kChunkSize));
        const auto got = static_cast<size_t>(file_.gcount());
        if (got == 0) return false;
        const uint8_t* p = buffer_.data();
        for (size_t off = 0; off + wordSize <= got; off += wordSize) {
            const size_t produced = decoder_->decodeCount(p + off, p + off + wordSize);
            const uint64_t now = decoder_->getCurrentTimestamp();
            if (now >= timestamp) {
                commitPosition(chunkPos + off, now, timestamp, bookmark.event_count + events);
                return true;
            }
            events += produced;
        }
        chunkPos += got;
    }
}

bool RawFileReader::seekNEvents(uint64_t eventNumber) {
    if (eventNumber > totalEvents_) {
        currentEventNum_ = saturatingAdd(totalEvents_, 1);
        currentTimestamp_ = saturatingAdd(endTimestamp_, 1);
        return false;
    }
    Bookmark bookmark;
    if (!getRawFileBookmarkByNEvents(eventNumber, bookmark)) return false;

    std::lock_guard<std::mutex> lock(readMutex_);
    if (bookmark.event_count == eventNumber) {
        commitPosition(bookmark.offset, bookmark.timestamp, bookmark.timestamp, bookmark.event_count);
        return true;
    }

    // Stops at the first word boundary before which `eventNumber` events lie, so that the
    // position and the event number agree and no event is handed out twice.
    DiscardScope discard(discarding_);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(bookmark.offset));
    decoder_->resetTimestamp(bookmark.timestamp);
    buffer_.resize(kChunkSize);
    const size_t wordSize = decoder_->getRawEventSize();
    uint64_t chunkPos = bookmark.offset;
    uint64_t count = bookmark.event_count;
    while (true) {
        file_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kChunkSize));
        const auto got = static_cast<size_t>(file_.gcount());
        const uint8_t* p = buffer_.data();
        size_t off = 0;
        for (; off + wordSize <= got; off += wordSize) {
            if (count >= eventNumber) break;
            count += decoder_->decodeCount(p + off, p + off + wordSize);
        }
        if (count >= eventNumber) {
            const uint64_t now = decoder_->getCurrentTimestamp();
            commitPosition(chunkPos + off, now, now, count);
            return true;
        }
        if (got == 0) return false;
        chunkPos += got;
    }
}

}  // namespace quillex
