#pragma once
// Plain value types shared by the hardware layer, the driver and the application.

#include <cstdint>
#include <string>

namespace quillex {

struct Event2D {
    uint16_t x = 0;
    uint16_t y = 0;
    uint8_t polarity = 0;
    uint64_t timestamp = 0;

    Event2D() = default;
    Event2D(uint16_t x_, uint16_t y_, uint8_t polarity_, uint64_t timestamp_)
        : x(x_), y(y_), polarity(polarity_), timestamp(timestamp_) {}

    bool operator==(const Event2D&) const = default;
};

struct EventTriggerIn {
    int16_t polarity = 0;
    uint64_t timestamp = 0;
    int16_t id = 0;

    EventTriggerIn() = default;
    // Argument order is (id, polarity, timestamp).
    EventTriggerIn(int16_t id_, int16_t polarity_, uint64_t timestamp_)
        : polarity(polarity_), timestamp(timestamp_), id(id_) {}

    bool operator==(const EventTriggerIn&) const = default;
};

struct ZxStatisticInfo {
    uint64_t dataRate = 0;   // bytes of raw stream per second
    uint64_t eventRate = 0;  // decoded events per second

    ZxStatisticInfo() = default;
    ZxStatisticInfo(uint64_t dataRate_, uint64_t eventRate_) : dataRate(dataRate_), eventRate(eventRate_) {}

    bool operator==(const ZxStatisticInfo&) const = default;
};

enum CAMERA_TYPE : int32_t {
    CAMERA_EVK4 = 0,
    CAMERA_EVK5 = 1,
    CAMERA_ORBEL = 2,
    CAMERA_TESSARY = 3,
    CAMERA_SERIN320 = 4,
};

enum INTERFACE_TYPE : int32_t {
    INTERFACE_USB = 0,
    INTERFACE_ETH = 1,
};

enum STREAM_TYPE : int32_t {
    STREAM_DVS = 0,
    STREAM_APS = 1,
    STREAM_FUSION = 2,
};

enum ToolType : int32_t {
    TOOL_BIASES = 0,
    TOOL_TRIGGER_IN = 1,
    TOOL_SYNC = 2,
    TOOL_ANTI_FLICKER = 3,
    TOOL_EVENT_TRAIL_FILTER = 4,
    TOOL_EVENT_RATE_CONTROL = 5,
    TOOL_ROI = 6,
    TOOL_APS_CTRL = 7,
};

// The hardware layer's record of one discovered camera. `serial` stays the first member.
struct CameraDescription {
    std::string serial;
    std::string manufacturer;
    std::string product;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    INTERFACE_TYPE interfaceType = INTERFACE_USB;
    // Link details: USB bus address, or the Ethernet camera's network settings.
    std::string busAddress;
    std::string firmwareVersion;
    std::string ipAddress;
    std::string subnetMask;
    std::string gateway;
    uint16_t controlPort = 0;  // Ethernet control port (0 for USB)

    bool operator==(const CameraDescription&) const = default;
};

}  // namespace quillex
