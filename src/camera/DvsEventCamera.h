#pragma once
// Event camera of every supported model: opens the USB or Ethernet link at init, tells the
// 1280 x 720 sensor family from the 320 x 320 one, and builds the register controller,
// decoder, sensor driver and tool table.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "camera/DvsCameraPrivate.h"

namespace quillex {

class DvsEventCamera : public DvsCameraPrivate {
public:
    // Stream-format text from which the decoder is built ("EVT3;height=720;width=1280").
    using RawEventStreamFormat = std::string;

    static constexpr uint16_t kSmallSensorVendorId = 0x04B5;
    static constexpr uint16_t kSmallSensorProductId = 0x0003;

    explicit DvsEventCamera(const CameraDescription& description);
    ~DvsEventCamera() override;

    bool isConnected() const override;
    uint16_t getWidth() override { return width_; }
    uint16_t getHeight() override { return height_; }
    bool updateCameraFirmware(const std::string& path, uint32_t value) override;
    // 0 on success (also when already inited), -1 when no interface could be created.
    int32_t init() override;
    virtual RawEventStreamFormat getRawEventStreamFormat();

    bool isSmallSensor() const { return smallSensor_; }

    // Waits of register sequences for controllers built from now on (empty: real sleeps).
    // Simulated set-ups use it to skip the sensors' power-up delays.
    using RegisterWaitFunction = std::function<void(std::chrono::microseconds)>;
    static void setRegisterWaitFunction(RegisterWaitFunction wait);

protected:
    uint16_t width_ = 1280;
    uint16_t height_ = 720;
    RawEventStreamFormat streamFormat_ = "EVT3;height=720;width=1280";
    bool smallSensor_ = false;
};

}  // namespace quillex
