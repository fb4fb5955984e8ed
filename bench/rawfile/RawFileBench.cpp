// Raw recording reader on a large synthetic recording: index build against one decode pass,
// index load, random seeks, and reading everything in 33333 µs windows (speed, peak memory).
// Usage: quillex_bench_rawfile [--file PATH] [--size-mib N] [--rate-mev R] [--keep]
// The recording is generated when absent and deleted afterwards unless --keep.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "FileReader/RawFileHeader.h"
#include "FileReader/RawFileReader.h"
#include "SynthScene.h"
#include "base/Logger.h"
#include "hal/Decoder.h"

using namespace quillex;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One plain pass: header, then 131072-byte chunks through the decoder, events counted.
uint64_t decodePass(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    DvsFileInfo info;
    if (!parseRawFileHeader(in, info).ok()) return 0;
    auto decoder = DecoderFactory::createUniqueDecoder(RawFileReader::kDecoderFormat);
    uint64_t events = 0;
    decoder->setEventsStreamHandleCallback([&](Event2D* a, Event2D* b) { events += static_cast<uint64_t>(b - a); });
    decoder->resetTimestamp(info.dvs_start_timestamp);
    std::vector<uint8_t> chunk(RawFileReader::kChunkSize);
    while (in) {
        in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        decoder->decode(chunk.data(), chunk.data() + got);
    }
    return events;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = (std::filesystem::temp_directory_path() / "quillex-rawfile-bench.raw").string();
    uint64_t sizeMib = 1024;
    double rate = 20.0;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--keep") keep = true;
        else if (arg == "--file" && i + 1 < argc) path = argv[++i];
        else if (arg == "--size-mib" && i + 1 < argc) sizeMib = std::stoull(argv[++i]);
        else if (arg == "--rate-mev" && i + 1 < argc) rate = std::stod(argv[++i]);
        else {
            std::fprintf(stderr, "usage: %s [--file PATH] [--size-mib N] [--rate-mev R] [--keep]\n", argv[0]);
            return 1;
        }
    }
    Logger::Instance().setThreshold(4);

    const bool generated = !std::filesystem::exists(path);
    if (generated) {
        synth::SynthOptions options;
        options.rateMev = rate;
        options.durationUs = UINT64_MAX / 4;
        options.maxBytes = sizeMib << 20;
        synth::SynthResult result;
        std::string error;
        const auto start = Clock::now();
        if (!synth::writeSynthRecording(path, options, result, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("generated: %s, %llu bytes, %llu events in %.1f s\n", path.c_str(),
                    static_cast<unsigned long long>(result.bytes), static_cast<unsigned long long>(result.events),
                    secondsSince(start));
    }
    const std::string marks = RawFileReader::bookmarkPathFor(path);
    std::filesystem::remove(marks);
    std::printf("file: %s (%llu bytes)\n", path.c_str(), static_cast<unsigned long long>(std::filesystem::file_size(path)));

    // The decode pass goes first, so both passes read from a warm page cache.
    auto start = Clock::now();
    const uint64_t decoded = decodePass(path);
    const double decodeS = secondsSince(start);
    std::printf("decode_pass: %.3f s, %llu events, %.1f Mev/s\n", decodeS, static_cast<unsigned long long>(decoded),
                static_cast<double>(decoded) / decodeS / 1e6);

    start = Clock::now();
    {
        RawFileReader reader(path);
        if (!reader.loadFile()) return 1;
    }
    const double buildS = secondsSince(start);
    std::printf("first_open (index build): %.3f s, ratio to decode pass %.2f (target <= 1.5)\n", buildS, buildS / decodeS);

    start = Clock::now();
    RawFileReader reader(path);
    if (!reader.loadFile()) return 1;
    std::printf("second_open (index load): %.1f ms (target < 50), %zu bookmarks\n", secondsSince(start) * 1e3,
                reader.getAllBookmarks().size());

    uint64_t first = 0, last = 0, total = 0;
    reader.getStartTimeStamp(first);
    reader.getEndTimeStamp(last);
    reader.getMaxEvents(total);
    std::mt19937_64 rng(5);
    std::vector<double> seeks;
    for (int i = 0; i < 200; ++i) {
        const uint64_t t = first + rng() % (last - first + 1);
        const auto s = Clock::now();
        if (!reader.seekTime(t)) std::printf("seek to %llu failed\n", static_cast<unsigned long long>(t));
        seeks.push_back(secondsSince(s) * 1e3);
    }
    std::sort(seeks.begin(), seeks.end());
    std::printf("seekTime: median %.3f ms, p90 %.3f ms over %zu random seeks (target median < 2)\n", seeks[seeks.size() / 2],
                seeks[seeks.size() * 9 / 10], seeks.size());

    reader.seekTime(first);
    uint64_t events = 0;
    start = Clock::now();
    while (!reader.reachedEndOfEvents()) events += reader.getNTimeEvents(33333)->size();
    const double readS = secondsSince(start);
    std::printf("window reads (33333 us): %llu events of %llu in %.3f s, %.1f Mev/s (target >= 100)\n",
                static_cast<unsigned long long>(events), static_cast<unsigned long long>(total), readS,
                static_cast<double>(events) / readS / 1e6);
    std::printf("peak_rss: %.1f MB (target < 150)\n", static_cast<double>(peakRssKb()) / 1024.0);

    std::filesystem::remove(marks);
    if (generated && !keep) std::filesystem::remove(path);
    return 0;
}
