// export: renders a time range of a recording as an H.264 MP4, with a progress bar on stderr.

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "FileReader/DvsFileReader.h"
#include "FileReader/RawFileReader.h"

namespace {

using namespace quillex;
using namespace quillex::rawcli;

// Redraws one line on standard error when the shown figures change.
class ProgressBar {
public:
    ProgressBar() : tty_(::isatty(STDERR_FILENO) == 1) {}

    void update(uint64_t done, uint64_t total, uint64_t frames) {
        const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        // On a terminal follow every frame; in a log file one line per 10 %.
        if (tty_ ? (percent == lastPercent_ && frames == lastFrames_) : percent / 10 == lastTenth_) return;
        lastPercent_ = percent;
        lastTenth_ = percent / 10;
        lastFrames_ = frames;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(kWidth - filled), '.');
        std::fprintf(stderr, "%s[%s] %3d%%  %llu frames%s", tty_ ? "\r" : "", bar.c_str(), percent,
                     static_cast<unsigned long long>(frames), tty_ ? "" : "\n");
        std::fflush(stderr);
        drawn_ = true;
    }
    void finish() {
        if (drawn_ && tty_) std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    bool tty_;
    bool drawn_ = false;
    int lastPercent_ = -1;
    int lastTenth_ = -1;
    uint64_t lastFrames_ = UINT64_MAX;
};

}  // namespace

int runExportCommand(const std::vector<std::string>& arguments) {
    Args args;
    std::string error;
    if (!args.parse(arguments, {"start", "end"}, error) || args.positional().size() != 2) {
        printUsage();
        return error.empty() ? 1 : fail(error);
    }
    const std::string& input = args.positional()[0];
    const std::string& output = args.positional()[1];

    std::unique_ptr<DvsFileReader> base = DvsFileReader::createFileReader(input);
    auto* reader = dynamic_cast<RawFileReader*>(base.get());
    if (reader == nullptr) return fail("not a .raw recording: " + input);
    if (!reader->loadFile()) {
        const std::string reason = lastLibraryError();
        return fail("cannot load " + input + (reason.empty() ? std::string() : ": " + reason));
    }

    // Without --start / --end the whole recording.
    uint64_t start = 0, end = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    if (!args.getUnsigned("start", start, error) || !args.getUnsigned("end", end, error)) return fail(error);
    if (start >= end) return fail("nothing to export: --start must be below --end");

    ProgressBar bar;
    uint64_t frames = 0;
    const bool ok = reader->exportEventDataToVideo(start, end, output, [&](uint64_t done, uint64_t total, uint64_t n) {
        frames = n;
        bar.update(done, total, n);
    });
    bar.finish();
    if (!ok) {
        const std::string reason = lastLibraryError();
        return fail("export failed" + (reason.empty() ? std::string() : ": " + reason));
    }
    std::cout << output << ": " << frames << " frames, " << reader->getWidth() << "x" << reader->getHeight()
              << ", range " << start << ".." << end << " us" << std::endl;
    return 0;
}
