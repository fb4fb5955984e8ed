#include "hal/Evt3Encoder.h"

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "platform/hal/hal/Evt3Encoder";

namespace {

constexpr uint16_t kAddrY = 0x0000;
constexpr uint16_t kAddrX = 0x2000;
constexpr uint16_t kVectBaseX = 0x3000;
constexpr uint16_t kVect12 = 0x4000;
constexpr uint16_t kVect8 = 0x5000;
constexpr uint16_t kTimeLow = 0x6000;
constexpr uint16_t kTimeHigh = 0x8000;
constexpr uint16_t kExtTrigger = 0xA000;
constexpr uint32_t kMaxAddress = 2048;
constexpr uint32_t kVectorSpan = 32;
// Words one event can cost at most: TIME_HIGH, TIME_LOW, ADDR_Y, ADDR_X.
constexpr size_t kMaxBytesPerEvent = 8;

inline uint8_t* put(uint8_t* w, uint16_t word) {
    w[0] = static_cast<uint8_t>(word & 0xFF);
    w[1] = static_cast<uint8_t>(word >> 8);
    return w + 2;
}

inline uint16_t polarityBit(uint8_t polarity) { return polarity != 0 ? 0x0800 : 0; }

// Vector words needed for pixels base..lastX: VECT_12 while more than 8 remain, then VECT_8.
inline size_t vectorChunks(uint32_t base, uint32_t lastX) {
    size_t chunks = 0;
    for (uint32_t remaining = lastX - base + 1; remaining > 0;) {
        const uint32_t size = remaining <= 8 ? 8 : 12;
        remaining = remaining > size ? remaining - size : 0;
        ++chunks;
    }
    return chunks;
}

}  // namespace

void Evt3Encoder::emit(uint16_t word, std::vector<uint8_t>& out) {
    out.push_back(static_cast<uint8_t>(word & 0xFF));
    out.push_back(static_cast<uint8_t>(word >> 8));
}

uint64_t Evt3Encoder::monotonic(uint64_t timestamp) {
    if (timeKnown_ && timestamp < lastTime_) {
        if (!warnedOrder_) {
            warnedOrder_ = true;
            ZX_LOG(3, "Timestamps must not go backwards (%llu after %llu); kept at the time reached",
                   static_cast<unsigned long long>(timestamp), static_cast<unsigned long long>(lastTime_));
        }
        return lastTime_;
    }
    return timestamp;
}

void Evt3Encoder::emitTime(uint64_t timestamp, std::vector<uint8_t>& out) {
    const uint64_t period = timestamp >> 24;
    const auto high = static_cast<uint32_t>((timestamp >> 12) & 0xFFF);
    const auto low = static_cast<uint32_t>(timestamp & 0xFFF);
    bool highWritten = false;
    if (timeKnown_ && period > period_) {
        // A decoder counts a period when TIME_HIGH drops by more than half its range.
        if (period == period_ + 1 && lastHigh_ > high + 2048) {
            emit(static_cast<uint16_t>(kTimeHigh | high), out);
        } else {
            while (period_ < period) {
                if (lastHigh_ != 0xFFF) emit(kTimeHigh | 0xFFF, out);
                emit(kTimeHigh, out);
                lastHigh_ = 0;
                ++period_;
            }
            if (high != 0) emit(static_cast<uint16_t>(kTimeHigh | high), out);
        }
        highWritten = true;
    } else if (!timeKnown_ || forceFull_ || high != lastHigh_) {
        emit(static_cast<uint16_t>(kTimeHigh | high), out);
        highWritten = true;
    }
    // TIME_LOW always follows TIME_HIGH so no reader depends on the implicit reset to 0.
    if (highWritten || low != lastLow_) emit(static_cast<uint16_t>(kTimeLow | low), out);
    period_ = period;
    lastHigh_ = high;
    lastLow_ = low;
    lastTime_ = timestamp;
    timeKnown_ = true;
    forceFull_ = false;
}

void Evt3Encoder::encodeEvents(const Event2D* first, const Event2D* last, std::vector<uint8_t>& out) {
    if (first == nullptr || last == nullptr || last <= first) return;
    size_t used = out.size();
    out.resize(used + static_cast<size_t>(last - first) * kMaxBytesPerEvent);
    uint8_t* w = out.data() + used;

    for (const Event2D* e = first; e != last;) {
        if (e->x >= kMaxAddress || e->y >= kMaxAddress) {
            if (!warnedRange_) {
                warnedRange_ = true;
                ZX_LOG(3, "Event address %u,%u is outside the 11-bit range; dropped", e->x, e->y);
            }
            ++e;
            continue;
        }
        const uint64_t ts = monotonic(e->timestamp);
        if (!timeKnown_ || forceFull_ || (ts >> 24) != period_) {
            // Rare: first word, forced reference or a period change; take the general path.
            used = static_cast<size_t>(w - out.data());
            out.resize(used);
            emitTime(ts, out);
            used = out.size();
            out.resize(used + static_cast<size_t>(last - e) * kMaxBytesPerEvent);
            w = out.data() + used;
        } else {
            const auto high = static_cast<uint32_t>((ts >> 12) & 0xFFF);
            const auto low = static_cast<uint32_t>(ts & 0xFFF);
            if (high != lastHigh_) {
                w = put(w, static_cast<uint16_t>(kTimeHigh | high));
                w = put(w, static_cast<uint16_t>(kTimeLow | low));
                lastHigh_ = high;
                lastLow_ = low;
            } else if (low != lastLow_) {
                w = put(w, static_cast<uint16_t>(kTimeLow | low));
                lastLow_ = low;
            }
            lastTime_ = ts;
        }
        if (!rowKnown_ || e->y != lastY_) {
            w = put(w, static_cast<uint16_t>(kAddrY | e->y));
            lastY_ = e->y;
            rowKnown_ = true;
        }

        // Same row, time and polarity, x rising within 32 pixels: a vector candidate.
        const uint32_t x0 = e->x;
        const Event2D* runEnd = e + 1;
        while (runEnd != last && runEnd->timestamp == e->timestamp && runEnd->y == e->y &&
               (runEnd->polarity != 0) == (e->polarity != 0) && runEnd->x > runEnd[-1].x &&
               runEnd->x < x0 + kVectorSpan && runEnd->x < kMaxAddress)
            ++runEnd;
        const auto count = static_cast<size_t>(runEnd - e);
        const uint32_t lastX = runEnd[-1].x;
        if (count > 1 && 1 + vectorChunks(x0, lastX) < count) {
            w = put(w, static_cast<uint16_t>(kVectBaseX | polarityBit(e->polarity) | x0));
            uint32_t base = x0;
            while (base <= lastX) {
                const uint32_t size = lastX - base + 1 <= 8 ? 8 : 12;
                uint16_t mask = 0;
                for (; e != runEnd && e->x < base + size; ++e) mask |= static_cast<uint16_t>(1u << (e->x - base));
                w = put(w, static_cast<uint16_t>((size == 12 ? kVect12 : kVect8) | mask));
                base += size;
            }
        } else {
            w = put(w, static_cast<uint16_t>(kAddrX | polarityBit(e->polarity) | e->x));
            ++e;
        }
    }
    out.resize(static_cast<size_t>(w - out.data()));
}

void Evt3Encoder::encodeTrigger(const EventTriggerIn& trigger, std::vector<uint8_t>& out) {
    if (trigger.id < 0 || trigger.id > 15) {
        ZX_LOG(3, "Trigger channel %d does not fit the 4-bit id; dropped", trigger.id);
        return;
    }
    emitTime(monotonic(trigger.timestamp), out);
    emit(static_cast<uint16_t>(kExtTrigger | (trigger.id << 8) | (trigger.polarity != 0 ? 1 : 0)), out);
}

void Evt3Encoder::encodeTime(uint64_t timestamp, std::vector<uint8_t>& out) { emitTime(monotonic(timestamp), out); }

void Evt3Encoder::forceFullTimeReference() {
    forceFull_ = true;
    rowKnown_ = false;
}

void Evt3Encoder::reset() { *this = Evt3Encoder(); }

}  // namespace quillex
