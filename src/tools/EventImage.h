#pragma once
// Draws one batch of events as a BGR24 image: grey background, white for polarity 1, black for 0.
// Events outside width x height are skipped.

#include <cstdint>
#include <span>
#include <vector>

#include "hal/EventTypes.h"

namespace quillex {

inline constexpr uint8_t kEventImageBackground = 112;

// `image` is resized to width x height x 3 bytes (a no-op when it already has that size).
void drawEventImage(std::span<const Event2D> events, int width, int height, std::vector<uint8_t>& image);

}  // namespace quillex
