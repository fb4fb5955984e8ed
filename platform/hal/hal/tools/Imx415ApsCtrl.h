#pragma once
// Frame-sensor control of the fusion camera (IMX415): "exposure_time" (µs), "gain" (0.3 dB
// steps), "horizontal_flip", "vertical_flip".

#include <memory>

#include "hal/tools/CameraToolRegisterWithCallback.h"

namespace quillex {

class Imx415ApsCtrl : public CameraToolRegisterWithCallback {
public:
    static constexpr int32_t kMinExposureUs = 10;
    static constexpr int32_t kMaxExposureUs = 33000;  // below one frame period at 30 frames/s
    static constexpr int32_t kDefaultExposureUs = 10000;
    static constexpr int32_t kMaxGain = 240;

    explicit Imx415ApsCtrl(std::shared_ptr<RegisterController> controller);
};

}  // namespace quillex
