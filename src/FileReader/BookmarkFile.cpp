#include "FileReader/BookmarkFile.h"

#include <array>
#include <cstring>

namespace quillex::bookmarkfile {

namespace {

constexpr std::array<uint8_t, 256> makeCrcTable() {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint8_t crc = static_cast<uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
        table[static_cast<size_t>(i)] = crc;
    }
    return table;
}

constexpr std::array<uint8_t, 256> kCrcTable = makeCrcTable();

// Smallest encoded sizes, used to bound counts before anything is allocated.
constexpr size_t kBookmarkFixedSize = 8 + 8 + 1 + 8 + 4 + 8;
constexpr size_t kTriggerSize = 2 + 2 + 8;

template <typename T>
void put(std::vector<uint8_t>& out, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
}

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t remaining() const { return size_ - pos_; }
    template <typename T>
    bool get(T& value) {
        if (remaining() < sizeof(T)) return false;
        uint64_t v = 0;
        for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
        pos_ += sizeof(T);
        value = static_cast<T>(v);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool isUnsignedDecimal(const std::string& text) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    if (text.size() == 20 && text > "18446744073709551615") return false;
    return true;
}

}  // namespace

uint8_t crc8(const uint8_t* data, size_t size) {
    uint8_t crc = 0;
    for (size_t i = 0; i < size; ++i) crc = kCrcTable[crc ^ data[i]];
    return crc;
}

std::vector<uint8_t> encode(const RawFileReader::BookmarkMap& bookmarks, uint64_t maxByte, uint16_t width,
                            uint16_t height) {
    std::vector<uint8_t> out;
    const std::string text = std::string("version:") + RawFileReader::BOOKMARK_VERSION + "\n" +
                             "max_byte:" + std::to_string(maxByte) + "\n" + "sensor_width:" + std::to_string(width) +
                             "\n" + "sensor_height:" + std::to_string(height) + "\n";
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    put<uint64_t>(out, bookmarks.size());
    for (const auto& [key, bookmark] : bookmarks) {
        put<uint64_t>(out, key);
        put<uint64_t>(out, bookmark.offset);
        put<uint8_t>(out, 0);
        put<uint64_t>(out, bookmark.timestamp);
        put<uint32_t>(out, bookmark.event_count);
        put<uint64_t>(out, bookmark.triggers.size());
        for (const EventTriggerIn& trigger : bookmark.triggers) {
            put<uint16_t>(out, static_cast<uint16_t>(trigger.id));
            put<uint16_t>(out, static_cast<uint16_t>(trigger.polarity));
            put<uint64_t>(out, trigger.timestamp);
        }
    }
    return out;
}

TextPart parseText(const uint8_t* data, size_t size) {
    TextPart part;
    const auto* end = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t textSize = end != nullptr ? static_cast<size_t>(end - data) : size;
    part.terminated = end != nullptr;
    part.binaryOffset = end != nullptr ? textSize + 1 : size;

    const std::string text(reinterpret_cast<const char*>(data), textSize);
    size_t start = 0;
    while (start <= text.size()) {
        size_t lf = text.find('\n', start);
        if (lf == std::string::npos) lf = text.size();
        const std::string line = text.substr(start, lf - start);
        const size_t colon = line.find(':');
        if (colon == std::string::npos) break;
        const std::string key = line.substr(0, colon);
        const std::string value = line.substr(colon + 1);
        part.text[key] = value;
        if (isUnsignedDecimal(value)) part.numbers[key] = std::stoull(value);
        else part.numbers.erase(key);
        start = lf + 1;
    }
    return part;
}

bool decodeEntries(const uint8_t* data, size_t size, RawFileReader::BookmarkMap& out) {
    ByteReader in(data, size);
    uint64_t count = 0;
    if (!in.get(count) || count > in.remaining() / kBookmarkFixedSize) return false;

    RawFileReader::BookmarkMap map;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t key = 0, triggerCount = 0;
        RawFileReader::Bookmark bookmark;
        uint8_t reserved = 0;
        if (!in.get(key) || !in.get(bookmark.offset) || !in.get(reserved) || !in.get(bookmark.timestamp) ||
            !in.get(bookmark.event_count) || !in.get(triggerCount))
            return false;
        if (!map.empty() && key <= map.rbegin()->first) return false;
        if (triggerCount > in.remaining() / kTriggerSize) return false;
        bookmark.triggers.resize(static_cast<size_t>(triggerCount));
        for (EventTriggerIn& trigger : bookmark.triggers) {
            uint16_t id = 0, polarity = 0;
            if (!in.get(id) || !in.get(polarity) || !in.get(trigger.timestamp)) return false;
            trigger.id = static_cast<int16_t>(id);
            trigger.polarity = static_cast<int16_t>(polarity);
        }
        map.emplace_hint(map.end(), key, std::move(bookmark));
    }
    if (in.remaining() != 0) return false;
    out = std::move(map);
    return true;
}

}  // namespace quillex::bookmarkfile
