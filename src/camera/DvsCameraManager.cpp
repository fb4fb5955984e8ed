#include "camera/DvsCameraManager.h"

#include "base/Logger.h"
#include "camera/EventCameraModels.h"
#include "hal/link/EthInterface.h"
#include "hal/link/UsbInterface.h"

static constexpr const char* kLogModule = "src/camera/DvsCameraManager";

namespace quillex {

namespace {

constexpr uint16_t kFusionVendorId = 0x2207;
constexpr uint16_t kFusionProductId = 0x0006;

template <typename Model>
int32_t searchUsbFamily(std::map<std::string, std::shared_ptr<DvsCamera>>& cameras) {
    std::vector<CameraDescription> found = UsbInterface::findUsbDvsCamera(Model::vendorId, Model::productId);
    if (found.empty()) found = UsbInterface::findUsbDvsCamera(Model::vendorId, Model::productId);
    for (const CameraDescription& description : found) {
        if (cameras.count(description.serial) != 0) continue;
        cameras.emplace(description.serial, std::make_shared<Model>(description));
    }
    return static_cast<int32_t>(found.size());
}

}  // namespace

int32_t DvsCameraManager::findCameras(CAMERA_TYPE type) {
    switch (type) {
        case CAMERA_EVK4:
            return searchUsbFamily<PropheseeEVK4>(cameras_);
        case CAMERA_EVK5:
            return searchUsbFamily<PropheseeEVK5>(cameras_);
        case CAMERA_ORBEL:
            return searchUsbFamily<QuillexOrbel>(cameras_);
        case CAMERA_SERIN320:
            return searchUsbFamily<Serin320Camera>(cameras_);
        case CAMERA_TESSARY:
            // Counted; no fusion camera objects are made until that model is offered.
            return static_cast<int32_t>(UsbInterface::findUsbFusionCamera(kFusionVendorId, kFusionProductId).size());
    }
    return 0;
}

int32_t DvsCameraManager::findEthCameras() {
    const std::vector<CameraDescription> found = EthInterface::findEthDvsCamera();
    for (const CameraDescription& description : found) {
        if (cameras_.count(description.serial) != 0) continue;
        cameras_.emplace(description.serial, std::make_shared<QuillexOrbel>(description));
    }
    return static_cast<int32_t>(found.size());
}

int32_t DvsCameraManager::findCameras() {
    int32_t count = findCameras(CAMERA_EVK4);
    count += findCameras(CAMERA_EVK5);
    count += findCameras(CAMERA_ORBEL);
    count += findCameras(CAMERA_TESSARY);
    count += findEthCameras();
    count += findCameras(CAMERA_SERIN320);
    return count;
}

void DvsCameraManager::removeUnpluggedCameras() {
    for (auto it = cameras_.begin(); it != cameras_.end();) {
        if (!it->second || !it->second->isConnected()) {
            ZX_LOG(1, "Camera %s disconnected", it->first.c_str());
            it = cameras_.erase(it);
        } else {
            ++it;
        }
    }
    // The fusion map stays empty until the fusion model is offered; nothing to check there yet.
    for (auto it = fusionCameras_.begin(); it != fusionCameras_.end();) {
        if (!it->second)
            it = fusionCameras_.erase(it);
        else
            ++it;
    }
}

int32_t DvsCameraManager::updateCameras() {
    removeUnpluggedCameras();
    return findCameras();
}

std::vector<CameraDescription> DvsCameraManager::getCameraDescs() {
    removeUnpluggedCameras();
    findCameras();
    std::vector<CameraDescription> descriptions;
    descriptions.reserve(cameras_.size() + fusionCameras_.size());
    for (const auto& [serial, camera] : cameras_) descriptions.push_back(camera->getDescription());
    // Fusion cameras would follow here, in serial order; none are kept yet.
    return descriptions;
}

std::shared_ptr<DvsCamera> DvsCameraManager::openCamera(const std::string& serial) {
    ZX_LOG(1, "Camera serial: %s", serial.c_str());
    auto it = cameras_.find(serial);
    if (it == cameras_.end()) return nullptr;
    if (it->second->init() != 0) return nullptr;
    return it->second;
}

std::shared_ptr<FusionCamera> DvsCameraManager::openFusionCamera(const std::string& serial) {
    ZX_LOG(1, "Fusion Camera serial: %s", serial.c_str());
    auto it = fusionCameras_.find(serial);
    if (it == fusionCameras_.end()) return nullptr;
    return it->second;
}

bool DvsCameraManager::ethCameraForceIP(const CameraDescription& description, uint32_t address, uint32_t mask,
                                        uint32_t gateway) {
    return EthInterface::ethCameraForceIP(description, address, mask, gateway);
}

}  // namespace quillex
