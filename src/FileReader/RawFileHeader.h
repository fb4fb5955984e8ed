#pragma once
// Text header of a ".raw" recording: "%"-lines up to "% end" (or up to the first line that does
// not start with "%"), then the EVT 3.0 payload.

#include <cstdint>
#include <istream>
#include <string>

#include "base/DvsFileInfo.h"

namespace quillex {

struct RawHeaderResult {
    enum class Status {
        Ok,
        NotEvt3Format,   // "% format " whose first field is not "EVT3"
        NotEvt3Version,  // "% evt " other than "3.0"
        InvalidNumber,   // a width, height or timestamp value that is not a number
        OutOfRange,      // a number too large for its field
    };

    Status status = Status::Ok;
    uint64_t payloadOffset = 0;  // absolute offset of the first payload byte (valid when ok())
    std::string line;            // the offending header line
    std::string message;         // e.g. "invalid stoi argument"

    bool ok() const { return status == Status::Ok; }
};

// Parses the header from the stream's current position into `info` (keys that the header lacks
// keep their values; `info` is untouched on failure). On success the stream is cleared and
// positioned at the first payload byte. The non-EVT3 rejections are reported on standard error.
RawHeaderResult parseRawFileHeader(std::istream& in, DvsFileInfo& info);

}  // namespace quillex
