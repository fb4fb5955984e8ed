// The real sample recordings read through the reader in many ways give exactly what the
// decoder makes of them, and the counts and digests their README records.

#include <gtest/gtest.h>

#include <sstream>

#include "FileReader/RawFileHeader.h"
#include "FileReader/RawFileReader.h"
#include "RawTestSupport.h"
#include "TestData.h"
#include "hal/util/Sha256.h"

namespace quillex {
namespace {

struct Sample {
    const char* file;
    size_t events;
    size_t triggers;
    const char* cdSha256;
    Event2D last;
};

const Sample kSamples[] = {
    {"evt3_gen41_evk3_1280x720_vectors.raw", 219596, 0,
     "86936807ee2cf08d97e2ea5444d918c89111f9c8b1c83ba5c359a36608f52c1c", Event2D(1218, 572, 1, 11727457)},
    {"evt3_1280x720_trigger_erc.raw", 82469, 2, "1867b94dc39e78768732e5b26dca9d519913c2c468e6bc0c53979fb5757cfb9e",
     Event2D(15, 157, 0, 15476187)},
    {"evt3_640x480_trigger_1khz.raw", 343474, 4157,
     "ef8fd57215319f10d81291afc7594c08017222473b5e40b9757c242855b78178", Event2D(39, 374, 0, 9218023)},
};

std::string cdDigest(const std::vector<Event2D>& events) {
    Sha256 sha;
    std::string line;
    for (const Event2D& e : events) {
        line = std::to_string(e.x) + "," + std::to_string(e.y) + "," + std::to_string(e.polarity) + "," +
               std::to_string(e.timestamp) + "\n";
        sha.update(line);
    }
    return sha.finishHex();
}

class SampleRecording : public testing::TestWithParam<Sample> {
protected:
    void SetUp() override {
        QUILLEX_REQUIRE_SAMPLES();
        // Readers write their index beside the recording: work on a copy.
        path_ = dir_.file(GetParam().file);
        std::filesystem::copy_file(test::sampleDataDir() / GetParam().file, path_);
        const std::vector<uint8_t> bytes = test::readBytes(path_);
        std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
        DvsFileInfo info;
        const RawHeaderResult header = parseRawFileHeader(in, info);
        ASSERT_TRUE(header.ok());
        reference_ = test::decodeReference(bytes.data() + header.payloadOffset, bytes.data() + bytes.size(), 0);
    }

    std::unique_ptr<RawFileReader> open() {
        auto reader = std::make_unique<RawFileReader>(path_);
        EXPECT_TRUE(reader->loadFile());
        return reader;
    }

    std::vector<Event2D> upTo(uint64_t end) const {
        std::vector<Event2D> out;
        for (const Event2D& e : reference_.events)
            if (e.timestamp <= end) out.push_back(e);
        return out;
    }

    test::TempDir dir_;
    std::string path_;
    test::Decoded reference_;
};

TEST_P(SampleRecording, IndexMatchesTheRecordedCounts) {
    const Sample& sample = GetParam();
    ASSERT_EQ(reference_.events.size(), sample.events);
    EXPECT_EQ(cdDigest(reference_.events), sample.cdSha256);
    EXPECT_EQ(reference_.triggers.size(), sample.triggers);

    for (int opening = 0; opening < 2; ++opening) {  // built, then loaded from the index file
        auto reader = open();
        uint64_t total = 0;
        reader->getMaxEvents(total);
        EXPECT_EQ(total, sample.events);
        std::vector<EventTriggerIn> stored;
        for (const auto& [key, bookmark] : reader->getAllBookmarks())
            stored.insert(stored.end(), bookmark.triggers.begin(), bookmark.triggers.end());
        EXPECT_EQ(stored, reference_.triggers);
    }
}

// None of the samples has a start time in its header: the start comes from the stream and
// must not cut off its first milliseconds.
TEST_P(SampleRecording, StartIsAtTheFirstEvent) {
    const uint64_t firstEvent = reference_.events.front().timestamp;
    for (int opening = 0; opening < 2; ++opening) {  // built, then loaded from the index file
        auto reader = open();
        uint64_t start = 0;
        reader->getStartTimeStamp(start);
        EXPECT_LE(start, firstEvent);
        EXPECT_GE(start + 4096, firstEvent);
        EXPECT_EQ(reader->getCurrentPosTimeStamp(), start);
        ASSERT_TRUE(reader->seekTime(firstEvent));
        EXPECT_EQ(reader->getCurrentPosEventNum(), 0u);
        auto batch = reader->getNTimeEvents(1000);
        ASSERT_FALSE(batch->empty());
        EXPECT_EQ(batch->front(), reference_.events.front());
        EXPECT_EQ(*batch, upTo(firstEvent + 999));
    }
}

TEST_P(SampleRecording, TimeWindowsGiveEveryEventUpToTheEnd) {
    for (uint64_t dt : {1000ull, 33333ull, 250000ull}) {
        auto reader = open();
        uint64_t end = 0;
        reader->getEndTimeStamp(end);
        std::vector<Event2D> got;
        for (int guard = 0; !reader->reachedEndOfEvents() && guard < 1000000; ++guard) {
            auto batch = reader->getNTimeEvents(dt);
            got.insert(got.end(), batch->begin(), batch->end());
        }
        EXPECT_EQ(got, upTo(end)) << "dt " << dt;
    }
}

TEST_P(SampleRecording, CountReadsGiveEveryEvent) {
    for (uint64_t n : {1ull, 1000ull, 100000ull}) {
        auto reader = open();
        std::vector<Event2D> got;
        for (auto batch = reader->getNEvents(n); !batch->empty(); batch = reader->getNEvents(n))
            got.insert(got.end(), batch->begin(), batch->end());
        EXPECT_EQ(got.size(), GetParam().events) << "n " << n;
        EXPECT_EQ(cdDigest(got), GetParam().cdSha256) << "n " << n;
    }
}

TEST_P(SampleRecording, ReadsAfterSeeksContinueExactly) {
    auto reader = open();
    uint64_t start = 0, end = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    const std::vector<Event2D> all = upTo(end);
    const auto& bookmarks = reader->getAllBookmarks();
    for (uint64_t t : {start, start + (end - start) / 3, end - (end - start) / 4, end}) {
        ASSERT_TRUE(reader->seekTime(t)) << t;
        // At a bookmark key the position is the bookmark; elsewhere the first event at or after t.
        const auto key = bookmarks.find(t);
        const size_t index =
            key != bookmarks.end()
                ? key->second.event_count
                : static_cast<size_t>(std::count_if(all.begin(), all.end(), [&](const Event2D& e) { return e.timestamp < t; }));
        EXPECT_EQ(reader->getCurrentPosEventNum(), index) << t;
        std::vector<Event2D> got;
        while (!reader->reachedEndOfEvents()) {
            auto batch = reader->getNTimeEvents(33333);
            got.insert(got.end(), batch->begin(), batch->end());
        }
        EXPECT_EQ(got, std::vector<Event2D>(all.begin() + static_cast<std::ptrdiff_t>(std::min(index, all.size())), all.end()))
            << "from " << t;
    }
    const size_t n = GetParam().events;
    for (uint64_t target : {uint64_t{0}, uint64_t{n / 2}, uint64_t{n - 3}}) {
        ASSERT_TRUE(reader->seekNEvents(target));
        const uint64_t at = reader->getCurrentPosEventNum();
        EXPECT_GE(at, target);
        EXPECT_LT(at, target + 32);  // the next word boundary
        auto batch = reader->getNEvents(n);
        ASSERT_EQ(batch->size(), n - at);
        EXPECT_TRUE(std::equal(batch->begin(), batch->end(), reference_.events.begin() + static_cast<std::ptrdiff_t>(at)));
    }
}

TEST_P(SampleRecording, ExtractOfARangeDecodesToThatRange) {
    auto reader = open();
    uint64_t start = 0, end = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    const uint64_t a = start + (end - start) / 5, b = end - (end - start) / 5;
    const std::string out = dir_.file("cut.raw");
    ASSERT_TRUE(reader->extractEventData(a, b, out));
    RawFileReader cut(out);
    ASSERT_TRUE(cut.loadFile());
    uint64_t total = 0;
    cut.getMaxEvents(total);
    std::vector<Event2D> expected;
    for (const Event2D& e : reference_.events)
        if (e.timestamp >= a && e.timestamp < b) expected.push_back(e);
    EXPECT_EQ(*cut.getNEvents(total), expected);
}

TEST_P(SampleRecording, TriggerListIsTheSameBuiltOrLoaded) {
    std::vector<EventTriggerIn> built;
    {
        auto reader = open();
        built = reader->getTriggerList();
    }
    auto loaded = open();
    EXPECT_EQ(built.size(), GetParam().triggers);
    EXPECT_EQ(built, reference_.triggers);
    EXPECT_EQ(loaded->getTriggerList(), built);

    // Reading the recording again decodes its triggers a second time, behind the listed ones.
    uint64_t total = 0;
    loaded->getMaxEvents(total);
    ASSERT_EQ(loaded->getNEvents(total)->size(), total);
    std::vector<EventTriggerIn> twice = built;
    twice.insert(twice.end(), reference_.triggers.begin(), reference_.triggers.end());
    EXPECT_EQ(loaded->getTriggerList(), twice);
}

TEST_P(SampleRecording, TimeReadsReachTheLastEvent) {
    const Sample& sample = GetParam();
    ASSERT_EQ(reference_.events.back(), sample.last);
    for (int opening = 0; opening < 2; ++opening) {  // built, then loaded from the index file
        auto reader = open();
        uint64_t start = 0, end = 0, total = 0;
        reader->getStartTimeStamp(start);
        reader->getEndTimeStamp(end);
        reader->getMaxEvents(total);
        EXPECT_GT(end, sample.last.timestamp);
        EXPECT_EQ(total, sample.events);
        // The unfinished last period keeps a restart point inside the data; the end lies after it.
        const auto& bookmarks = reader->getAllBookmarks();
        ASSERT_GE(bookmarks.size(), 2u);
        EXPECT_EQ(bookmarks.rbegin()->second.offset, std::filesystem::file_size(path_));
        EXPECT_EQ(bookmarks.rbegin()->second.event_count, sample.events);
        EXPECT_LT(std::next(bookmarks.rbegin())->second.offset, bookmarks.rbegin()->second.offset);

        for (uint64_t dt : {2000ull, 33333ull}) {
            ASSERT_TRUE(reader->seekTime(start));
            std::vector<Event2D> got;
            for (uint64_t t = start; t < end; t += dt) {
                auto batch = reader->getNTimeEvents(std::min(dt, end - t));
                got.insert(got.end(), batch->begin(), batch->end());
            }
            ASSERT_EQ(got.size(), sample.events) << "dt " << dt;
            EXPECT_EQ(got.back(), sample.last) << "dt " << dt;
            EXPECT_EQ(cdDigest(got), sample.cdSha256) << "dt " << dt;
        }
        // A seek into the last period still finds its events.
        ASSERT_TRUE(reader->seekTime(sample.last.timestamp));
        auto tail = reader->getNTimeEvents(end - sample.last.timestamp);
        ASSERT_FALSE(tail->empty());
        EXPECT_EQ(tail->back(), sample.last);
        EXPECT_EQ(reader->getCurrentPosEventNum(), sample.events);
    }
}

TEST_P(SampleRecording, ExtractOfTheWholeRangeKeepsEveryEvent) {
    auto reader = open();
    uint64_t start = 0, end = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    const std::string out = dir_.file("whole.raw");
    ASSERT_TRUE(reader->extractEventData(start, end, out));
    RawFileReader cut(out);
    ASSERT_TRUE(cut.loadFile());
    uint64_t total = 0;
    cut.getMaxEvents(total);
    EXPECT_EQ(total, GetParam().events);
    const std::vector<Event2D> events = *cut.getNEvents(total);
    ASSERT_EQ(events.size(), GetParam().events);
    EXPECT_EQ(events.back(), GetParam().last);
    EXPECT_EQ(cdDigest(events), GetParam().cdSha256);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleRecording, testing::ValuesIn(kSamples),
                         [](const testing::TestParamInfo<Sample>& info) {
                             return std::string(info.param.file).substr(5, std::string(info.param.file).find('.') - 5);
                         });

}  // namespace
}  // namespace quillex
