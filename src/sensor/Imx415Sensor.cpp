#include "sensor/Imx415Sensor.h"

#include <functional>

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "src/sensor/Imx415Sensor";

namespace {
void writeApsCtrl(const Sensor::WriteRegisterCallback& writeRegister,
                  const Sensor::WriteRegisterFieldCallback& writeField, uint32_t value) {
    if (writeRegister)
        writeRegister("aps_ctrl", value);
    else if (writeField)
        writeField("aps_ctrl", "enable", value);
    else
        throw std::bad_function_call();
}
}  // namespace

int Imx415Sensor::init(std::shared_ptr<CameraInterface> interface) {
    createEventStream(interface, frameBytes(), kBufferCount, kEndpoint);
    initialized_ = true;
    writeApsCtrl(writeRegister_, writeRegisterField_, 0);
    ZX_LOG(2, "Imx415Sensor init success!");
    return 0;
}

int Imx415Sensor::start() {
    if (!initialized_) {
        ZX_LOG(4, "Please initialize the Imx415Sensor first!");
        return -1;
    }
    if (!stream_ || stream_->start() != 0) {
        ZX_LOG(4, "Imx415Sensor start failed! The frame stream did not start.");
        return -1;
    }
    writeApsCtrl(writeRegister_, writeRegisterField_, 1);
    return 0;
}

int Imx415Sensor::stop() {
    if (!initialized_) return 0;
    if (stream_) stream_->stop();
    writeApsCtrl(writeRegister_, writeRegisterField_, 0);
    return 0;
}

}  // namespace quillex
