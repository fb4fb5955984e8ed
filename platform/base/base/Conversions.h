#pragma once
// Small conversions used by the driver and the application.

#include <cstdint>
#include <string>
#include <vector>

namespace quillex {

// Swaps the two bytes of every 16-bit word in place (the fusion link delivers
// EVT 3.0 words big-endian). An odd trailing byte is left as it is.
void convertEndian(std::vector<uint8_t>& bytes);

// The local 8-bit encoding of our platforms is UTF-8: valid text is returned
// unchanged; each byte that is not part of a valid UTF-8 sequence is replaced
// by U+FFFD so the result is always valid UTF-8.
std::string local8bitToUtf8(const std::string& text);

// Dotted IPv4 text "a.b.c.d" (four decimal parts 0..255, digits only, no
// blanks) to a host-order number: "1.2.3.4" -> 0x01020304. Anything else
// gives 0 and a level-3 log line.
uint32_t stringToIP(const std::string& dotted);

}  // namespace quillex
