#pragma once
// Shared helpers of the decoder tests: word builders and a decoder that records its output.

#include <cstdint>
#include <initializer_list>
#include <variant>
#include <vector>

#include "hal/EVT3Decoder.h"

namespace quillex::test {

inline void putWord(std::vector<uint8_t>& out, uint16_t word) {
    out.push_back(static_cast<uint8_t>(word & 0xFF));
    out.push_back(static_cast<uint8_t>(word >> 8));
}

inline std::vector<uint8_t> wordsToBytes(std::initializer_list<uint16_t> words) {
    std::vector<uint8_t> bytes;
    for (uint16_t w : words) putWord(bytes, w);
    return bytes;
}

// Everything a decoder delivered, in delivery order.
struct Recording {
    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
    // Stream order: index into events (>= 0) or -(trigger index + 1).
    std::vector<long> order;
    size_t rangeCalls = 0;
    size_t emptyRanges = 0;
};

inline void attach(EVT3Decoder& decoder, Recording& rec) {
    decoder.setEventsStreamHandleCallback([&rec](Event2D* first, Event2D* last) {
        ++rec.rangeCalls;
        if (first == last) ++rec.emptyRanges;
        for (Event2D* e = first; e != last; ++e) {
            rec.order.push_back(static_cast<long>(rec.events.size()));
            rec.events.push_back(*e);
        }
    });
    decoder.setTriggerInCallback([&rec](EventTriggerIn t) {
        rec.order.push_back(-static_cast<long>(rec.triggers.size()) - 1);
        rec.triggers.push_back(t);
    });
}

// Decodes `bytes` in pieces of `chunk` bytes; returns the sum of the reported counts.
inline size_t decodeInChunks(EVT3Decoder& decoder, const uint8_t* data, size_t size, size_t chunk) {
    size_t count = 0;
    for (size_t pos = 0; pos < size; pos += chunk) {
        const size_t n = std::min(chunk, size - pos);
        count += decoder.decodeCount(data + pos, data + pos + n);
    }
    return count;
}

}  // namespace quillex::test
