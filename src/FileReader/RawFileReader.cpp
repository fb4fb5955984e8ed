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
      probe_(DecoderFactory::createUniqueDecoder(kDecoderFormat)),
      decoded_(std::make_shared<std::vector<Event2D>>()),
      carry_(std::make_shared<std::vector<Event2D>>()),
      output_(std::make_shared<std::vector<Event2D>>()) {
    buffer_.reserve(kChunkSize);
    if (probe_) {
        probe_->setEventsStreamHandleCallback([](Event2D*, Event2D*) {});
        probe_->setTriggerInCallback([](EventTriggerIn) {});
    }
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
    if (!decoder_ || !probe_) {
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
        takeAllCarry(*decoded_);  // new chunks pile up behind it
        bool ok = readLoop([&] {
            if (decoded_->size() < count) return false;
            splitDecodedInto(out, static_cast<size_t>(count));
            return true;
        });
        if (!decoded_->empty()) moveAppend(out, *decoded_);  // the file ended first
        ok = ok || !out.empty();
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
        takeAllCarry(*decoded_);  // new chunks pile up behind it
    }
    // Decoded chunks pile up in the decoded vector until one reaches `end`; then the pile moves
    // to the output in one swap and only the part from the split on is copied.
    bool ok = readLoop([&] {
        std::vector<Event2D>& decoded = *decoded_;
        if (decoded.empty() || decoded.back().timestamp < end) return false;
        const Event2D* split = EVT3Decoder::binarySearchTimestamp(end, decoded.data(), decoded.data() + decoded.size());
        splitDecodedInto(out, static_cast<size_t>(split - decoded.data()));
        return true;
    });
    if (!decoded_->empty()) moveAppend(out, *decoded_);  // the file ended first
    ok = ok || !out.empty();
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
    // Swap only into a vector with less room: the larger buffer should keep collecting.
    if (carryPos_ == 0 && out.empty() && out.capacity() <= carry_->capacity()) {
        out.swap(*carry_);
        clearCarry();
        return;
    }
    takeCarry(out, carrySize());
}

void RawFileReader::splitDecodedInto(std::vector<Event2D>& out, size_t split) {
    std::vector<Event2D>& decoded = *decoded_;
    if (!out.empty()) {
        out.insert(out.end(), decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(split));
        keepDecodedFrom(split);
        return;
    }
    out.swap(decoded);
    carry_->assign(out.begin() + static_cast<std::ptrdiff_t>(split), out.end());
    carryPos_ = 0;
    out.resize(split);
    decoded.clear();
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

    uint64_t position = 0, timeBase = 0, events = 0;
    if (!scanToTime(bookmark, timestamp, position, timeBase, events)) return false;
    commitPosition(position, timeBase, timestamp, bookmark.event_count + events);
    return true;
}

size_t RawFileReader::probeSpan(const uint8_t* first, const uint8_t* last) {
    if (auto* evt3 = dynamic_cast<EVT3Decoder*>(probe_.get())) {
        probeTriggers_.clear();
        return evt3->preprocessEventData(first, last, probeTriggers_);
    }
    return probe_->decodeCount(first, last);
}

bool RawFileReader::scanToTime(const Bookmark& bookmark, uint64_t timestamp, uint64_t& position, uint64_t& timeBase,
                               uint64_t& events) {
    // The target is the first word after which the decoder's time reaches `timestamp`; the
    // events of the words before it lie before the new position. One word per decode call is
    // slow, so a probe decoder runs one span ahead and the reader's decoder decodes a span in
    // bulk when the probe shows the time cannot have reached `timestamp` in it. A repeated
    // TIME_HIGH briefly drops the time to its 4096 µs boundary, so a span that ends exactly
    // on a boundary close below `timestamp` is scanned word by word as well.
    constexpr size_t kSpanBytes = 2048;
    constexpr uint64_t kHighStep = 4096;
    DiscardScope discard(discarding_);
    buffer_.resize(kChunkSize);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(bookmark.offset));
    decoder_->resetTimestamp(bookmark.timestamp);
    probe_->resetTimestamp(bookmark.timestamp);
    const size_t wordSize = decoder_->getRawEventSize();
    uint64_t chunkPos = bookmark.offset;
    uint64_t before = 0;
    while (true) {
        file_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kChunkSize));
        const auto got = static_cast<size_t>(file_.gcount());
        if (got == 0) return false;
        const uint8_t* p = buffer_.data();
        for (size_t off = 0; off < got; off += kSpanBytes) {
            const size_t size = std::min(kSpanBytes, got - off);
            probeSpan(p + off, p + off + size);
            const uint64_t reached = probe_->getCurrentTimestamp();
            const bool maybe = reached >= timestamp || (reached % kHighStep == 0 && reached + kHighStep > timestamp);
            if (!maybe) {
                before += decoder_->decodeCount(p + off, p + off + size);
                continue;
            }
            size_t w = 0;
            for (; w + wordSize <= size; w += wordSize) {
                const size_t produced = decoder_->decodeCount(p + off + w, p + off + w + wordSize);
                const uint64_t now = decoder_->getCurrentTimestamp();
                if (now >= timestamp) {
                    position = chunkPos + off + w;
                    timeBase = now;
                    events = before;
                    return true;
                }
                before += produced;
            }
            if (w < size) before += decoder_->decodeCount(p + off + w, p + off + size);  // a trailing odd byte
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
    // position and the event number agree and no event is handed out twice. The probe decoder
    // runs one span ahead: spans that cannot reach the number are decoded in bulk.
    constexpr size_t kSpanBytes = 2048;
    DiscardScope discard(discarding_);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(bookmark.offset));
    decoder_->resetTimestamp(bookmark.timestamp);
    probe_->resetTimestamp(bookmark.timestamp);
    buffer_.resize(kChunkSize);
    const size_t wordSize = decoder_->getRawEventSize();
    uint64_t chunkPos = bookmark.offset;
    uint64_t count = bookmark.event_count;
    while (true) {
        file_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kChunkSize));
        const auto got = static_cast<size_t>(file_.gcount());
        if (got == 0) break;
        const uint8_t* p = buffer_.data();
        for (size_t off = 0; off < got; off += kSpanBytes) {
            const size_t size = std::min(kSpanBytes, got - off);
            if (count + probeSpan(p + off, p + off + size) < eventNumber) {
                count += decoder_->decodeCount(p + off, p + off + size);
                continue;
            }
            size_t w = 0;
            for (; w + wordSize <= size; w += wordSize) {
                if (count >= eventNumber) {
                    const uint64_t now = decoder_->getCurrentTimestamp();
                    commitPosition(chunkPos + off + w, now, now, count);
                    return true;
                }
                count += decoder_->decodeCount(p + off + w, p + off + w + wordSize);
            }
            if (w < size) count += decoder_->decodeCount(p + off + w, p + off + size);
        }
        chunkPos += got;
    }
    if (count < eventNumber) return false;
    // The number is reached with the last word of the data.
    const uint64_t now = decoder_->getCurrentTimestamp();
    commitPosition(chunkPos, now, now, count);
    return true;
}

}  // namespace quillex
