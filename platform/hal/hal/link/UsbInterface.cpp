#include "hal/link/UsbInterface.h"

#include <fstream>
#include <iterator>

#include "base/Logger.h"
#include "hal/link/ControlProtocol.h"
#include "hal/link/LinkCommon.h"
#include "hal/sim/DeviceBackend.h"

static constexpr const char* kLogModule = "platform/hal/hal/link/UsbInterface";

namespace quillex {

namespace {
constexpr size_t kMaxCalibrationBytes = 1 << 20;

std::shared_ptr<UsbInterface> create(const CameraDescription& description, bool fusion) {
    if (description.interfaceType != INTERFACE_USB) {
        ZX_LOG(4, "Camera %s is not a USB camera", description.serial.c_str());
        return nullptr;
    }
    auto device = DeviceBackend::active().openDevice(description);
    if (!device) {
        ZX_LOG(4, "USB camera %s not found", description.serial.c_str());
        return nullptr;
    }
    return std::make_shared<UsbInterface>(description, std::move(device), fusion);
}
}  // namespace

std::vector<CameraDescription> UsbInterface::findUsbDvsCamera(uint16_t vendorId, uint16_t productId) {
    return DeviceBackend::active().findUsb(vendorId, productId);
}

std::vector<CameraDescription> UsbInterface::findUsbFusionCamera(uint16_t vendorId, uint16_t productId) {
    return DeviceBackend::active().findUsb(vendorId, productId);
}

std::shared_ptr<UsbInterface> UsbInterface::createUsbInterface(const CameraDescription& description) {
    return create(description, false);
}

std::shared_ptr<UsbInterface> UsbInterface::createUsbFusionInterface(const CameraDescription& description) {
    return create(description, true);
}

UsbInterface::UsbInterface(const CameraDescription& description, std::shared_ptr<Device> device, bool fusion)
    : description_(description), device_(std::move(device)), fusion_(fusion) {}

UsbInterface::~UsbInterface() = default;

bool UsbInterface::open(uint64_t* context) {
    if (!opened_) {
        if (!device_ || !device_->isConnected()) {
            ZX_LOG(4, "Cannot open camera %s: not connected", description_.serial.c_str());
            return false;
        }
        handle_ = link_detail::nextOpenHandle();
        opened_ = true;
    }
    if (context != nullptr) *context = handle_;
    return true;
}

bool UsbInterface::isConnected() const { return device_ && device_->isConnected(); }

int UsbInterface::transferFrame(CtrlFrame& frame) {
    frame.payload.clear();
    if (!opened_ || !isConnected()) {
        frame.status = protocol::kStatusNotConnected;
        return -1;
    }
    frame.status = device_->control(frame);
    return frame.status == protocol::kStatusOk ? 0 : -1;
}

bool UsbInterface::startBulk(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) {
    if (!opened_ || !isConnected()) return false;
    return device_->startEndpoint(endpoint, transferSize, std::move(sink));
}

void UsbInterface::stopBulk(uint8_t endpoint) {
    if (device_) device_->stopEndpoint(endpoint);
}

bool UsbInterface::readCalibrationData(std::vector<uint8_t>& out) {
    out.clear();
    CtrlFrame frame(protocol::kReadCalibration);
    if (transferFrame(frame) != 0 || frame.payload.empty()) return false;
    const size_t count = frame.payload[0];
    if (count == 0 || count > 4 * (frame.payload.size() - 1)) {
        ZX_LOG(4, "Calibration block of camera %s is malformed", description_.serial.c_str());
        return false;
    }
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>((frame.payload[1 + i / 4] >> (8 * (i % 4))) & 0xFF));
    return true;
}

bool UsbInterface::writeCalibrationFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ZX_LOG(4, "Cannot read calibration file %s", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty() || bytes.size() > kMaxCalibrationBytes) {
        ZX_LOG(4, "Calibration file %s is empty or too large", path.c_str());
        return false;
    }
    CtrlFrame frame(protocol::kWriteCalibration);
    frame.push_back32(static_cast<uint32_t>(bytes.size()));
    for (uint32_t word : link_detail::bytesToWords(bytes.data(), bytes.size())) frame.push_back32(word);
    return transferFrame(frame) == 0;
}

bool UsbInterface::readSerialNumber(std::string& out) {
    CtrlFrame frame(protocol::kReadSerial);
    if (transferFrame(frame) != 0) return false;
    out = link_detail::wordsToText(frame.payload);
    return !out.empty();
}

}  // namespace quillex
