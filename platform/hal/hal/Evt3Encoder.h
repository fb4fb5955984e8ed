#pragma once
// Turns time-ordered events and trigger edges into EVT 3.0 words (little-endian bytes).
// Runs of same-polarity events within 32 pixels on a row become vector words.

#include <cstdint>
#include <vector>

#include "hal/EventTypes.h"

namespace quillex {

class Evt3Encoder {
public:
    Evt3Encoder() = default;

    // Appends the words for [first, last) to `out`. Events must be sorted by timestamp
    // (and not earlier than anything encoded before); within one timestamp any order.
    // Events of one row and time that are sorted by x are what become vectors.
    void encodeEvents(const Event2D* first, const Event2D* last, std::vector<uint8_t>& out);
    // Appends one EXT_TRIGGER word (with time words when the time moved).
    void encodeTrigger(const EventTriggerIn& trigger, std::vector<uint8_t>& out);
    // Appends time words so the stream reaches `timestamp` even without events.
    void encodeTime(uint64_t timestamp, std::vector<uint8_t>& out);
    // The next word written starts with a full time reference (TIME_HIGH, TIME_LOW, ADDR_Y),
    // e.g. at the start of every transfer buffer.
    void forceFullTimeReference();
    // Forgets all state; the next output starts a fresh stream.
    void reset();

private:
    void emit(uint16_t word, std::vector<uint8_t>& out);
    void emitTime(uint64_t timestamp, std::vector<uint8_t>& out);

    bool timeKnown_ = false;
    bool rowKnown_ = false;
    uint32_t lastHigh_ = 0;  // bits 23..12
    uint32_t lastLow_ = 0;   // bits 11..0
    uint16_t lastY_ = 0;
};

}  // namespace quillex
