// Video export of a recording range: one event frame per 33333 µs window that holds events.

#include <algorithm>

#include "FileReader/RawFileReader.h"
#include "base/Logger.h"
#include "tools/DataToVideoConverter.h"
#include "tools/EventImage.h"

namespace quillex {

static constexpr const char* kLogModule = "src/FileReader/RawFileReader";

namespace {
constexpr int kBgr24 = 3;    // AV_PIX_FMT_BGR24
constexpr int kYuv420p = 0;  // AV_PIX_FMT_YUV420P
}  // namespace

void RawFileReader::eventsToRgbData(const std::vector<Event2D>& events, std::vector<uint8_t>& image) const {
    drawEventImage(events, getWidth(), getHeight(), image);
}

bool RawFileReader::exportEventDataToVideo(uint64_t start, uint64_t end, const std::string& path) {
    return exportEventDataToVideo(start, end, path, VideoExportProgress{});
}

bool RawFileReader::exportEventDataToVideo(uint64_t start, uint64_t end, const std::string& path,
                                           const VideoExportProgress& progress) {
    ZX_LOG(2, "Exporting event data to video...");
    const int width = getWidth();
    const int height = getHeight();
    videoConverter_ = std::make_shared<DataToVideoConverter>();
    videoConverter_->setConverterFrameSize(height, width, height, width);
    if (videoConverter_->setConverterFmt(kBgr24, kYuv420p) < 0 || videoConverter_->initVideoConverter() < 0) {
        ZX_LOG(4, "Video converter initialization failed, please confirm that the input file is correct.");
        videoConverter_.reset();
        return false;
    }
    // Without an output every frame would fail; say so instead of reporting success.
    if (videoConverter_->setOutputFile(path) < 0) {
        ZX_LOG(4, "Failed to open output file: %s.", path.c_str());
        videoConverter_.reset();
        return false;
    }
    seekTime(start);  // before the recording's start the first windows are simply empty

    std::vector<uint8_t> image(static_cast<size_t>(width) * height * 3, 0);
    const uint64_t period = 1000000 / static_cast<uint64_t>(frameRate_ > 0 ? frameRate_ : 30);
    const uint64_t total = end > start ? end - start : 0;
    uint64_t framesWritten = 0;
    uint64_t frameFailures = 0;
    uint64_t t = start;
    uint64_t reported = 0;
    while (t < end) {
        const EventVectorPtr batch = getNTimeEvents(period);
        t = t > end - std::min(end, period) ? end : t + period;  // no wrap for ranges near the top of the clock
        const bool hasEvents = batch && !batch->empty();
        if (hasEvents) {
            eventsToRgbData(*batch, image);
            if (videoConverter_->rgbToVideo(image.data(), DataToVideoConverter::kNextTimestamp) == 0)
                ++framesWritten;
            else
                ++frameFailures;
        }
        reported = std::min(t, end) - start;
        if (progress) progress(reported, total, framesWritten);
        // Past the last event nothing more can come: do not spin through the rest of a far end.
        if (!hasEvents && reachedEndOfEvents()) break;
    }
    if (progress && reported < total) progress(total, total, framesWritten);
    if (frameFailures > 0) ZX_LOG(3, "%llu video frames could not be encoded.", static_cast<unsigned long long>(frameFailures));

    const bool closed = videoConverter_->flushAndCloseVideo() == 0;
    if (!closed) ZX_LOG(4, "Failed to finish the video file: %s.", path.c_str());
    ZX_LOG(2, "Exported %llu video frames to %s.", static_cast<unsigned long long>(framesWritten), path.c_str());
    return closed;
}

}  // namespace quillex
