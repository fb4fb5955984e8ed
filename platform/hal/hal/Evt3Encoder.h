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
    // Earlier than what was already written: stays at the time reached (logged once).
    uint64_t monotonic(uint64_t timestamp);

    bool timeKnown_ = false;
    bool rowKnown_ = false;
    uint32_t lastHigh_ = 0;  // bits 23..12
    uint32_t lastLow_ = 0;   // bits 11..0
    uint16_t lastY_ = 0;
    uint64_t period_ = 0;    // bits 63..24 of the time reached, as a count of 2^24 µs periods
    uint64_t lastTime_ = 0;  // time reached so far
    bool forceFull_ = false;
    bool warnedOrder_ = false;
    bool warnedRange_ = false;
};

}  // namespace quillex
