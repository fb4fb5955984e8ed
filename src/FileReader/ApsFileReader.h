#pragma once
// Reading interface for the frame-sensor (APS) video of a fusion recording.
// Frames come as BGR24 images in ApsFrame records stamped with their presentation time in µs.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ApsFrame.h"

namespace quillex {

class ApsFileReader {
public:
    virtual ~ApsFileReader() = default;

    // A new reader for a path ending in ".mp4" (exact, case-sensitive), or empty.
    // The file is not opened: call loadFile() next.
    static std::unique_ptr<ApsFileReader> createFileReader(const std::string& path);

    // Slot order is part of the contract.
    virtual bool loadFile() = 0;
    // Positions the reader at the frame time at or before `time_us`.
    virtual bool seekTime(uint64_t time_us) = 0;
    virtual bool getTimeStamps(std::vector<uint64_t>& out) = 0;
    virtual bool getNextFrame(ApsFrame& frame) = 0;
    virtual bool getNFrame(int index, ApsFrame& frame) = 0;
    // The frame shown at `time_us`: the last frame whose time is not after it.
    virtual bool getFrameGivenTimeStamp(uint64_t time_us, ApsFrame& frame) = 0;

    uint16_t getWidth() const { return width_; }
    uint16_t getHeight() const { return height_; }

protected:
    uint16_t width_ = 3840;
    uint16_t height_ = 2160;
};

}  // namespace quillex
