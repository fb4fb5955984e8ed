#include "hal/tools/Genx320Tools.h"

namespace quillex {

Genx320Biases::Genx320Biases(std::shared_ptr<RegisterController> controller)
    : RegisterBiases(std::move(controller),
                     ToolInfo{TOOL_BIASES,
                              "Biases",
                              {"bias_pr_hv0", "bias_fo_hv0", "bias_hpf_lv0", "bias_diff_on_lv0", "bias_diff_lv0",
                               "bias_diff_off_lv0", "bias_refr_lv0"},
                              "Biases of DVS cameras with GenX320 sensor"},
                     Layout{{"bias_pr_hv0", "bias_fo_hv0", "bias_hpf_lv0", "bias_diff_on_lv0", "bias_diff_lv0",
                             "bias_diff_off_lv0", "bias_refr_lv0"},
                            "bias_ctl",
                            "single",
                            127}) {}

Genx320TriggerIn::Genx320TriggerIn(std::shared_ptr<RegisterController> controller)
    : RegisterTriggerIn(std::move(controller),
                        ToolInfo{TOOL_TRIGGER_IN, "TriggerIn", {"enable"}, "Trigger in of DVS cameras with GenX320 sensor"}) {}

Genx320Sync::Genx320Sync(std::shared_ptr<RegisterController> controller)
    : RegisterSync(std::move(controller), ToolInfo{TOOL_SYNC, "Sync", {"mode"}, "Sync of DVS cameras with GenX320 sensors"}) {}

Genx320AntiFlicker::Genx320AntiFlicker(std::shared_ptr<RegisterController> controller)
    : RegisterAntiFlicker(std::move(controller), "Anti flicker of DVS cameras with GenX320 sensor.") {}

Genx320EventTrailFilter::Genx320EventTrailFilter(std::shared_ptr<RegisterController> controller)
    : RegisterEventTrailFilter(std::move(controller),
                               ToolInfo{TOOL_EVENT_TRAIL_FILTER,
                                        "EventTrailFilter",
                                        {"enable", "threshold", "type"},
                                        "Event Trail Filter of DVS cameras with GenX320 sensor"}) {}

Genx320ROI::Genx320ROI(std::shared_ptr<RegisterController> controller)
    : RegisterROI(std::move(controller),
                  ToolInfo{TOOL_ROI,
                           "ROI",
                           {"enable", "mode", "x", "y", "x_width", "y_height"},
                           "ROI of DVS cameras with GenX320 sensor"},
                  Layout{320, 320, "roi/td_roi_x", "roi/td_roi_y"}) {}

}  // namespace quillex
