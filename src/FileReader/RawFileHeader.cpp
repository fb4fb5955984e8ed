#include "FileReader/RawFileHeader.h"

#include <cctype>
#include <exception>
#include <iostream>
#include <limits>
#include <string_view>

#include "base/Logger.h"
#include "base/TimeUtils.h"

namespace quillex {

static constexpr const char* kLogModule = "src/FileReader/RawFileHeader";

namespace {

struct NumberError {
    RawHeaderResult::Status status = RawHeaderResult::Status::Ok;
    std::string message;
};

size_t skipSpace(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

// Leading blanks, an optional sign and at least one digit; trailing text is ignored.
bool parseInt32(std::string_view text, int32_t& out, NumberError& error) {
    size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) {
        error = {RawHeaderResult::Status::InvalidNumber, "invalid stoi argument"};
        return false;
    }
    int64_t value = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            error = {RawHeaderResult::Status::OutOfRange, "stoi argument out of range"};
            return false;
        }
    }
    out = static_cast<int32_t>(negative ? -value : value);
    return true;
}

// Leading blanks, an optional '+' and at least one digit. A '-' is refused: a negative
// timestamp would otherwise wrap to a huge one.
bool parseUint64(std::string_view text, uint64_t& out, NumberError& error) {
    size_t i = skipSpace(text);
    if (i < text.size() && text[i] == '+') ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) {
        error = {RawHeaderResult::Status::InvalidNumber, "invalid stoull argument"};
        return false;
    }
    uint64_t value = 0;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        const auto digit = static_cast<uint64_t>(text[i] - '0');
        if (value > (kMax - digit) / 10) {
            error = {RawHeaderResult::Status::OutOfRange, "stoull argument out of range"};
            return false;
        }
        value = value * 10 + digit;
    }
    out = value;
    return true;
}

bool parseDimension(std::string_view text, uint16_t& out, NumberError& error) {
    int32_t value = 0;
    if (!parseInt32(text, value, error)) return false;
    out = static_cast<uint16_t>(value);  // cut to 16 bits like the field it lands in
    return true;
}

// "EVT3;height=720;width=1280": the name, then key=value fields.
bool parseFormat(std::string_view value, DvsFileInfo& info, NumberError& error, bool& notEvt3) {
    size_t start = 0;
    bool first = true;
    while (true) {
        const size_t semi = value.find(';', start);
        const std::string_view field =
            value.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start);
        if (first) {
            if (field != "EVT3") {
                notEvt3 = true;
                return false;
            }
            first = false;
        } else {
            const size_t eq = field.find('=');
            const std::string_view key = field.substr(0, eq);
            std::string_view val;
            if (eq != std::string_view::npos) {
                val = field.substr(eq + 1);
                val = val.substr(0, val.find('='));
            }
            if (key == "width" && !parseDimension(val, info.width, error)) return false;
            if (key == "height" && !parseDimension(val, info.height, error)) return false;
        }
        if (semi == std::string_view::npos) break;
        start = semi + 1;
    }
    return true;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

RawHeaderResult parseRawFileHeader(std::istream& in, DvsFileInfo& out) {
    RawHeaderResult result;
    DvsFileInfo info = out;

    const std::streampos startPos = in.tellg();
    uint64_t offset = startPos < 0 ? 0 : static_cast<uint64_t>(startPos);

    std::string line;
    while (true) {
        const int next = in.peek();
        if (next != '%') break;  // also the end of the file
        std::getline(in, line);
        const bool hadNewline = !in.eof();
        offset += line.size() + (hadNewline ? 1 : 0);
        if (line == "% end") break;

        const std::string_view text(line);
        NumberError error;
        bool numbersOk = true;
        if (startsWith(text, "% format ")) {
            bool notEvt3 = false;
            numbersOk = parseFormat(text.substr(9), info, error, notEvt3);
            if (notEvt3) {
                std::cerr << "Error : detected non-EVT3 input file '" << "'" << std::endl;
                result.status = RawHeaderResult::Status::NotEvt3Format;
                result.line = line;
                return result;
            }
        } else if (startsWith(text, "% geometry ")) {
            const std::string_view value = text.substr(11);
            const size_t x = value.find('x');
            numbersOk = parseDimension(value.substr(0, x), info.width, error) &&
                        parseDimension(x == std::string_view::npos ? std::string_view{} : value.substr(x + 1),
                                       info.height, error);
        } else if (startsWith(text, "% evt ")) {
            if (text.substr(6) != "3.0") {
                std::cerr << "Error : detected non-EVT3 input file.'" << "'" << std::endl;
                result.status = RawHeaderResult::Status::NotEvt3Version;
                result.line = line;
                return result;
            }
        } else if (startsWith(text, "% serial_number ")) {
            info.serial_number = line.substr(16);
        } else if (startsWith(text, "% aps_start_timestamp ")) {
            numbersOk = parseUint64(text.substr(22), info.aps_start_timestamp, error);
        } else if (startsWith(text, "% dvs_start_timestamp ")) {
            numbersOk = parseUint64(text.substr(22), info.dvs_start_timestamp, error);
        } else if (startsWith(text, "% date ")) {
            try {
                info.date = parseLocalTimeString(line.substr(7, 25));
            } catch (const std::exception& e) {
                ZX_LOG(3, "Unreadable date in header line '%s': %s", line.c_str(), e.what());
            }
        }
        if (!numbersOk) {
            result.status = error.status;
            result.message = error.message;
            result.line = line;
            return result;
        }
        if (!hadNewline) break;
    }

    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    result.payloadOffset = offset;
    out = std::move(info);
    return result;
}

}  // namespace quillex
