#pragma once
// Ethernet link to an event camera. For now the devices are the simulator's Ethernet
// cameras, reached in-process.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hal/link/CameraInterface.h"

namespace quillex {

class Device;

class EthInterface : public CameraInterface {
public:
    // Reachable Ethernet cameras; descriptions carry INTERFACE_ETH and their network settings.
    static std::vector<CameraDescription> findEthDvsCamera();
    static std::shared_ptr<EthInterface> createEthInterface(const CameraDescription& description);
    // Sets the camera's IPv4 address, mask and gateway (host-order numbers). Not offered yet: false.
    static bool ethCameraForceIP(const CameraDescription& description, uint32_t address, uint32_t mask,
                                 uint32_t gateway);

    ~EthInterface() override;

    bool open(uint64_t* context) override;
    bool isConnected() const override;
    int transferFrame(CtrlFrame& frame) override;
    INTERFACE_TYPE interfaceType() const override { return INTERFACE_ETH; }
    const CameraDescription& description() const override { return description_; }
    bool startBulk(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) override;
    void stopBulk(uint8_t endpoint) override;

    // Switches the camera's event stream on or off (it streams only while on). False when not connected.
    bool setEventStream(bool enable);
    // Firmware update over the network. Not offered yet: false.
    bool updateFirmware(const std::string& path, uint32_t value);

    EthInterface(const CameraDescription& description, std::shared_ptr<Device> device);

private:
    CameraDescription description_;
    std::shared_ptr<Device> device_;
    std::atomic<bool> opened_{false};
    uint64_t handle_ = 0;
};

}  // namespace quillex
