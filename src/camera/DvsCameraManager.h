#pragma once
// Entry point to cameras: finds the known models over USB and Ethernet, keeps one camera
// object per serial number, drops cameras that are no longer connected and opens them.
// Used from one thread; the cameras run their own threads once started.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "camera/DvsCamera.h"
#include "types/DvsTypes.h"

namespace quillex {

class FusionCamera;

class DvsCameraManager {
public:
    DvsCameraManager() = default;

    // Drops unplugged cameras, searches every family; the number of descriptions found
    // (cameras already known count too).
    int32_t updateCameras();
    // Drops unplugged cameras, searches, then lists event cameras and fusion cameras by serial.
    std::vector<CameraDescription> getCameraDescs();
    // Initialises the camera on first use; empty when unknown or when init fails.
    std::shared_ptr<DvsCamera> openCamera(const std::string& serial);
    std::shared_ptr<FusionCamera> openFusionCamera(const std::string& serial);

    static bool ethCameraForceIP(const CameraDescription& description, uint32_t address, uint32_t mask,
                                 uint32_t gateway);

private:
    int32_t findCameras();
    int32_t findCameras(CAMERA_TYPE type);
    int32_t findEthCameras();
    void removeUnpluggedCameras();

    std::map<std::string, std::shared_ptr<DvsCamera>> cameras_;
    std::map<std::string, std::shared_ptr<FusionCamera>> fusionCameras_;
};

}  // namespace quillex
