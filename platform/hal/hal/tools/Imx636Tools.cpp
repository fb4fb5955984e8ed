#include "hal/tools/Imx636Tools.h"

namespace quillex {

Imx636Biases::Imx636Biases(std::shared_ptr<RegisterController> controller)
    : RegisterBiases(std::move(controller),
                     ToolInfo{TOOL_BIASES,
                              "Biases",
                              {"bias_fo", "bias_hpf", "bias_diff_on", "bias_diff", "bias_diff_off", "bias_refr"},
                              "Biases of DVS cameras with IMX636 sensor"},
                     Layout{{"bias_fo", "bias_hpf", "bias_diff_on", "bias_diff", "bias_diff_off", "bias_refr"},
                            "idac_ctl",
                            "single_transfer",
                            255}) {}

Imx636TriggerIn::Imx636TriggerIn(std::shared_ptr<RegisterController> controller)
    : RegisterTriggerIn(std::move(controller),
                        ToolInfo{TOOL_TRIGGER_IN, "TriggerIn", {"enable"}, "Trigger in of DVS cameras with IMX636 sensors"}) {}

Imx636Sync::Imx636Sync(std::shared_ptr<RegisterController> controller)
    : RegisterSync(std::move(controller), ToolInfo{TOOL_SYNC, "Sync", {"mode"}, "Sync of DVS cameras with IMX636 sensors"}) {}

Imx636AntiFlicker::Imx636AntiFlicker(std::shared_ptr<RegisterController> controller)
    : RegisterAntiFlicker(std::move(controller), "Anti flicker of DVS cameras with IMX636 sensor.") {}

Imx636EventTrailFilter::Imx636EventTrailFilter(std::shared_ptr<RegisterController> controller)
    : RegisterEventTrailFilter(std::move(controller),
                               ToolInfo{TOOL_EVENT_TRAIL_FILTER,
                                        "EventTrailFilter",
                                        {"enable", "threshold", "type"},
                                        "Event Trail Filter of DVS cameras with IMX636 sensor"}) {}

Imx636EventRateControl::Imx636EventRateControl(std::shared_ptr<RegisterController> controller)
    : RegisterEventRateControl(std::move(controller),
                               ToolInfo{TOOL_EVENT_RATE_CONTROL,
                                        "EventRateControl",
                                        {"enable", "max_event_rate"},
                                        "ERC of DVS cameras with IMX636 sensor"},
                               Layout{"erc_enable", "erc_en", "reference_period", "erc_reference_period",
                                      "td_target_event_rate", "target_event_rate"}) {}

Imx636ROI::Imx636ROI(std::shared_ptr<RegisterController> controller)
    : RegisterROI(std::move(controller),
                  ToolInfo{TOOL_ROI,
                           "ROI",
                           {"enable", "mode", "x", "y", "x_width", "y_height"},
                           "ROI of DVS cameras with IMX636 sensor"},
                  Layout{1280, 720, "roi/td_roi_x", "roi/td_roi_y"}) {}

}  // namespace quillex
