#pragma once
// Content of a raw recording's header. The layout is shared with the header generator.

#include <chrono>
#include <cstdint>
#include <ratio>
#include <string>

namespace quillex {

// System-clock time point counted in 100 ns ticks.
using FileTimePoint = std::chrono::time_point<std::chrono::system_clock, std::chrono::duration<int64_t, std::ratio<1, 10000000>>>;

struct DvsFileInfo {
    uint64_t dvs_start_timestamp = 0;
    int64_t reserved0 = 0;  // copied along, never interpreted
    uint64_t aps_start_timestamp = 0;
    int64_t reserved1 = 0;  // copied along, never interpreted
    uint16_t width = 1280;
    uint16_t height = 720;
    std::string serial_number;
    FileTimePoint date{};
};

}  // namespace quillex
