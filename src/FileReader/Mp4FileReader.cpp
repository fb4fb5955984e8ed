#include "FileReader/Mp4FileReader.h"

#include <algorithm>
#include <cmath>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

#include "base/Conversions.h"
#include "base/Logger.h"
#include "tools/FfmpegLog.h"

static constexpr const char* kLogModule = "src/FileReader/Mp4FileReader";

namespace quillex {

namespace {
constexpr int kLogInfo = 2;
constexpr int kLogError = 4;

int64_t frameTime(const AVFrame* f) {
    return f->pts != AV_NOPTS_VALUE ? f->pts : f->best_effort_timestamp;
}
}  // namespace

Mp4FileReader::Mp4FileReader(const std::string& path) : path_(path) { installFfmpegLogForwarding(); }

Mp4FileReader::~Mp4FileReader() { release(); }

void Mp4FileReader::release() {
    avcodec_free_context(&codec_ctx_);
    avformat_close_input(&fmt_ctx_);
    sws_freeContext(sws_ctx_);
    sws_ctx_ = nullptr;
    av_frame_free(&frame_);
    av_packet_free(&pkt_);
    codec_ = nullptr;
    video_stream_ = nullptr;
    video_stream_index_ = -1;
    draining_ = false;
    frame_times_.clear();
}

uint64_t Mp4FileReader::streamTimeToUs(int64_t ts) const {
    // Rounded, not truncated: 1100000 x (1 / 1000000) x 1000000 is 1099999.99... in doubles.
    const double us = static_cast<double>(ts) * video_stream_->time_base.num * 1000000.0 / video_stream_->time_base.den;
    return us <= 0.0 ? 0 : static_cast<uint64_t>(std::llround(us));
}

int64_t Mp4FileReader::usToStreamTime(uint64_t us) const {
    // Identity for the 1/1000000 time base the converter writes; other time bases are rescaled.
    return av_rescale_q(static_cast<int64_t>(us), AVRational{1, 1000000}, video_stream_->time_base);
}

bool Mp4FileReader::loadFile() {
    release();
    fmt_ctx_ = avformat_alloc_context();
    if (fmt_ctx_ == nullptr) return false;
    const std::string utf8Path = local8bitToUtf8(path_);
    if (avformat_open_input(&fmt_ctx_, utf8Path.c_str(), nullptr, nullptr) < 0) {
        // avformat_open_input frees the context on failure.
        ZX_LOG(kLogError, "Could not open video file: %s", path_.c_str());
        return false;
    }
    if (avformat_find_stream_info(fmt_ctx_, nullptr) < 0) {
        ZX_LOG(kLogError, "Could not read stream information: %s", path_.c_str());
        release();
        return false;
    }

    for (unsigned i = 0; i < fmt_ctx_->nb_streams; ++i) {
        if (fmt_ctx_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) video_stream_index_ = static_cast<int>(i);
    }
    if (video_stream_index_ < 0) {
        ZX_LOG(kLogError, "No video stream found!");
        release();
        return false;
    }
    video_stream_ = fmt_ctx_->streams[video_stream_index_];
    const AVCodecParameters* par = video_stream_->codecpar;
    if (par->width <= 0 || par->height <= 0 || par->width > UINT16_MAX || par->height > UINT16_MAX) {
        ZX_LOG(kLogError, "Unsupported video frame size: %dx%d", par->width, par->height);
        release();
        return false;
    }
    width_ = static_cast<uint16_t>(par->width);
    height_ = static_cast<uint16_t>(par->height);

    frame_ = av_frame_alloc();
    pkt_ = av_packet_alloc();
    if (frame_ == nullptr || pkt_ == nullptr) {
        ZX_LOG(kLogError, "Failed to allocate AVFrame");
        release();
        return false;
    }

    codec_ = avcodec_find_decoder(par->codec_id);
    codec_ctx_ = codec_ != nullptr ? avcodec_alloc_context3(codec_) : nullptr;
    if (codec_ctx_ == nullptr || avcodec_parameters_to_context(codec_ctx_, par) < 0 ||
        avcodec_open2(codec_ctx_, codec_, nullptr) < 0) {
        ZX_LOG(kLogError, "Could not open a decoder for the video stream of %s", path_.c_str());
        release();
        return false;
    }
    // The scaler follows the decoded frames' own size and format (sws_getCachedContext per frame).
    avcodec_flush_buffers(codec_ctx_);
    readFrameTimestamps();
    return true;
}

bool Mp4FileReader::readFrameTimestamps() {
    frame_times_.clear();
    AVFrame* f = av_frame_alloc();
    if (f == nullptr) {
        ZX_LOG(kLogError, "Failed to allocate AVFrame");
        return false;
    }
    auto collect = [&] {
        while (avcodec_receive_frame(codec_ctx_, f) >= 0) {
            const int64_t ts = frameTime(f);
            if (ts != AV_NOPTS_VALUE) frame_times_.push_back(streamTimeToUs(ts));
            av_frame_unref(f);
        }
    };
    while (av_read_frame(fmt_ctx_, pkt_) >= 0) {
        if (pkt_->stream_index == video_stream_index_ && avcodec_send_packet(codec_ctx_, pkt_) >= 0) collect();
        av_packet_unref(pkt_);
    }
    // Frames the decoder still holds at the end of the file.
    if (avcodec_send_packet(codec_ctx_, nullptr) >= 0) collect();
    av_frame_free(&f);

    if (!frame_times_.empty()) {
        av_seek_frame(fmt_ctx_, video_stream_index_, usToStreamTime(frame_times_.front()), AVSEEK_FLAG_BACKWARD);
    }
    avcodec_flush_buffers(codec_ctx_);
    draining_ = false;
    return !frame_times_.empty();
}

bool Mp4FileReader::getTimeStamps(std::vector<uint64_t>& out) {
    out = frame_times_;
    return true;
}

bool Mp4FileReader::decodeNextFrame() {
    for (;;) {
        int ret = avcodec_receive_frame(codec_ctx_, frame_);
        if (ret >= 0) return true;
        if (ret == AVERROR_EOF) return false;
        if (ret != AVERROR(EAGAIN)) {
            ZX_LOG(kLogError, "Error while decoding: %d", ret);
            return false;
        }
        if (draining_) return false;
        ret = av_read_frame(fmt_ctx_, pkt_);
        if (ret < 0) {
            // End of file: let the decoder hand out what it still holds.
            draining_ = true;
            avcodec_send_packet(codec_ctx_, nullptr);
            continue;
        }
        if (pkt_->stream_index != video_stream_index_) {
            av_packet_unref(pkt_);
            continue;
        }
        ret = avcodec_send_packet(codec_ctx_, pkt_);
        av_packet_unref(pkt_);
        if (ret < 0) {
            ZX_LOG(kLogError, "Error sending a packet for decoding: %d", ret);
            return false;
        }
    }
}

bool Mp4FileReader::getNextFrame(ApsFrame& frame) {
    if (fmt_ctx_ == nullptr || codec_ctx_ == nullptr || frame_ == nullptr || pkt_ == nullptr) {
        ZX_LOG(kLogError, "getNextFrame: no video loaded, call loadFile() first.");
        return false;
    }
    if (!decodeNextFrame()) return false;

    const int64_t ts = frameTime(frame_);
    const uint64_t time = ts == AV_NOPTS_VALUE ? 0 : streamTimeToUs(ts);
    // swscale's fast YUV 4:2:0 -> BGR24 path works on blocks of 16 pixels: for other widths it leaves
    // the last pixels of a row unwritten or writes past the row's end. The accurate path does neither.
    const int flags = SWS_BICUBIC | ((frame_->width % 16 != 0 || width_ % 16 != 0) ? SWS_ACCURATE_RND : 0);
    sws_ctx_ = sws_getCachedContext(sws_ctx_, frame_->width, frame_->height, static_cast<AVPixelFormat>(frame_->format),
                                    width_, height_, AV_PIX_FMT_BGR24, flags, nullptr, nullptr, nullptr);
    if (sws_ctx_ == nullptr) {
        ZX_LOG(kLogError, "Could not create the scaler for the decoded frames.");
        av_frame_unref(frame_);
        return false;
    }
    // Reuse the caller's pixels when the frame already has this size.
    if (frame.getWidth() != width_ || frame.getHeight() != height_ || frame.isView() || frame.data() == nullptr ||
        frame.getDataSize() < ApsFrame::imageBytes(width_, height_)) {
        frame = ApsFrame(width_, height_, time, time);
    } else {
        frame.setStartTime(time);
        frame.setEndTime(time);
    }
    uint8_t* out[4] = {frame.data(), nullptr, nullptr, nullptr};
    const int outStrides[4] = {3 * width_, 0, 0, 0};
    sws_scale(sws_ctx_, frame_->data, frame_->linesize, 0, frame_->height, out, outStrides);
    av_frame_unref(frame_);
    return true;
}

bool Mp4FileReader::seekStream(uint64_t time_us) {
    if (av_seek_frame(fmt_ctx_, video_stream_index_, usToStreamTime(time_us), AVSEEK_FLAG_BACKWARD) < 0) {
        ZX_LOG(kLogError, "Seek frame failed!");
        return false;
    }
    avcodec_flush_buffers(codec_ctx_);
    draining_ = false;
    return true;
}

bool Mp4FileReader::getFrameGivenTimeStamp(uint64_t time_us, ApsFrame& frame) {
    if (frame_times_.empty() || time_us < frame_times_.front()) return false;
    const auto it = std::upper_bound(frame_times_.begin(), frame_times_.end(), time_us);
    const uint64_t wanted = *std::prev(it);
    ZX_LOG(kLogInfo, "Seek to time: %lld", static_cast<long long>(wanted));
    if (!seekStream(wanted)) return false;
    if (!getNextFrame(scratch_)) return false;
    while (scratch_.getStartTime() < wanted) {
        ZX_LOG(kLogInfo, "Skip frame: %lld", static_cast<long long>(scratch_.getStartTime()));
        if (!getNextFrame(scratch_)) return false;
    }
    std::swap(frame, scratch_);
    return true;
}

bool Mp4FileReader::getNFrame(int index, ApsFrame& frame) {
    if (index < 0 || static_cast<size_t>(index) >= frame_times_.size()) return false;
    return getFrameGivenTimeStamp(frame_times_[static_cast<size_t>(index)], frame);
}

bool Mp4FileReader::seekTime(uint64_t time_us) {
    const auto it = std::upper_bound(frame_times_.begin(), frame_times_.end(), time_us);
    if (it == frame_times_.end()) return false;
    const uint64_t target = it == frame_times_.begin() ? frame_times_.front() : *std::prev(it);
    const int64_t ts = usToStreamTime(target);
    if (avformat_seek_file(fmt_ctx_, video_stream_index_, ts, ts, ts, AVSEEK_FLAG_BACKWARD) < 0) {
        ZX_LOG(kLogError, "Seek frame failed!");
        return false;
    }
    // Frames queued before the seek must not come out after it.
    avcodec_flush_buffers(codec_ctx_);
    draining_ = false;
    ZX_LOG(kLogInfo, "Seek to time: %lld", static_cast<long long>(target));
    return true;
}

}  // namespace quillex
