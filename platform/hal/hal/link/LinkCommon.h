#pragma once
// Helpers shared by the USB and Ethernet links (not part of the public surface).

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "hal/link/CtrlFrame.h"

namespace quillex::link_detail {

// Handles of successful openings, unique in the process.
inline uint64_t nextOpenHandle() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1);
}

// Text packed 4 bytes per word, little-endian, cut at the first NUL.
inline std::string wordsToText(const std::vector<uint32_t>& words, size_t first = 0) {
    std::string text;
    for (size_t i = first; i < words.size(); ++i)
        for (int b = 0; b < 4; ++b) {
            char c = static_cast<char>((words[i] >> (8 * b)) & 0xFF);
            if (c == '\0') return text;
            text.push_back(c);
        }
    return text;
}

inline std::vector<uint32_t> bytesToWords(const uint8_t* data, size_t size) {
    std::vector<uint32_t> words((size + 3) / 4, 0);
    for (size_t i = 0; i < size; ++i) words[i / 4] |= static_cast<uint32_t>(data[i]) << (8 * (i % 4));
    return words;
}

}  // namespace quillex::link_detail
