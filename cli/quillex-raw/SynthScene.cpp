#include "SynthScene.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

#include "base/DvsFileHeader.h"
#include "hal/Evt3Encoder.h"

namespace quillex::synth {

SynthScene::SynthScene(const SynthOptions& options) : options_(options), rng_(options.seed) {
    const int w = std::max<int>(options_.width, 1);
    const int h = std::max<int>(options_.height, 1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 4; ++i) {
        Bar bar;
        bar.y = unit(rng_) * h;
        bar.speed = (0.5 + unit(rng_) * 2.0) * (i % 2 == 0 ? 1.0 : -1.0);
        bar.thickness = std::max(1, static_cast<int>(h / 10 * (0.5 + unit(rng_))));
        bar.length = std::max(1, static_cast<int>(w * (0.25 + 0.5 * unit(rng_))));
        bar.x0 = static_cast<int>(unit(rng_) * std::max(1, w - bar.length));
        bars_.push_back(bar);
    }
    if (options_.triggerHz > 0.0) {
        triggerHalfPeriodUs_ = std::max<uint64_t>(1, static_cast<uint64_t>(std::llround(500000.0 / options_.triggerHz)));
        nextTriggerUs_ = options_.startUs + triggerHalfPeriodUs_;
    }
}

void SynthScene::emitRun(uint64_t t, int y, int x, int length, uint8_t polarity, std::vector<Event2D>& out) {
    if (y < 0 || y >= options_.height) return;
    const int first = std::max(0, x);
    const int last = std::min<int>(options_.width, x + length);
    for (int px = first; px < last; ++px)
        out.emplace_back(static_cast<uint16_t>(px), static_cast<uint16_t>(y), polarity, t);
}

void SynthScene::emitMicrosecond(uint64_t t, size_t budget, std::vector<Event2D>& out) {
    if (budget == 0) return;
    scratch_.clear();
    const int w = options_.width;
    const int h = options_.height;
    const double ms = static_cast<double>(t - options_.startUs) / 1000.0;
    // Noise: about one event in sixteen, isolated, random polarity.
    const size_t noise = budget / 16 + ((rng_() & 15) < budget % 16 ? 1 : 0);
    size_t runs = budget - std::min(noise, budget);

    // Edges: each bar's leading (ON) and trailing (OFF) row, swept in runs of up to 24 pixels.
    const double circleX = std::fmod(ms * 0.6, static_cast<double>(w + 200)) - 100.0;
    const double circleY = h / 2.0 + h / 4.0 * std::sin(ms / 200.0);
    const double radius = h / 6.0;
    size_t source = 0;
    while (runs > 0) {
        const int length = static_cast<int>(std::min<size_t>(runs, 8 + (sweep_ % 17)));
        const size_t pick = source++ % (bars_.size() * 2 + 2);
        if (pick < bars_.size() * 2) {
            const Bar& bar = bars_[pick / 2];
            const bool leading = pick % 2 == 0;
            double y = std::fmod(bar.y + bar.speed * ms + (leading ? 0 : bar.thickness), static_cast<double>(h));
            if (y < 0) y += h;
            const int row = static_cast<int>(y) + static_cast<int>(sweep_ % 3);  // edges are a few rows thick
            const int x = bar.x0 + static_cast<int>((sweep_ * 24u) % static_cast<uint32_t>(bar.length));
            emitRun(t, row % h, x, length, leading == (bar.speed > 0) ? 1 : 0, scratch_);
        } else {
            // Circle boundary at a row: runs at its left (OFF) and right (ON) side.
            const double dy = (static_cast<double>(sweep_ % 97) / 96.0 * 2.0 - 1.0) * radius;
            const double dx = std::sqrt(std::max(0.0, radius * radius - dy * dy));
            const int row = static_cast<int>(circleY + dy);
            const bool right = pick % 2 == 1;
            const int x = static_cast<int>(right ? circleX + dx : circleX - dx - length);
            emitRun(t, row, x, length, right ? 1 : 0, scratch_);
        }
        runs -= static_cast<size_t>(length);
        ++sweep_;
    }
    for (size_t i = 0; i < noise; ++i) {
        const uint32_t r = rng_();
        scratch_.emplace_back(static_cast<uint16_t>(r % static_cast<uint32_t>(w)),
                              static_cast<uint16_t>((r >> 11) % static_cast<uint32_t>(h)), static_cast<uint8_t>(r >> 31), t);
    }
    // Stream order within one time: by row, then x (what lets the encoder form vectors).
    std::sort(scratch_.begin(), scratch_.end(), [](const Event2D& a, const Event2D& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    // One event per pixel and time: overlapping runs would otherwise repeat pixels.
    const auto last = std::unique(scratch_.begin(), scratch_.end(),
                                  [](const Event2D& a, const Event2D& b) { return a.x == b.x && a.y == b.y; });
    out.insert(out.end(), scratch_.begin(), last);
}

void SynthScene::generate(uint64_t t, uint64_t span, std::vector<Event2D>& events,
                          std::vector<EventTriggerIn>& triggers) {
    const uint64_t end = t + span;
    for (uint64_t now = t; now < end; ++now) {
        while (triggerHalfPeriodUs_ != 0 && nextTriggerUs_ <= now) {
            triggerLevel_ = static_cast<int16_t>(1 - triggerLevel_);
            triggers.emplace_back(0, triggerLevel_, nextTriggerUs_);
            nextTriggerUs_ += triggerHalfPeriodUs_;
        }
        budget_ += options_.rateMev;
        const auto count = static_cast<size_t>(budget_);
        budget_ -= static_cast<double>(count);
        emitMicrosecond(now, count, events);
    }
}

bool writeSynthRecording(const std::string& path, const SynthOptions& options, SynthResult& result, std::string& error) {
    result = {};
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        error = "cannot create " + path;
        return false;
    }
    DvsFileInfo info;
    info.width = options.width;
    info.height = options.height;
    info.dvs_start_timestamp = options.startUs;
    info.serial_number = options.serial;
    info.date = std::chrono::time_point_cast<FileTimePoint::duration>(std::chrono::system_clock::now());
    const std::string header = generateDvsFileHeader(info);
    bool ok = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
    result.bytes = header.size();

    SynthScene scene(options);
    Evt3Encoder encoder;
    encoder.forceFullTimeReference();
    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
    std::vector<uint8_t> bytes;
    constexpr uint64_t kBlockUs = 1000;
    const uint64_t end = options.startUs + options.durationUs;
    for (uint64_t t = options.startUs; ok && t < end && (options.maxBytes == 0 || result.bytes < options.maxBytes);
         t += kBlockUs) {
        events.clear();
        triggers.clear();
        bytes.clear();
        scene.generate(t, std::min(kBlockUs, end - t), events, triggers);
        // Triggers go between the events of their time, in time order.
        size_t from = 0;
        for (const EventTriggerIn& trigger : triggers) {
            size_t to = from;
            while (to < events.size() && events[to].timestamp < trigger.timestamp) ++to;
            if (to > from) encoder.encodeEvents(events.data() + from, events.data() + to, bytes);
            encoder.encodeTrigger(trigger, bytes);
            from = to;
        }
        if (from < events.size()) encoder.encodeEvents(events.data() + from, events.data() + events.size(), bytes);
        ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
        result.events += events.size();
        result.triggers += triggers.size();
        result.bytes += bytes.size();
    }
    if (std::fflush(file.get()) != 0) ok = false;
    if (!ok) error = "cannot write " + path;
    return ok;
}

}  // namespace quillex::synth
