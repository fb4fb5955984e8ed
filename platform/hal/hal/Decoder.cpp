#include "hal/Decoder.h"

#include <cctype>
#include <charconv>
#include <string_view>

#include "base/Logger.h"
#include "hal/EVT3Decoder.h"

namespace quillex {

static constexpr const char* kLogModule = "platform/hal/hal/Decoder";

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// "EVT3", "evt3.0" and "EVT 3.0" all name the same encoding.
bool isEvt3Name(std::string_view name) {
    std::string folded;
    for (char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            folded.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return folded == "evt3" || folded == "evt3.0";
}

bool parseDimension(std::string_view text, uint32_t& value) {
    uint32_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || v == 0) return false;
    value = v;
    return true;
}

}  // namespace

std::unique_ptr<Decoder> DecoderFactory::createUniqueDecoder(const std::string& format) {
    std::string_view rest(format);
    const size_t semi = rest.find(';');
    const std::string_view name = trim(rest.substr(0, semi));
    if (!isEvt3Name(name)) {
        ZX_LOG(4, "Unsupported stream format: \"%s\"", format.c_str());
        return nullptr;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    while (!rest.empty()) {
        const size_t next = rest.find(';');
        const std::string_view field = trim(rest.substr(0, next));
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        const size_t eq = field.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = trim(field.substr(0, eq));
        const std::string_view value = trim(field.substr(eq + 1));
        uint32_t* target = key == "width" ? &width : key == "height" ? &height : nullptr;
        if (target != nullptr && !parseDimension(value, *target))
            ZX_LOG(3, "Ignoring bad %.*s in stream format \"%s\"", static_cast<int>(key.size()), key.data(),
                   format.c_str());
    }
    if (width > EVT3Decoder::kMaxGeometry || height > EVT3Decoder::kMaxGeometry)
        ZX_LOG(3, "Geometry %ux%u exceeds the EVT 3.0 address range; limited to %u", width, height,
               EVT3Decoder::kMaxGeometry);
    return std::make_unique<EVT3Decoder>(width, height);
}

}  // namespace quillex
