#include "base/Conversions.h"

#include <utility>

#include "base/Logger.h"

static constexpr const char* kLogModule = "base/Conversions";

namespace quillex {

void convertEndian(std::vector<uint8_t>& bytes) {
    const size_t even = bytes.size() & ~size_t{1};
    for (size_t i = 0; i < even; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

// Length of the valid UTF-8 sequence starting at text[i], or 0 when invalid
// (overlong forms, surrogates and code points above U+10FFFF are invalid).
static size_t utf8SequenceLength(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return length;
}

std::string local8bitToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

uint32_t stringToIP(const std::string& dotted) {
    uint32_t address = 0;
    int parts = 0;
    size_t i = 0;
    bool ok = !dotted.empty();
    while (ok && parts < 4) {
        unsigned value = 0;
        size_t digits = 0;
        while (i < dotted.size() && dotted[i] >= '0' && dotted[i] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(dotted[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) {
            ok = false;
            break;
        }
        address = (address << 8) | value;
        ++parts;
        if (parts < 4) {
            if (i >= dotted.size() || dotted[i] != '.') {
                ok = false;
                break;
            }
            ++i;
        }
    }
    if (!ok || parts != 4 || i != dotted.size()) {
        ZX_LOG(3, "Invalid IPv4 address text '%s'.", dotted.c_str());
        return 0;
    }
    return address;
}

}  // namespace quillex
