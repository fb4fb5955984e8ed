#include "base/DvsFileHeader.h"

#include "base/Logger.h"
#include "base/TimeUtils.h"

static constexpr const char* kLogModule = "base/DvsFileHeader";

namespace quillex {

std::string generateDvsFileHeader(const DvsFileInfo& info) {
    std::string serial;
    serial.reserve(info.serial_number.size());
    for (const char c : info.serial_number)
        if (c != '\n' && c != '\r') serial += c;
    if (serial.size() != info.serial_number.size())
        ZX_LOG(3, "Line breaks removed from serial number '%s' in the file header.", serial.c_str());

    const std::string width = std::to_string(info.width);
    const std::string height = std::to_string(info.height);
    std::string header;
    // A date that cannot be shown is left out; readers then keep the epoch.
    const std::string date = timePointToZonedString(info.date);
    if (!date.empty()) header += "% date " + date + "\n";
    header += "% evt 3.0\n";
    header += "% format EVT3;height=" + height + ";width=" + width + "\n";
    header += "% geometry " + width + "x" + height + "\n";
    header += "% serial_number " + serial + "\n";
    header += "% dvs_start_timestamp " + std::to_string(info.dvs_start_timestamp) + "\n";
    header += "% aps_start_timestamp " + std::to_string(info.aps_start_timestamp) + "\n";
    header += "% end\n";
    return header;
}

}  // namespace quillex
