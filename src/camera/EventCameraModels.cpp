#include "camera/EventCameraModels.h"

#include <algorithm>

#include "hal/link/ControlProtocol.h"
#include "hal/link/UsbInterface.h"

namespace quillex {

bool Serin320Camera::getFirmwareVersion(std::string& version) {
    version = "N/A";
    auto usb = std::dynamic_pointer_cast<UsbInterface>(interface_);
    if (!usb || !usb->isConnected()) return false;
    CtrlFrame frame(protocol::kFirmwareVersion);
    if (usb->transferFrame(frame) != 0 || frame.payload.empty()) return false;
    std::string text;
    text.reserve(frame.payload.size() * 4);
    for (uint32_t word : frame.payload)
        for (int i = 0; i < 4; ++i) text.push_back(static_cast<char>((word >> (8 * i)) & 0xFF));
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    version = text;
    return !version.empty();
}

}  // namespace quillex
