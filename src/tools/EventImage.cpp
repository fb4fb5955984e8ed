#include "tools/EventImage.h"

#include <cstring>

namespace quillex {

void drawEventImage(std::span<const Event2D> events, int width, int height, std::vector<uint8_t>& image) {
    if (width <= 0 || height <= 0) {
        image.clear();
        return;
    }
    const size_t w = static_cast<size_t>(width);
    const size_t bytes = w * static_cast<size_t>(height) * 3;
    image.resize(bytes);
    std::memset(image.data(), kEventImageBackground, bytes);
    uint8_t* const px = image.data();
    for (const Event2D& e : events) {
        if (e.x >= width || e.y >= height) continue;
        const uint8_t v = e.polarity == 1 ? 255 : 0;
        uint8_t* p = px + (static_cast<size_t>(e.y) * w + e.x) * 3;
        p[0] = v;
        p[1] = v;
        p[2] = v;
    }
}

}  // namespace quillex
