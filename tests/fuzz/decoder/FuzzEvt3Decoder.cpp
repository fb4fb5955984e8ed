// Arbitrary bytes through the EVT 3.0 decoder. Besides crashes and sanitizer reports it
// checks that chunking, fusion splits and the indexing pass never change what is decoded.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hal/EVT3Decoder.h"

namespace {

using quillex::Event2D;
using quillex::EventTriggerIn;
using quillex::EVT3Decoder;

struct Output {
    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
    std::vector<size_t> triggerPositions;  // events delivered before each trigger
    bool emptyRange = false;
};

void attach(EVT3Decoder& d, Output& out) {
    d.setEventsStreamHandleCallback([&out](Event2D* first, Event2D* last) {
        if (first == last) out.emptyRange = true;
        out.events.insert(out.events.end(), first, last);
    });
    d.setTriggerInCallback([&out](EventTriggerIn t) {
        out.triggers.push_back(t);
        out.triggerPositions.push_back(out.events.size());
    });
}

bool same(const Output& a, const Output& b) {
    return a.events == b.events && a.triggers == b.triggers && a.triggerPositions == b.triggerPositions;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    const uint8_t flags = data[0];
    uint32_t rng = data[1] | 1u;
    uint64_t base = 0;
    std::memcpy(&base, data + 2, sizeof(base));
    data += 10;
    size -= 10;
    if ((flags & 2) == 0) base = 0;
    base &= (uint64_t{1} << 48) - 1;
    const uint32_t width = (flags & 1) ? 640 : 0;
    const uint32_t height = (flags & 1) ? 480 : 0;

    // Reference: one call over everything.
    EVT3Decoder whole(width, height);
    Output ref;
    attach(whole, ref);
    whole.resetTimestamp(base);
    const size_t count = whole.decodeCount(data, data + size);
    check(count == ref.events.size());
    check(!ref.emptyRange);
    for (const Event2D& e : ref.events) check(e.x < whole.width() && e.y < whole.height() && e.polarity <= 1);
    for (const EventTriggerIn& t : ref.triggers) check(t.id >= 0 && t.id <= 15 && (t.polarity == 0 || t.polarity == 1));

    // Random chunks, optionally in fusion mode with a split time: same stream.
    EVT3Decoder chunked(width, height);
    Output out;
    attach(chunked, out);
    chunked.resetTimestamp(base);
    if (flags & 4) {
        chunked.setFusionMode(true);
        chunked.setTimeValue(ref.events.empty() ? 1 : ref.events[ref.events.size() / 2].timestamp);
    }
    size_t total = 0;
    for (size_t pos = 0; pos < size;) {
        rng = rng * 1103515245u + 12345u;
        const size_t n = std::min<size_t>(size - pos, 1 + (rng >> 16) % 97);
        total += chunked.decodeCount(data + pos, data + pos + n);
        pos += n;
    }
    check(total == count);
    check(!out.emptyRange);
    check(same(ref, out));
    check(chunked.getCurrentTimestamp() == whole.getCurrentTimestamp());

    // The indexing pass reports the same count and triggers.
    EVT3Decoder scan(width, height);
    scan.resetTimestamp(base);
    std::vector<EventTriggerIn> triggers;
    check(scan.preprocessEventData(data, data + size, triggers) == count);
    check(triggers == ref.triggers);
    check(scan.getCurrentTimestamp() == whole.getCurrentTimestamp());
    return 0;
}
