#pragma once
// Tools of event cameras with the IMX636 sensor (register prefix "PSEE/IMX636/").

#include <memory>

#include "hal/tools/RegisterTools.h"

namespace quillex {

class Imx636Biases : public RegisterBiases {
public:
    explicit Imx636Biases(std::shared_ptr<RegisterController> controller);
};

class Imx636TriggerIn : public RegisterTriggerIn {
public:
    explicit Imx636TriggerIn(std::shared_ptr<RegisterController> controller);
};

class Imx636Sync : public RegisterSync {
public:
    explicit Imx636Sync(std::shared_ptr<RegisterController> controller);
};

class Imx636AntiFlicker : public RegisterAntiFlicker {
public:
    explicit Imx636AntiFlicker(std::shared_ptr<RegisterController> controller);
};

class Imx636EventTrailFilter : public RegisterEventTrailFilter {
public:
    explicit Imx636EventTrailFilter(std::shared_ptr<RegisterController> controller);
};

class Imx636EventRateControl : public RegisterEventRateControl {
public:
    explicit Imx636EventRateControl(std::shared_ptr<RegisterController> controller);
};

class Imx636ROI : public RegisterROI {
public:
    explicit Imx636ROI(std::shared_ptr<RegisterController> controller);
};

}  // namespace quillex
