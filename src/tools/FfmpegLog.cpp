#include "tools/FfmpegLog.h"

#include <cstdarg>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

#include "base/Logger.h"

static constexpr const char* kLogModule = "src/tools/FfmpegLog";

namespace quillex {

namespace {

void forward(void* avcl, int avLevel, const char* fmt, va_list args) {
    if (avLevel > AV_LOG_INFO) return;
    int level = 1;
    if (avLevel <= AV_LOG_ERROR) level = 4;
    else if (avLevel <= AV_LOG_WARNING) level = 3;
    // FFmpeg may build one line from several calls; the prefix flag follows the line per thread.
    thread_local int printPrefix = 1;
    char line[1024];
    va_list copy;
    va_copy(copy, args);
    av_log_format_line2(avcl, avLevel, fmt, copy, line, sizeof(line), &printPrefix);
    va_end(copy);
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
    if (n == 0) return;
    ZX_LOG(level, "%s", line);
}

}  // namespace

void installFfmpegLogForwarding() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(forward); });
}

}  // namespace quillex
