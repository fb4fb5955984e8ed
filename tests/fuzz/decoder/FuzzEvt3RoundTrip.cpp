// Event and trigger sequences built from the input go through the encoder and must decode
// back exactly, in the same order.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hal/EVT3Decoder.h"
#include "hal/Evt3Encoder.h"

namespace {

using quillex::Event2D;
using quillex::EventTriggerIn;

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    uint64_t t = 0;
    std::memcpy(&t, data, 6);
    data += 8;
    size -= 8;

    quillex::Evt3Encoder encoder;
    std::vector<uint8_t> bytes;
    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
    std::vector<size_t> triggerPositions;
    std::vector<Event2D> pending;
    auto flush = [&] {
        encoder.encodeEvents(pending.data(), pending.data() + pending.size(), bytes);
        pending.clear();
    };

    for (size_t i = 0; i + 4 <= size; i += 4) {
        const uint8_t kind = data[i] & 7;
        const uint32_t a = data[i + 1], b = data[i + 2], c = data[i + 3];
        switch (kind) {
            case 0: t += a; break;
            case 1: t += (a << 12) | (b << 4) | (c & 15); break;
            case 2: t += (uint64_t{a % 5} << 24) + (b << 14) + c; break;
            case 3:
                flush();
                triggers.emplace_back(static_cast<int16_t>(a & 15), static_cast<int16_t>(b & 1), t);
                triggerPositions.push_back(events.size());
                encoder.encodeTrigger(triggers.back(), bytes);
                break;
            case 4:
                flush();
                encoder.forceFullTimeReference();
                break;
            default: {
                // A row segment: bits of b and c pick the pixels, a the row and start.
                const auto y = static_cast<uint16_t>((a * 7 + c) % 2048);
                uint32_t x = (a * 13 + b) % 2048;
                const uint8_t p = (kind & 1);
                const uint32_t mask = b | (c << 8);
                for (uint32_t k = 0; k < 16 && x < 2048; ++k, x += 1 + (k & 1)) {
                    if ((mask >> k) & 1) {
                        const uint8_t flip = static_cast<uint8_t>(((k >> 3) & (kind >> 2)) & 1);
                        events.emplace_back(static_cast<uint16_t>(x), y, static_cast<uint8_t>(p ^ flip), t);
                        pending.push_back(events.back());
                    }
                }
                break;
            }
        }
    }
    flush();

    // The decoder learns the period from its time base, as a reader does from the header.
    uint64_t first = UINT64_MAX;
    if (!events.empty()) first = events.front().timestamp;
    if (!triggers.empty()) first = std::min(first, triggers.front().timestamp);
    quillex::EVT3Decoder decoder;
    decoder.resetTimestamp(first == UINT64_MAX ? 0 : first & ~((uint64_t{1} << 24) - 1));
    std::vector<Event2D> gotEvents;
    std::vector<EventTriggerIn> gotTriggers;
    std::vector<size_t> gotPositions;
    decoder.setEventsStreamHandleCallback(
        [&](Event2D* first, Event2D* last) { gotEvents.insert(gotEvents.end(), first, last); });
    decoder.setTriggerInCallback([&](EventTriggerIn tr) {
        gotTriggers.push_back(tr);
        gotPositions.push_back(gotEvents.size());
    });
    check(decoder.decodeCount(bytes.data(), bytes.data() + bytes.size()) == events.size());
    check(gotEvents == events);
    check(gotTriggers == triggers);
    check(gotPositions == triggerPositions);
    return 0;
}
