// Cutting a time range of a recording into a new recording, by copying payload bytes.

#include <cinttypes>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "FileReader/RawFileReader.h"
#include "base/DvsFileHeader.h"
#include "base/Logger.h"
#include "hal/Decoder.h"

namespace quillex {

static constexpr const char* kLogModule = "src/FileReader/RawFileReader";

bool RawFileReader::extractEventData(uint64_t start, uint64_t end, const std::string& path) {
    if (!seekTime(end)) {
        ZX_LOG(4, "No end timestamp found.");
        return false;
    }
    uint64_t endOffset = 0;
    {
        std::lock_guard<std::mutex> lock(readMutex_);
        endOffset = static_cast<uint64_t>(file_.tellg());
    }
    if (!seekTime(start)) {
        ZX_LOG(4, "No start timestamp found.");
        return false;
    }
    uint64_t startOffset = 0;
    uint64_t startBase = 0;
    {
        std::lock_guard<std::mutex> lock(readMutex_);
        startOffset = static_cast<uint64_t>(file_.tellg());
        startBase = decoder_->getCurrentTimestamp();
    }
    ZX_LOG(2, "extract event start time: %" PRIu64 ", end time: %" PRIu64, start, end);
    if (endOffset < startOffset) {
        ZX_LOG(4, "Start time must be less than or equal to end time.");
        return false;
    }
    if (endOffset == startOffset) {
        ZX_LOG(4, "There is no data in the interval.");
        return false;
    }
    std::error_code ec;
    if (std::filesystem::equivalent(path, path_, ec)) {
        ZX_LOG(4, "The output file must not be the input file: %s.", path.c_str());
        return false;
    }

    std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        ZX_LOG(4, "Failed to open output file: %s.", path.c_str());
        return false;
    }

    DvsFileInfo info = fileInfo_;
    info.dvs_start_timestamp = start;
    const std::string header = generateDvsFileHeader(info);

    const char* failure = nullptr;
    {
        std::lock_guard<std::mutex> lock(readMutex_);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        if (!out) failure = "Failed to write the expected number of bytes to the output file.";

        file_.clear();
        file_.seekg(static_cast<std::streamoff>(startOffset));
        buffer_.resize(kExtractBlockSize);
        uint64_t remaining = endOffset - startOffset;
        while (failure == nullptr && remaining > 0) {
            const auto want = static_cast<std::streamsize>(std::min<uint64_t>(remaining, kExtractBlockSize));
            file_.read(reinterpret_cast<char*>(buffer_.data()), want);
            if (file_.gcount() != want) {
                failure = "Failed to read the expected number of bytes from the input file.";
                break;
            }
            out.write(reinterpret_cast<const char*>(buffer_.data()), want);
            if (!out) {
                failure = "Failed to write the expected number of bytes to the output file.";
                break;
            }
            remaining -= static_cast<uint64_t>(want);
        }
        out.close();
        if (failure == nullptr && out.fail()) failure = "Failed to write the expected number of bytes to the output file.";

        // Leave the reader where the seek to `start` put it, so reading can go on.
        file_.clear();
        file_.seekg(static_cast<std::streamoff>(startOffset));
        decoder_->resetTimestamp(startBase);
        buffer_.resize(kChunkSize);
    }

    if (failure != nullptr) {
        ZX_LOG(4, "%s", failure);
        std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

}  // namespace quillex
