#pragma once
// The event camera models. They differ only in their identity and, for the 320 x 320 model,
// in how the firmware version is read.

#include <cstdint>
#include <string>

#include "camera/DvsEventCamera.h"

namespace quillex {

class PropheseeEVK4 : public DvsEventCamera {
public:
    static constexpr uint16_t vendorId = 0x04B4;
    static constexpr uint16_t productId = 0x00F5;
    static constexpr INTERFACE_TYPE interfaceType = INTERFACE_USB;
    static std::string getManufacturer() { return "Prophesee"; }
    static std::string getProductName() { return "EVK4"; }
    explicit PropheseeEVK4(const CameraDescription& description) : DvsEventCamera(description) {}
};

class PropheseeEVK5 : public DvsEventCamera {
public:
    static constexpr uint16_t vendorId = 0x04B4;
    static constexpr uint16_t productId = 0x00C4;
    static constexpr INTERFACE_TYPE interfaceType = INTERFACE_USB;
    static std::string getManufacturer() { return "Prophesee"; }
    static std::string getProductName() { return "EVK5"; }
    explicit PropheseeEVK5(const CameraDescription& description) : DvsEventCamera(description) {}
};

class QuillexOrbel : public DvsEventCamera {
public:
    static constexpr uint16_t vendorId = 0x04B5;
    static constexpr uint16_t productId = 0x0001;
    static constexpr INTERFACE_TYPE interfaceType = INTERFACE_USB;
    static std::string getManufacturer() { return "Quillex"; }
    static std::string getProductName() { return "Orbel"; }
    explicit QuillexOrbel(const CameraDescription& description) : DvsEventCamera(description) {}
};

class Serin320Camera : public DvsEventCamera {
public:
    static constexpr uint16_t vendorId = 0x04B5;
    static constexpr uint16_t productId = 0x0003;
    static constexpr INTERFACE_TYPE interfaceType = INTERFACE_USB;
    static std::string getManufacturer() { return "Quillex Team."; }
    static std::string getProductName() { return "Quillex.320camera"; }
    explicit Serin320Camera(const CameraDescription& description) : DvsEventCamera(description) {}

    // Asks the device with control frame 121; the answer is text up to its first zero byte.
    bool getFirmwareVersion(std::string& version) override;
};

}  // namespace quillex
