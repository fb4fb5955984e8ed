// Single-thread EVT 3.0 decode and encode throughput on the sample recordings, each payload
// decoded repeatedly until about 60 MB went through (time base reset between passes).
// Usage: bench_decoder [data-dir] [megabytes]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "hal/EVT3Decoder.h"
#include "hal/Evt3Encoder.h"

namespace {

using quillex::Event2D;

std::filesystem::path dataDir(int argc, char** argv) {
    if (argc > 1) return argv[1];
    if (const char* env = std::getenv("QUILLEX_TEST_DATA"); env != nullptr && *env != '\0') return env;
    return std::filesystem::path(QUILLEX_SOURCE_DIR).parent_path() / "shared" / "data";
}

std::vector<uint8_t> payloadOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    size_t pos = 0;
    while (pos < file.size() && file[pos] == '%') {
        const size_t eol = static_cast<size_t>(std::find(file.begin() + static_cast<long>(pos), file.end(), '\n') -
                                               file.begin());
        const std::string line(file.begin() + static_cast<long>(pos), file.begin() + static_cast<long>(eol));
        pos = std::min(eol + 1, file.size());
        if (line == "% end" || line == "% end\r") break;
    }
    return {file.begin() + static_cast<long>(pos), file.end()};
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU time of this thread: on a busy machine the wall-clock figure undercounts.
double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Figures {
    double mevPerSecond = 0;
    double mbPerSecond = 0;
    double cpuMevPerSecond = 0;
    double cpuMbPerSecond = 0;
    uint64_t events = 0;
    uint64_t bytes = 0;
};

// Best of three runs of `passes` decodes of the payload in 128 KiB chunks.
Figures benchDecode(const std::vector<uint8_t>& payload, size_t passes, uint64_t& checksum) {
    Figures best;
    constexpr size_t kChunk = 131072;
    for (int run = 0; run < 3; ++run) {
        quillex::EVT3Decoder decoder(1280, 720);
        uint64_t events = 0;
        decoder.setEventsStreamHandleCallback([&](Event2D* first, Event2D* last) {
            events += static_cast<uint64_t>(last - first);
            checksum += last[-1].timestamp + first->x;
        });
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadCpuSeconds();
        for (size_t pass = 0; pass < passes; ++pass) {
            decoder.resetTimestamp(0);
            for (size_t pos = 0; pos < payload.size(); pos += kChunk)
                decoder.decode(payload.data() + pos, payload.data() + std::min(payload.size(), pos + kChunk));
        }
        const double s = seconds(start);
        const double cpu = threadCpuSeconds() - cpuStart;
        const uint64_t bytes = static_cast<uint64_t>(payload.size()) * passes;
        const double mev = static_cast<double>(events) / s / 1e6;
        if (mev > best.mevPerSecond)
            best = {mev, static_cast<double>(bytes) / s / 1e6, static_cast<double>(events) / cpu / 1e6,
                    static_cast<double>(bytes) / cpu / 1e6, events, bytes};
    }
    return best;
}

// Best of three: {wall, cpu} Mev/s.
std::pair<double, double> benchEncode(const std::vector<Event2D>& events, size_t passes, uint64_t& checksum) {
    std::pair<double, double> best{0, 0};
    std::vector<uint8_t> out;
    out.reserve(events.size() * 4);
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadCpuSeconds();
        for (size_t pass = 0; pass < passes; ++pass) {
            quillex::Evt3Encoder encoder;
            out.clear();
            encoder.encodeEvents(events.data(), events.data() + events.size(), out);
            checksum += out.size();
        }
        const double n = static_cast<double>(events.size() * passes) / 1e6;
        const double wall = n / seconds(start);
        if (wall > best.first) best = {wall, n / (threadCpuSeconds() - cpuStart)};
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = dataDir(argc, argv);
    const double targetMb = argc > 2 ? std::atof(argv[2]) : 60.0;
    const char* files[] = {"evt3_gen41_evk3_1280x720_vectors.raw", "evt3_640x480_trigger_1khz.raw",
                           "evt3_1280x720_trigger_erc.raw"};
    uint64_t checksum = 0;
    int failures = 0;
    for (const char* name : files) {
        const std::vector<uint8_t> payload = payloadOf(dir / name);
        if (payload.empty()) {
            std::fprintf(stderr, "cannot read %s\n", (dir / name).c_str());
            ++failures;
            continue;
        }
        const size_t passes = std::max<size_t>(1, static_cast<size_t>(targetMb * 1e6 / static_cast<double>(payload.size())));
        const Figures f = benchDecode(payload, passes, checksum);
        std::printf("decode %-40s %6.1f MB x %4zu passes: %7.1f Mev/s  %7.1f MB/s wall; %7.1f Mev/s  %7.1f MB/s cpu\n",
                    name, static_cast<double>(f.bytes) / 1e6, passes, f.mevPerSecond, f.mbPerSecond,
                    f.cpuMevPerSecond, f.cpuMbPerSecond);

        // Encoding what the sample decodes to.
        std::vector<Event2D> events;
        quillex::EVT3Decoder decoder;
        decoder.setEventsStreamHandleCallback(
            [&](Event2D* first, Event2D* last) { events.insert(events.end(), first, last); });
        decoder.decode(payload.data(), payload.data() + payload.size());
        const size_t encodePasses = std::max<size_t>(1, static_cast<size_t>(20e6 / static_cast<double>(events.size())));
        const auto [wall, cpu] = benchEncode(events, encodePasses, checksum);
        std::printf("encode %-40s %6.2f Mev x %3zu passes: %7.1f Mev/s wall; %7.1f Mev/s cpu\n", name,
                    static_cast<double>(events.size()) / 1e6, encodePasses, wall, cpu);
    }
    std::printf("(checksum %llu)\n", static_cast<unsigned long long>(checksum));
    return failures == 0 ? 0 : 1;
}
