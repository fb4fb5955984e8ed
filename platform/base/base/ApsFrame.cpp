#include "base/ApsFrame.h"

#include <algorithm>
#include <cstring>

#include "base/Logger.h"

static constexpr const char* kLogModule = "base/ApsFrame";

namespace quillex {

size_t ApsFrame::imageBytes(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height) * 3u;
}

static int checkedDimension(int value, const char* name) {
    if (value >= 0) return value;
    ZX_LOG(3, "Negative frame %s %d, using 0.", name, value);
    return 0;
}

ApsFrame::ApsFrame(int width, int height, uint64_t start, uint64_t end)
    : start_(start), end_(end), width_(checkedDimension(width, "width")), height_(checkedDimension(height, "height")) {
    storage_.assign(imageBytes(width_, height_), 0);
    data_ = storage_.empty() ? nullptr : storage_.data();
    size_ = storage_.size();
}

ApsFrame::ApsFrame(int width, int height, uint64_t start, uint64_t end, const uint8_t* data, size_t size, bool shallow)
    : start_(start), end_(end), width_(checkedDimension(width, "width")), height_(checkedDimension(height, "height")) {
    if (data == nullptr && size > 0) {
        ZX_LOG(3, "Frame built from a null buffer of %zu bytes, using zeros.", size);
        size = 0;
    }
    const size_t image = imageBytes(width_, height_);
    if (size < image) {
        ZX_LOG(3, "Frame %dx%d given %zu bytes, expected %zu; padding with zeros.", width_, height_, size, image);
        shallow = false;
    }
    if (shallow) {
        // The caller keeps the bytes alive; we only look at them.
        data_ = const_cast<uint8_t*>(data);
        size_ = size;
        return;
    }
    storage_.assign(std::max(size, image), 0);
    if (size > 0) std::memcpy(storage_.data(), data, size);
    data_ = storage_.empty() ? nullptr : storage_.data();
    size_ = storage_.size();
}

void ApsFrame::copyFrom(const ApsFrame& other) {
    start_ = other.start_;
    end_ = other.end_;
    width_ = other.width_;
    height_ = other.height_;
    if (other.size_ > 0)
        storage_.assign(other.data_, other.data_ + other.size_);
    else
        storage_.clear();
    data_ = storage_.empty() ? nullptr : storage_.data();
    size_ = storage_.size();
}

ApsFrame::ApsFrame(const ApsFrame& other) { copyFrom(other); }

ApsFrame& ApsFrame::operator=(const ApsFrame& other) {
    if (this != &other) copyFrom(other);
    return *this;
}

ApsFrame::ApsFrame(ApsFrame&& other) noexcept
    : start_(other.start_),
      end_(other.end_),
      width_(other.width_),
      height_(other.height_),
      storage_(std::move(other.storage_)),
      data_(other.data_),
      size_(other.size_) {
    // Moving a vector keeps its buffer, so data_ still points at our storage (or at the view).
    other.width_ = other.height_ = 0;
    other.storage_.clear();
    other.data_ = nullptr;
    other.size_ = 0;
}

ApsFrame& ApsFrame::operator=(ApsFrame&& other) noexcept {
    if (this == &other) return *this;
    start_ = other.start_;
    end_ = other.end_;
    width_ = other.width_;
    height_ = other.height_;
    storage_ = std::move(other.storage_);
    data_ = other.data_;
    size_ = other.size_;
    other.width_ = other.height_ = 0;
    other.storage_.clear();
    other.data_ = nullptr;
    other.size_ = 0;
    return *this;
}

ApsFrame ApsFrame::clone() const { return ApsFrame(*this); }

}  // namespace quillex
