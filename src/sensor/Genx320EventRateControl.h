#pragma once
// Event rate control of the GenX320 sensor: "enable" and "max_event_rate" (MEv/s) over the
// "erc/" registers.

#include <atomic>
#include <cstdint>
#include <memory>

#include "hal/tools/CameraToolRegisterWithCallback.h"

namespace quillex {

class Genx320EventRateControl : public CameraToolRegisterWithCallback {
public:
    static constexpr uint32_t kReferencePeriodUs = 128;

    explicit Genx320EventRateControl(std::shared_ptr<RegisterController> controller);

    // Upper limit of "max_event_rate" (clamped to the sensor limit, 320); a larger current rate is lowered.
    void setMaxLimitEventRate(uint32_t limit);
    uint32_t getMaxLimitEventRate() const { return maxLimitEventRate_.load(); }

    bool getEnable(bool& enable) const;
    bool setEnable(bool enable);
    bool getMaxEventRate(int32_t& rate) const;
    bool setMaxEventRate(int32_t rate);

private:
    uint32_t limitEventRate_ = 320;
    std::atomic<uint32_t> maxLimitEventRate_{320};  // set by the camera while panels may write
};

}  // namespace quillex
