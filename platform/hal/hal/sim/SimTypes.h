#pragma once
// Value types of the simulator: models, device specs, scene settings.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hal/EventTypes.h"

namespace quillex {

enum class SimModel { Evk4, Evk5, Orbel, Serin320, Tessary, OrbelEth };

struct SimModelInfo {
    SimModel model;
    const char* name;          // as in QUILLEX_SIM_CAMERAS
    const char* manufacturer;  // as the description reports it
    const char* product;
    uint16_t vendorId;
    uint16_t productId;
    INTERFACE_TYPE interfaceType;
    uint16_t width;  // event sensor geometry
    uint16_t height;
    bool genx320;    // GenX320 register map (else IMX636)
    bool frameSensor;  // NV12 frames on endpoint 0x53
};

const SimModelInfo& simModelInfo(SimModel model);
std::optional<SimModel> simModelFromName(std::string_view name);

struct SimDeviceSpec {
    SimModel model = SimModel::Evk4;
    std::string serial;
    std::string recordingPath;  // empty: synthetic scene
};

// The synthetic scene of a device. Rates are before the sensor's own controls: the bias
// registers scale them, the ROI clips, the ERC caps.
struct SimSceneConfig {
    double eventRate = 2.0e6;          // events per second at default biases
    double noiseFraction = 0.25;       // share of eventRate that is uniform background noise
    uint32_t shapeCount = 3;           // moving shapes
    uint64_t triggerPeriodUs = 1000000;  // period of the square wave on trigger-in; 0: no signal
    int16_t triggerChannel = 0;
    uint32_t frameRate = 10;           // NV12 frames per second (frame sensor)
    uint64_t seed = 1;
};

}  // namespace quillex
