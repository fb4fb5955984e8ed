// Word-level behaviour of the EVT 3.0 decoder on hand-built streams.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "DecodeHelpers.h"
#include "base/Logger.h"

namespace quillex::test {
namespace {

constexpr uint64_t kPeriod = uint64_t{1} << 24;

uint16_t timeHigh(uint32_t h) { return static_cast<uint16_t>(0x8000 | (h & 0xFFF)); }
uint16_t timeLow(uint32_t l) { return static_cast<uint16_t>(0x6000 | (l & 0xFFF)); }
uint16_t addrY(uint32_t y) { return static_cast<uint16_t>(0x0000 | (y & 0x7FF)); }
uint16_t addrX(uint32_t x, int p) { return static_cast<uint16_t>(0x2000 | (p ? 0x800 : 0) | (x & 0x7FF)); }
uint16_t vectBase(uint32_t x, int p) { return static_cast<uint16_t>(0x3000 | (p ? 0x800 : 0) | (x & 0x7FF)); }
uint16_t vect12(uint32_t m) { return static_cast<uint16_t>(0x4000 | (m & 0xFFF)); }
uint16_t vect8(uint32_t m) { return static_cast<uint16_t>(0x5000 | (m & 0xFF)); }
uint16_t trigger(int id, int value) { return static_cast<uint16_t>(0xA000 | (id << 8) | value); }

Recording decodeAll(EVT3Decoder& decoder, const std::vector<uint8_t>& bytes) {
    Recording rec;
    attach(decoder, rec);
    decoder.decodeBuffer(bytes);
    return rec;
}

TEST(Evt3Time, EventsWaitForTheFirstTimeHighAfterAFreshReset) {
    EVT3Decoder decoder;
    decoder.resetTimestamp(0);
    const auto bytes = wordsToBytes({timeLow(100), addrY(5), addrX(1, 1), vectBase(10, 0), vect12(0xFFF),
                                     trigger(2, 1), timeHigh(3), addrX(2, 0)});
    Recording rec;
    attach(decoder, rec);
    // Word by word: no time until TIME_HIGH, which also resets the low bits.
    for (size_t i = 0; i + 4 < bytes.size(); i += 2) {
        decoder.decode(bytes.data() + i, bytes.data() + i + 2);
        EXPECT_EQ(decoder.getCurrentTimestamp(), 0u) << "word " << i / 2;
    }
    decoder.decode(bytes.data() + bytes.size() - 4, bytes.data() + bytes.size() - 2);
    EXPECT_EQ(decoder.getCurrentTimestamp(), 3u * 4096);
    decoder.decode(bytes.data() + bytes.size() - 2, bytes.data() + bytes.size());
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_TRUE(rec.triggers.empty());
    // The row set before the time reference still applies.
    EXPECT_EQ(rec.events[0], Event2D(2, 5, 0, 3 * 4096));
    EXPECT_EQ(decoder.getCurrentTimestamp(), 3u * 4096);
}

TEST(Evt3Time, TimeHighResetsLowAndWrapsCountPeriods) {
    EVT3Decoder decoder;
    const auto rec = decodeAll(decoder, wordsToBytes({
                                            timeHigh(1), timeLow(5), addrY(0), addrX(0, 0),  // 4101
                                            timeHigh(1), addrX(1, 0),                        // low back to 0
                                            timeHigh(4095), timeLow(4095), addrX(2, 0),      // end of period
                                            timeHigh(10), addrX(3, 0),                       // wrap
                                            timeHigh(3000), timeHigh(1000), addrX(4, 0),     // drop of 2000: no wrap
                                            timeHigh(4000), timeHigh(1951), addrX(5, 0),     // drop of 2049: wrap
                                        }));
    ASSERT_EQ(rec.events.size(), 6u);
    EXPECT_EQ(rec.events[0].timestamp, 4101u);
    EXPECT_EQ(rec.events[1].timestamp, 4096u);
    EXPECT_EQ(rec.events[2].timestamp, 4095u * 4096 + 4095);
    EXPECT_EQ(rec.events[3].timestamp, kPeriod + 10 * 4096);
    EXPECT_EQ(rec.events[4].timestamp, kPeriod + 1000 * 4096);
    EXPECT_EQ(rec.events[5].timestamp, 2 * kPeriod + 1951 * 4096);
}

TEST(Evt3Time, ExplicitTimeBaseGivesAbsoluteTimesAndDropsCarriedByte) {
    EVT3Decoder decoder;
    const uint64_t base = 7 * kPeriod + 4000 * 4096 + 123;
    Recording rec;
    attach(decoder, rec);
    // A dangling byte from before the reset must not pair with the next payload.
    const uint8_t stray = 0x8F;
    decoder.decode(&stray, &stray + 1);
    decoder.resetTimestamp(base);
    EXPECT_EQ(decoder.getCurrentTimestamp(), base);
    const auto bytes =
        wordsToBytes({addrY(9), addrX(4, 1), timeLow(200), addrX(5, 0), timeHigh(3), addrX(6, 1)});
    decoder.decodeBuffer(bytes);
    ASSERT_EQ(rec.events.size(), 3u);
    EXPECT_EQ(rec.events[0], Event2D(4, 9, 1, base));
    EXPECT_EQ(rec.events[1].timestamp, 7 * kPeriod + 4000 * 4096 + 200);
    // TIME_HIGH 3 after 4000 wraps relative to the explicit base.
    EXPECT_EQ(rec.events[2].timestamp, 8 * kPeriod + 3 * 4096);

    // Back to a fresh stream: periods start from zero again.
    decoder.resetTimestamp(0);
    EXPECT_EQ(decoder.getCurrentTimestamp(), 0u);
    decoder.decodeBuffer(wordsToBytes({addrX(1, 0), timeHigh(2), addrX(7, 0)}));
    ASSERT_EQ(rec.events.size(), 4u);
    EXPECT_EQ(rec.events[3], Event2D(7, 9, 0, 2 * 4096));
}

TEST(Evt3Words, ReservedPaddingAndOthersPayloadsDecodeNothing) {
    EVT3Decoder decoder;
    const auto rec = decodeAll(
        decoder, wordsToBytes({timeHigh(1), timeLow(1), addrY(0x800 | 33),  // bit 11 of ADDR_Y ignored
                               0x1234, 0x9999, 0x9999, 0xB000, 0xCFFF, 0xD00D,
                               0xE014, 0xF123, 0xF456, 0x7008,  // rate-controller count with payload
                               0xE0FF,                          // sub-type without payload
                               0xE019, 0xF001, 0xF002, 0x7003,  // stand-alone CONTINUED_4 too
                               addrX(77, 1)}));
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0], Event2D(77, 33, 1, 4097));
    EXPECT_TRUE(rec.triggers.empty());
}

TEST(Evt3Words, VectorsAdvanceTheirBaseWordByWordIncludingIncompleteGroups) {
    EVT3Decoder decoder;
    const auto rec = decodeAll(decoder, wordsToBytes({
                                            timeHigh(0), timeLow(50), addrY(3),
                                            vectBase(100, 1), vect12(0x801), vect12(0x002), vect8(0x81),
                                            vectBase(200, 0), vect8(0x03),   // VECT_8 alone
                                            vect12(0x001),                   // continues at 208
                                            addrX(5, 1),                     // isolated event in between
                                            vect8(0x01),                     // continues at 220
                                            vect12(0),                       // empty mask only advances
                                            vect12(0x400),                   // 240 + 10
                                        }));
    const std::vector<Event2D> expected = {
        {100, 3, 1, 50}, {111, 3, 1, 50}, {113, 3, 1, 50}, {124, 3, 1, 50}, {131, 3, 1, 50},
        {200, 3, 0, 50}, {201, 3, 0, 50}, {208, 3, 0, 50}, {5, 3, 1, 50},   {220, 3, 0, 50},
        {250, 3, 0, 50}};
    EXPECT_EQ(rec.events, expected);
}

TEST(Evt3Words, TriggersCarryIdAndValueAndFollowTheEventsBeforeThem) {
    EVT3Decoder decoder;
    const auto rec = decodeAll(decoder, wordsToBytes({timeHigh(2), addrY(1), addrX(1, 0), addrX(2, 0),
                                                      timeLow(7), trigger(6, 1), addrX(3, 1),
                                                      static_cast<uint16_t>(trigger(15, 0) | 0x00FE),  // other bits are not the value
                                                      addrX(4, 1)}));
    ASSERT_EQ(rec.triggers.size(), 2u);
    EXPECT_EQ(rec.triggers[0], EventTriggerIn(6, 1, 2 * 4096 + 7));
    EXPECT_EQ(rec.triggers[1], EventTriggerIn(15, 0, 2 * 4096 + 7));
    const std::vector<long> order = {0, 1, -1, 2, -2, 3};
    EXPECT_EQ(rec.order, order);
    EXPECT_EQ(rec.emptyRanges, 0u);
}

TEST(Evt3Resume, EverySplitPointGivesTheSameResult) {
    const auto bytes = wordsToBytes({timeHigh(4095), timeLow(4000), addrY(8), addrX(1, 1), vectBase(40, 0),
                                     vect12(0x0F0), trigger(1, 1), vect8(0x11), 0x9999, timeHigh(1), 0xE016,
                                     0xF00F, 0xF00F, 0x7001, timeLow(9), addrY(9), addrX(2, 0), trigger(1, 0)});
    EVT3Decoder reference;
    reference.resetTimestamp(5 * kPeriod + 1);
    const Recording whole = decodeAll(reference, bytes);
    ASSERT_EQ(whole.events.size(), 8u);
    ASSERT_EQ(whole.triggers.size(), 2u);
    EXPECT_EQ(whole.events.back().timestamp, 6 * kPeriod + 4096 + 9);

    for (size_t split = 0; split <= bytes.size(); ++split) {
        EVT3Decoder decoder;
        decoder.resetTimestamp(5 * kPeriod + 1);
        Recording rec;
        attach(decoder, rec);
        const size_t n1 = decoder.decodeCount(bytes.data(), bytes.data() + split);
        const size_t n2 = decoder.decodeCount(bytes.data() + split, bytes.data() + bytes.size());
        EXPECT_EQ(n1 + n2, whole.events.size()) << "split " << split;
        EXPECT_EQ(rec.events, whole.events) << "split " << split;
        EXPECT_EQ(rec.triggers, whole.triggers) << "split " << split;
        EXPECT_EQ(rec.order, whole.order) << "split " << split;
        EXPECT_EQ(rec.emptyRanges, 0u);
    }
}

TEST(Evt3Output, LargeDecodesArriveInBoundedRangesOfTheDecodersBuffer) {
    std::vector<uint8_t> bytes = wordsToBytes({timeHigh(1), addrY(2), vectBase(0, 1)});
    const size_t groups = 10000;  // 3 * 12 events per group: more than one buffer
    for (size_t i = 0; i < groups; ++i) {
        putWord(bytes, vectBase(0, 1));
        for (int k = 0; k < 3; ++k) putWord(bytes, vect12(0xFFF));
    }
    EVT3Decoder decoder;
    size_t total = 0, calls = 0;
    const Event2D* buffer = nullptr;
    bool sameBuffer = true;
    decoder.setEventsStreamHandleCallback([&](Event2D* first, Event2D* last) {
        ++calls;
        EXPECT_LE(static_cast<size_t>(last - first), EVT3Decoder::kOutputCapacity);
        if (buffer == nullptr) buffer = first;
        sameBuffer = sameBuffer && first == buffer;
        total += static_cast<size_t>(last - first);
    });
    EXPECT_EQ(decoder.decodeBuffer(bytes), groups * 36);
    EXPECT_EQ(total, groups * 36);
    EXPECT_GE(calls, 6u);
    EXPECT_TRUE(sameBuffer);
}

TEST(Evt3Output, EventsOutsideTheGeometryAreDroppedAndLoggedOnce) {
    int problems = 0;
    const int sink = Logger::Instance().addSink(
        [&problems](int level, const std::string&, int, const std::string&) { problems += level >= 3; });
    EVT3Decoder decoder(640, 480);
    auto bytes = wordsToBytes({timeHigh(1), addrY(10), addrX(639, 1), addrX(640, 1), addrX(2047, 0),
                               vectBase(630, 0), vect12(0xFFF),  // 630..641: two outside
                               addrY(480), addrX(1, 0), vectBase(0, 0), vect8(0xFF),  // whole row outside
                               addrY(479), addrX(0, 0)});
    const Recording rec = decodeAll(decoder, bytes);
    decoder.decodeBuffer(bytes);
    Logger::Instance().removeSink(sink);
    ASSERT_EQ(rec.events.size(), 2 * (1 + 10 + 1));
    for (const Event2D& e : rec.events) {
        EXPECT_LT(e.x, 640);
        EXPECT_LT(e.y, 480);
    }
    EXPECT_EQ(decoder.droppedEventCount(), 2u * (2 + 2 + 1 + 8));
    EXPECT_EQ(problems, 1);
}

TEST(Evt3Fusion, TimeValueSplitsTheDeliveredRangesOnlyInFusionMode) {
    const auto bytes = wordsToBytes({timeHigh(1), timeLow(0), addrY(1), addrX(1, 0), timeLow(10), addrX(2, 0),
                                     timeLow(20), addrX(3, 0), timeLow(30), addrX(4, 0)});
    for (bool fusion : {false, true}) {
        EVT3Decoder decoder;
        decoder.setFusionMode(fusion);
        decoder.setTimeValue(4096 + 15);
        EXPECT_EQ(decoder.getTimeValue(), 4096u + 15);
        std::vector<size_t> sizes;
        decoder.setEventsStreamHandleCallback(
            [&](Event2D* first, Event2D* last) { sizes.push_back(static_cast<size_t>(last - first)); });
        EXPECT_EQ(decoder.decodeBuffer(bytes), 4u);
        if (fusion) {
            EXPECT_EQ(sizes, (std::vector<size_t>{2, 2}));
        } else {
            EXPECT_EQ(sizes, (std::vector<size_t>{4}));
        }
        // A boundary once reached does not split again.
        sizes.clear();
        decoder.resetTimestamp(0);
        decoder.decodeBuffer(bytes);
        EXPECT_EQ(sizes, (std::vector<size_t>{4}));
    }
}

TEST(Evt3Search, BinarySearchReturnsFirstEventAtOrAfterTime) {
    const std::vector<Event2D> events = {{0, 0, 0, 10}, {1, 0, 0, 20}, {2, 0, 0, 20}, {3, 0, 0, 20}, {4, 0, 0, 35}};
    const Event2D* first = events.data();
    const Event2D* last = first + events.size();
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(0, first, last), first);
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(10, first, last), first);
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(11, first, last), first + 1);
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(20, first, last), first + 1);
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(21, first, last), first + 4);
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(35, first, last), first + 4);
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(36, first, last), last);
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(5, first, first), first);
    const Event2D* none = nullptr;
    EXPECT_EQ(EVT3Decoder::binarySearchTimestamp(5, none, none), nullptr);
    std::vector<Event2D> mutableEvents = events;
    Event2D* hit = EVT3Decoder::binarySearchTimestamp(20, mutableEvents.data(), mutableEvents.data() + 5);
    EXPECT_EQ(hit, mutableEvents.data() + 1);
}

TEST(Evt3Factory, BuildsFromStreamFormatTextsAndRefusesOthers) {
    auto big = DecoderFactory::createUniqueDecoder("EVT3;height=720;width=1280");
    auto* evt3 = dynamic_cast<EVT3Decoder*>(big.get());
    ASSERT_NE(evt3, nullptr);
    EXPECT_EQ(evt3->width(), 1280u);
    EXPECT_EQ(evt3->height(), 720u);
    EXPECT_EQ(big->getRawEventSize(), 2u);
    EXPECT_EQ(big->getCurrentTimestamp(), 0u);
    auto small = DecoderFactory::createUniqueDecoder("EVT3;height=320;width=320");
    ASSERT_NE(dynamic_cast<EVT3Decoder*>(small.get()), nullptr);
    EXPECT_EQ(dynamic_cast<EVT3Decoder*>(small.get())->width(), 320u);
    auto plain = DecoderFactory::createUniqueDecoder("EVT3");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(dynamic_cast<EVT3Decoder*>(plain.get())->width(), EVT3Decoder::kMaxGeometry);
    auto badWidth = DecoderFactory::createUniqueDecoder("EVT3;width=abc;height=480");
    ASSERT_NE(badWidth, nullptr);
    EXPECT_EQ(dynamic_cast<EVT3Decoder*>(badWidth.get())->width(), EVT3Decoder::kMaxGeometry);
    EXPECT_EQ(dynamic_cast<EVT3Decoder*>(badWidth.get())->height(), 480u);
    EXPECT_EQ(DecoderFactory::createUniqueDecoder("EVT2;height=720;width=1280"), nullptr);
    EXPECT_EQ(DecoderFactory::createUniqueDecoder(""), nullptr);
}

TEST(Evt3Rates, MeasuredWhileDecodingAndZeroAfterAPause) {
    std::vector<uint8_t> bytes = wordsToBytes({timeHigh(1), addrY(1)});
    for (int i = 0; i < 2000; ++i) putWord(bytes, addrX(static_cast<uint32_t>(i % 1000), 1));
    EVT3Decoder decoder;
    EXPECT_EQ(decoder.getDataRate(), 0u);
    EXPECT_EQ(decoder.getEventRate(), 0u);

    // Another thread reads the figures while decoding runs (checked by the thread sanitizer).
    std::atomic<bool> done{false};
    std::atomic<uint64_t> seenData{0};
    std::thread reader([&] {
        while (!done.load()) {
            seenData = std::max<uint64_t>(seenData.load(), decoder.getDataRate());
            (void)decoder.getEventRate();
            (void)decoder.getCurrentTimestamp();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    uint64_t bytesDone = 0, eventsDone = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1300)) {
        decoder.resetTimestamp(0);
        eventsDone += decoder.decodeBuffer(bytes);
        bytesDone += bytes.size();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    reader.join();
    const double avgData = static_cast<double>(bytesDone) / seconds;
    const double avgEvents = static_cast<double>(eventsDone) / seconds;
    // Loose bounds: the last window is one of about one second within this run.
    EXPECT_GT(static_cast<double>(decoder.getDataRate()), avgData * 0.3);
    EXPECT_LT(static_cast<double>(decoder.getDataRate()), avgData * 3.0);
    EXPECT_GT(static_cast<double>(decoder.getEventRate()), avgEvents * 0.3);
    EXPECT_LT(static_cast<double>(decoder.getEventRate()), avgEvents * 3.0);
    EXPECT_GT(seenData.load(), 0u);

    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(decoder.getDataRate(), 0u);
    EXPECT_EQ(decoder.getEventRate(), 0u);
}

}  // namespace
}  // namespace quillex::test
