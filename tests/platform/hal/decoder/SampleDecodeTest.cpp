// The real recordings decode to the recorded golden values, however the payload is split.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <string>

#include "DecodeHelpers.h"
#include "TestData.h"
#include "hal/util/Sha256.h"

namespace quillex::test {
namespace {

struct Golden {
    const char* file;
    size_t payloadOffset;
    size_t events;
    size_t onEvents;
    size_t triggers;
    Event2D firstEvent;
    Event2D lastEvent;
    const char* cdSha;
    const char* trigSha;  // nullptr: no triggers
};

const Golden kSamples[] = {
    {"evt3_gen41_evk3_1280x720_vectors.raw", 166, 219596, 115532, 0, Event2D(874, 200, 0, 11718656),
     Event2D(1218, 572, 1, 11727457), "86936807ee2cf08d97e2ea5444d918c89111f9c8b1c83ba5c359a36608f52c1c", nullptr},
    {"evt3_1280x720_trigger_erc.raw", 99, 82469, 41439, 2, Event2D(354, 604, 1, 14224870),
     Event2D(15, 157, 0, 15476187), "1867b94dc39e78768732e5b26dca9d519913c2c468e6bc0c53979fb5757cfb9e",
     "7ea88b8e975cb480bb0b180f9087f62151c0229c89cc185526f0f91231deedf5"},
    {"evt3_640x480_trigger_1khz.raw", 97, 343474, 125183, 4157, Event2D(479, 441, 0, 7139845),
     Event2D(39, 374, 0, 9218023), "ef8fd57215319f10d81291afc7594c08017222473b5e40b9757c242855b78178",
     "45b1d744ddf7968f17bd6807168a13229b0090c7afb41cdf7118dc0a555410d3"},
};

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Header lines start with '%'. A "% end" line closes the header; without one the payload
// starts at the first line that does not start with '%'.
size_t payloadStart(const std::vector<uint8_t>& file) {
    size_t pos = 0;
    while (pos < file.size() && file[pos] == '%') {
        size_t eol = pos;
        while (eol < file.size() && file[eol] != '\n') ++eol;
        std::string line(file.begin() + static_cast<long>(pos), file.begin() + static_cast<long>(eol));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = eol < file.size() ? eol + 1 : eol;
        if (line == "% end") break;
    }
    return pos;
}

std::string cdDigest(const std::vector<Event2D>& events) {
    Sha256 sha;
    for (const Event2D& e : events)
        sha.update(std::to_string(e.x) + ',' + std::to_string(e.y) + ',' + std::to_string(e.polarity) + ',' +
                   std::to_string(e.timestamp) + '\n');
    return sha.finishHex();
}

std::string trigDigest(const std::vector<EventTriggerIn>& triggers) {
    Sha256 sha;
    for (const EventTriggerIn& t : triggers)
        sha.update(std::to_string(t.polarity) + ',' + std::to_string(t.id) + ',' + std::to_string(t.timestamp) + '\n');
    return sha.finishHex();
}

class SampleDecode : public ::testing::TestWithParam<Golden> {
protected:
    void SetUp() override {
        QUILLEX_REQUIRE_SAMPLES();
        file_ = readFile(sampleDataDir() / GetParam().file);
        ASSERT_FALSE(file_.empty()) << GetParam().file;
        offset_ = payloadStart(file_);
    }
    const uint8_t* payload() const { return file_.data() + offset_; }
    size_t payloadSize() const { return file_.size() - offset_; }

    std::vector<uint8_t> file_;
    size_t offset_ = 0;
};

TEST_P(SampleDecode, WholePayloadMatchesGoldenValues) {
    const Golden& g = GetParam();
    ASSERT_EQ(offset_, g.payloadOffset);

    EVT3Decoder decoder;
    Recording rec;
    attach(decoder, rec);
    decoder.resetTimestamp(0);
    const size_t count = decoder.decodeCount(payload(), payload() + payloadSize());

    EXPECT_EQ(count, g.events);
    ASSERT_EQ(rec.events.size(), g.events);
    size_t on = 0;
    for (const Event2D& e : rec.events) on += e.polarity;
    EXPECT_EQ(on, g.onEvents);
    EXPECT_EQ(rec.events.front(), g.firstEvent);
    EXPECT_EQ(rec.events.back(), g.lastEvent);
    EXPECT_EQ(cdDigest(rec.events), g.cdSha);
    ASSERT_EQ(rec.triggers.size(), g.triggers);
    if (g.trigSha != nullptr) {
        EXPECT_EQ(trigDigest(rec.triggers), g.trigSha);
    }
    EXPECT_EQ(rec.emptyRanges, 0u);
    // A closing TIME_HIGH may reset the low bits, so the time reached lies in the last
    // event's 4096 µs step.
    EXPECT_EQ(decoder.getCurrentTimestamp() >> 12, g.lastEvent.timestamp >> 12);

    // Events and triggers arrive in stream order: no trigger sits between events it
    // does not belong between.
    for (size_t i = 0; i < rec.order.size(); ++i) {
        if (rec.order[i] >= 0) continue;
        const uint64_t t = rec.triggers[static_cast<size_t>(-rec.order[i] - 1)].timestamp;
        if (i > 0 && rec.order[i - 1] >= 0) {
            EXPECT_LE(rec.events[static_cast<size_t>(rec.order[i - 1])].timestamp, t);
        }
        if (i + 1 < rec.order.size() && rec.order[i + 1] >= 0) {
            EXPECT_GE(rec.events[static_cast<size_t>(rec.order[i + 1])].timestamp, t);
        }
    }
}

TEST_P(SampleDecode, AnyChunkingGivesTheSameStream) {
    const Golden& g = GetParam();
    for (size_t chunk : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{4095}, size_t{131072}}) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        EVT3Decoder decoder;
        Recording rec;
        attach(decoder, rec);
        const size_t count = decodeInChunks(decoder, payload(), payloadSize(), chunk);
        EXPECT_EQ(count, g.events);
        ASSERT_EQ(rec.events.size(), g.events);
        EXPECT_EQ(rec.emptyRanges, 0u);
        EXPECT_EQ(cdDigest(rec.events), g.cdSha);
        ASSERT_EQ(rec.triggers.size(), g.triggers);
        if (g.trigSha != nullptr) {
        EXPECT_EQ(trigDigest(rec.triggers), g.trigSha);
    }
    }
}

TEST_P(SampleDecode, PreprocessCollectsTriggersWithoutDeliveringEvents) {
    const Golden& g = GetParam();
    EVT3Decoder decoder;
    Recording rec;
    attach(decoder, rec);
    std::vector<EventTriggerIn> triggers;
    size_t count = 0;
    for (size_t pos = 0; pos < payloadSize(); pos += 131072) {
        const size_t n = std::min<size_t>(131072, payloadSize() - pos);
        count += decoder.preprocessEventData(payload() + pos, payload() + pos + n, triggers);
    }
    EXPECT_EQ(count, g.events);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_TRUE(rec.triggers.empty());
    ASSERT_EQ(triggers.size(), g.triggers);
    if (g.trigSha != nullptr) {
        EXPECT_EQ(trigDigest(triggers), g.trigSha);
    }
    EXPECT_EQ(decoder.getCurrentTimestamp() >> 12, g.lastEvent.timestamp >> 12);
}

INSTANTIATE_TEST_SUITE_P(Recordings, SampleDecode, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Golden>& info) {
                             std::string name = info.param.file;
                             name = name.substr(0, name.find('.'));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace quillex::test
