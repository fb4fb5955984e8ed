#pragma once
// Plays back a ".raw" recording: header, bookmark index beside the file (".zxmark.tmp"),
// decoded events by count or by time span, seeks, trigger edges, cuts and video export.
//
// One thread reads and seeks at a time. Other threads may add or remove trigger callbacks and
// read or clear the trigger list concurrently. Trigger callbacks run on the reading thread with
// the callbacks' mutex held, so they must not add or remove callbacks.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "FileReader/DvsFileReader.h"
#include "base/DvsFileInfo.h"
#include "hal/EventTypes.h"

namespace quillex {

class Decoder;
class DataToVideoConverter;

class RawFileReader : public DvsFileReader {
public:
    // A restart point in the payload.
    struct Bookmark {
        uint64_t offset = 0;    // absolute byte offset in the recording (header included)
        uint8_t reserved = 0;   // carried in the file layout, no meaning
        uint64_t timestamp = 0; // decoder time base at `offset`, µs
        uint32_t event_count = 0;  // events decoded from the first payload byte up to `offset`
        std::vector<EventTriggerIn> triggers;  // trigger edges between this and the next bookmark

        bool operator==(const Bookmark&) const = default;
    };
    using BookmarkMap = std::map<uint64_t, Bookmark>;    // timestamp -> bookmark
    using CountMap = std::map<uint64_t, uint64_t>;       // event count -> bookmark timestamp

    // Reports video export progress: processed µs of the range, the range's length, frames written.
    using VideoExportProgress = std::function<void(uint64_t processedUs, uint64_t totalUs, uint64_t framesWritten)>;

    static constexpr const char* BOOKMARK_VERSION = "1.0.0";
    static constexpr uint64_t bookmark_period_us = 2000;
    static constexpr size_t kChunkSize = 131072;
    static constexpr uint64_t kMaxBookmarkFileSize = 1048576000;  // accepted up to and including
    static constexpr size_t kExtractBlockSize = 1048576;
    static constexpr const char* kDecoderFormat = "EVT3;height=720;width=1280";

    explicit RawFileReader(const std::string& path);
    ~RawFileReader() override;

    RawFileReader(const RawFileReader&) = delete;
    RawFileReader& operator=(const RawFileReader&) = delete;

    bool loadFile() override;
    bool getStartTimeStamp(uint64_t& timestamp) const override;
    bool getEndTimeStamp(uint64_t& timestamp) const override;
    bool getMaxEvents(uint64_t& count) const override;
    bool reachedEndOfEvents() const override;
    bool seekTime(uint64_t timestamp) override;
    bool seekNEvents(uint64_t eventNumber) override;
    uint64_t getCurrentPosTimeStamp() const override;
    uint64_t getCurrentPosEventNum() const override;
    EventVectorPtr getNEvents(uint64_t count) override;
    EventVectorPtr getNEventsGivenStartTimeStamp(uint64_t timestamp, uint64_t count) override;
    EventVectorPtr getNEventsGivenStartEvent(uint64_t startEvent, uint64_t count) override;
    EventVectorPtr getNTimeEvents(uint64_t durationUs) override;
    EventVectorPtr getNTimeEventsGivenStartTimeStamp(uint64_t timestamp, uint64_t durationUs) override;
    EventVectorPtr getNTimeEventsGivenStartEvent(uint64_t startEvent, uint64_t durationUs) override;
    // Copies the payload bytes of [start, end) into a new recording at `path`.
    bool extractEventData(uint64_t start, uint64_t end, const std::string& path) override;
    // Renders [start, end) as a video (defined with the video converter).
    bool exportEventDataToVideo(uint64_t start, uint64_t end, const std::string& path) override;
    bool exportEventDataToVideo(uint64_t start, uint64_t end, const std::string& path,
                                const VideoExportProgress& progress);
    uint32_t addTriggerInCallback(TriggerInCallback callback) override;
    bool removeTriggerInCallback(uint32_t id) override;
    uint16_t getWidth() const override;
    uint16_t getHeight() const override;
    bool getFileInfo(DvsFileInfo& info) const override;
    std::vector<EventTriggerIn> getTriggerList() const override;

    void clearTriggerList();
    const BookmarkMap& getAllBookmarks() const;
    // Triggers of the bookmark at exactly `timestamp`; empty when there is none.
    std::vector<EventTriggerIn> getTriggerListForBookmark(uint64_t timestamp) const;

    const std::string& filePath() const { return path_; }
    const std::string& bookmarkPath() const { return bookmarkPath_; }
    // rec.raw -> rec.zxmark.tmp (the last ".raw" is replaced).
    static std::string bookmarkPathFor(const std::string& rawPath);

private:
    friend struct RawFileReaderTestPeer;

    // Bookmark index.
    bool initBookmark();
    bool checkBookmarksFromFile(const std::string& path);
    bool loadBookmarksFromFile(const std::string& path);
    void serializeBookmarkMap(const BookmarkMap& map, const std::string& path);
    static uint8_t crc8(const std::vector<uint8_t>& bytes);
    bool getRawFileBookmark(uint64_t timestamp, Bookmark& out) const;
    bool getRawFileBookmarkByNEvents(uint64_t eventNumber, Bookmark& out) const;

    // Reads chunks and decodes them until `enough` says stop or the file ends.
    // True when stopped by the predicate, or at the end with events in the output.
    bool readLoop(const std::function<bool()>& enough);
    void installDecoderCallbacks();
    void muteDecoderCallbacks();
    void onTrigger(const EventTriggerIn& trigger);
    void resetState();
    size_t carrySize() const { return carry_->size() - carryPos_; }
    void clearCarry();
    // Moves `count` undelivered events (or all) to the end of `out`.
    void takeCarry(std::vector<Event2D>& out, size_t count);
    void takeAllCarry(std::vector<Event2D>& out);
    // Moves decoded[0, split) to the end of `out` and keeps the rest as the undelivered events.
    void splitDecodedInto(std::vector<Event2D>& out, size_t split);
    // Keeps decoded[from, end) as the undelivered events; empties the decoded vector.
    void keepDecodedFrom(size_t from);
    // Moves the stream and the decoder to a found position; drops undelivered events.
    void commitPosition(uint64_t position, uint64_t timeBase, uint64_t timestamp, uint64_t eventNumber);
    // Finds where decoding from `bookmark` first reaches `timestamp`: the byte position, the
    // decoder time there and the number of events between the bookmark and the position.
    bool scanToTime(const Bookmark& bookmark, uint64_t timestamp, uint64_t& position, uint64_t& timeBase,
                    uint64_t& events);
    // Advances the probe decoder over a span; returns its event count.
    size_t probeSpan(const uint8_t* first, const uint8_t* last);
    // Counts the events of [first, last) decoded from `timeBase`, delivering nothing.
    uint64_t countEvents(uint64_t first, uint64_t last, uint64_t timeBase);
    // Time of the last event before `dataEnd` as reads decode it; false when there is none.
    bool lastEventTime(uint64_t dataEnd, uint64_t& timestamp);

    // While alive, decoded events and triggers are dropped (scans inside seeks and indexing).
    struct DiscardScope {
        explicit DiscardScope(bool& flag) : flag_(flag) { flag_ = true; }
        ~DiscardScope() { flag_ = false; }
        DiscardScope(const DiscardScope&) = delete;
        DiscardScope& operator=(const DiscardScope&) = delete;
        bool& flag_;
    };

    // Draws one batch into a BGR24 image of the header's geometry (video export).
    void eventsToRgbData(const std::vector<Event2D>& events, std::vector<uint8_t>& image) const;

    std::string path_;
    std::string bookmarkPath_;
    std::ifstream file_;
    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<Decoder> probe_;  // runs ahead of decoder_ inside seeks
    std::vector<EventTriggerIn> probeTriggers_;
    std::vector<uint8_t> buffer_;

    EventVectorPtr decoded_;
    EventVectorPtr carry_;  // undelivered events are [carryPos_, end)
    size_t carryPos_ = 0;
    EventVectorPtr output_;

    std::vector<EventTriggerIn> triggerList_;
    mutable std::mutex triggerMutex_;

    std::unordered_map<uint32_t, TriggerInCallback> triggerCallbacks_;
    uint32_t nextCallbackId_ = 0;
    mutable std::mutex callbackMutex_;

    mutable std::mutex readMutex_;
    bool discarding_ = false;  // touched on the reading thread only

    uint64_t currentEventNum_ = 0;
    uint64_t currentTimestamp_ = 0;
    uint64_t startTimestamp_ = 0;
    uint64_t endTimestamp_ = 0;
    uint64_t totalEvents_ = 0;

    uint64_t payloadOffset_ = 0;
    uint64_t fileSize_ = 0;
    DvsFileInfo fileInfo_{};

    BookmarkMap bookmarks_;
    CountMap countMap_;

    std::shared_ptr<DataToVideoConverter> videoConverter_;
    int frameRate_ = 30;
};

}  // namespace quillex
