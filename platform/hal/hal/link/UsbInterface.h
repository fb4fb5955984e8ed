#pragma once
// USB link to an event camera or the fusion camera, served by the active device backend.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hal/link/CameraInterface.h"

namespace quillex {

class Device;

class UsbInterface : public CameraInterface {
public:
    // Attached USB cameras with these ids (event cameras, resp. the fusion camera).
    static std::vector<CameraDescription> findUsbDvsCamera(uint16_t vendorId, uint16_t productId);
    static std::vector<CameraDescription> findUsbFusionCamera(uint16_t vendorId, uint16_t productId);
    // Link to the camera of `description` (matched by serial and ids); empty when it is not
    // attached, or for createUsbFusionInterface when it is not a fusion camera.
    static std::shared_ptr<UsbInterface> createUsbInterface(const CameraDescription& description);
    static std::shared_ptr<UsbInterface> createUsbFusionInterface(const CameraDescription& description);

    ~UsbInterface() override;

    // Claims the device. `context` (may be null) receives a non-zero handle of this opening.
    // Opening again returns true and keeps the first handle.
    bool open(uint64_t* context) override;
    bool isConnected() const override;
    int transferFrame(CtrlFrame& frame) override;
    INTERFACE_TYPE interfaceType() const override { return INTERFACE_USB; }
    const CameraDescription& description() const override { return description_; }
    bool startBulk(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) override;
    void stopBulk(uint8_t endpoint) override;

    bool isFusion() const { return fusion_; }
    // Fusion camera: the calibration block (JSON bytes) stored in the device.
    bool readCalibrationData(std::vector<uint8_t>& out);
    // Fusion camera: stores the file's bytes as the device's calibration block.
    bool writeCalibrationFile(const std::string& path);
    // Serial number text as the device reports it.
    bool readSerialNumber(std::string& out);

    UsbInterface(const CameraDescription& description, std::shared_ptr<Device> device, bool fusion);

private:
    CameraDescription description_;
    std::shared_ptr<Device> device_;
    bool fusion_ = false;
    std::atomic<bool> opened_{false};
    uint64_t handle_ = 0;
};

}  // namespace quillex
