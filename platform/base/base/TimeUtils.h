#pragma once
// Local date-time text <-> FileTimePoint (system clock, 100 ns ticks).

#include <string>

#include "base/DvsFileInfo.h"

namespace quillex {

// Accepts "YYYY-MM-DD HH:MM:SS" in local time, optionally followed by a
// fraction of a second (".ddd", up to 7 digits are kept) and/or a UTC offset
// (" +HHMM" / " -HHMM", which makes the text unambiguous); trailing blanks are
// ignored. Anything else gives the epoch time point and a level-3 log line.
FileTimePoint parseLocalTimeString(const std::string& text);

// "YYYY-MM-DD HH:MM:SS" in local time (sub-second ticks are dropped, rounding
// toward the past). Empty text (and a level-3 log) when the time cannot be
// represented.
std::string timePointToString(FileTimePoint time);

// timePointToString plus the local UTC offset: "YYYY-MM-DD HH:MM:SS +HHMM"
// (25 characters). parseLocalTimeString reads it back to the same second.
// Historic offsets that are not whole minutes are left out (plain local text).
// Empty when timePointToString is.
std::string timePointToZonedString(FileTimePoint time);

}  // namespace quillex
