#pragma once
// Driver of the IMX415 frame sensor of the fusion camera: NV12 frames of 3840 x 2160 on 0x53.
// Streaming is switched by the whole register "aps_ctrl" through the write-register callback,
// so a camera must set it (besides the field and sequence callbacks). Without it the field
// callback writes "aps_ctrl"."enable"; with neither, init/start/stop throw std::bad_function_call.

#include "sensor/Sensor.h"

namespace quillex {

class Imx415Sensor : public Sensor {
public:
    static constexpr uint32_t kBufferCount = 1;
    static constexpr uint8_t kEndpoint = 0x53;

    Imx415Sensor() = default;

    int init(std::shared_ptr<CameraInterface> interface) override;
    int start() override;
    int stop() override;

    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    uint32_t frameBytes() const { return static_cast<uint32_t>(width_) * static_cast<uint32_t>(height_) * 3 / 2; }

private:
    int width_ = 3840;
    int height_ = 2160;
};

}  // namespace quillex
