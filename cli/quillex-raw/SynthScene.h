#pragma once
// Synthetic event scene for test and benchmark recordings: bright bars sliding up and down
// and a circle crossing the field, whose edges emit runs of same-polarity events along rows
// (so the stream is vector-rich like a real sensor), plus sparse noise and optional periodic
// trigger edges.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "hal/EventTypes.h"

namespace quillex::synth {

struct SynthOptions {
    uint16_t width = 1280;
    uint16_t height = 720;
    uint64_t startUs = 1'000'000;  // time of the first event; also the header's start time
    uint64_t durationUs = 1'000'000;
    double rateMev = 10.0;         // events per second, in millions
    uint32_t seed = 1;
    double triggerHz = 0.0;        // square wave: a rising and a falling edge per period
    std::string serial = "SYNTH0001";
    uint64_t maxBytes = 0;         // stop once the file reaches this size (0: no limit)
};

class SynthScene {
public:
    explicit SynthScene(const SynthOptions& options);

    // Appends the events of [t, t + span) in stream order (time, then row, then x) and the
    // trigger edges of that span.
    void generate(uint64_t t, uint64_t span, std::vector<Event2D>& events, std::vector<EventTriggerIn>& triggers);

private:
    struct Bar {
        double y;       // leading edge row
        double speed;   // rows per ms, sign gives the direction
        int thickness;
        int x0, length;
    };
    void emitRun(uint64_t t, int y, int x, int length, uint8_t polarity, std::vector<Event2D>& out);
    void emitMicrosecond(uint64_t t, size_t budget, std::vector<Event2D>& out);

    SynthOptions options_;
    std::mt19937 rng_;
    std::vector<Bar> bars_;
    double budget_ = 0.0;
    uint64_t nextTriggerUs_ = 0;
    uint64_t triggerHalfPeriodUs_ = 0;
    int16_t triggerLevel_ = 0;
    uint32_t sweep_ = 0;
    std::vector<Event2D> scratch_;
};

struct SynthResult {
    uint64_t events = 0;
    uint64_t triggers = 0;
    uint64_t bytes = 0;
};

// Writes a whole recording (generated header, then the encoded scene). False with `error` set
// when the file cannot be written.
bool writeSynthRecording(const std::string& path, const SynthOptions& options, SynthResult& result, std::string& error);

}  // namespace quillex::synth
