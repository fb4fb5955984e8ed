#pragma once
// Synthetic scene of a simulated event sensor: moving rectangles (ON on leading edges, OFF on
// trailing ones, horizontal edges as runs along rows) plus uniform noise, and a square wave
// on trigger-in. The register state scales the rate (biases), clips it (ROI) and caps it (ERC).

#include <cstdint>
#include <functional>
#include <vector>

#include "hal/EventTypes.h"
#include "hal/Evt3Encoder.h"
#include "hal/sim/SimRegisterFile.h"
#include "hal/sim/SimTypes.h"

namespace quillex {

class SimEventSource {
public:
    struct Counts {
        uint64_t generated = 0;  // before ROI and ERC
        uint64_t streamed = 0;
        uint64_t droppedByRoi = 0;
        uint64_t droppedByErc = 0;
        uint64_t triggers = 0;
    };

    SimEventSource(uint16_t width, uint16_t height, const SimSceneConfig& scene);

    void setScene(const SimSceneConfig& scene);
    void setState(const SimSensorState& state);

    // Called when `out` reached the cut size, with the time the stream reached; the handler
    // empties `out` (e.g. pads and sends it as one transfer).
    using FullHandler = std::function<void(uint64_t streamTime)>;
    // Bytes one encoding step can add at most (events are encoded in steps of kStepEvents);
    // a transfer is cut at its size minus this, so every transfer starts a fresh word group.
    static constexpr size_t kStepEvents = 128;
    static constexpr size_t kMaxStepBytes = kStepEvents * 8 + 64;

    // Generates the events and trigger edges of sensor times [from, to) µs, encodes them with
    // `encoder` and appends the words to `out`; whenever out.size() reaches `cutAt`, calls
    // `onFull`. Successive calls must continue in time.
    void generate(uint64_t from, uint64_t to, Evt3Encoder& encoder, std::vector<uint8_t>& out, size_t cutAt,
                  const FullHandler& onFull);

    const Counts& counts() const { return counts_; }
    uint16_t width() const { return width_; }
    uint16_t height() const { return height_; }

private:
    struct Shape {
        double x, y;    // top-left corner, pixels
        double w, h;
        double vx, vy;  // pixels per µs
    };

    // xorshift64*: cheap enough to call per event.
    uint64_t nextRandom() {
        rng_ ^= rng_ >> 12;
        rng_ ^= rng_ << 25;
        rng_ ^= rng_ >> 27;
        return rng_ * 0x2545F4914F6CDD1Dull;
    }
    uint32_t randomBelow(uint32_t bound) { return static_cast<uint32_t>(((nextRandom() >> 32) * bound) >> 32); }
    // One byte of randomness per call, drawn from a reserve of 64 bits.
    uint32_t randomByte() {
        if (byteBitsLeft_ == 0) {
            bytePool_ = nextRandom();
            byteBitsLeft_ = 64;
        }
        const auto b = static_cast<uint32_t>(bytePool_ & 0xFF);
        bytePool_ >>= 8;
        byteBitsLeft_ -= 8;
        return b;
    }
    void moveShapes(double dtUs);
    void emitShapeEvents(uint32_t count, uint64_t t);
    void emitNoise(uint32_t count, uint64_t t);
    [[gnu::always_inline]] inline void push(uint16_t x, uint16_t y, uint8_t polarity, uint64_t t);
    void flushEvents(Evt3Encoder& encoder, std::vector<uint8_t>& out, size_t cutAt, const FullHandler& onFull);

    uint16_t width_;
    uint16_t height_;
    SimSceneConfig scene_;
    SimSensorState state_;
    std::vector<Shape> shapes_;
    uint32_t nextShape_ = 0;
    uint64_t rng_;
    uint64_t bytePool_ = 0;
    uint32_t byteBitsLeft_ = 0;
    uint32_t onShare256_ = 128;  // ON probability in 1/256
    double rateAccumulator_ = 0;
    double noiseAccumulator_ = 0;
    double onShare_ = 0.5;
    double ratePerUs_ = 0;
    double keepAccumulator_ = 0;
    // ERC bookkeeping per reference period.
    uint64_t ercSlice_ = UINT64_MAX;
    uint64_t ercSliceCount_ = 0;
    uint64_t ercSliceCandidates_ = 0;
    uint64_t ercTarget_ = 0;
    double ercKeepRatio_ = 1.0;
    std::vector<Event2D> events_;
    Counts counts_;
};

}  // namespace quillex
