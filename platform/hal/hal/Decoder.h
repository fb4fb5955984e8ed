#pragma once
// Stream decoder interface. Callbacks run inside the decode calls, on the caller's thread,
// and receive ranges into the decoder's own output buffer (valid only during the call).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hal/EventTypes.h"

namespace quillex {

class Decoder {
public:
    using EventsCallback = std::function<void(Event2D* first, Event2D* last)>;
    using TriggerCallback = std::function<void(EventTriggerIn trigger)>;

    virtual ~Decoder() = default;

    // Slot order is part of the contract.
    // Decodes [first, last) and returns the number of events produced.
    virtual size_t decodeCount(const uint8_t* first, const uint8_t* last) = 0;
    // Decodes a whole buffer and returns the number of events produced.
    virtual size_t decodeBuffer(const std::vector<uint8_t>& buffer) = 0;
    // Decodes [first, last) without counting.
    virtual void decode(const uint8_t* first, const uint8_t* last) = 0;
    // Time reached so far in µs; 0 until the stream gave a time (or a base was set).
    virtual uint64_t getCurrentTimestamp() const = 0;
    // Sets the time base: the next words decode as if the stream had reached `timestamp`.
    // Also drops any partial word carried over from the previous call.
    virtual void resetTimestamp(uint64_t timestamp) = 0;
    // Bytes per raw word.
    virtual size_t getRawEventSize() const = 0;
    // Bytes per second and events per second, measured over the last second of decoding.
    virtual uint64_t getDataRate() const = 0;
    virtual uint64_t getEventRate() const = 0;
    // Time hint from the fusion link (exposure alignment); stored, reported by getTimeValue.
    virtual void setTimeValue(uint64_t value) = 0;

    void setEventsStreamHandleCallback(EventsCallback callback) { eventsCallback_ = std::move(callback); }
    void setTriggerInCallback(TriggerCallback callback) { triggerCallback_ = std::move(callback); }

protected:
    EventsCallback eventsCallback_;
    TriggerCallback triggerCallback_;
};

class DecoderFactory {
public:
    // From a stream-format text such as "EVT3;height=720;width=1280". Empty on unknown formats.
    static std::unique_ptr<Decoder> createUniqueDecoder(const std::string& format);
};

}  // namespace quillex
