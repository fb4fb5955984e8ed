#include "hal/EVT3Decoder.h"

#include <algorithm>
#include <bit>
#include <chrono>

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "platform/hal/hal/EVT3Decoder";

namespace {

constexpr uint32_t kWrapThreshold = 2048;  // TIME_HIGH steps
constexpr uint64_t kPeriod = uint64_t{1} << 24;
constexpr int64_t kNsPerSecond = 1'000'000'000;
// A vector word emits at most this many events; the output keeps room for one.
constexpr size_t kMaxPerWord = 12;
// The output starts small (word-by-word and short decodes) and doubles up to its capacity.
constexpr size_t kInitialOutput = 1024;

inline uint32_t loadWord(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }

inline int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Bits of a vector mask whose pixel base + i lies inside the row.
inline uint32_t columnMask(uint32_t base, uint32_t width) {
    const uint32_t room = width > base ? width - base : 0;
    return room >= 12 ? 0xFFFu : (1u << room) - 1u;
}

uint32_t clampGeometry(uint32_t value) {
    return (value == 0 || value > EVT3Decoder::kMaxGeometry) ? EVT3Decoder::kMaxGeometry : value;
}

enum class Stop { End, Full, Split, Trigger };

}  // namespace

EVT3Decoder::EVT3Decoder(uint32_t width, uint32_t height)
    : width_(clampGeometry(width)), height_(clampGeometry(height)), out_(kInitialOutput) {}

EVT3Decoder::~EVT3Decoder() {
    if (skippedUntimed_ > 0)
        ZX_LOG(1, "%llu events came before the first time reference and were skipped",
               static_cast<unsigned long long>(skippedUntimed_));
}

size_t EVT3Decoder::decodeCount(const uint8_t* first, const uint8_t* last) {
    return decodeBytes<false>(first, last, nullptr);
}

size_t EVT3Decoder::decodeBuffer(const std::vector<uint8_t>& buffer) {
    return decodeBytes<false>(buffer.data(), buffer.data() + buffer.size(), nullptr);
}

void EVT3Decoder::decode(const uint8_t* first, const uint8_t* last) { decodeBytes<false>(first, last, nullptr); }

size_t EVT3Decoder::preprocessEventData(const uint8_t* first, const uint8_t* last,
                                        std::vector<EventTriggerIn>& triggers) {
    return decodeBytes<true>(first, last, &triggers);
}

uint64_t EVT3Decoder::getCurrentTimestamp() const { return currentTimestamp_.load(std::memory_order_relaxed); }

void EVT3Decoder::resetTimestamp(uint64_t timestamp) {
    hasCarry_ = false;
    if (timestamp == 0) {
        periodBase_ = 0;
        high_ = 0;
        low_ = 0;
        timeKnown_ = false;
    } else {
        periodBase_ = timestamp & ~(kPeriod - 1);
        high_ = static_cast<uint32_t>((timestamp >> 12) & 0xFFF);
        low_ = static_cast<uint32_t>(timestamp & 0xFFF);
        timeKnown_ = true;
    }
    publishTime();
}

void EVT3Decoder::setTimeValue(uint64_t value) { timeValue_.store(value, std::memory_order_relaxed); }

uint64_t EVT3Decoder::getDataRate() const {
    if (steadyNs() - lastActivityNs_.load(std::memory_order_relaxed) > kNsPerSecond) return 0;
    return dataRate_.load(std::memory_order_relaxed);
}

uint64_t EVT3Decoder::getEventRate() const {
    if (steadyNs() - lastActivityNs_.load(std::memory_order_relaxed) > kNsPerSecond) return 0;
    return eventRate_.load(std::memory_order_relaxed);
}

const Event2D* EVT3Decoder::binarySearchTimestamp(uint64_t t, const Event2D* first, const Event2D* last) {
    if (first == nullptr || last == nullptr || last < first) return last;
    return std::partition_point(first, last, [t](const Event2D& e) { return e.timestamp < t; });
}

Event2D* EVT3Decoder::binarySearchTimestamp(uint64_t t, Event2D* first, Event2D* last) {
    return const_cast<Event2D*>(binarySearchTimestamp(t, static_cast<const Event2D*>(first), last));
}

void EVT3Decoder::publishTime() {
    const uint64_t t = timeKnown_ ? periodBase_ + (uint64_t{high_} << 12) + low_ : 0;
    currentTimestamp_.store(t, std::memory_order_relaxed);
}

template <bool kScan>
void EVT3Decoder::flush() {
    if (outCount_ == 0) return;
    const size_t count = outCount_;
    outCount_ = 0;
    if constexpr (!kScan) {
        if (eventsCallback_) {
            publishTime();
            eventsCallback_(out_.data(), out_.data() + count);
        }
    }
}

void EVT3Decoder::accountRates(size_t bytes, size_t events) {
    const int64_t now = steadyNs();
    // After a pause the old window says nothing about the current rate.
    if (now - lastActivityNs_.load(std::memory_order_relaxed) > kNsPerSecond || windowStartNs_ == 0) {
        windowStartNs_ = now;
        windowBytes_ = 0;
        windowEvents_ = 0;
    }
    lastActivityNs_.store(now, std::memory_order_relaxed);
    windowBytes_ += bytes;
    windowEvents_ += events;
    const int64_t elapsed = now - windowStartNs_;
    if (elapsed >= kNsPerSecond) {
        const double scale = static_cast<double>(kNsPerSecond) / static_cast<double>(elapsed);
        dataRate_.store(static_cast<uint64_t>(static_cast<double>(windowBytes_) * scale), std::memory_order_relaxed);
        eventRate_.store(static_cast<uint64_t>(static_cast<double>(windowEvents_) * scale),
                         std::memory_order_relaxed);
        windowStartNs_ = now;
        windowBytes_ = 0;
        windowEvents_ = 0;
    }
}

template <bool kScan>
size_t EVT3Decoder::decodeBytes(const uint8_t* first, const uint8_t* last, std::vector<EventTriggerIn>* triggers) {
    if (first == nullptr || last == nullptr || last <= first) return 0;
    const size_t bytes = static_cast<size_t>(last - first);
    size_t produced = 0;

    if (hasCarry_) {
        const uint8_t word[2] = {carry_, *first++};
        hasCarry_ = false;
        produced += decodeWords<kScan>(word, 1, triggers);
    }
    const size_t words = static_cast<size_t>(last - first) / 2;
    produced += decodeWords<kScan>(first, words, triggers);
    first += 2 * words;
    if (first != last) {
        carry_ = *first;
        hasCarry_ = true;
    }
    flush<kScan>();
    publishTime();
    if (dropped_ > 0 && !droppedLogged_) {
        droppedLogged_ = true;
        ZX_LOG(3, "Dropped events outside the %ux%u geometry (%llu so far)", width_, height_,
               static_cast<unsigned long long>(dropped_));
    }
    accountRates(bytes, produced);
    return produced;
}

template <bool kScan>
size_t EVT3Decoder::decodeWords(const uint8_t* p, size_t words, std::vector<EventTriggerIn>* triggers) {
    const uint8_t* const end = p + 2 * words;
    size_t produced = 0;

    // The fusion boundary can change in any trigger callback; re-read it at each stop.
    auto loadSplit = [this] {
        const uint64_t v = timeValue_.load(std::memory_order_relaxed);
        splitAt_ = (fusionMode() && v != 0 && v != consumedSplit_) ? v : UINT64_MAX;
    };
    loadSplit();

    while (p != end) {
        if (!timeKnown_) {
            // No time yet: keep row and vector state, skip events, wait for TIME_HIGH.
            while (p != end && !timeKnown_) {
                const uint32_t w = loadWord(p);
                p += 2;
                switch (w >> 12) {
                    case 0x0: y_ = w & 0x7FF; break;
                    case 0x2: ++skippedUntimed_; break;
                    case 0x3:
                        vectX_ = w & 0x7FF;
                        vectPolarity_ = static_cast<uint8_t>((w >> 11) & 1);
                        break;
                    case 0x4:
                        skippedUntimed_ += static_cast<uint64_t>(std::popcount(w & 0xFFF));
                        vectX_ += 12;
                        break;
                    case 0x5:
                        skippedUntimed_ += static_cast<uint64_t>(std::popcount(w & 0xFF));
                        vectX_ += 8;
                        break;
                    case 0x8:
                        high_ = w & 0xFFF;
                        low_ = 0;
                        timeKnown_ = true;
                        break;
                    default: break;
                }
            }
            publishTime();
            continue;
        }

        // Hot loop on local copies of the state.
        uint64_t period = periodBase_;
        uint32_t high = high_;
        uint32_t low = low_;
        uint64_t tHigh = period + (uint64_t{high} << 12);
        uint64_t t = tHigh + low;
        uint32_t y = y_;
        const uint32_t width = width_;
        const uint32_t height = height_;
        uint32_t rowOk = y < height ? 1u : 0u;
        uint32_t rowMask = rowOk ? 0xFFFu : 0u;
        uint32_t vx = vectX_;
        uint8_t vpol = vectPolarity_;
        const uint64_t splitAt = splitAt_;
        uint64_t dropped = 0;
        Event2D* const outBase = out_.data();
        const size_t outSize = out_.size();
        Event2D* const outStart = outBase + outCount_;
        Event2D* out = outStart;
        Stop stop = Stop::End;

        while (p != end) {
            const size_t room = (outSize - static_cast<size_t>(out - outBase)) / kMaxPerWord;
            if (room == 0) {
                stop = Stop::Full;
                break;
            }
            const uint8_t* const blockEnd = p + 2 * std::min(room, static_cast<size_t>(end - p) / 2);
            while (p != blockEnd) {
                const uint32_t w = loadWord(p);
                p += 2;
                switch (w >> 12) {
                    case 0x0:  // EVT_ADDR_Y
                        y = w & 0x7FF;
                        rowOk = y < height ? 1u : 0u;
                        rowMask = rowOk ? 0xFFFu : 0u;
                        break;
                    case 0x2: {  // EVT_ADDR_X
                        const uint32_t x = w & 0x7FF;
                        out->x = static_cast<uint16_t>(x);
                        out->y = static_cast<uint16_t>(y);
                        out->polarity = static_cast<uint8_t>((w >> 11) & 1);
                        out->timestamp = t;
                        const uint32_t ok = rowOk & (x < width ? 1u : 0u);
                        out += ok;
                        dropped += ok ^ 1u;
                        break;
                    }
                    case 0x3:  // VECT_BASE_X
                        vx = w & 0x7FF;
                        vpol = static_cast<uint8_t>((w >> 11) & 1);
                        break;
                    case 0x4:    // VECT_12
                    case 0x5: {  // VECT_8
                        const bool twelve = (w >> 12) == 0x4;
                        const uint32_t raw = w & (twelve ? 0xFFFu : 0xFFu);
                        uint32_t m = raw & rowMask & columnMask(vx, width);
                        if (m != raw) dropped += static_cast<uint64_t>(std::popcount(raw ^ m));
                        while (m != 0) {
                            const uint32_t i = static_cast<uint32_t>(std::countr_zero(m));
                            out->x = static_cast<uint16_t>(vx + i);
                            out->y = static_cast<uint16_t>(y);
                            out->polarity = vpol;
                            out->timestamp = t;
                            ++out;
                            m &= m - 1;
                        }
                        vx += twelve ? 12 : 8;
                        break;
                    }
                    case 0x6:  // EVT_TIME_LOW
                        low = w & 0xFFF;
                        t = tHigh + low;
                        if (t >= splitAt) {
                            stop = Stop::Split;
                            goto done;
                        }
                        break;
                    case 0x8: {  // EVT_TIME_HIGH
                        const uint32_t h = w & 0xFFF;
                        if (h < high && high - h > kWrapThreshold) period += kPeriod;
                        high = h;
                        low = 0;
                        tHigh = period + (uint64_t{h} << 12);
                        t = tHigh;
                        if (t >= splitAt) {
                            stop = Stop::Split;
                            goto done;
                        }
                        break;
                    }
                    case 0xA:  // EXT_TRIGGER: handled outside the hot loop
                        p -= 2;
                        stop = Stop::Trigger;
                        goto done;
                    default:  // OTHERS, CONTINUED_12/4, reserved and padding words
                        break;
                }
            }
        }
    done:
        periodBase_ = period;
        high_ = high;
        low_ = low;
        y_ = y;
        vectX_ = vx;
        vectPolarity_ = vpol;
        dropped_ += dropped;
        produced += static_cast<size_t>(out - outStart);
        outCount_ = static_cast<size_t>(out - outBase);
        publishTime();

        switch (stop) {
            case Stop::End: break;
            case Stop::Full:
                if (!kScan && out_.size() < kOutputCapacity)
                    out_.resize(std::min(kOutputCapacity, 2 * out_.size()));
                else
                    flush<kScan>();
                break;
            case Stop::Split:
                consumedSplit_ = splitAt_;
                flush<kScan>();
                loadSplit();
                break;
            case Stop::Trigger: {
                const uint32_t w = loadWord(p);
                p += 2;
                const EventTriggerIn trigger(static_cast<int16_t>((w >> 8) & 0xF), static_cast<int16_t>(w & 1),
                                             periodBase_ + (uint64_t{high_} << 12) + low_);
                if constexpr (kScan) {
                    triggers->push_back(trigger);
                } else {
                    flush<false>();
                    if (triggerCallback_) triggerCallback_(trigger);
                    loadSplit();
                }
                break;
            }
        }
    }
    return produced;
}

}  // namespace quillex
