#pragma once
// EVT 3.0 decoder: 16-bit little-endian words into Event2D and EventTriggerIn.
//
// Decoding resumes across calls at any byte boundary: a word split between two calls is
// completed by the next call. Time is extended to 64 bits by counting TIME_HIGH wraps.
// Events and triggers that come before the stream's first TIME_HIGH have no time and are
// skipped, unless the time base was set with a non-zero resetTimestamp.
//
// Callbacks run on the decoding thread and receive ranges of the decoder's own output
// buffer (valid during the callback only). Events are delivered once per decode call and
// whenever the buffer fills; before each trigger the events decoded so far are delivered,
// so a caller sees events and triggers in stream order. Ranges are never empty. A callback
// may reset the time base or set the time value, but must not decode on the same decoder.
//
// One thread decodes; getCurrentTimestamp, the rates and the time value may be read from
// any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "hal/Decoder.h"

namespace quillex {

class EVT3Decoder : public Decoder {
public:
    // Events per delivered range at most.
    static constexpr size_t kOutputCapacity = 65536;
    // Addresses are 11 bits wide.
    static constexpr uint32_t kMaxGeometry = 2048;

    // Events outside width x height are dropped (counted, logged once). 0 means the full
    // 2048 x 2048 address space.
    explicit EVT3Decoder(uint32_t width = 0, uint32_t height = 0);
    ~EVT3Decoder() override;

    EVT3Decoder(const EVT3Decoder&) = delete;
    EVT3Decoder& operator=(const EVT3Decoder&) = delete;

    size_t decodeCount(const uint8_t* first, const uint8_t* last) override;
    size_t decodeBuffer(const std::vector<uint8_t>& buffer) override;
    void decode(const uint8_t* first, const uint8_t* last) override;
    uint64_t getCurrentTimestamp() const override;
    // timestamp != 0: the next words decode as if the stream had reached that time
    // (period, TIME_HIGH and TIME_LOW all set at once).
    // timestamp == 0: a fresh stream; time is unknown until the next TIME_HIGH and the wrap
    // count starts at zero. Either way the row and vector state are kept and a carried
    // partial word is dropped.
    void resetTimestamp(uint64_t timestamp) override;
    size_t getRawEventSize() const override { return 2; }
    uint64_t getDataRate() const override;
    uint64_t getEventRate() const override;
    // In fusion mode the value is the end of the exposure in progress: the range being
    // built is delivered as soon as the stream time reaches it, so the consumer gets the
    // events of an exposure without waiting for the end of the buffer. 0 sets no boundary.
    // Outside fusion mode the value is only stored.
    void setTimeValue(uint64_t value) override;
    uint64_t getTimeValue() const { return timeValue_.load(std::memory_order_relaxed); }

    // The option the fusion link switches on (see setTimeValue).
    void setFusionMode(bool on) { fusionMode_.store(on, std::memory_order_relaxed); }
    bool fusionMode() const { return fusionMode_.load(std::memory_order_relaxed); }

    // Scans [first, last) like decodeCount, advancing the time base, but appends the
    // triggers to `triggers` instead of calling the trigger callback, and does not deliver
    // events (an indexing pass has no use for them). Returns the number of events.
    size_t preprocessEventData(const uint8_t* first, const uint8_t* last, std::vector<EventTriggerIn>& triggers);

    // First event in [first, last) whose timestamp is not below t (last if none).
    // The range must be sorted by timestamp.
    static const Event2D* binarySearchTimestamp(uint64_t t, const Event2D* first, const Event2D* last);
    static Event2D* binarySearchTimestamp(uint64_t t, Event2D* first, Event2D* last);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    // Events dropped because their address lay outside the geometry.
    uint64_t droppedEventCount() const { return dropped_; }

private:
    // Decodes whole words; kScan selects the indexing pass of preprocessEventData.
    template <bool kScan>
    size_t decodeWords(const uint8_t* p, size_t words, std::vector<EventTriggerIn>* triggers);
    template <bool kScan>
    size_t decodeBytes(const uint8_t* first, const uint8_t* last, std::vector<EventTriggerIn>* triggers);
    // Hands the pending output to the events callback (or discards it when scanning).
    template <bool kScan>
    void flush();
    void publishTime();
    void accountRates(size_t bytes, size_t events);

    const uint32_t width_;
    const uint32_t height_;

    // Time state: periods * 2^24, TIME_HIGH (12 bits), TIME_LOW (12 bits).
    uint64_t periodBase_ = 0;
    uint32_t high_ = 0;
    uint32_t low_ = 0;
    bool timeKnown_ = false;
    // Row and vector state.
    uint32_t y_ = 0;
    uint32_t vectX_ = 0;
    uint8_t vectPolarity_ = 0;
    // Odd byte carried to the next call.
    bool hasCarry_ = false;
    uint8_t carry_ = 0;

    std::vector<Event2D> out_;
    size_t outCount_ = 0;
    uint64_t dropped_ = 0;
    bool droppedLogged_ = false;
    uint64_t skippedUntimed_ = 0;

    std::atomic<uint64_t> currentTimestamp_{0};
    std::atomic<uint64_t> timeValue_{0};
    std::atomic<bool> fusionMode_{false};
    // Fusion split point for the running decode (UINT64_MAX: none).
    uint64_t splitAt_ = UINT64_MAX;
    uint64_t consumedSplit_ = 0;

    // Rates: a window of at least one second, published when it closes.
    int64_t windowStartNs_ = 0;
    uint64_t windowBytes_ = 0;
    uint64_t windowEvents_ = 0;
    std::atomic<int64_t> lastActivityNs_{0};
    std::atomic<uint64_t> dataRate_{0};
    std::atomic<uint64_t> eventRate_{0};
};

}  // namespace quillex
