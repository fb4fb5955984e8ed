// Encoder -> decoder round trips: what is encoded comes back exactly, in stream order.

#include <gtest/gtest.h>

#include <random>

#include "DecodeHelpers.h"
#include "hal/Evt3Encoder.h"

namespace quillex::test {
namespace {

constexpr uint64_t kPeriod = uint64_t{1} << 24;

struct Stream {
    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
    std::vector<long> order;  // as in Recording
    std::vector<uint8_t> bytes;
    std::vector<size_t> bufferStarts;  // byte offsets where a full time reference begins
    std::vector<uint64_t> bufferTimes;
};

// Random rows with same-polarity runs, isolated events, time jumps across TIME_HIGH steps
// and 2^24 µs periods, and triggers in between.
Stream makeStream(uint32_t seed, size_t targetEvents) {
    std::mt19937 rng(seed);
    auto uniform = [&rng](uint64_t lo, uint64_t hi) { return std::uniform_int_distribution<uint64_t>(lo, hi)(rng); };
    Stream s;
    Evt3Encoder encoder;
    uint64_t t = uniform(0, 3 * kPeriod);
    std::vector<Event2D> pending;
    auto flushEvents = [&] {
        encoder.encodeEvents(pending.data(), pending.data() + pending.size(), s.bytes);
        pending.clear();
    };
    while (s.events.size() < targetEvents) {
        const uint64_t r = uniform(0, 99);
        if (r < 2) {
            t += uniform(kPeriod / 2, 3 * kPeriod);  // crosses one or more periods
        } else if (r < 10) {
            t += uniform(1000, 20000);  // crosses TIME_HIGH steps
        } else if (r < 60) {
            t += uniform(0, 40);
        }
        const uint64_t kind = uniform(0, 19);
        if (kind == 0) {
            flushEvents();
            const EventTriggerIn trig(static_cast<int16_t>(uniform(0, 15)), static_cast<int16_t>(uniform(0, 1)), t);
            encoder.encodeTrigger(trig, s.bytes);
            s.order.push_back(-static_cast<long>(s.triggers.size()) - 1);
            s.triggers.push_back(trig);
        } else if (kind == 1 && !s.order.empty()) {
            // A new transfer buffer; a reader knows the time reached before it.
            flushEvents();
            encoder.forceFullTimeReference();
            s.bufferStarts.push_back(s.bytes.size());
            s.bufferTimes.push_back(s.order.back() >= 0 ? s.events.back().timestamp : s.triggers.back().timestamp);
        } else {
            const auto y = static_cast<uint16_t>(uniform(0, 719));
            const size_t n = kind < 10 ? 1 : uniform(2, 40);
            uint32_t x = static_cast<uint32_t>(uniform(0, 1279));
            uint8_t p = static_cast<uint8_t>(uniform(0, 1));
            for (size_t i = 0; i < n && x < 1280; ++i) {
                const Event2D e(static_cast<uint16_t>(x), y, p, t);
                pending.push_back(e);
                s.order.push_back(static_cast<long>(s.events.size()));
                s.events.push_back(e);
                x += static_cast<uint32_t>(uniform(1, 4));
                if (uniform(0, 15) == 0) p ^= 1;
            }
        }
    }
    flushEvents();
    return s;
}

size_t countWordTypes(const std::vector<uint8_t>& bytes, std::initializer_list<unsigned> types) {
    size_t n = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned type = bytes[i + 1] >> 4;
        for (unsigned t : types) n += type == t;
    }
    return n;
}

TEST(Evt3RoundTrip, RandomStreamsComeBackExactlyWithAnyChunking) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Stream s = makeStream(seed, 3000);
        ASSERT_GT(countWordTypes(s.bytes, {0x3, 0x4, 0x5}), 0u) << "runs should become vectors";
        ASSERT_LT(s.bytes.size(), s.events.size() * 2) << "vectors should save words";

        for (size_t chunk : {s.bytes.size(), size_t{1}, size_t{5}, size_t{1 + seed * 37}}) {
            EVT3Decoder decoder;
            decoder.resetTimestamp(s.events.front().timestamp & ~(kPeriod - 1));
            Recording rec;
            attach(decoder, rec);
            const size_t count = decodeInChunks(decoder, s.bytes.data(), s.bytes.size(), chunk);
            EXPECT_EQ(count, s.events.size()) << "chunk " << chunk;
            ASSERT_EQ(rec.events, s.events) << "chunk " << chunk;
            ASSERT_EQ(rec.triggers, s.triggers) << "chunk " << chunk;
            ASSERT_EQ(rec.order, s.order) << "chunk " << chunk;
        }
    }
}

TEST(Evt3RoundTrip, DecodingFromABufferStartWithItsTimeBaseGivesTheTail) {
    for (uint32_t seed = 100; seed < 110; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Stream s = makeStream(seed, 2000);
        ASSERT_FALSE(s.bufferStarts.empty());
        // Events and triggers from the middle buffer on.
        const size_t b = s.bufferStarts.size() / 2;
        EVT3Decoder whole;
        Recording all;
        attach(whole, all);
        whole.resetTimestamp(s.events.front().timestamp & ~(kPeriod - 1));
        whole.decode(s.bytes.data(), s.bytes.data() + s.bufferStarts[b]);
        const size_t eventsBefore = all.events.size();
        const size_t triggersBefore = all.triggers.size();

        // Starting there only needs the period reached: the buffer carries TIME_HIGH,
        // TIME_LOW and ADDR_Y before anything else.
        EVT3Decoder tail;
        Recording rec;
        attach(tail, rec);
        tail.resetTimestamp(s.bufferTimes[b] & ~(kPeriod - 1));
        tail.decode(s.bytes.data() + s.bufferStarts[b], s.bytes.data() + s.bytes.size());
        EXPECT_EQ(rec.events, std::vector<Event2D>(s.events.begin() + static_cast<long>(eventsBefore), s.events.end()));
        EXPECT_EQ(rec.triggers,
                  std::vector<EventTriggerIn>(s.triggers.begin() + static_cast<long>(triggersBefore), s.triggers.end()));

        // Mid-stream with the exact time reached, as a reader resumes at a bookmark.
        EVT3Decoder resumed;
        Recording rec2;
        attach(resumed, rec2);
        resumed.resetTimestamp(whole.getCurrentTimestamp());
        resumed.decode(s.bytes.data() + s.bufferStarts[b], s.bytes.data() + s.bytes.size());
        EXPECT_EQ(rec2.events, rec.events);
        EXPECT_EQ(rec2.triggers, rec.triggers);
    }
}

TEST(Evt3RoundTrip, TimeJumpsAcrossManyPeriodsAndTimeOnlyUpdates) {
    Evt3Encoder encoder;
    std::vector<uint8_t> bytes;
    const std::vector<Event2D> events = {{1, 1, 1, 5},
                                         {2, 1, 1, 4095 * 4096 + 4095},  // last µs of the period
                                         {3, 1, 0, kPeriod},             // first µs of the next
                                         {4, 2, 0, kPeriod + 2047 * 4096},
                                         {5, 2, 0, 7 * kPeriod + 2047 * 4096},  // same high, 6 periods on
                                         {6, 3, 1, 7 * kPeriod + 2048 * 4096 + 1},
                                         {7, 3, 1, 8 * kPeriod + 100}};
    encoder.encodeEvents(events.data(), events.data() + events.size(), bytes);
    encoder.encodeTime(40 * kPeriod + 12345, bytes);
    EVT3Decoder decoder;
    Recording rec;
    attach(decoder, rec);
    decoder.decodeBuffer(bytes);
    EXPECT_EQ(rec.events, events);
    EXPECT_EQ(decoder.getCurrentTimestamp(), 40 * kPeriod + 12345);
}

TEST(Evt3RoundTrip, EncoderRefusesWhatTheFormatCannotCarry) {
    Evt3Encoder encoder;
    std::vector<uint8_t> bytes;
    // Out of the 11-bit address range: dropped. Earlier than the time reached: kept at it.
    const std::vector<Event2D> events = {{10, 10, 1, 1000}, {2048, 1, 1, 1000}, {1, 2048, 1, 1000}, {11, 10, 0, 900}};
    encoder.encodeEvents(events.data(), events.data() + events.size(), bytes);
    encoder.encodeTrigger(EventTriggerIn(16, 1, 1200), bytes);  // no 4-bit id
    encoder.encodeTrigger(EventTriggerIn(3, 5, 1300), bytes);   // any non-zero value is a rising edge
    EVT3Decoder decoder;
    Recording rec;
    attach(decoder, rec);
    decoder.decodeBuffer(bytes);
    const std::vector<Event2D> expected = {{10, 10, 1, 1000}, {11, 10, 0, 1000}};
    EXPECT_EQ(rec.events, expected);
    ASSERT_EQ(rec.triggers.size(), 1u);
    EXPECT_EQ(rec.triggers[0], EventTriggerIn(3, 1, 1300));

    // reset() starts a new stream: time words and the row are written again.
    encoder.reset();
    std::vector<uint8_t> again;
    const Event2D one(10, 10, 1, 1000);
    encoder.encodeEvents(&one, &one + 1, again);
    EXPECT_EQ(again.size(), 8u);
}

}  // namespace
}  // namespace quillex::test
