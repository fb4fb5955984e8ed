// Bookmark index files from arbitrary bytes. The decoders never crash or allocate beyond the
// input, and a reader handed a damaged index (with a correct CRC, so that the deeper checks
// run) either loads it or rebuilds the index, and reads and seeks stay safe either way.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileReader/BookmarkFile.h"
#include "FileReader/RawFileReader.h"
#include "base/DvsFileHeader.h"
#include "base/Logger.h"
#include "hal/Evt3Encoder.h"

namespace {

struct Fixture {
    std::string dir, raw, marks;
    uint64_t events = 0;

    Fixture() {
        quillex::Logger::Instance().setThreshold(5);
        dir = (std::filesystem::temp_directory_path() / ("quillex-fuzz-marks-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(dir);
        raw = dir + "/rec.raw";
        marks = quillex::RawFileReader::bookmarkPathFor(raw);
        std::vector<quillex::Event2D> source;
        for (uint64_t t = 1'000'000; t < 1'030'000; t += 2)
            source.emplace_back(static_cast<uint16_t>(t % 1280), static_cast<uint16_t>(t % 720),
                                static_cast<uint8_t>(t & 1), t);
        std::vector<uint8_t> payload;
        quillex::Evt3Encoder encoder;
        encoder.forceFullTimeReference();
        encoder.encodeEvents(source.data(), source.data() + source.size(), payload);
        quillex::DvsFileInfo info;
        info.dvs_start_timestamp = 1'000'000;
        const std::string header = quillex::generateDvsFileHeader(info);
        std::ofstream out(raw, std::ios::binary);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
        out.close();
        quillex::RawFileReader reader(raw);
        if (!reader.loadFile()) std::abort();
        reader.getMaxEvents(events);
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;

    quillex::bookmarkfile::TextPart text = quillex::bookmarkfile::parseText(data, size);
    if (text.binaryOffset > size) std::abort();
    quillex::RawFileReader::BookmarkMap map;
    quillex::bookmarkfile::decodeEntries(data + text.binaryOffset, size - text.binaryOffset, map);

    std::vector<uint8_t> file(data, data + size);
    file.push_back(quillex::bookmarkfile::crc8(file.data(), file.size()));
    {
        std::ofstream out(fixture.marks, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    quillex::RawFileReader reader(fixture.raw);
    if (reader.loadFile()) {
        // Whatever the index said, reads and seeks stay within the file.
        for (int i = 0; i < 64 && !reader.reachedEndOfEvents(); ++i) reader.getNTimeEvents(5000);
        reader.seekNEvents(fixture.events / 2);
        reader.getNEvents(1000);
    }
    return 0;
}
