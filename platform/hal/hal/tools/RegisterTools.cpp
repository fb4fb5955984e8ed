#include "hal/tools/RegisterTools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "platform/hal/hal/tools/RegisterTools";

namespace {

using ParamValue = CameraTool::ParamValue;

uint32_t tableDefault(const std::shared_ptr<RegisterController>& controller, const std::string& registerName,
                      const std::string& fieldName, uint32_t fallback) {
    if (!controller) return fallback;
    auto field = controller->findField(registerName, fieldName);
    return field ? field->defaultValue : fallback;
}

std::string biasDescription(const std::string& name) {
    struct Known {
        const char* prefix;
        const char* text;
    };
    static const Known known[] = {
        {"bias_pr", "Photoreceptor bias: response speed of the pixel front end"},
        {"bias_fo", "Low-pass filter bias: higher values pass faster changes"},
        {"bias_hpf", "High-pass filter bias: higher values cut slow changes"},
        {"bias_diff_on", "ON contrast threshold: lower values make the sensor more sensitive to brightening"},
        {"bias_diff_off", "OFF contrast threshold: higher values make the sensor more sensitive to darkening"},
        {"bias_diff", "Differentiator reference level of the contrast thresholds"},
        {"bias_refr", "Refractory period bias: higher values shorten the dead time after an event"},
    };
    for (const auto& k : known)
        if (name.compare(0, std::char_traits<char>::length(k.prefix), k.prefix) == 0) return k.text;
    return "Bias " + name;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
RegisterBiases::RegisterBiases(std::shared_ptr<RegisterController> controller, ToolInfo info, Layout layout)
    : CameraToolRegisterWithCallback(std::move(controller), std::move(info), "bias/") {
    for (const std::string& name : layout.biases) {
        const uint32_t def = tableDefault(getRegisterController(), qualified(name), layout.codeField, 0);
        const std::string code = layout.codeField;
        const std::string transfer = layout.transferField;
        addRegister2Map(
            FullParamteterInfo{name, biasDescription(name), TOOL_PARAM_INT,
                               IntParameterInfo{0, layout.maxCode, static_cast<int32_t>(def), ""}},
            [this, name, code](ParamValue& value) {
                uint32_t raw = 0;
                if (!readField(name, code, raw)) return false;
                value = static_cast<int32_t>(raw);
                return true;
            },
            [this, name, code, transfer](const ParamValue& value) {
                // The code takes effect when the transfer bit loads it into the bias generator.
                return writeField(name, code, static_cast<uint32_t>(std::get<int32_t>(value))) &&
                       writeField(name, transfer, 1);
            });
    }
}

// ---------------------------------------------------------------------------------------------
RegisterTriggerIn::RegisterTriggerIn(std::shared_ptr<RegisterController> controller, ToolInfo info)
    : CameraToolRegisterWithCallback(std::move(controller), std::move(info), "edf/") {
    const bool def = tableDefault(getRegisterController(), qualified("trigger_in"), "enable", 1) != 0;
    addFieldBool("enable", "Report the edges of the external trigger input as trigger events", "trigger_in",
                 "enable", def);
}

// ---------------------------------------------------------------------------------------------
RegisterSync::RegisterSync(std::shared_ptr<RegisterController> controller, ToolInfo info)
    : CameraToolRegisterWithCallback(std::move(controller), std::move(info), "") {
    addRegister2Map(
        FullParamteterInfo{"mode",
                           "Time base synchronisation: standalone, master (drives the sync output) or slave "
                           "(follows the sync input)",
                           TOOL_PARAM_ENUM, EnumParameterInfo{{kStandalone, kMaster, kSlave}, kStandalone}},
        [this](ParamValue& value) {
            uint32_t external = 0, master = 0;
            if (!readField("ro/time_base_ctrl", "external_mode_enable", external) ||
                !readField("ro/time_base_ctrl", "external_mode", master))
                return false;
            value = std::string(external == 0 ? kStandalone : (master != 0 ? kMaster : kSlave));
            return true;
        },
        [this](const ParamValue& value) {
            const std::string& mode = std::get<std::string>(value);
            const bool external = mode != kStandalone;
            const bool master = mode != kSlave;
            bool ok = writeField("ro/time_base_ctrl", "time_base_mode", external) &&
                      writeField("ro/time_base_ctrl", "external_mode", master) &&
                      writeField("ro/time_base_ctrl", "external_mode_enable", external);
            // Sensors without the sync pad register (GenX320) have nothing more to switch.
            if (ok && getRegisterController()->hasRegister("dig_pad2_ctrl"))
                ok = writeField("dig_pad2_ctrl", "pad_sync", external ? 12 : 15);
            return ok;
        });
}

// ---------------------------------------------------------------------------------------------
namespace {
uint32_t periodOf(int32_t hz) {
    const double period = 1.0e6 / (static_cast<double>(RegisterAntiFlicker::kPeriodUnitUs) * hz);
    return static_cast<uint32_t>(std::clamp(std::lround(period), 1L, 255L));
}
int32_t frequencyOf(uint32_t period) {
    if (period == 0) return RegisterAntiFlicker::kMaxFrequency;
    return static_cast<int32_t>(std::lround(1.0e6 / (static_cast<double>(RegisterAntiFlicker::kPeriodUnitUs) * period)));
}
}  // namespace

RegisterAntiFlicker::RegisterAntiFlicker(std::shared_ptr<RegisterController> controller, std::string description)
    : CameraToolRegisterWithCallback(std::move(controller), ToolInfo{TOOL_ANTI_FLICKER, "AntiFlicker", {}, description},
                                     "afk/") {
    lowHz_ = frequencyOf(tableDefault(getRegisterController(), qualified("filter_period"), "max_cutoff_period", 156));
    highHz_ = frequencyOf(tableDefault(getRegisterController(), qualified("filter_period"), "min_cutoff_period", 15));

    addFieldBool("enable", "Filter out the events of flickering light sources", "pipeline_control", "enable", false);

    // A frequency reads back as it was set as long as the register still holds its period.
    auto frequencyGetter = [this](const char* field, const int32_t* cached) {
        return [this, field, cached](ParamValue& value) {
            uint32_t period = 0;
            if (!readField("filter_period", field, period)) return false;
            // A period of 0 is a register never programmed: the remembered value stands.
            value = (period == 0 || periodOf(*cached) == period) ? *cached : frequencyOf(period);
            return true;
        };
    };
    auto currentLow = [this] {
        int32_t v = lowHz_;
        getParam("low_frequency", v);
        return v;
    };
    auto currentHigh = [this] {
        int32_t v = highHz_;
        getParam("high_frequency", v);
        return v;
    };
    addRegister2Map(
        FullParamteterInfo{"low_frequency", "Lowest flicker frequency of the filtered band", TOOL_PARAM_INT,
                           IntParameterInfo{kMinFrequency, kMaxFrequency, lowHz_, "Hz"}},
        frequencyGetter("max_cutoff_period", &lowHz_),
        [this, currentHigh](const ParamValue& value) {
            // A bound crossing the other pushes it to the end of the range, so the two bounds can
            // be applied in either order.
            const int32_t low = std::get<int32_t>(value);
            int32_t high = currentHigh();
            if (periodOf(low) <= periodOf(high)) high = kMaxFrequency;
            return setBand(low, high);
        });
    addRegister2Map(
        FullParamteterInfo{"high_frequency", "Highest flicker frequency of the filtered band", TOOL_PARAM_INT,
                           IntParameterInfo{kMinFrequency, kMaxFrequency, highHz_, "Hz"}},
        frequencyGetter("min_cutoff_period", &highHz_),
        [this, currentLow](const ParamValue& value) {
            const int32_t high = std::get<int32_t>(value);
            int32_t low = currentLow();
            if (periodOf(low) <= periodOf(high)) low = kMinFrequency;
            return setBand(low, high);
        });
    addRegister2Map(
        FullParamteterInfo{"mode", "band_stop drops the flicker inside the band, band_pass keeps only it",
                           TOOL_PARAM_ENUM, EnumParameterInfo{{"band_stop", "band_pass"}, "band_stop"}},
        [this](ParamValue& value) {
            uint32_t invert = 0;
            if (!readField("param", "invert", invert)) return false;
            value = std::string(invert ? "band_pass" : "band_stop");
            return true;
        },
        [this](const ParamValue& value) {
            return writeField("param", "invert", std::get<std::string>(value) == "band_pass" ? 1 : 0);
        });

    ToolInfo info = getToolInfo();
    info.parameters.clear();
    for (const auto& [key, param] : getAllParamInfo()) info.parameters.push_back(key);
    setToolInfo(info);
}

bool RegisterAntiFlicker::setBand(int32_t low, int32_t high) {
    if (periodOf(low) <= periodOf(high)) {
        ZX_LOG(3, "AntiFlicker: band %d..%d Hz is empty, refused", low, high);
        return false;
    }
    if (!writeField("filter_period", "max_cutoff_period", periodOf(low)) ||
        !writeField("filter_period", "min_cutoff_period", periodOf(high)))
        return false;
    lowHz_ = low;
    highHz_ = high;
    return true;
}

// ---------------------------------------------------------------------------------------------
RegisterEventTrailFilter::RegisterEventTrailFilter(std::shared_ptr<RegisterController> controller, ToolInfo info)
    : CameraToolRegisterWithCallback(std::move(controller), std::move(info), "stc/"), type_(kStcCutTrail) {
    threshold_ = static_cast<int32_t>(tableDefault(getRegisterController(), qualified("stc_param"), "stc_threshold",
                                                   10000));
    auto readEnabled = [this](bool& enabled, std::string& type) {
        uint32_t stc = 0, trail = 0, keep = 0;
        if (!readField("stc_param", "stc_enable", stc) || !readField("trail_param", "trail_enable", trail) ||
            !readField("stc_param", "disable_stc_cut_trail", keep))
            return false;
        enabled = stc != 0 || trail != 0;
        type = trail ? kTrail : (keep ? kStcKeepTrail : kStcCutTrail);
        return true;
    };
    addRegister2Map(
        FullParamteterInfo{"enable", "Filter out noise and the trails that fast edges leave", TOOL_PARAM_BOOL,
                           BoolParameterInfo{false}},
        [readEnabled](ParamValue& value) {
            bool enabled = false;
            std::string type;
            if (!readEnabled(enabled, type)) return false;
            value = enabled;
            return true;
        },
        [this](const ParamValue& value) { return apply(std::get<bool>(value), type_, threshold_); });
    addRegister2Map(
        FullParamteterInfo{"threshold", "Time window of the filter", TOOL_PARAM_INT,
                           IntParameterInfo{1000, 500000, threshold_, "us"}},
        [this](ParamValue& value) {
            uint32_t raw = 0;
            const bool trail = type_ == kTrail;
            if (!readField(trail ? "trail_param" : "stc_param", trail ? "trail_threshold" : "stc_threshold", raw))
                return false;
            value = static_cast<int32_t>(raw);
            return true;
        },
        [this, readEnabled](const ParamValue& value) {
            bool enabled = enabled_;
            std::string type;
            readEnabled(enabled, type);
            return apply(enabled, type_, std::get<int32_t>(value));
        });
    addRegister2Map(
        FullParamteterInfo{"type",
                           "STC_CUT_TRAIL keeps the first event of a burst, STC_KEEP_TRAIL keeps the burst after "
                           "it, TRAIL keeps only the first event of a trail",
                           TOOL_PARAM_ENUM, EnumParameterInfo{{kStcCutTrail, kStcKeepTrail, kTrail}, kStcCutTrail}},
        [this, readEnabled](ParamValue& value) {
            bool enabled = false;
            std::string type;
            if (!readEnabled(enabled, type)) return false;
            value = enabled ? type : type_;
            return true;
        },
        [this, readEnabled](const ParamValue& value) {
            bool enabled = enabled_;
            std::string type;
            readEnabled(enabled, type);
            return apply(enabled, std::get<std::string>(value), threshold_);
        });
}

bool RegisterEventTrailFilter::apply(bool enable, const std::string& type, int32_t threshold) {
    const bool trail = type == kTrail;
    const uint32_t t = static_cast<uint32_t>(threshold);
    bool ok = true;
    if (trail) {
        ok = writeField("stc_param", "stc_enable", 0) && writeField("trail_param", "trail_threshold", t) &&
             writeField("trail_param", "trail_enable", enable);
    } else {
        ok = writeField("trail_param", "trail_enable", 0) && writeField("stc_param", "stc_threshold", t) &&
             writeField("stc_param", "disable_stc_cut_trail", type == kStcKeepTrail) &&
             writeField("stc_param", "stc_enable", enable);
    }
    ok = ok && writeField("pipeline_control", "enable", enable);
    if (ok) {
        enabled_ = enable;
        type_ = type;
        threshold_ = threshold;
    }
    return ok;
}

// ---------------------------------------------------------------------------------------------
RegisterEventRateControl::RegisterEventRateControl(std::shared_ptr<RegisterController> controller, ToolInfo info,
                                                   Layout layout)
    : CameraToolRegisterWithCallback(std::move(controller), std::move(info), "erc/"), layout_(std::move(layout)) {
    addFieldBool("enable", "Set whether the Event Rate Control function is enabled", layout_.enableRegister,
                 layout_.enableField, false);
    addRegister2Map(
        FullParamteterInfo{"max_event_rate", "Set threshold", TOOL_PARAM_INT,
                           IntParameterInfo{0, static_cast<int32_t>(kHardwareLimit),
                                            static_cast<int32_t>(kHardwareLimit), "MEv/s"}},
        [this](ParamValue& value) {
            int32_t rate = 0;
            if (!readRate(rate)) return false;
            value = rate;
            return true;
        },
        [this](const ParamValue& value) { return writeRate(std::get<int32_t>(value)); });
}

bool RegisterEventRateControl::readRate(int32_t& rate) const {
    uint32_t period = 0, target = 0;
    if (!readField(layout_.periodRegister, layout_.periodField, period) ||
        !readField(layout_.targetRegister, layout_.targetField, target))
        return false;
    rate = period == 0 ? 0 : static_cast<int32_t>((target + period / 2) / period);
    return true;
}

bool RegisterEventRateControl::writeRate(int32_t rate) {
    uint32_t period = 0;
    if (!readField(layout_.periodRegister, layout_.periodField, period)) return false;
    if (period == 0) {
        period = kDefaultReferencePeriodUs;
        if (!writeField(layout_.periodRegister, layout_.periodField, period)) return false;
    }
    // rate MEv/s = events per µs, so the period holds rate * period events.
    return writeField(layout_.targetRegister, layout_.targetField, static_cast<uint32_t>(rate) * period);
}

void RegisterEventRateControl::setMaxLimitEventRate(uint32_t limit) {
    if (limit > kHardwareLimit) {
        ZX_LOG(3, "EventRateControl: limit %u above the sensor's %u MEv/s, using %u", limit, kHardwareLimit,
               kHardwareLimit);
        limit = kHardwareLimit;
    }
    maxLimit_.store(limit);
    updateParameterInfo("max_event_rate", IntParameterInfo{0, static_cast<int32_t>(limit),
                                                           static_cast<int32_t>(limit), "MEv/s"});
    int32_t rate = 0;
    if (readRate(rate) && rate > static_cast<int32_t>(limit)) writeRate(static_cast<int32_t>(limit));
}

// ---------------------------------------------------------------------------------------------
RegisterROI::RegisterROI(std::shared_ptr<RegisterController> controller, ToolInfo info, Layout layout)
    : CameraToolRegisterWithCallback(std::move(controller), std::move(info), ""), layout_(std::move(layout)) {
    window_ = Window{0, 0, layout_.width, layout_.height};
    addRegister2Map(
        FullParamteterInfo{"enable", "Keep or drop the events of a rectangular window", TOOL_PARAM_BOOL,
                           BoolParameterInfo{false}},
        [this](ParamValue& value) {
            uint32_t raw = 0;
            if (!readField("roi_ctrl", "roi_td_en", raw)) return false;
            value = raw != 0;
            return true;
        },
        [this](const ParamValue& value) {
            const bool on = std::get<bool>(value);
            if (on && !programWindow()) return false;
            return writeField("roi_ctrl", "roi_td_en", on ? 1 : 0);
        });
    addRegister2Map(
        FullParamteterInfo{"mode", "ROI keeps the events inside the window, RONI drops them", TOOL_PARAM_ENUM,
                           EnumParameterInfo{{kRoi, kRoni}, kRoi}},
        [this](ParamValue& value) {
            uint32_t raw = 0;
            if (!readField("roi_ctrl", "td_roi_roni_n_en", raw)) return false;
            value = std::string(raw ? kRoi : kRoni);
            return true;
        },
        [this](const ParamValue& value) {
            return writeField("roi_ctrl", "td_roi_roni_n_en", std::get<std::string>(value) == kRoi ? 1 : 0);
        });

    struct Coordinate {
        const char* key;
        const char* description;
        int32_t min, max;
        int32_t Window::*member;
    };
    const Coordinate coordinates[] = {
        {"x", "Left column of the window", 0, layout_.width - 1, &Window::x},
        {"y", "Top row of the window", 0, layout_.height - 1, &Window::y},
        {"x_width", "Width of the window", 1, layout_.width, &Window::width},
        {"y_height", "Height of the window", 1, layout_.height, &Window::height},
    };
    for (const Coordinate& c : coordinates) {
        auto member = c.member;
        addRegister2Map(
            FullParamteterInfo{c.key, c.description, TOOL_PARAM_INT, IntParameterInfo{c.min, c.max, window_.*member, "px"}},
            [this, member](ParamValue& value) {
                value = getWindow().*member;
                return true;
            },
            [this, member](const ParamValue& value) {
                Window next = getWindow();
                next.*member = std::get<int32_t>(value);
                // Keep the window on the sensor without depending on the order the four values
                // arrive in (files apply them by name, the panel width first): a new origin
                // trims the size, a new size moves the origin.
                if (member == &Window::x && next.x + next.width > layout_.width) next.width = layout_.width - next.x;
                if (member == &Window::y && next.y + next.height > layout_.height)
                    next.height = layout_.height - next.y;
                if (member == &Window::width && next.x + next.width > layout_.width) next.x = layout_.width - next.width;
                if (member == &Window::height && next.y + next.height > layout_.height)
                    next.y = layout_.height - next.height;
                return setWindow(next);
            });
    }
}

namespace {
// First line inside the window and the number of consecutive inside lines; false when no line is.
bool decodeLines(const std::vector<uint32_t>& words, int32_t count, int32_t& first, int32_t& length) {
    first = -1;
    length = 0;
    for (int32_t line = 0; line < count; ++line) {
        const bool inside = (words[static_cast<size_t>(line / 32)] & (1u << (line % 32))) == 0;
        if (inside && first < 0) first = line;
        if (inside && first >= 0 && line == first + length) ++length;
    }
    return first >= 0;
}
}  // namespace

RegisterROI::Window RegisterROI::getWindow() const {
    // The registers are the truth; the remembered window covers a device that cannot be read.
    const auto& controller = getRegisterController();
    if (!controller) return window_;
    const int32_t xRegs = (layout_.width + 31) / 32, yRegs = (layout_.height + 31) / 32;
    std::vector<uint32_t> xs(static_cast<size_t>(xRegs)), ys(static_cast<size_t>(yRegs));
    Window w;
    if (controller->readRegisterWithControlTransfer(layout_.xPrefix + "00", xs.data(), xRegs) != 0 ||
        controller->readRegisterWithControlTransfer(layout_.yPrefix + "00", ys.data(), yRegs) != 0 ||
        !decodeLines(xs, layout_.width, w.x, w.width) || !decodeLines(ys, layout_.height, w.y, w.height))
        return window_;
    return w;
}

bool RegisterROI::setWindow(const Window& window) {
    if (window.x < 0 || window.y < 0 || window.width < 1 || window.height < 1 ||
        window.x + window.width > layout_.width || window.y + window.height > layout_.height) {
        ZX_LOG(3, "ROI: window %d,%d %dx%d leaves the %dx%d sensor, refused", window.x, window.y, window.width,
               window.height, layout_.width, layout_.height);
        return false;
    }
    const Window previous = window_;
    window_ = window;
    // Keep the remembered window in step with what the registers will hold.
    if (!programWindow()) {
        window_ = previous;
        return false;
    }
    return true;
}

bool RegisterROI::writeLines(const std::string& prefix, int32_t count, int32_t first, int32_t length) {
    const int32_t registers = (count + 31) / 32;
    std::vector<uint32_t> words(static_cast<size_t>(registers), 0);
    for (int32_t line = 0; line < count; ++line) {
        const bool inside = line >= first && line < first + length;
        // A set bit marks a line outside the window.
        if (!inside) words[static_cast<size_t>(line / 32)] |= 1u << (line % 32);
    }
    return getRegisterController() &&
           getRegisterController()->writeRegisterDataWithControlTransfer(prefix + "00", words.data(),
                                                                         static_cast<uint32_t>(words.size())) == 0;
}

bool RegisterROI::programWindow() {
    return writeLines(layout_.xPrefix, layout_.width, window_.x, window_.width) &&
           writeLines(layout_.yPrefix, layout_.height, window_.y, window_.height) &&
           writeField("roi_ctrl", "roi_td_shadow_trigger", 1);
}

}  // namespace quillex
