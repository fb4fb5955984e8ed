#pragma once
// Register-backed tool kinds shared by the event sensors. The sensor-specific classes
// (Imx636Tools.h, Genx320Tools.h) fill in names, register layouts and ranges.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hal/tools/CameraToolRegisterWithCallback.h"

namespace quillex {

// One integer parameter per bias register of the "bias/" block, named after the register.
class RegisterBiases : public CameraToolRegisterWithCallback {
protected:
    struct Layout {
        std::vector<std::string> biases;  // register names inside "bias/"
        std::string codeField;            // the bias current code
        std::string transferField;        // set to 1 after a code write to load it
        int32_t maxCode = 0;
    };
    RegisterBiases(std::shared_ptr<RegisterController> controller, ToolInfo info, Layout layout);
};

// "enable": external trigger input on/off.
class RegisterTriggerIn : public CameraToolRegisterWithCallback {
protected:
    RegisterTriggerIn(std::shared_ptr<RegisterController> controller, ToolInfo info);
};

// "mode": "standalone", "master" or "slave" time base synchronisation.
class RegisterSync : public CameraToolRegisterWithCallback {
public:
    static constexpr const char* kStandalone = "standalone";
    static constexpr const char* kMaster = "master";
    static constexpr const char* kSlave = "slave";

protected:
    RegisterSync(std::shared_ptr<RegisterController> controller, ToolInfo info);
};

// Anti-flicker filter: "enable", a frequency band ("low_frequency" .. "high_frequency", Hz)
// and "mode" ("band_stop" drops flicker inside the band, "band_pass" keeps only it). A bound set
// across the other one pushes that one to the end of the range.
class RegisterAntiFlicker : public CameraToolRegisterWithCallback {
public:
    static constexpr uint32_t kPeriodUnitUs = 64;  // unit of the cutoff period fields
    static constexpr int32_t kMinFrequency = 62;   // longest period that fits 8 bits
    static constexpr int32_t kMaxFrequency = 15625;

protected:
    RegisterAntiFlicker(std::shared_ptr<RegisterController> controller, std::string description);

private:
    bool setBand(int32_t low, int32_t high);
    int32_t lowHz_;
    int32_t highHz_;
};

// Event trail filter: "enable", "threshold" (µs) and "type" ("STC_CUT_TRAIL", "STC_KEEP_TRAIL", "TRAIL").
class RegisterEventTrailFilter : public CameraToolRegisterWithCallback {
public:
    static constexpr const char* kStcCutTrail = "STC_CUT_TRAIL";
    static constexpr const char* kStcKeepTrail = "STC_KEEP_TRAIL";
    static constexpr const char* kTrail = "TRAIL";

protected:
    RegisterEventTrailFilter(std::shared_ptr<RegisterController> controller, ToolInfo info);

private:
    bool apply(bool enable, const std::string& type, int32_t threshold);
    bool enabled_ = false;
    std::string type_;
    int32_t threshold_;
};

// Event rate control: "enable" and "max_event_rate" (MEv/s, 0 .. the current upper limit).
class RegisterEventRateControl : public CameraToolRegisterWithCallback {
public:
    static constexpr uint32_t kHardwareLimit = 320;          // MEv/s
    static constexpr uint32_t kDefaultReferencePeriodUs = 128;

    // New upper limit for "max_event_rate" (clamped to the hardware limit). A current rate above
    // it is lowered to it.
    void setMaxLimitEventRate(uint32_t limit);
    uint32_t getMaxLimitEventRate() const { return maxLimit_.load(); }

protected:
    struct Layout {
        std::string enableRegister, enableField;
        std::string periodRegister, periodField;
        std::string targetRegister, targetField;
    };
    RegisterEventRateControl(std::shared_ptr<RegisterController> controller, ToolInfo info, Layout layout);

private:
    bool readRate(int32_t& rate) const;
    bool writeRate(int32_t rate);
    Layout layout_;
    std::atomic<uint32_t> maxLimit_{kHardwareLimit};  // set by the camera while panels may write
};

// Region of interest: "enable", "mode" ("ROI" keeps the window, "RONI" drops it) and the window
// "x", "y", "x_width", "y_height" in pixels. Each value must lie on the sensor; a new origin that
// would push the window off the sensor trims its size, a new size moves the origin, so the four
// values can be applied in any order.
class RegisterROI : public CameraToolRegisterWithCallback {
public:
    static constexpr const char* kRoi = "ROI";
    static constexpr const char* kRoni = "RONI";

protected:
    struct Layout {
        int32_t width = 0, height = 0;
        std::string xPrefix, yPrefix;  // "roi/td_roi_x", "roi/td_roi_y" + two digits
    };
    RegisterROI(std::shared_ptr<RegisterController> controller, ToolInfo info, Layout layout);

private:
    struct Window {
        int32_t x = 0, y = 0, width = 0, height = 0;
    };
    // The window the line registers hold (the remembered one when they cannot be read).
    Window getWindow() const;
    bool setWindow(const Window& window);
    bool programWindow();
    bool writeLines(const std::string& prefix, int32_t count, int32_t first, int32_t length);
    Layout layout_;
    Window window_;
};

}  // namespace quillex
