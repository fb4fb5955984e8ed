#include "hal/link/EthInterface.h"

#include "base/Logger.h"
#include "hal/link/ControlProtocol.h"
#include "hal/link/LinkCommon.h"
#include "hal/sim/DeviceBackend.h"

static constexpr const char* kLogModule = "platform/hal/hal/link/EthInterface";

namespace quillex {

std::vector<CameraDescription> EthInterface::findEthDvsCamera() { return DeviceBackend::active().findEth(); }

std::shared_ptr<EthInterface> EthInterface::createEthInterface(const CameraDescription& description) {
    if (description.interfaceType != INTERFACE_ETH) {
        ZX_LOG(4, "Camera %s is not an Ethernet camera", description.serial.c_str());
        return nullptr;
    }
    auto device = DeviceBackend::active().openDevice(description);
    if (!device) {
        ZX_LOG(4, "Ethernet camera %s not reachable", description.serial.c_str());
        return nullptr;
    }
    return std::make_shared<EthInterface>(description, std::move(device));
}

bool EthInterface::ethCameraForceIP(const CameraDescription& description, uint32_t, uint32_t, uint32_t) {
    ZX_LOG(3, "Setting the address of camera %s is not supported yet", description.serial.c_str());
    return false;
}

EthInterface::EthInterface(const CameraDescription& description, std::shared_ptr<Device> device)
    : description_(description), device_(std::move(device)) {}

EthInterface::~EthInterface() {
    if (device_ && opened_) device_->setEventStream(false);
}

bool EthInterface::open(uint64_t* context) {
    if (!opened_) {
        if (!device_ || !device_->isConnected()) {
            ZX_LOG(4, "Cannot open camera %s: not reachable", description_.serial.c_str());
            return false;
        }
        handle_ = link_detail::nextOpenHandle();
        opened_ = true;
    }
    if (context != nullptr) *context = handle_;
    return true;
}

bool EthInterface::isConnected() const { return device_ && device_->isConnected(); }

int EthInterface::transferFrame(CtrlFrame& frame) {
    frame.payload.clear();
    if (!opened_ || !isConnected()) {
        frame.status = protocol::kStatusNotConnected;
        return -1;
    }
    frame.status = device_->control(frame);
    return frame.status == protocol::kStatusOk ? 0 : -1;
}

bool EthInterface::startBulk(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) {
    if (!opened_ || !isConnected()) return false;
    return device_->startEndpoint(endpoint, transferSize, std::move(sink));
}

void EthInterface::stopBulk(uint8_t endpoint) {
    if (device_) device_->stopEndpoint(endpoint);
}

bool EthInterface::setEventStream(bool enable) {
    if (!opened_ || !isConnected()) return false;
    device_->setEventStream(enable);
    return true;
}

bool EthInterface::updateFirmware(const std::string& path, uint32_t) {
    ZX_LOG(3, "Firmware update of camera %s from %s is not supported yet", description_.serial.c_str(), path.c_str());
    return false;
}

}  // namespace quillex
