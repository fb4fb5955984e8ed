#pragma once
// Header text of a raw event recording.
//
// generateDvsFileHeader writes, each line ending in a bare "\n", in this order:
//   % date YYYY-MM-DD HH:MM:SS +HHMM   local time of info.date with its UTC offset
//   % evt 3.0
//   % format EVT3;height=H;width=W
//   % geometry WxH
//   % serial_number S
//   % dvs_start_timestamp N
//   % aps_start_timestamp N
//   % end
// The date value is exactly 25 characters, the amount the reader hands to
// parseLocalTimeString, so it reads back to the same second even in the
// repeated hour at the end of daylight saving time. info.date is written as
// given (the epoch stays the epoch); a date outside years 0..9999 leaves the
// date line out. Line breaks in the serial number are
// dropped so it cannot end the line early or inject header lines.

#include <string>

#include "base/DvsFileInfo.h"

namespace quillex {

std::string generateDvsFileHeader(const DvsFileInfo& info);

}  // namespace quillex
