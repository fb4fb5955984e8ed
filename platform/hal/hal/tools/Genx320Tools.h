#pragma once
// Tools of event cameras with the GenX320 sensor (register prefix "PSEE/GENX320/").
// The event rate control tool of this sensor is the driver's Genx320EventRateControl.

#include <memory>

#include "hal/tools/RegisterTools.h"

namespace quillex {

class Genx320Biases : public RegisterBiases {
public:
    explicit Genx320Biases(std::shared_ptr<RegisterController> controller);
};

class Genx320TriggerIn : public RegisterTriggerIn {
public:
    explicit Genx320TriggerIn(std::shared_ptr<RegisterController> controller);
};

class Genx320Sync : public RegisterSync {
public:
    explicit Genx320Sync(std::shared_ptr<RegisterController> controller);
};

class Genx320AntiFlicker : public RegisterAntiFlicker {
public:
    explicit Genx320AntiFlicker(std::shared_ptr<RegisterController> controller);
};

class Genx320EventTrailFilter : public RegisterEventTrailFilter {
public:
    explicit Genx320EventTrailFilter(std::shared_ptr<RegisterController> controller);
};

class Genx320ROI : public RegisterROI {
public:
    explicit Genx320ROI(std::shared_ptr<RegisterController> controller);
};

}  // namespace quillex
