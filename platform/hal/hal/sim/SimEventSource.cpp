#include "hal/sim/SimEventSource.h"

#include <algorithm>
#include <cmath>

namespace quillex {

SimEventSource::SimEventSource(uint16_t width, uint16_t height, const SimSceneConfig& scene)
    : width_(width), height_(height), rng_(scene.seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    events_.reserve(1 << 16);
    setScene(scene);
    setState(state_);
}

void SimEventSource::setScene(const SimSceneConfig& scene) {
    scene_ = scene;
    const uint32_t count = std::max<uint32_t>(scene.shapeCount, 0);
    if (shapes_.size() != count) {
        shapes_.clear();
        for (uint32_t i = 0; i < count; ++i) {
            Shape s{};
            s.w = std::max(8.0, width_ * (0.08 + 0.04 * (i % 3)));
            s.h = std::max(8.0, height_ * (0.10 + 0.05 * (i % 2)));
            s.x = randomBelow(static_cast<uint32_t>(std::max(1.0, width_ - s.w)));
            s.y = randomBelow(static_cast<uint32_t>(std::max(1.0, height_ - s.h)));
            // A few hundred pixels per second, in different directions.
            const double speed = (200.0 + 150.0 * (i % 4)) * 1e-6 * (width_ / 1280.0 + 0.25);
            const double angle = 0.7 + 1.9 * i;
            s.vx = speed * std::cos(angle);
            s.vy = speed * std::sin(angle);
            shapes_.push_back(s);
        }
    }
    setState(state_);
}

void SimEventSource::setState(const SimSensorState& state) {
    state_ = state;
    if (state_.roiEnabled && (state_.columnSelected.size() < width_ || state_.rowSelected.size() < height_)) {
        state_.columnSelected.resize(width_, 0);
        state_.rowSelected.resize(height_, 0);
    }
    const double on = std::max(0.0, state_.biasFactorOn);
    const double off = std::max(0.0, state_.biasFactorOff);
    onShare_ = (on + off) > 0 ? on / (on + off) : 0.5;
    onShare256_ = static_cast<uint32_t>(std::lround(onShare_ * 256));
    ratePerUs_ = std::max(0.0, scene_.eventRate) * 1e-6 * (on + off) / 2.0;
    ercTarget_ = static_cast<uint64_t>(std::llround(state_.ercMaxRate * state_.ercPeriodUs / 1e6));
}

void SimEventSource::moveShapes(double dtUs) {
    for (auto& s : shapes_) {
        s.x += s.vx * dtUs;
        s.y += s.vy * dtUs;
        const double maxX = std::max(0.0, width_ - s.w);
        const double maxY = std::max(0.0, height_ - s.h);
        if (s.x < 0) s.x = -s.x, s.vx = -s.vx;
        if (s.x > maxX) s.x = 2 * maxX - s.x, s.vx = -s.vx;
        if (s.y < 0) s.y = -s.y, s.vy = -s.vy;
        if (s.y > maxY) s.y = 2 * maxY - s.y, s.vy = -s.vy;
        s.x = std::clamp(s.x, 0.0, maxX);
        s.y = std::clamp(s.y, 0.0, maxY);
    }
}

void SimEventSource::push(uint16_t x, uint16_t y, uint8_t polarity, uint64_t t) {
    ++counts_.generated;
    if (state_.roiEnabled) {
        const bool inside = state_.columnSelected[x] && state_.rowSelected[y];
        if (inside != state_.roiKeepsInside) {
            ++counts_.droppedByRoi;
            return;
        }
    }
    if (state_.ercEnabled) {
        const uint64_t slice = t / state_.ercPeriodUs;
        if (slice != ercSlice_) {
            // Thin the next period by what the last one offered, so drops spread over the period.
            if (ercSliceCandidates_ > 0)
                ercKeepRatio_ = std::min(1.0, static_cast<double>(ercTarget_) / ercSliceCandidates_);
            ercSlice_ = slice;
            ercSliceCount_ = 0;
            ercSliceCandidates_ = 0;
        }
        ++ercSliceCandidates_;
        keepAccumulator_ += ercKeepRatio_;
        if (keepAccumulator_ < 1.0 || ercSliceCount_ >= ercTarget_) {
            ++counts_.droppedByErc;
            return;
        }
        keepAccumulator_ -= 1.0;
        ++ercSliceCount_;
    }
    events_.emplace_back(x, y, polarity, t);
}

void SimEventSource::emitShapeEvents(uint32_t count, uint64_t t) {
    if (shapes_.empty()) {
        emitNoise(count, t);
        return;
    }
    while (count > 0) {
        const Shape& s = shapes_[nextShape_];
        nextShape_ = (nextShape_ + 1) % shapes_.size();
        const bool leading = (nextRandom() & 1) != 0;
        const uint8_t polarity = leading ? 1 : 0;
        const double horizontalWeight = std::abs(s.vy) * s.w;
        const double verticalWeight = std::abs(s.vx) * s.h;
        const double pick = static_cast<double>(nextRandom() >> 11) * (1.0 / 9007199254740992.0);
        if (pick * (horizontalWeight + verticalWeight) < horizontalWeight) {
            // Top or bottom edge: a run of pixels along the row.
            const bool top = (s.vy < 0) == leading;
            int row = static_cast<int>(top ? s.y : s.y + s.h - 1) + static_cast<int>(randomBelow(3)) - 1;
            row = std::clamp(row, 0, height_ - 1);
            const uint32_t w = static_cast<uint32_t>(s.w);
            const uint32_t run = std::min<uint32_t>({count, 8 + randomBelow(25), w});
            const uint32_t x0 = static_cast<uint32_t>(s.x) + randomBelow(w - run + 1);
            for (uint32_t i = 0; i < run; ++i) {
                const uint32_t x = x0 + i;
                if (x < width_) push(static_cast<uint16_t>(x), static_cast<uint16_t>(row), polarity, t);
            }
            count -= run;
        } else {
            // Left or right edge: isolated pixels down the column.
            const bool left = (s.vx < 0) == leading;
            int col = static_cast<int>(left ? s.x : s.x + s.w - 1) + static_cast<int>(randomBelow(3)) - 1;
            col = std::clamp(col, 0, width_ - 1);
            const uint32_t n = std::min<uint32_t>(count, 4);
            const auto top = static_cast<uint32_t>(s.y);
            const auto h = static_cast<uint32_t>(s.h);
            for (uint32_t k = 0; k < n; ++k) {
                const uint32_t y = top + ((randomByte() * h) >> 8);
                push(static_cast<uint16_t>(col), static_cast<uint16_t>(std::min<uint32_t>(y, height_ - 1u)), polarity, t);
            }
            count -= n;
        }
    }
}

void SimEventSource::emitNoise(uint32_t count, uint64_t t) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t r = nextRandom();
        const auto x = static_cast<uint16_t>(((r & 0xFFFFFFFFull) * width_) >> 32);
        const auto y = static_cast<uint16_t>(((r >> 32) * height_) >> 32);
        push(x, y, randomByte() < onShare256_ ? 1 : 0, t);
    }
}

void SimEventSource::flushEvents(Evt3Encoder& encoder, std::vector<uint8_t>& out, size_t cutAt,
                                 const FullHandler& onFull) {
    const Event2D* first = events_.data();
    const Event2D* const last = first + events_.size();
    while (first != last) {
        const Event2D* step = first + std::min<size_t>(kStepEvents, static_cast<size_t>(last - first));
        encoder.encodeEvents(first, step, out);
        counts_.streamed += static_cast<uint64_t>(step - first);
        if (out.size() >= cutAt) onFull((step - 1)->timestamp);
        first = step;
    }
    events_.clear();
}

void SimEventSource::generate(uint64_t from, uint64_t to, Evt3Encoder& encoder, std::vector<uint8_t>& out,
                              size_t cutAt, const FullHandler& onFull) {
    if (to <= from) return;
    const uint64_t half = std::max<uint64_t>(1, scene_.triggerPeriodUs / 2);
    const bool triggers = scene_.triggerPeriodUs > 0;
    uint64_t nextEdge = triggers ? (from + half - 1) / half * half : UINT64_MAX;
    const double noiseFraction = std::clamp(scene_.noiseFraction, 0.0, 1.0);
    constexpr uint64_t kChunkUs = 256;

    for (uint64_t chunk = from; chunk < to; chunk += kChunkUs) {
        const uint64_t end = std::min(to, chunk + kChunkUs);
        for (uint64_t t = chunk; t < end; ++t) {
            if (t == nextEdge) {
                if (state_.triggerInEnabled) {
                    flushEvents(encoder, out, cutAt, onFull);
                    const auto polarity = static_cast<int16_t>((t / half) % 2 == 0 ? 1 : 0);
                    encoder.encodeTrigger(EventTriggerIn(scene_.triggerChannel, polarity, t), out);
                    ++counts_.triggers;
                    if (out.size() >= cutAt) onFull(t);
                }
                nextEdge += half;
            }
            rateAccumulator_ += ratePerUs_;
            if (rateAccumulator_ < 1.0) continue;
            const auto n = static_cast<uint32_t>(rateAccumulator_);
            rateAccumulator_ -= n;
            noiseAccumulator_ += n * noiseFraction;
            const auto noise = static_cast<uint32_t>(noiseAccumulator_);
            noiseAccumulator_ -= noise;
            emitNoise(noise, t);
            emitShapeEvents(n - noise, t);
        }
        flushEvents(encoder, out, cutAt, onFull);
        moveShapes(static_cast<double>(end - chunk));
    }
}

}  // namespace quillex
