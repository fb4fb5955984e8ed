#include "camera/DvsEventCamera.h"

#include <mutex>

#include "base/Logger.h"
#include "hal/link/EthInterface.h"
#include "hal/link/UsbInterface.h"
#include "hal/registers/RegisterController.h"
#include "hal/tools/Genx320Tools.h"
#include "hal/tools/Imx636Tools.h"
#include "sensor/Genx320EventRateControl.h"
#include "sensor/Genx320Sensor.h"
#include "sensor/Imx6x6Sensor.h"
#include "sensor/RegisterTables.h"

static constexpr const char* kLogModule = "src/camera/DvsEventCamera";

namespace quillex {

namespace {

std::mutex gWaitMutex;
DvsEventCamera::RegisterWaitFunction gRegisterWait;

DvsEventCamera::RegisterWaitFunction registerWait() {
    std::lock_guard lock(gWaitMutex);
    return gRegisterWait;
}

}  // namespace

void DvsEventCamera::setRegisterWaitFunction(RegisterWaitFunction wait) {
    std::lock_guard lock(gWaitMutex);
    gRegisterWait = std::move(wait);
}

DvsEventCamera::DvsEventCamera(const CameraDescription& description) : DvsCameraPrivate(description) {}

DvsEventCamera::~DvsEventCamera() {
    // The loop calls isConnected: stop it while this object is still whole.
    shutdown();
}

bool DvsEventCamera::isConnected() const { return interface_ && interface_->isConnected(); }

bool DvsEventCamera::updateCameraFirmware(const std::string& path, uint32_t value) {
    if (description_.interfaceType != INTERFACE_ETH) return false;
    auto eth = std::dynamic_pointer_cast<EthInterface>(interface_);
    return eth && eth->updateFirmware(path, value);
}

DvsEventCamera::RawEventStreamFormat DvsEventCamera::getRawEventStreamFormat() { return streamFormat_; }

int32_t DvsEventCamera::init() {
    if (inited_) return 0;

    const CameraDescription description = description_;
    std::shared_ptr<CameraInterface> interface;
    if (description.interfaceType == INTERFACE_USB)
        interface = UsbInterface::createUsbInterface(description);
    else if (description.interfaceType == INTERFACE_ETH)
        interface = EthInterface::createEthInterface(description);
    if (!interface) {
        ZX_LOG(4, "No interface for camera %s.", description.serial.c_str());
        return -1;
    }
    if (!interface->open(&interfaceContext_)) {
        ZX_LOG(4, "Unable to open the link to camera %s.", description.serial.c_str());
        return -1;
    }
    interface_ = interface;

    smallSensor_ = description.vendorId == kSmallSensorVendorId && description.productId == kSmallSensorProductId;
    width_ = smallSensor_ ? 320 : 1280;
    height_ = smallSensor_ ? 320 : 720;
    streamFormat_ = smallSensor_ ? "EVT3;height=320;width=320" : "EVT3;height=720;width=1280";

    const auto table = smallSensor_ ? genx320RegisterTable() : imx636RegisterTable();
    registerController_ = std::make_shared<RegisterController>(
        interface_, table.data(), table.size(), smallSensor_ ? kGenx320RegisterPrefix : kImx636RegisterPrefix);
    if (auto wait = registerWait()) registerController_->setWaitFunction(std::move(wait));

    fileInfo_.width = width_;
    fileInfo_.height = height_;

    decoder_ = DecoderFactory::createUniqueDecoder(getRawEventStreamFormat());
    if (!decoder_) {
        ZX_LOG(4, "No decoder for the stream format %s.", streamFormat_.c_str());
        return -1;
    }
    decoder_->setEventsStreamHandleCallback([this](Event2D* first, Event2D* last) { eventStreamArrived(first, last); });
    decoder_->setTriggerInCallback([this](EventTriggerIn trigger) { triggerInArrived(trigger); });

    if (smallSensor_)
        sensor_ = std::make_unique<Genx320Sensor>();
    else
        sensor_ = std::make_unique<Imx6x6Sensor>();
    std::weak_ptr<RegisterController> controller = registerController_;
    sensor_->setApplyRegisterOperationSequenceCallback([controller](const std::vector<RegisterOperation>& sequence) {
        if (auto c = controller.lock()) c->applyRegisterOperationSequence(sequence);
    });
    sensor_->setWriteRegisterFieldCallback(
        [controller](const std::string& registerName, const std::string& fieldName, uint32_t value) {
            if (auto c = controller.lock()) c->writeRegisterField(registerName, fieldName, value);
        });
    if (sensor_->init(interface_) != 0) ZX_LOG(3, "Sensor of camera %s did not initialise.", description.serial.c_str());

    auto add = [this](ToolType type, std::shared_ptr<CameraTool> tool) { tools_.emplace(type, std::move(tool)); };
    const auto& rc = registerController_;
    if (smallSensor_) {
        add(TOOL_BIASES, std::make_shared<Genx320Biases>(rc));
        add(TOOL_TRIGGER_IN, std::make_shared<Genx320TriggerIn>(rc));
        add(TOOL_SYNC, std::make_shared<Genx320Sync>(rc));
        add(TOOL_ANTI_FLICKER, std::make_shared<Genx320AntiFlicker>(rc));
        add(TOOL_EVENT_TRAIL_FILTER, std::make_shared<Genx320EventTrailFilter>(rc));
        add(TOOL_EVENT_RATE_CONTROL, std::make_shared<Genx320EventRateControl>(rc));
        add(TOOL_ROI, std::make_shared<Genx320ROI>(rc));
    } else {
        add(TOOL_BIASES, std::make_shared<Imx636Biases>(rc));
        add(TOOL_TRIGGER_IN, std::make_shared<Imx636TriggerIn>(rc));
        add(TOOL_SYNC, std::make_shared<Imx636Sync>(rc));
        add(TOOL_ANTI_FLICKER, std::make_shared<Imx636AntiFlicker>(rc));
        add(TOOL_EVENT_TRAIL_FILTER, std::make_shared<Imx636EventTrailFilter>(rc));
        add(TOOL_EVENT_RATE_CONTROL, std::make_shared<Imx636EventRateControl>(rc));
        add(TOOL_ROI, std::make_shared<Imx636ROI>(rc));
    }

    inited_ = true;
    return 0;
}

}  // namespace quillex
