#pragma once
// Byte layout of the bookmark index file (".zxmark.tmp"):
//   "version:V\n" "max_byte:N\n" "sensor_width:W\n" "sensor_height:H\n" 0x00
//   u64 count, then per bookmark: u64 key, u64 offset, u8 reserved, u64 timestamp,
//   u32 event_count, u64 trigger count, per trigger: i16 id, i16 polarity, u64 timestamp
//   one CRC-8/SMBUS byte over everything before it.
// All numbers little-endian, no padding.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FileReader/RawFileReader.h"

namespace quillex::bookmarkfile {

// Polynomial 0x07, initial 0, MSB first, no reflection, no final xor ("123456789" -> 0xF4).
uint8_t crc8(const uint8_t* data, size_t size);

// The text and binary parts (everything but the trailing CRC byte).
std::vector<uint8_t> encode(const RawFileReader::BookmarkMap& bookmarks, uint64_t maxByte, uint16_t width,
                            uint16_t height);

struct TextPart {
    std::map<std::string, std::string> text;
    std::map<std::string, uint64_t> numbers;  // values that are plain unsigned decimals
    bool terminated = false;                  // a 0x00 byte ends the text part
    size_t binaryOffset = 0;                  // first byte after the 0x00
};

// Reads "key:value" lines up to the first 0x00; stops at the first line without ':'.
TextPart parseText(const uint8_t* data, size_t size);

// Decodes the binary part [data, data + size) (without the CRC byte). Fails, leaving `out`
// alone, when a count promises more bytes than follow, bytes are left over, or keys are not
// strictly ascending; never allocates more than the input can describe.
bool decodeEntries(const uint8_t* data, size_t size, RawFileReader::BookmarkMap& out);

}  // namespace quillex::bookmarkfile
