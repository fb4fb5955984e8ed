#include <gtest/gtest.h>

#include <random>

#include "FileReader/BookmarkFile.h"

namespace quillex {
namespace {

using Bookmark = RawFileReader::Bookmark;
using bookmarkfile::crc8;

uint8_t crc8Bitwise(const std::vector<uint8_t>& bytes) {
    uint8_t crc = 0;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 0x80) ? static_cast<uint8_t>((crc << 1) ^ 0x07) : static_cast<uint8_t>(crc << 1);
    }
    return crc;
}

RawFileReader::BookmarkMap sampleMap() {
    RawFileReader::BookmarkMap map;
    Bookmark a;
    a.offset = 99;
    a.timestamp = 0x0102030405060708ull;
    a.event_count = 0;
    a.triggers = {EventTriggerIn(6, 1, 0x1122334455667788ull)};
    Bookmark b;
    b.offset = 0x20000 + 99;
    b.timestamp = 0x0102030405060708ull + 2500;
    b.event_count = 0xA0B0C0D0u;
    map.emplace(a.timestamp, a);
    map.emplace(b.timestamp, b);
    return map;
}

TEST(BookmarkFile, Crc8SmbusParameters) {
    const std::string digits = "123456789";
    EXPECT_EQ(crc8(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0xF4);
    EXPECT_EQ(crc8(nullptr, 0), 0x00);
    std::mt19937 rng(1);
    std::vector<uint8_t> bytes(4097);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    EXPECT_EQ(crc8(bytes.data(), bytes.size()), crc8Bitwise(bytes));
}

TEST(BookmarkFile, LayoutIsLittleEndianWithoutPadding) {
    const std::vector<uint8_t> bytes = bookmarkfile::encode(sampleMap(), 758395, 1280, 720);

    std::vector<uint8_t> expected;
    const std::string text = "version:1.0.0\nmax_byte:758395\nsensor_width:1280\nsensor_height:720\n";
    expected.insert(expected.end(), text.begin(), text.end());
    expected.push_back(0x00);
    auto le = [&](uint64_t v, int n) {
        for (int i = 0; i < n; ++i) expected.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    le(2, 8);                                   // bookmark count
    le(0x0102030405060708ull, 8);               // key
    le(99, 8);                                  // offset
    le(0, 1);                                   // reserved
    le(0x0102030405060708ull, 8);               // timestamp
    le(0, 4);                                   // event_count
    le(1, 8);                                   // trigger count
    le(6, 2), le(1, 2), le(0x1122334455667788ull, 8);  // id, polarity, timestamp
    le(0x0102030405060708ull + 2500, 8);
    le(0x20000 + 99, 8);
    le(0, 1);
    le(0x0102030405060708ull + 2500, 8);
    le(0xA0B0C0D0u, 4);
    le(0, 8);
    EXPECT_EQ(bytes, expected);
}

TEST(BookmarkFile, EntriesRoundTrip) {
    const RawFileReader::BookmarkMap map = sampleMap();
    const std::vector<uint8_t> bytes = bookmarkfile::encode(map, 1, 2, 3);
    const bookmarkfile::TextPart text = bookmarkfile::parseText(bytes.data(), bytes.size());
    ASSERT_TRUE(text.terminated);
    EXPECT_EQ(text.numbers.at("max_byte"), 1u);
    EXPECT_EQ(text.numbers.at("sensor_width"), 2u);
    EXPECT_EQ(text.numbers.at("sensor_height"), 3u);
    EXPECT_EQ(text.text.at("version"), "1.0.0");
    EXPECT_EQ(text.numbers.count("version"), 0u);  // "1.0.0" is no number

    RawFileReader::BookmarkMap decoded;
    ASSERT_TRUE(bookmarkfile::decodeEntries(bytes.data() + text.binaryOffset, bytes.size() - text.binaryOffset, decoded));
    EXPECT_EQ(decoded, map);
}

TEST(BookmarkFile, TextStopsAtFirstLineWithoutColon) {
    const std::string raw = std::string("version:1.0.0\nmax_byte:12x\nno colon here\nsensor_width:640\n") + '\0';
    const auto* data = reinterpret_cast<const uint8_t*>(raw.data());
    const bookmarkfile::TextPart text = bookmarkfile::parseText(data, raw.size());
    EXPECT_EQ(text.text.count("version"), 1u);
    EXPECT_EQ(text.text.at("max_byte"), "12x");
    EXPECT_EQ(text.numbers.count("max_byte"), 0u);
    EXPECT_EQ(text.text.count("sensor_width"), 0u);
    EXPECT_EQ(text.binaryOffset, raw.size());

    const std::string unterminated = "version:1.0.0\n";
    EXPECT_FALSE(bookmarkfile::parseText(reinterpret_cast<const uint8_t*>(unterminated.data()), unterminated.size())
                     .terminated);
}

TEST(BookmarkFile, DamagedEntriesAreRefused) {
    const std::vector<uint8_t> bytes = bookmarkfile::encode(sampleMap(), 1, 2, 3);
    const size_t start = bookmarkfile::parseText(bytes.data(), bytes.size()).binaryOffset;
    const std::vector<uint8_t> binary(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());

    RawFileReader::BookmarkMap out;
    out.emplace(1, Bookmark{});
    const RawFileReader::BookmarkMap untouched = out;
    for (size_t cut = 0; cut < binary.size(); ++cut) {
        EXPECT_FALSE(bookmarkfile::decodeEntries(binary.data(), cut, out)) << "truncated to " << cut;
    }
    std::vector<uint8_t> longer = binary;
    longer.push_back(0);
    EXPECT_FALSE(bookmarkfile::decodeEntries(longer.data(), longer.size(), out));

    // Counts far beyond what follows must fail before anything is allocated for them.
    std::vector<uint8_t> hugeCount = binary;
    for (int i = 0; i < 8; ++i) hugeCount[static_cast<size_t>(i)] = 0xFF;
    EXPECT_FALSE(bookmarkfile::decodeEntries(hugeCount.data(), hugeCount.size(), out));
    std::vector<uint8_t> hugeTriggers = binary;
    const size_t triggerCountAt = 8 + 8 + 8 + 1 + 8 + 4;
    for (int i = 0; i < 8; ++i) hugeTriggers[triggerCountAt + static_cast<size_t>(i)] = 0x7F;
    EXPECT_FALSE(bookmarkfile::decodeEntries(hugeTriggers.data(), hugeTriggers.size(), out));

    // Keys must ascend.
    RawFileReader::BookmarkMap map = sampleMap();
    std::vector<uint8_t> swapped = bookmarkfile::encode(map, 1, 2, 3);
    std::vector<uint8_t> swappedBinary(swapped.begin() + static_cast<std::ptrdiff_t>(start), swapped.end());
    for (int i = 0; i < 8; ++i) swappedBinary[8 + static_cast<size_t>(i)] = 0xFF;  // first key above the second
    EXPECT_FALSE(bookmarkfile::decodeEntries(swappedBinary.data(), swappedBinary.size(), out));

    EXPECT_EQ(out, untouched);
}

}  // namespace
}  // namespace quillex
