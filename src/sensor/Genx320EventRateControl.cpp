#include "sensor/Genx320EventRateControl.h"

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "src/sensor/Genx320EventRateControl";

Genx320EventRateControl::Genx320EventRateControl(std::shared_ptr<RegisterController> controller)
    : CameraToolRegisterWithCallback(std::move(controller),
                                     ToolInfo{TOOL_EVENT_RATE_CONTROL,
                                              "EventRateControl",
                                              {"enable", "max_event_rate"},
                                              "ERC of DVS cameras with GenX320 sensor"},
                                     "erc/") {
    FullParamteterInfo enable{"enable", "Set whether the Event Rate Control function is enabled", TOOL_PARAM_BOOL,
                              BoolParameterInfo{false}};
    addRegister2Map(
        enable,
        [this](ParamValue& value) {
            bool on = false;
            if (!getEnable(on)) return false;
            value = on;
            return true;
        },
        [this](const ParamValue& value) { return setEnable(std::get<bool>(value)); });

    FullParamteterInfo maxRate{"max_event_rate", "Set threshold", TOOL_PARAM_INT,
                               IntParameterInfo{0, 320, 320, "MEv/s"}};
    addRegister2Map(
        maxRate,
        [this](ParamValue& value) {
            int32_t rate = 0;
            if (!getMaxEventRate(rate)) return false;
            value = rate;
            return true;
        },
        [this](const ParamValue& value) { return setMaxEventRate(std::get<int32_t>(value)); });
}

bool Genx320EventRateControl::getEnable(bool& enable) const {
    uint32_t raw = 0;
    if (!readField("pipeline_control", "enable", raw)) return false;
    enable = raw != 0;
    return true;
}

bool Genx320EventRateControl::setEnable(bool enable) { return writeField("pipeline_control", "enable", enable); }

bool Genx320EventRateControl::getMaxEventRate(int32_t& rate) const {
    uint32_t period = 0, count = 0;
    if (!readField("ref_period_flavor", "reference_period", period) || !readField("td_target_event_count", "val", count))
        return false;
    rate = period == 0 ? 0 : static_cast<int32_t>((count + period / 2) / period);
    return true;
}

bool Genx320EventRateControl::setMaxEventRate(int32_t rate) {
    const uint32_t limit = maxLimitEventRate_.load();
    if (rate < 0 || static_cast<uint32_t>(rate) > limit) {
        ZX_LOG(3, "EventRateControl: %d MEv/s outside 0..%u, refused", rate, limit);
        return false;
    }
    uint32_t period = 0;
    if (!readField("ref_period_flavor", "reference_period", period)) return false;
    if (period == 0) {
        period = kReferencePeriodUs;
        if (!writeField("ref_period_flavor", "reference_period", period)) return false;
    }
    // MEv/s are events per µs: the period lets rate * period events through.
    return writeField("td_target_event_count", "val", static_cast<uint32_t>(rate) * period);
}

void Genx320EventRateControl::setMaxLimitEventRate(uint32_t limit) {
    if (limit > limitEventRate_) {
        ZX_LOG(3, "EventRateControl: limit %u above the sensor's %u MEv/s, using %u", limit, limitEventRate_,
               limitEventRate_);
        limit = limitEventRate_;
    }
    maxLimitEventRate_.store(limit);
    updateParameterInfo("max_event_rate",
                        IntParameterInfo{0, static_cast<int32_t>(limit), static_cast<int32_t>(limit), "MEv/s"});
    int32_t rate = 0;
    if (getMaxEventRate(rate) && rate > static_cast<int32_t>(limit)) setMaxEventRate(static_cast<int32_t>(limit));
}

}  // namespace quillex
