#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "FileReader/BookmarkFile.h"
#include "FileReader/DvsFileReader.h"
#include "FileReader/RawFileReader.h"
#include "RawTestSupport.h"

namespace quillex {

struct RawFileReaderTestPeer {
    static bool byEvents(const RawFileReader& r, uint64_t n, RawFileReader::Bookmark& out) {
        return r.getRawFileBookmarkByNEvents(n, out);
    }
    static bool byTime(const RawFileReader& r, uint64_t t, RawFileReader::Bookmark& out) {
        return r.getRawFileBookmark(t, out);
    }
    static const RawFileReader::CountMap& counts(const RawFileReader& r) { return r.countMap_; }
};

namespace {

using test::decodeReference;
using test::LogCapture;
using test::TempDir;
using Peer = RawFileReaderTestPeer;

constexpr uint64_t kT0 = 5'000'000;

// A recording of ~400 ms with isolated events and a trigger edge every 10 ms.
struct Synthetic {
    std::string header;
    std::vector<uint8_t> payload;
    std::vector<Event2D> events;  // what the payload decodes to
    std::vector<EventTriggerIn> triggers;

    static Synthetic make(uint64_t t0, uint64_t duration, uint64_t step = 3, int perStep = 2, bool withStart = true) {
        Synthetic s;
        const std::vector<Event2D> source = test::makeEvents(t0, t0 + duration, step, perStep);
        std::vector<EventTriggerIn> triggers;
        for (uint64_t t = t0 + 1000; t < t0 + duration; t += 10000)
            triggers.emplace_back(0, static_cast<int16_t>(triggers.size() % 2), t);
        s.payload = test::encodeStream(source, triggers);
        s.header = withStart ? test::headerFor(t0) : std::string("% evt 3.0\n% format EVT3;height=720;width=1280\n% end\n");
        const test::Decoded decoded = decodeReference(s.payload, withStart ? t0 : 0);
        s.events = decoded.events;
        s.triggers = decoded.triggers;
        return s;
    }
    void write(const std::string& path) const { test::writeRecording(path, header, payload); }
};

const Synthetic& standard() {
    static const Synthetic s = Synthetic::make(kT0, 400'000);
    return s;
}

std::vector<Event2D> eventsIn(const std::vector<Event2D>& events, uint64_t from, uint64_t to) {
    std::vector<Event2D> out;
    for (const Event2D& e : events)
        if (e.timestamp >= from && e.timestamp < to) out.push_back(e);
    return out;
}

size_t firstAtOrAfter(const std::vector<Event2D>& events, uint64_t t) {
    return static_cast<size_t>(std::lower_bound(events.begin(), events.end(), t,
                                                [](const Event2D& e, uint64_t v) { return e.timestamp < v; }) -
                               events.begin());
}

class RawFileReaderTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("rec.raw");
        standard().write(path_);
    }
    std::unique_ptr<RawFileReader> open(const std::string& path) {
        auto reader = std::make_unique<RawFileReader>(path);
        EXPECT_TRUE(reader->loadFile());
        return reader;
    }
    std::unique_ptr<RawFileReader> open() { return open(path_); }

    TempDir dir_;
    std::string path_;
};

TEST(RawFileReaderNames, FactoryAdmitsOnlyDotRaw) {
    EXPECT_NE(DvsFileReader::createFileReader("/tmp/rec.raw"), nullptr);
    EXPECT_NE(DvsFileReader::createFileReader("a.raw.raw"), nullptr);
    EXPECT_EQ(DvsFileReader::createFileReader("/tmp/rec.RAW"), nullptr);
    EXPECT_EQ(DvsFileReader::createFileReader("/tmp/rec"), nullptr);
    EXPECT_EQ(DvsFileReader::createFileReader("/tmp/rec.raw.bak"), nullptr);
    EXPECT_EQ(DvsFileReader::createFileReader("/tmp/x.raw/rec"), nullptr);
}

TEST(RawFileReaderNames, BookmarkFileNameReplacesLastRaw) {
    EXPECT_EQ(RawFileReader::bookmarkPathFor("/d/rec.raw"), "/d/rec.zxmark.tmp");
    EXPECT_EQ(RawFileReader::bookmarkPathFor("a.raw.raw"), "a.raw.zxmark.tmp");
    EXPECT_EQ(RawFileReader("x/rec.raw").bookmarkPath(), "x/rec.zxmark.tmp");
}

TEST_F(RawFileReaderTest, IndexDescribesThePayload) {
    const Synthetic& s = standard();
    auto reader = open();
    const auto& bookmarks = reader->getAllBookmarks();
    ASSERT_GE(bookmarks.size(), 4u);

    uint64_t start = 0, end = 0, total = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    reader->getMaxEvents(total);
    EXPECT_EQ(start, kT0);
    EXPECT_EQ(end, bookmarks.rbegin()->first);
    EXPECT_EQ(total, s.events.size());
    EXPECT_EQ(bookmarks.begin()->second.offset, s.header.size());
    EXPECT_EQ(bookmarks.rbegin()->second.offset, s.header.size() + s.payload.size());

    std::vector<EventTriggerIn> allTriggers;
    uint64_t previous = 0;
    for (const auto& [key, bookmark] : bookmarks) {
        EXPECT_EQ(key, bookmark.timestamp);
        if (previous != 0) {
            EXPECT_GE(key, previous + RawFileReader::bookmark_period_us);
        }
        previous = key;
        // The count is what decoding the payload up to the bookmark yields.
        const size_t prefix = bookmark.offset - s.header.size();
        EXPECT_EQ(bookmark.event_count, decodeReference(s.payload.data(), s.payload.data() + prefix, kT0).events.size());
        allTriggers.insert(allTriggers.end(), bookmark.triggers.begin(), bookmark.triggers.end());
    }
    EXPECT_EQ(allTriggers, s.triggers);
    EXPECT_TRUE(std::filesystem::exists(reader->bookmarkPath()));
    EXPECT_EQ(reader->getWidth(), 1280);
    EXPECT_EQ(reader->getHeight(), 720);
    DvsFileInfo info;
    EXPECT_TRUE(reader->getFileInfo(info));
    EXPECT_EQ(info.serial_number, "TEST0001");
}

TEST_F(RawFileReaderTest, TimeWindowsHandOutEveryEventOnce) {
    const Synthetic& s = standard();
    for (uint64_t dt : {1000ull, 33333ull, 250000ull}) {
        auto reader = open();
        uint64_t end = 0;
        reader->getEndTimeStamp(end);
        std::vector<Event2D> got;
        int windows = 0;
        while (!reader->reachedEndOfEvents()) {
            const uint64_t from = reader->getCurrentPosTimeStamp();
            auto batch = reader->getNTimeEvents(dt);
            for (const Event2D& e : *batch) {
                ASSERT_GE(e.timestamp, from) << "dt " << dt;
                ASSERT_LT(e.timestamp, from + dt) << "dt " << dt;
            }
            got.insert(got.end(), batch->begin(), batch->end());
            ASSERT_EQ(reader->getCurrentPosTimeStamp(), from + dt);
            ASSERT_LT(++windows, 100000);
        }
        EXPECT_EQ(got, eventsIn(s.events, 0, end + 1)) << "dt " << dt;
    }
}

TEST_F(RawFileReaderTest, CountReadsHandOutEveryEventOnce) {
    const Synthetic& s = standard();
    for (uint64_t n : {1ull, 1000ull, 100000ull}) {
        auto reader = open();
        std::vector<Event2D> got;
        while (true) {
            const uint64_t before = reader->getCurrentPosEventNum();
            auto batch = reader->getNEvents(n);
            if (batch->empty()) break;
            ASSERT_EQ(batch->size(), std::min<uint64_t>(n, s.events.size() - before));
            got.insert(got.end(), batch->begin(), batch->end());
            ASSERT_EQ(reader->getCurrentPosEventNum(), got.size());
            ASSERT_EQ(reader->getCurrentPosTimeStamp(), batch->back().timestamp + 1);
        }
        EXPECT_EQ(got, s.events) << "n " << n;
    }
}

TEST_F(RawFileReaderTest, SeekTimeLandsOnFirstEventAtOrAfterTarget) {
    const Synthetic& s = standard();
    auto reader = open();
    uint64_t start = 0, end = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    std::vector<uint64_t> targets = {start + 1, start + 77777, (start + end) / 2, end - 1};
    for (const auto& [key, bookmark] : reader->getAllBookmarks()) targets.push_back(key + 3);

    for (uint64_t t : targets) {
        if (t > end || reader->getAllBookmarks().count(t) != 0) continue;  // keys: checked below
        ASSERT_TRUE(reader->seekTime(t)) << t;
        EXPECT_EQ(reader->getCurrentPosTimeStamp(), t);
        const size_t index = firstAtOrAfter(s.events, t);
        EXPECT_EQ(reader->getCurrentPosEventNum(), index) << t;
        auto batch = reader->getNEvents(50);
        const std::vector<Event2D> expected(s.events.begin() + static_cast<std::ptrdiff_t>(index),
                                            s.events.begin() + static_cast<std::ptrdiff_t>(std::min(index + 50, s.events.size())));
        EXPECT_EQ(*batch, expected) << t;
    }
    // At a bookmark key the position is the bookmark itself, with its stored count.
    for (const auto& [key, bookmark] : reader->getAllBookmarks()) {
        ASSERT_TRUE(reader->seekTime(key));
        EXPECT_EQ(reader->getCurrentPosEventNum(), bookmark.event_count);
    }
}

TEST_F(RawFileReaderTest, SeekNEventsMakesPositionAndNumberAgree) {
    const Synthetic& s = standard();
    auto reader = open();
    std::vector<uint64_t> targets = {0, 1, 12345, s.events.size() - 1, s.events.size()};
    for (const auto& [key, bookmark] : reader->getAllBookmarks()) {
        targets.push_back(bookmark.event_count);
        targets.push_back(bookmark.event_count + 1);
    }
    for (uint64_t n : targets) {
        if (n > s.events.size()) continue;
        ASSERT_TRUE(reader->seekNEvents(n)) << n;
        EXPECT_EQ(reader->getCurrentPosEventNum(), n);  // every event is its own word here
        auto batch = reader->getNEvents(20);
        const std::vector<Event2D> expected(s.events.begin() + static_cast<std::ptrdiff_t>(n),
                                            s.events.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(n + 20, s.events.size())));
        EXPECT_EQ(*batch, expected) << n;
    }
    EXPECT_FALSE(reader->seekNEvents(s.events.size() + 1));
    EXPECT_EQ(reader->getCurrentPosEventNum(), s.events.size() + 1);
    EXPECT_TRUE(reader->reachedEndOfEvents());
}

TEST_F(RawFileReaderTest, BookmarkLookupRules) {
    auto reader = open();
    const auto& bookmarks = reader->getAllBookmarks();
    const auto& counts = Peer::counts(*reader);
    RawFileReader::Bookmark found;

    ASSERT_TRUE(Peer::byEvents(*reader, 0, found));
    EXPECT_EQ(found, bookmarks.begin()->second);
    // A bookmark's own count gives the bookmark before it (largest count strictly below n).
    auto second = std::next(bookmarks.begin());
    ASSERT_TRUE(Peer::byEvents(*reader, second->second.event_count, found));
    EXPECT_EQ(found.timestamp, bookmarks.begin()->first);
    ASSERT_TRUE(Peer::byEvents(*reader, second->second.event_count + 1, found));
    EXPECT_EQ(found.timestamp, second->first);
    ASSERT_TRUE(Peer::byEvents(*reader, counts.rbegin()->first, found));
    EXPECT_EQ(found.timestamp, std::prev(bookmarks.end(), 2)->first);
    EXPECT_FALSE(Peer::byEvents(*reader, counts.rbegin()->first + 1, found));

    EXPECT_FALSE(Peer::byTime(*reader, bookmarks.begin()->first - 1, found));
    EXPECT_FALSE(Peer::byTime(*reader, bookmarks.rbegin()->first + 1, found));
    ASSERT_TRUE(Peer::byTime(*reader, second->first - 1, found));
    EXPECT_EQ(found.timestamp, bookmarks.begin()->first);
    ASSERT_TRUE(Peer::byTime(*reader, second->first, found));
    EXPECT_EQ(found.timestamp, second->first);
}

TEST_F(RawFileReaderTest, ReadsAndSeeksAtTheBounds) {
    const Synthetic& s = standard();
    auto reader = open();
    uint64_t start = 0, end = 0, total = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    reader->getMaxEvents(total);
    LogCapture log;

    EXPECT_FALSE(reader->seekTime(end + 1));
    EXPECT_TRUE(reader->reachedEndOfEvents());
    EXPECT_FALSE(reader->seekTime(start - 1));
    EXPECT_EQ(reader->getCurrentPosTimeStamp(), start - 1);
    EXPECT_TRUE(reader->getNTimeEvents(0)->empty());
    EXPECT_TRUE(log.contains(3, "Requested interval is before start timestamp."));
    EXPECT_EQ(reader->getCurrentPosEventNum(), 0u);

    // A window across the end: events up to and including the end, the position moves by dt.
    ASSERT_TRUE(reader->seekTime(end - 500));
    auto last = reader->getNTimeEvents(5000);
    EXPECT_TRUE(log.contains(3, "Requested interval exceeds end timestamp."));
    EXPECT_EQ(*last, eventsIn(s.events, end - 500, end + 1));
    EXPECT_EQ(reader->getCurrentPosTimeStamp(), end - 500 + 5000);
    EXPECT_TRUE(reader->reachedEndOfEvents());
    EXPECT_TRUE(reader->getNTimeEvents(1000)->empty());
    EXPECT_TRUE(log.contains(3, "Current read pos exceeds end timestamp."));
    EXPECT_EQ(reader->getCurrentPosEventNum(), total);

    // Count reads are clamped to what is left.
    ASSERT_TRUE(reader->seekNEvents(total - 10));
    auto tail = reader->getNEvents(100);
    EXPECT_TRUE(log.contains(3, "Requested number of events exceeds total number of events."));
    EXPECT_EQ(*tail, std::vector<Event2D>(s.events.end() - 10, s.events.end()));
    EXPECT_TRUE(reader->getNEvents(5)->empty());

    // getNEvents(0) moves nothing; the chunk it decoded serves the next read.
    ASSERT_TRUE(reader->seekTime(start));
    EXPECT_TRUE(reader->getNEvents(0)->empty());
    EXPECT_EQ(reader->getCurrentPosTimeStamp(), start);
    EXPECT_EQ(reader->getCurrentPosEventNum(), 0u);
    EXPECT_EQ(*reader->getNEvents(5), std::vector<Event2D>(s.events.begin(), s.events.begin() + 5));
}

TEST_F(RawFileReaderTest, AdjacentWindowsAndStartedReads) {
    const Synthetic& s = standard();
    auto reader = open();
    const uint64_t t = kT0 + 123456;
    const uint64_t dt = 700;  // far below a chunk: the second window comes from the carried events
    ASSERT_TRUE(reader->seekTime(t));
    const std::vector<Event2D> first = *reader->getNTimeEvents(dt);
    const std::vector<Event2D> second = *reader->getNTimeEvents(dt);
    EXPECT_EQ(first, eventsIn(s.events, t, t + dt));
    EXPECT_EQ(second, eventsIn(s.events, t + dt, t + 2 * dt));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(reader->getCurrentPosEventNum(), firstAtOrAfter(s.events, t + 2 * dt));

    EXPECT_EQ(*reader->getNTimeEventsGivenStartTimeStamp(t, dt), first);
    EXPECT_EQ(*reader->getNEventsGivenStartEvent(1000, 3),
              std::vector<Event2D>(s.events.begin() + 1000, s.events.begin() + 1003));
    EXPECT_EQ(*reader->getNEventsGivenStartTimeStamp(t, 4),
              std::vector<Event2D>(s.events.begin() + static_cast<std::ptrdiff_t>(firstAtOrAfter(s.events, t)),
                                   s.events.begin() + static_cast<std::ptrdiff_t>(firstAtOrAfter(s.events, t) + 4)));
    const std::vector<Event2D> byEvent = *reader->getNTimeEventsGivenStartEvent(2000, 100);
    ASSERT_FALSE(byEvent.empty());
    EXPECT_EQ(byEvent.front(), s.events[2000]);

    // A failed seek hands out a fresh empty vector, not the reader's own.
    auto own = reader->getNTimeEvents(10);
    auto failed = reader->getNTimeEventsGivenStartTimeStamp(kT0 - 5, 10);
    EXPECT_TRUE(failed->empty());
    EXPECT_NE(failed.get(), own.get());
    EXPECT_TRUE(reader->getNEventsGivenStartEvent(s.events.size() + 5, 1)->empty());
}

TEST_F(RawFileReaderTest, TriggersReachListAndCallbacks) {
    const Synthetic& s = standard();
    {
        auto built = open();
        // A fresh build lists every stored trigger, as a load from the index does.
        EXPECT_EQ(built->getTriggerList(), s.triggers);
    }
    auto reader = open();  // from the bookmark file: every stored trigger
    EXPECT_EQ(reader->getTriggerList(), s.triggers);
    reader->clearTriggerList();
    EXPECT_TRUE(reader->getTriggerList().empty());

    std::vector<EventTriggerIn> first, second;
    EXPECT_EQ(reader->addTriggerInCallback([&](const EventTriggerIn& t) { first.push_back(t); }), 0u);
    EXPECT_EQ(reader->addTriggerInCallback([&](const EventTriggerIn& t) { second.push_back(t); }), 1u);
    EXPECT_EQ(reader->addTriggerInCallback(nullptr), 2u);  // an empty entry is skipped, not thrown
    while (!reader->reachedEndOfEvents()) reader->getNTimeEvents(33333);
    uint64_t end = 0;
    reader->getEndTimeStamp(end);
    ASSERT_LE(first.size(), s.triggers.size());
    EXPECT_EQ(first, std::vector<EventTriggerIn>(s.triggers.begin(), s.triggers.begin() + static_cast<std::ptrdiff_t>(first.size())));
    EXPECT_GE(first.size(), static_cast<size_t>(std::count_if(s.triggers.begin(), s.triggers.end(),
                                                              [&](const EventTriggerIn& t) { return t.timestamp <= end; })));
    EXPECT_EQ(second, first);
    EXPECT_EQ(reader->getTriggerList(), first);

    EXPECT_TRUE(reader->removeTriggerInCallback(0));
    EXPECT_FALSE(reader->removeTriggerInCallback(0));
    EXPECT_FALSE(reader->removeTriggerInCallback(42));

    const auto& bookmarks = reader->getAllBookmarks();
    const auto withTriggers = std::find_if(bookmarks.begin(), bookmarks.end(), [](const auto& b) { return !b.second.triggers.empty(); });
    ASSERT_NE(withTriggers, bookmarks.end());
    EXPECT_EQ(reader->getTriggerListForBookmark(withTriggers->first), withTriggers->second.triggers);
    EXPECT_TRUE(reader->getTriggerListForBookmark(withTriggers->first + 1).empty());
}

// Trigger callbacks and the trigger list may be used from other threads while one reads.
TEST_F(RawFileReaderTest, TriggerAccessFromAnotherThreadWhileReading) {
    const Synthetic& s = standard();
    auto reader = open();
    reader->clearTriggerList();
    std::atomic<size_t> seen{0};
    const uint32_t keep = reader->addTriggerInCallback([&](const EventTriggerIn&) { ++seen; });
    std::atomic<bool> done{false};
    std::atomic<size_t> polls{0};
    std::thread other([&] {
        do {
            const uint32_t id = reader->addTriggerInCallback([](const EventTriggerIn&) {});
            EXPECT_TRUE(reader->removeTriggerInCallback(id));
            EXPECT_LE(reader->getTriggerList().size(), s.triggers.size());
            ++polls;
        } while (!done);
    });
    while (polls == 0) std::this_thread::yield();
    while (!reader->reachedEndOfEvents()) reader->getNTimeEvents(5000);
    done = true;
    other.join();
    EXPECT_GE(seen.load(), s.triggers.size() - 1);  // the last stretch lies past the end time
    EXPECT_EQ(reader->getTriggerList().size(), seen.load());
    EXPECT_TRUE(reader->removeTriggerInCallback(keep));
}

TEST_F(RawFileReaderTest, SecondOpeningLoadsTheIndex) {
    auto built = open();
    const std::vector<uint8_t> bytes = test::readBytes(built->bookmarkPath());
    ASSERT_FALSE(bytes.empty());
    const std::vector<uint8_t> body(bytes.begin(), bytes.end() - 1);
    EXPECT_EQ(bytes.back(), bookmarkfile::crc8(body.data(), body.size()));
    const std::string text(reinterpret_cast<const char*>(body.data()));
    EXPECT_EQ(text, "version:1.0.0\nmax_byte:" + std::to_string(std::filesystem::file_size(path_)) +
                        "\nsensor_width:1280\nsensor_height:720\n");

    LogCapture log;
    auto loaded = open();
    EXPECT_EQ(log.count("Bookmark file check failed"), 0u);
    EXPECT_EQ(loaded->getAllBookmarks(), built->getAllBookmarks());
    EXPECT_EQ(Peer::counts(*loaded), Peer::counts(*built));
    EXPECT_EQ(test::readBytes(built->bookmarkPath()), bytes);

    // Loading twice on one reader starts over.
    ASSERT_TRUE(loaded->loadFile());
    EXPECT_EQ(loaded->getAllBookmarks(), built->getAllBookmarks());
    EXPECT_EQ(*loaded->getNEvents(3), std::vector<Event2D>(standard().events.begin(), standard().events.begin() + 3));
}

// Every damaged or stale index is rebuilt, never trusted and never fatal.
TEST_F(RawFileReaderTest, DamagedIndexIsRebuilt) {
    std::vector<uint8_t> good;
    RawFileReader::BookmarkMap goodMap;
    {
        auto reader = open();
        good = test::readBytes(reader->bookmarkPath());
        goodMap = reader->getAllBookmarks();
    }
    const std::string markPath = RawFileReader::bookmarkPathFor(path_);
    const std::vector<uint8_t> body(good.begin(), good.end() - 1);
    auto withCrc = [](std::vector<uint8_t> bytes) {
        bytes.push_back(bookmarkfile::crc8(bytes.data(), bytes.size()));
        return bytes;
    };
    auto replaceText = [&](const std::string& from, const std::string& to) {
        std::string all(body.begin(), body.end());
        all.replace(all.find(from), from.size(), to);
        return withCrc(std::vector<uint8_t>(all.begin(), all.end()));
    };
    const size_t binaryStart = bookmarkfile::parseText(body.data(), body.size()).binaryOffset;

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    std::vector<uint8_t> flipped = good;
    flipped[flipped.size() / 2] ^= 0x10;
    std::vector<uint8_t> truncated(body.begin(), body.end() - 5);
    std::vector<uint8_t> hugeCount = body;
    for (size_t i = 0; i < 8; ++i) hugeCount[binaryStart + i] = 0xFF;
    std::vector<uint8_t> badOffset = body;
    for (size_t i = 0; i < 8; ++i) badOffset[binaryStart + 16 + i] = 0x7F;  // first bookmark's offset
    std::vector<uint8_t> oddOffset = body;
    oddOffset[binaryStart + 16] = static_cast<uint8_t>(oddOffset[binaryStart + 16] + 1);  // off the word grid
    const std::vector<Case> cases = {
        {"flipped byte", flipped, "The file has changed"},
        {"empty", {}, "The file content is insufficient to perform CRC validation!"},
        {"other version", replaceText("version:1.0.0", "version:0.9.9"),
         "Bookmark file version mismatch: expected 1.0.0, got 0.9.9"},
        {"no version", replaceText("version:1.0.0\n", ""), "Bookmark file has no version information, need to regenerate"},
        {"no max_byte", replaceText("max_byte:", "max_bytes:"), "Bookmark file has no valid max_byte"},
        {"text max_byte", replaceText("max_byte:", "max_byte:x"), "Bookmark file has no valid max_byte"},
        {"no height", replaceText("sensor_height:720\n", ""), "Bookmark file has no valid sensor_height"},
        {"other size", replaceText("max_byte:", "max_byte:1"), "The file has changed"},
        {"other width", replaceText("sensor_width:1280", "sensor_width:640"), "The sensor resolution has been changed "},
        {"truncated entries", withCrc(truncated), "Bookmark data is truncated or inconsistent"},
        {"huge count", withCrc(hugeCount), "Bookmark data is truncated or inconsistent"},
        {"offset outside", withCrc(badOffset), "Bookmark data is truncated or inconsistent"},
        {"offset between words", withCrc(oddOffset), "Bookmark data is truncated or inconsistent"},
        {"text only", withCrc(std::vector<uint8_t>(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(binaryStart - 1))),
         "Bookmark data is truncated or inconsistent"},
    };
    for (const Case& c : cases) {
        test::writeBytes(markPath, c.bytes);
        LogCapture log;
        auto reader = open();
        EXPECT_TRUE(log.contains(3, "Bookmark file check failed, re-initialize bookmarks.")) << c.name;
        EXPECT_TRUE(log.count(c.message) > 0) << c.name << ": " << c.message;
        EXPECT_EQ(reader->getAllBookmarks(), goodMap) << c.name;
        EXPECT_EQ(test::readBytes(markPath), good) << c.name;
    }

    // A sparse index just over the size limit is refused without reading it.
    test::writeBytes(markPath, {});
    std::filesystem::resize_file(markPath, RawFileReader::kMaxBookmarkFileSize + 1);
    {
        LogCapture log;
        auto reader = open();
        EXPECT_TRUE(log.contains(3, "The tmp file is too large!"));
        EXPECT_EQ(test::readBytes(markPath), good);
    }

    // Appending to the recording changes its size: the index is rebuilt for the new size.
    {
        std::ofstream(path_, std::ios::binary | std::ios::app).write("\x00\x90", 2);
        LogCapture log;
        auto reader = open();
        EXPECT_TRUE(log.contains(3, "The file has changed"));
        const std::vector<uint8_t> rebuilt = test::readBytes(markPath);
        EXPECT_EQ(bookmarkfile::parseText(rebuilt.data(), rebuilt.size()).numbers.at("max_byte"),
                  std::filesystem::file_size(path_));
    }
}

TEST_F(RawFileReaderTest, RefusedRecordings) {
    {
        LogCapture log;
        RawFileReader missing(dir_.file("missing.raw"));
        EXPECT_FALSE(missing.loadFile());
        EXPECT_FALSE(log.contains(4, ""));
    }
    {
        test::writeRecording(dir_.file("bad.raw"), "% geometry 12ax\n% end\n", standard().payload);
        LogCapture log;
        RawFileReader reader(dir_.file("bad.raw"));
        bool loaded = true;
        EXPECT_NO_THROW(loaded = reader.loadFile());
        EXPECT_FALSE(loaded);
        EXPECT_TRUE(log.contains(4, "% geometry 12ax"));
    }
    {
        testing::internal::CaptureStderr();
        test::writeRecording(dir_.file("evt2.raw"), "% format EVT2;height=720;width=1280\n% end\n", standard().payload);
        RawFileReader reader(dir_.file("evt2.raw"));
        EXPECT_FALSE(reader.loadFile());
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Error : detected non-EVT3 input file ''"), std::string::npos);
    }
    {
        test::writeRecording(dir_.file("empty.raw"), test::headerFor(kT0), {});
        LogCapture log;
        RawFileReader reader(dir_.file("empty.raw"));
        EXPECT_FALSE(reader.loadFile());
        EXPECT_TRUE(log.contains(4, "Loading raw file failed. There is no data in the file."));
    }
}

TEST_F(RawFileReaderTest, ShortRecordingStaysReadable) {
    const Synthetic s = Synthetic::make(kT0, 1500, 1, 3);
    s.write(dir_.file("short.raw"));
    auto reader = open(dir_.file("short.raw"));
    uint64_t start = 0, end = 0, total = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    reader->getMaxEvents(total);
    EXPECT_EQ(start, kT0);
    EXPECT_GE(end, s.events.back().timestamp);
    EXPECT_EQ(total, s.events.size());
    EXPECT_EQ(*reader->getNTimeEvents(end - start + 1), s.events);
    ASSERT_TRUE(reader->seekNEvents(0));
    EXPECT_EQ(*reader->getNEvents(total), s.events);
}

TEST_F(RawFileReaderTest, HeaderWithoutStartTimeIndexesFromFirstTime) {
    const Synthetic s = Synthetic::make(kT0, 200'000, 3, 2, /*withStart=*/false);
    s.write(dir_.file("nostart.raw"));
    auto reader = open(dir_.file("nostart.raw"));
    const auto& bookmarks = reader->getAllBookmarks();
    ASSERT_GE(bookmarks.size(), 3u);
    const auto& first = bookmarks.begin()->second;
    EXPECT_EQ(first.offset, s.header.size());
    // The start is the first TIME_HIGH's time, at or just before the first event, not the
    // time reached at the end of the first chunk.
    const uint64_t firstEvent = s.events.front().timestamp;
    EXPECT_EQ(first.timestamp, firstEvent / 4096 * 4096);
    uint64_t start = 0;
    reader->getStartTimeStamp(start);
    EXPECT_EQ(start, first.timestamp);
    // Bookmarks still fall on chunk ends: the first stretch closes with the first chunk.
    const size_t chunk = std::min(RawFileReader::kChunkSize, s.payload.size());
    EVT3Decoder decoder(1280, 720);
    decoder.decode(s.payload.data(), s.payload.data() + chunk);
    const auto& second = std::next(bookmarks.begin())->second;
    EXPECT_EQ(second.timestamp, decoder.getCurrentTimestamp());
    EXPECT_EQ(second.offset, s.header.size() + chunk);
    EXPECT_EQ(second.event_count, decodeReference(s.payload.data(), s.payload.data() + chunk, 0).events.size());

    uint64_t total = 0;
    reader->getMaxEvents(total);
    EXPECT_EQ(total, s.events.size());
    std::vector<Event2D> got;
    for (auto batch = reader->getNEvents(4096); !batch->empty(); batch = reader->getNEvents(4096))
        got.insert(got.end(), batch->begin(), batch->end());
    EXPECT_EQ(got, s.events);

    // The first milliseconds are reachable by time.
    ASSERT_TRUE(reader->seekTime(firstEvent));
    EXPECT_EQ(reader->getCurrentPosEventNum(), 0u);
    EXPECT_EQ(*reader->getNTimeEvents(2000), eventsIn(s.events, firstEvent, firstEvent + 2000));
    ASSERT_TRUE(reader->seekTime(start));
    std::vector<Event2D> windows;
    while (!reader->reachedEndOfEvents()) {
        auto batch = reader->getNTimeEvents(33333);
        windows.insert(windows.end(), batch->begin(), batch->end());
    }
    uint64_t end = 0;
    reader->getEndTimeStamp(end);
    EXPECT_EQ(windows, eventsIn(s.events, 0, end + 1));
}

// A recording rewritten at the same path with the same size must not reuse the old index.
TEST_F(RawFileReaderTest, IndexOlderThanTheRecordingIsRebuilt) {
    const Synthetic& a = standard();
    {
        auto reader = open();
        uint64_t total = 0;
        reader->getMaxEvents(total);
        ASSERT_EQ(total, a.events.size());
    }
    const std::string markPath = RawFileReader::bookmarkPathFor(path_);
    const std::vector<uint8_t> indexA = test::readBytes(markPath);

    // B: a shorter stretch with other events, padded to A's size with TIME_HIGH words that
    // repeat its last time (no events, no time step).
    Synthetic b = Synthetic::make(kT0, 250'000, 5, 1);
    ASSERT_EQ(b.header, a.header);
    ASSERT_LT(b.payload.size(), a.payload.size());
    ASSERT_EQ((a.payload.size() - b.payload.size()) % 2, 0u);
    const uint64_t lastTime = b.events.back().timestamp;
    const uint16_t timeHigh = static_cast<uint16_t>(0x8000 | ((lastTime >> 12) & 0xFFF));
    while (b.payload.size() < a.payload.size()) {
        b.payload.push_back(static_cast<uint8_t>(timeHigh & 0xFF));
        b.payload.push_back(static_cast<uint8_t>(timeHigh >> 8));
    }
    ASSERT_EQ(decodeReference(b.payload, kT0).events, b.events);
    ASSERT_NE(b.events.size(), a.events.size());
    b.write(path_);
    ASSERT_EQ(std::filesystem::file_size(path_), a.header.size() + a.payload.size());
    // Coarse file-system clocks could give both the same time: date the old index back.
    std::filesystem::last_write_time(markPath, std::filesystem::last_write_time(path_) - std::chrono::seconds(2));

    {
        LogCapture log;
        auto reader = open();
        EXPECT_TRUE(log.contains(3, "The file has changed"));
        EXPECT_TRUE(log.contains(3, "Bookmark file check failed, re-initialize bookmarks."));
        uint64_t total = 0, end = 0;
        reader->getMaxEvents(total);
        reader->getEndTimeStamp(end);
        EXPECT_EQ(total, b.events.size());
        EXPECT_LE(end, lastTime + 4096);
        EXPECT_EQ(*reader->getNEvents(total), b.events);
        EXPECT_NE(test::readBytes(markPath), indexA);
    }
    // The rebuilt index is newer than the recording: the next opening trusts it.
    {
        LogCapture log;
        auto reader = open();
        EXPECT_EQ(log.count("Bookmark file check failed"), 0u);
        uint64_t total = 0;
        reader->getMaxEvents(total);
        EXPECT_EQ(total, b.events.size());
    }
}

TEST_F(RawFileReaderTest, ExtractDecodesToTheSameRange) {
    const Synthetic& s = standard();
    auto reader = open();
    const uint64_t a = kT0 + 50'123, b = kT0 + 260'000;
    const std::string out = dir_.file("cut.raw");
    LogCapture log;
    ASSERT_TRUE(reader->extractEventData(a, b, out));
    EXPECT_TRUE(log.contains(2, "extract event start time: " + std::to_string(a) + ", end time: " + std::to_string(b)));

    // The source reader goes on from `start`.
    EXPECT_EQ(*reader->getNTimeEvents(1000), eventsIn(s.events, a, a + 1000));

    RawFileReader cut(out);
    ASSERT_TRUE(cut.loadFile());
    DvsFileInfo info;
    cut.getFileInfo(info);
    EXPECT_EQ(info.dvs_start_timestamp, a);
    EXPECT_EQ(info.serial_number, "TEST0001");
    uint64_t total = 0;
    cut.getMaxEvents(total);
    std::vector<Event2D> got = *cut.getNEvents(total);
    EXPECT_EQ(got, eventsIn(s.events, a, b));
}

TEST_F(RawFileReaderTest, ExtractRefusals) {
    auto reader = open();
    uint64_t start = 0, end = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    const std::string out = dir_.file("cut.raw");
    struct Case {
        uint64_t a, b;
        std::string path;
        std::string message;
    };
    const std::vector<Case> cases = {
        {start + 1000, start + 1000, out, "There is no data in the interval."},
        {start + 1000, end + 1, out, "No end timestamp found."},
        {start - 1, start + 1000, out, "No start timestamp found."},
        {start + 9000, start + 1000, out, "Start time must be less than or equal to end time."},
        {start, start + 1000, dir_.file("no/such/dir/cut.raw"), "Failed to open output file: " + dir_.file("no/such/dir/cut.raw") + "."},
        {start, start + 1000, path_, "The output file must not be the input file"},
    };
    const auto sourceSize = std::filesystem::file_size(path_);
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_FALSE(reader->extractEventData(c.a, c.b, c.path)) << c.message;
        EXPECT_TRUE(log.contains(4, c.message)) << c.message;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
    EXPECT_EQ(std::filesystem::file_size(path_), sourceSize);
}

TEST_F(RawFileReaderTest, ExtractCopyFailuresRemoveThePartialFile) {
    uint64_t start = 0, end = 0;
    const std::string out = dir_.file("cut.raw");
    {
        auto reader = open();
        reader->getStartTimeStamp(start);
        reader->getEndTimeStamp(end);
        // The recording shrinks under the reader: the copy runs out of bytes.
        std::filesystem::resize_file(path_, standard().header.size() + standard().payload.size() / 2);
        LogCapture log;
        bool ok = true;
        EXPECT_NO_THROW(ok = reader->extractEventData(start, end, out));
        EXPECT_FALSE(ok);
        EXPECT_TRUE(log.contains(4, "Failed to read the expected number of bytes from the input file."));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    standard().write(path_);
    auto reader = open();
    // Writing fails once the file size limit is hit; run in a child so the limit stays there.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 4096;
        setrlimit(RLIMIT_FSIZE, &limit);
        LogCapture log;
        const bool ok = reader->extractEventData(start, end, out);
        const bool logged = log.contains(4, "Failed to write the expected number of bytes to the output file.");
        _exit(ok ? 1 : !logged ? 2 : std::filesystem::exists(out) ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: succeeded, 2: no log line, 3: partial file left";
}

}  // namespace
}  // namespace quillex
