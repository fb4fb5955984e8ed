// Raw recording headers from arbitrary bytes: parsing never crashes or throws, and on
// success the payload offset lies inside the input and the stream stands there.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "FileReader/RawFileHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        std::cerr.setstate(std::ios::badbit);  // the non-EVT3 messages would flood the log
        return true;
    }();
    (void)quiet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes, std::ios::binary);
    quillex::DvsFileInfo info;
    const quillex::RawHeaderResult result = quillex::parseRawFileHeader(in, info);
    if (result.ok()) {
        if (result.payloadOffset > size) std::abort();
        if (static_cast<uint64_t>(in.tellg()) != result.payloadOffset) std::abort();
        // The header is made of '%' lines: the payload never starts inside one.
        if (result.payloadOffset > 0 && bytes[result.payloadOffset - 1] != '\n' && result.payloadOffset != size)
            std::abort();
    } else if (result.line.empty()) {
        std::abort();  // a refusal names its line
    }
    return 0;
}
