// stats: decodes the whole payload and prints counts, the first and last event, the CSV
// digests and the decoding speed (decoding alone: digests are made after the timed part).

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iostream>

#include "Commands.h"
#include "FileReader/RawFileHeader.h"
#include "hal/Decoder.h"
#include "hal/util/Sha256.h"

namespace quillex::rawcli {

namespace {

// Text of "a,b,c,d\n" lines fed to a digest through a fixed buffer.
class CsvDigest {
public:
    void line(std::initializer_list<uint64_t> fields) {
        if (used_ + 24 * fields.size() > sizeof(buffer_)) flush();
        char* p = buffer_ + used_;
        for (uint64_t field : fields) {
            p = std::to_chars(p, p + 24, field).ptr;
            *p++ = ',';
        }
        p[-1] = '\n';
        used_ = static_cast<size_t>(p - buffer_);
    }
    std::string finish() {
        flush();
        return sha_.finishHex();
    }

private:
    void flush() {
        sha_.update(buffer_, used_);
        used_ = 0;
    }
    Sha256 sha_;
    char buffer_[1 << 16];
    size_t used_ = 0;
};

std::string eventText(const Event2D& e) {
    return std::to_string(e.x) + "," + std::to_string(e.y) + "," + std::to_string(e.polarity) + "," +
           std::to_string(e.timestamp);
}

}  // namespace

int runStatsCommand(const std::vector<std::string>& arguments) {
    Args args;
    std::string error;
    if (!args.parse(arguments, {}, error) || args.positional().size() != 1) {
        printUsage();
        return error.empty() ? 1 : fail(error);
    }
    const std::string& path = args.positional()[0];
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return fail("cannot open " + path);
    DvsFileInfo info;
    const RawHeaderResult header = parseRawFileHeader(in, info);
    if (!header.ok()) return fail("cannot read the header of " + path + (header.line.empty() ? "" : ": " + header.line));

    const std::string format =
        "EVT3;height=" + std::to_string(info.height) + ";width=" + std::to_string(info.width);
    std::unique_ptr<Decoder> decoder = DecoderFactory::createUniqueDecoder(format);
    if (!decoder) return fail("no decoder for " + format);

    std::vector<Event2D> events;
    std::vector<EventTriggerIn> triggers;
    decoder->setEventsStreamHandleCallback([&](Event2D* a, Event2D* b) { events.insert(events.end(), a, b); });
    decoder->setTriggerInCallback([&](EventTriggerIn t) { triggers.push_back(t); });
    decoder->resetTimestamp(info.dvs_start_timestamp);

    // Blocks bound the memory for large files; each is decoded (timed) and then digested.
    constexpr size_t kBlock = 32u << 20;
    std::vector<uint8_t> buffer(kBlock);
    CsvDigest cd, trig;
    uint64_t total = 0, on = 0, triggerCount = 0;
    bool haveFirst = false;
    Event2D first, last;
    std::chrono::steady_clock::duration decodeTime{};
    while (in) {
        in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        // Touch the memory first so the timed part is decoding, not page faults.
        events.resize(std::max(events.capacity(), got / 2 + 65536));
        events.clear();
        triggers.clear();
        const auto t0 = std::chrono::steady_clock::now();
        decoder->decode(buffer.data(), buffer.data() + got);
        decodeTime += std::chrono::steady_clock::now() - t0;

        for (const Event2D& e : events) {
            cd.line({e.x, e.y, e.polarity, e.timestamp});
            on += e.polarity != 0 ? 1 : 0;
        }
        for (const EventTriggerIn& t : triggers)
            trig.line({static_cast<uint64_t>(t.polarity), static_cast<uint64_t>(t.id), t.timestamp});
        if (!events.empty()) {
            if (!haveFirst) first = events.front();
            haveFirst = true;
            last = events.back();
        }
        total += events.size();
        triggerCount += triggers.size();
    }
    if (in.bad()) return fail("cannot read " + path);

    const double seconds = std::chrono::duration<double>(decodeTime).count();
    char rate[64];
    std::snprintf(rate, sizeof(rate), "%.1f", seconds > 0 ? static_cast<double>(total) / seconds / 1e6 : 0.0);
    std::cout << "events: " << total << "\n"
              << "on_events: " << on << "\n"
              << "triggers: " << triggerCount << "\n"
              << "first_event: " << (haveFirst ? eventText(first) : std::string("none")) << "\n"
              << "last_event: " << (haveFirst ? eventText(last) : std::string("none")) << "\n"
              << "cd_csv_sha256: " << cd.finish() << "\n"
              << "trig_csv_sha256: " << trig.finish() << "\n"
              << "mev_per_s: " << rate << "\n";
    return std::cout.good() ? 0 : fail("cannot write the output");
}

}  // namespace quillex::rawcli
