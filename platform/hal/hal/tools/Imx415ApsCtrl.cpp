#include "hal/tools/Imx415ApsCtrl.h"

namespace quillex {

Imx415ApsCtrl::Imx415ApsCtrl(std::shared_ptr<RegisterController> controller)
    : CameraToolRegisterWithCallback(std::move(controller),
                                     ToolInfo{TOOL_APS_CTRL, "ApsCtrl", {}, "Ctrl of APS cameras with IMX415 sonsors"},
                                     "") {
    addFieldInt("exposure_time", "Exposure time of each frame", "exposure", "exposure_time",
                IntParameterInfo{kMinExposureUs, kMaxExposureUs, kDefaultExposureUs, "us"});
    addFieldInt("gain", "Analog gain in 0.3 dB steps", "gain", "gain", IntParameterInfo{0, kMaxGain, 0, "0.3dB"});
    addFieldBool("horizontal_flip", "Mirror the frame left to right", "readout_ctrl", "horizontal_flip", false);
    addFieldBool("vertical_flip", "Mirror the frame top to bottom", "readout_ctrl", "vertical_flip", false);

    ToolInfo info = getToolInfo();
    for (const auto& [key, param] : getAllParamInfo()) info.parameters.push_back(key);
    setToolInfo(info);
}

}  // namespace quillex
