// Temporary: replaced by the export through the video converter.

#include "FileReader/RawFileReader.h"
#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "src/FileReader/RawFileReader";

bool RawFileReader::exportEventDataToVideo(uint64_t start, uint64_t end, const std::string& path) {
    return exportEventDataToVideo(start, end, path, VideoExportProgress{});
}

bool RawFileReader::exportEventDataToVideo(uint64_t, uint64_t, const std::string&, const VideoExportProgress&) {
    ZX_LOG(4, "Video export is not available in this build.");
    return false;
}

}  // namespace quillex
