// info, dump and cut: everything that goes through the recording reader.

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

#include "Commands.h"
#include "FileReader/DvsFileReader.h"
#include "FileReader/RawFileReader.h"

namespace quillex::rawcli {

namespace {

// Opens and loads a recording; on failure prints the reason and leaves `reader` empty.
std::unique_ptr<RawFileReader> openRecording(const std::string& path, int& exitCode) {
    std::unique_ptr<DvsFileReader> base = DvsFileReader::createFileReader(path);
    auto* raw = dynamic_cast<RawFileReader*>(base.get());
    if (raw == nullptr) {
        exitCode = fail("not a .raw recording: " + path);
        return nullptr;
    }
    std::unique_ptr<RawFileReader> reader(static_cast<RawFileReader*>(base.release()));
    // The header parser reports rejected formats on standard error: fold that into our one line.
    std::ostringstream captured;
    std::streambuf* old = std::cerr.rdbuf(captured.rdbuf());
    const bool loaded = reader->loadFile();
    std::cerr.rdbuf(old);
    if (!loaded) {
        std::string reason = lastLibraryError();
        if (reason.empty()) reason = captured.str();
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
        if (reason.empty()) reason = "cannot open the file";
        exitCode = fail("cannot load " + path + ": " + reason);
        return nullptr;
    }
    return reader;
}

}  // namespace

int runInfoCommand(const std::vector<std::string>& arguments) {
    Args args;
    std::string error;
    if (!args.parse(arguments, {}, error) || args.positional().size() != 1) {
        printUsage();
        return error.empty() ? 1 : fail(error);
    }
    int code = 1;
    auto reader = openRecording(args.positional()[0], code);
    if (!reader) return code;
    DvsFileInfo info;
    reader->getFileInfo(info);
    uint64_t start = 0, end = 0, events = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    reader->getMaxEvents(events);
    size_t triggers = 0;
    for (const auto& [key, bookmark] : reader->getAllBookmarks()) triggers += bookmark.triggers.size();
    std::cout << "width: " << info.width << "\n"
              << "height: " << info.height << "\n"
              << "serial_number: " << info.serial_number << "\n"
              << "dvs_start_timestamp: " << info.dvs_start_timestamp << "\n"
              << "start_timestamp: " << start << "\n"
              << "end_timestamp: " << end << "\n"
              << "max_events: " << events << "\n"
              << "bookmarks: " << reader->getAllBookmarks().size() << "\n"
              << "triggers: " << triggers << "\n";
    return std::cout.good() ? 0 : fail("cannot write the output");
}

int runDumpCommand(const std::vector<std::string>& arguments) {
    Args args;
    std::string error;
    uint64_t from = 0, duration = 0, limit = UINT64_MAX;
    if (!args.parse(arguments, {"start", "duration", "limit"}, error) || args.positional().size() != 1) {
        printUsage();
        return error.empty() ? 1 : fail(error);
    }
    if (!args.getUnsigned("start", from, error) || !args.getUnsigned("duration", duration, error) ||
        !args.getUnsigned("limit", limit, error))
        return fail(error);
    int code = 1;
    auto reader = openRecording(args.positional()[0], code);
    if (!reader) return code;
    uint64_t start = 0, end = 0;
    reader->getStartTimeStamp(start);
    reader->getEndTimeStamp(end);
    if (!args.has("start")) from = start;
    if (!args.has("duration")) duration = end >= from ? end - from + 1 : 0;
    if (!reader->seekTime(from))
        return fail("--start " + std::to_string(from) + " is outside the recording (" + std::to_string(start) + ".." +
                    std::to_string(end) + ")");

    constexpr uint64_t kWindowUs = 33333;
    uint64_t left = duration;
    uint64_t printed = 0;
    char line[64];
    while (left > 0 && printed < limit && !reader->reachedEndOfEvents()) {
        const uint64_t span = std::min(left, kWindowUs);
        auto batch = reader->getNTimeEvents(span);
        left -= span;
        for (const Event2D& e : *batch) {
            if (printed == limit) break;
            const int n = std::snprintf(line, sizeof(line), "%u,%u,%u,%llu\n", e.x, e.y, e.polarity,
                                        static_cast<unsigned long long>(e.timestamp));
            std::fwrite(line, 1, static_cast<size_t>(n), stdout);
            ++printed;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : fail("cannot write the output");
}

int runCutCommand(const std::vector<std::string>& arguments) {
    Args args;
    std::string error;
    uint64_t from = 0, to = 0;
    if (!args.parse(arguments, {"start", "end"}, error) || args.positional().size() != 2 || !args.has("start") ||
        !args.has("end")) {
        printUsage();
        return error.empty() ? 1 : fail(error);
    }
    if (!args.getUnsigned("start", from, error) || !args.getUnsigned("end", to, error)) return fail(error);
    int code = 1;
    auto reader = openRecording(args.positional()[0], code);
    if (!reader) return code;
    if (!reader->extractEventData(from, to, args.positional()[1])) {
        const std::string reason = lastLibraryError();
        return fail("cut failed" + (reason.empty() ? std::string() : ": " + reason));
    }
    return 0;
}

}  // namespace quillex::rawcli
