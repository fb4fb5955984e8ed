#pragma once
// One frame image (packed BGR24 after conversion) with its width, height and
// exposure window in microseconds of the camera clock.
//
// Storage rules:
// - ApsFrame(width, height, start, end) owns width * height * 3 zeroed bytes.
// - ApsFrame(width, height, start, end, data, size, shallow) starts from given bytes.
//   shallow == false (what every caller passes): the bytes are copied into the
//   frame's own storage, so the caller may reuse its buffer at once.
//   shallow == true: the frame is a view over the caller's bytes, which must
//   outlive it and every move of it; copying a view makes an owning deep copy.
//   Either way the frame always holds at least width * height * 3 bytes: a
//   shorter input is copied and zero-padded (logged), never read past its end.
// - Copies are deep: a copy never aliases the source's pixels. Moves are cheap
//   and leave the source empty (0 x 0, no data).
// - The start and end times are the two leading 64-bit members, in that order.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillex {

class ApsFrame {
public:
    ApsFrame() = default;
    ApsFrame(int width, int height, uint64_t start, uint64_t end);
    ApsFrame(int width, int height, uint64_t start, uint64_t end, const uint8_t* data, size_t size, bool shallow);

    ApsFrame(const ApsFrame& other);
    ApsFrame& operator=(const ApsFrame& other);
    ApsFrame(ApsFrame&& other) noexcept;
    ApsFrame& operator=(ApsFrame&& other) noexcept;
    ~ApsFrame() = default;

    // Deep copy (also of a view).
    ApsFrame clone() const;

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t getDataSize() const { return size_; }
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    uint64_t getStartTime() const { return start_; }
    uint64_t getEndTime() const { return end_; }
    void setStartTime(uint64_t start) { start_ = start; }
    void setEndTime(uint64_t end) { end_ = end; }
    // True when the frame views caller-owned bytes.
    bool isView() const { return data_ != nullptr && data_ != storage_.data(); }

    // Bytes of one packed BGR24 image of the given size (0 for negative sizes).
    static size_t imageBytes(int width, int height);

private:
    void copyFrom(const ApsFrame& other);

    uint64_t start_ = 0;
    uint64_t end_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> storage_;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace quillex
