#include "tools/DataToVideoConverter.h"

#include <cstdio>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "base/Logger.h"
#include "tools/FfmpegLog.h"
#include "base/Conversions.h"

static constexpr const char* kLogModule = "src/tools/DataToVideoConverter";

namespace quillex {

namespace {

constexpr int kLogInfo = 2;
constexpr int kLogError = 4;
constexpr int kFrameAlign = 32;

bool validPixelFormat(int fmt) {
    return fmt >= 0 && av_pix_fmt_desc_get(static_cast<AVPixelFormat>(fmt)) != nullptr;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

DataToVideoConverter::DataToVideoConverter() { installFfmpegLogForwarding(); }

DataToVideoConverter::~DataToVideoConverter() {
    // An MP4 without its trailer cannot be played: finish an output the owner left open.
    if (fmt_ctx_ != nullptr && codec_ctx_ != nullptr && stream_ != nullptr) {
        if (avcodec_send_frame(codec_ctx_, nullptr) >= 0) receiveAndWriteVideoPackets();
        av_write_trailer(fmt_ctx_);
    }
    closeOutput();
    av_frame_free(&dst_frame_);
    av_frame_free(&src_frame_);
    av_frame_free(&jpeg_frame_);
    avcodec_free_context(&codec_ctx_);
    avcodec_free_context(&jpeg_ctx_);
    av_packet_free(&pkt_);
    sws_freeContext(sws_ctx_);
    sws_freeContext(jpeg_sws_ctx_);
}

void DataToVideoConverter::setConverterFrameSize(int srcHeight, int srcWidth, int dstHeight, int dstWidth) {
    src_height_ = srcHeight;
    src_width_ = srcWidth;
    dst_height_ = dstHeight;
    dst_width_ = dstWidth;
}

int DataToVideoConverter::setConverterFmt(int srcFmt, int dstFmt) {
    sws_freeContext(sws_ctx_);
    sws_ctx_ = nullptr;
    sws_freeContext(jpeg_sws_ctx_);
    jpeg_sws_ctx_ = nullptr;
    sws_src_w_ = sws_src_h_ = sws_dst_w_ = sws_dst_h_ = 0;
    src_fmt_ = srcFmt;
    dst_fmt_ = dstFmt;
    if (!validPixelFormat(srcFmt) || !validPixelFormat(dstFmt)) {
        ZX_LOG(kLogError, "Unknown pixel format: %d -> %d.", srcFmt, dstFmt);
        return -1;
    }
    if (src_width_ <= 0 || src_height_ <= 0 || dst_width_ <= 0 || dst_height_ <= 0) {
        ZX_LOG(kLogError, "Invalid frame size: %dx%d -> %dx%d.", src_width_, src_height_, dst_width_, dst_height_);
        return -1;
    }
    sws_ctx_ = sws_getContext(src_width_, src_height_, static_cast<AVPixelFormat>(srcFmt), dst_width_, dst_height_,
                              static_cast<AVPixelFormat>(dstFmt), SWS_POINT, nullptr, nullptr, nullptr);
    if (sws_ctx_ == nullptr) {
        ZX_LOG(kLogError, "Could not create the scaler.");
        return -1;
    }
    sws_src_w_ = src_width_;
    sws_src_h_ = src_height_;
    sws_dst_w_ = dst_width_;
    sws_dst_h_ = dst_height_;
    return 0;
}

const std::vector<std::string>& DataToVideoConverter::defaultEncoderPreferences() {
    static const std::vector<std::string> names{"libx264", "h264_mf"};
    return names;
}

const AVCodec* DataToVideoConverter::findPreferredH264Encoder(const std::vector<std::string>& preferences) {
    for (const std::string& name : preferences) {
        void* it = nullptr;
        while (const AVCodec* c = av_codec_iterate(&it)) {
            if (av_codec_is_encoder(c) && c->id == AV_CODEC_ID_H264 && name == c->name) return c;
        }
    }
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it)) {
        if (av_codec_is_encoder(c) && c->id == AV_CODEC_ID_H264) return c;
    }
    return nullptr;
}

std::string DataToVideoConverter::preferredH264EncoderName(const std::vector<std::string>& preferences) {
    const AVCodec* c = findPreferredH264Encoder(preferences);
    return c != nullptr ? std::string(c->name) : std::string();
}

int DataToVideoConverter::configureVideoCodecContext() {
    if (codec_ctx_ == nullptr) {
        ZX_LOG(kLogError, "Codec context is not allocated.");
        return -1;
    }
    codec_ctx_->width = dst_width_;
    codec_ctx_->height = dst_height_;
    codec_ctx_->pix_fmt = static_cast<AVPixelFormat>(dst_fmt_);
    codec_ctx_->time_base = AVRational{time_base_num_, time_base_den_};
    codec_ctx_->framerate = AVRational{frame_rate_, 1};
    codec_ctx_->bit_rate = 60000000;
    // Every frame a key frame: any frame can be reached by a seek without decoding others.
    codec_ctx_->keyint_min = 1;
    codec_ctx_->gop_size = 1;
    // Only MP4 is written: parameter sets go into the container header.
    codec_ctx_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Let the encoder use every core.
    codec_ctx_->thread_count = 0;
    // Intra-only at this bit rate, the fastest x264 preset measures the same PSNR as the default
    // one on event frames at several times the speed. Other encoders do not know the option.
    if (codec_ctx_->priv_data != nullptr && std::strcmp(codec_->name, "libx264") == 0)
        av_opt_set(codec_ctx_->priv_data, "preset", "ultrafast", 0);
    return 0;
}

int DataToVideoConverter::openVideoCodecContext() {
    avcodec_free_context(&codec_ctx_);
    codec_ctx_ = avcodec_alloc_context3(codec_);
    if (codec_ctx_ == nullptr) {
        ZX_LOG(kLogError, "Could not allocate codec context.");
        return -1;
    }
    if (configureVideoCodecContext() < 0) return -1;
    if (avcodec_open2(codec_ctx_, codec_, nullptr) < 0) {
        ZX_LOG(kLogError, "Could not open codec.");
        avcodec_free_context(&codec_ctx_);
        return -1;
    }
    return 0;
}

int DataToVideoConverter::allocateFrame(AVFrame*& frame, int format, int width, int height, const char* allocMessage) {
    av_frame_free(&frame);
    frame = av_frame_alloc();
    if (frame == nullptr) {
        ZX_LOG(kLogError, "%s", allocMessage);
        return -1;
    }
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame, kFrameAlign) < 0) {
        ZX_LOG(kLogError, "Could not allocate the video frame data");
        av_frame_free(&frame);
        return -1;
    }
    return 0;
}

int DataToVideoConverter::initVideoConverter() {
    codec_ = findPreferredH264Encoder(defaultEncoderPreferences());
    if (codec_ == nullptr) {
        ZX_LOG(kLogError, "H.264 encoder not found.");
        return -1;
    }
    ZX_LOG(kLogInfo, "Using encoder: %s", codec_->name);

    if (!validPixelFormat(src_fmt_) || !validPixelFormat(dst_fmt_)) {
        ZX_LOG(kLogError, "initVideoConverter: pixel formats are not set. Please call setConverterFmt() first.");
        return -1;
    }
    // The sizes may have changed since the scaler was built.
    if (sws_ctx_ == nullptr || sws_src_w_ != src_width_ || sws_src_h_ != src_height_ || sws_dst_w_ != dst_width_ ||
        sws_dst_h_ != dst_height_) {
        if (setConverterFmt(src_fmt_, dst_fmt_) < 0) return -1;
    }

    if (openVideoCodecContext() < 0) return -1;
    if (allocateFrame(dst_frame_, dst_fmt_, dst_width_, dst_height_, "Could not allocate destination frame.") < 0)
        return -1;
    if (allocateFrame(src_frame_, src_fmt_, src_width_, src_height_, "Could not allocate source frame.") < 0)
        return -1;

    jpeg_codec_ = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (jpeg_codec_ == nullptr) {
        ZX_LOG(kLogError, "JPEG codec not found.");
        return -1;
    }
    avcodec_free_context(&jpeg_ctx_);
    jpeg_ctx_ = avcodec_alloc_context3(jpeg_codec_);
    if (jpeg_ctx_ == nullptr) {
        ZX_LOG(kLogError, "Could not allocate JPEG codec context.");
        return -1;
    }
    jpeg_ctx_->pix_fmt = AV_PIX_FMT_YUVJ420P;
    jpeg_ctx_->width = dst_width_;
    jpeg_ctx_->height = dst_height_;
    jpeg_ctx_->time_base = AVRational{1, 25};
    if (avcodec_open2(jpeg_ctx_, jpeg_codec_, nullptr) < 0) {
        ZX_LOG(kLogError, "Could not open JPEG codec.");
        avcodec_free_context(&jpeg_ctx_);
        return -1;
    }
    // A new JPEG size needs a new JPEG frame and scaler.
    av_frame_free(&jpeg_frame_);
    sws_freeContext(jpeg_sws_ctx_);
    jpeg_sws_ctx_ = nullptr;

    av_packet_free(&pkt_);
    pkt_ = av_packet_alloc();
    if (pkt_ == nullptr) {
        ZX_LOG(kLogError, "Could not allocate packet.");
        return -1;
    }
    next_pts_ = 0;
    return 0;
}

void DataToVideoConverter::closeOutput() {
    if (fmt_ctx_ != nullptr) {
        if (fmt_ctx_->pb != nullptr && (fmt_ctx_->oformat->flags & AVFMT_NOFILE) == 0) avio_closep(&fmt_ctx_->pb);
        avformat_free_context(fmt_ctx_);
        fmt_ctx_ = nullptr;
    }
    stream_ = nullptr;
}

int DataToVideoConverter::setOutputFile(const std::string& path) {
    const std::string utf8Path = local8bitToUtf8(path);
    if (codec_ctx_ == nullptr) {
        ZX_LOG(kLogError, "setOutputFile: codec_ctx_ not initialized. Please call initVideoConverter() first.");
        return -1;
    }
    // Finish a previous file rather than leaving it without its trailer.
    if (fmt_ctx_ != nullptr && flushAndCloseVideo() < 0) {
        closeOutput();
        if (openVideoCodecContext() < 0) return -1;
    }
    closeOutput();

    if (avformat_alloc_output_context2(&fmt_ctx_, nullptr, "mp4", utf8Path.c_str()) < 0 || fmt_ctx_ == nullptr) {
        ZX_LOG(kLogError, "Failed to allocate output format context.");
        fmt_ctx_ = nullptr;
        return -1;
    }
    stream_ = avformat_new_stream(fmt_ctx_, nullptr);
    if (stream_ == nullptr) {
        ZX_LOG(kLogError, "Failed to create new stream.");
        closeOutput();
        return -1;
    }
    if (avcodec_parameters_from_context(stream_->codecpar, codec_ctx_) < 0) {
        ZX_LOG(kLogError, "Failed to copy codec parameters to stream.");
        closeOutput();
        return -1;
    }
    stream_->time_base = codec_ctx_->time_base;

    if ((fmt_ctx_->oformat->flags & AVFMT_NOFILE) == 0 &&
        avio_open(&fmt_ctx_->pb, utf8Path.c_str(), AVIO_FLAG_WRITE) < 0) {
        ZX_LOG(kLogError, "Could not open output file: %s", path.c_str());
        closeOutput();
        return -1;
    }
    // The container's edit list keeps the first frame's time in the movie time scale (default
    // milliseconds), which would shift every frame by the sub-millisecond part of it: use microseconds.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movie_timescale", "1000000", 0);
    const int headerResult = avformat_write_header(fmt_ctx_, &options);
    av_dict_free(&options);
    if (headerResult < 0) {
        ZX_LOG(kLogError, "Failed to write video header.");
        closeOutput();
        return -1;
    }
    // Automatic timestamps of every file start at 0.
    next_pts_ = 0;
    ZX_LOG(kLogInfo, "Output file set to: %s", path.c_str());
    return 0;
}

bool DataToVideoConverter::scalerMatches(const AVFrame* src, const AVFrame* dst) const {
    return sws_ctx_ != nullptr && src->width == sws_src_w_ && src->height == sws_src_h_ && src->format == src_fmt_ &&
           dst->width == sws_dst_w_ && dst->height == sws_dst_h_ && dst->format == dst_fmt_;
}

void DataToVideoConverter::assignTimestamp(int64_t timestamp) {
    if (timestamp == kNextTimestamp) {
        src_frame_->pts = next_pts_;
        dst_frame_->pts = next_pts_;
        next_pts_ += kAutoTimestampStep;
    } else {
        src_frame_->pts = timestamp;
        dst_frame_->pts = timestamp;
        // One period later: a following automatic frame at the same time would be refused by the muxer.
        next_pts_ = timestamp + kAutoTimestampStep;
    }
}

int DataToVideoConverter::rgbToVideo(const uint8_t* src, int64_t timestamp) {
    if (codec_ctx_ == nullptr || dst_frame_ == nullptr || src_frame_ == nullptr || sws_ctx_ == nullptr ||
        fmt_ctx_ == nullptr || stream_ == nullptr || pkt_ == nullptr || !scalerMatches(src_frame_, dst_frame_)) {
        ZX_LOG(kLogError, "rgbToVideo: Converter is not fully initialized.");
        return -1;
    }
    if (src_fmt_ != AV_PIX_FMT_BGR24) {
        ZX_LOG(kLogError, "Sws scale fmt is not AV_PIX_FMT_BGR24");
        return -1;
    }
    if (src == nullptr) {
        ZX_LOG(kLogError, "rgbToVideo: no image data.");
        return -1;
    }
    // The frame's rows are padded to the alignment; the caller's rows are tightly packed.
    const size_t rowBytes = static_cast<size_t>(src_frame_->width) * 3;
    for (int y = 0; y < src_frame_->height; ++y) {
        std::memcpy(src_frame_->data[0] + static_cast<ptrdiff_t>(y) * src_frame_->linesize[0],
                    src + static_cast<size_t>(y) * rowBytes, rowBytes);
    }
    if (av_frame_make_writable(dst_frame_) < 0) {
        ZX_LOG(kLogError, "Could not allocate the video frame data");
        return -1;
    }
    sws_scale(sws_ctx_, src_frame_->data, src_frame_->linesize, 0, src_frame_->height, dst_frame_->data,
              dst_frame_->linesize);
    assignTimestamp(timestamp);
    return sendFrameAndWrite(dst_frame_);
}

int DataToVideoConverter::nv12ToVideo(const uint8_t* data, int64_t timestamp) {
    if (codec_ctx_ == nullptr || dst_frame_ == nullptr || src_frame_ == nullptr || sws_ctx_ == nullptr ||
        fmt_ctx_ == nullptr || stream_ == nullptr || pkt_ == nullptr || !scalerMatches(src_frame_, dst_frame_)) {
        ZX_LOG(kLogError, "nv12ToVideo: Converter is not fully initialized.");
        return -1;
    }
    if (src_fmt_ != AV_PIX_FMT_NV12) {
        ZX_LOG(kLogError, "Sws scale fmt is not AV_PIX_FMT_NV12");
        return -1;
    }
    if (data == nullptr) {
        ZX_LOG(kLogError, "nv12ToVideo: no image data.");
        return -1;
    }
    const int w = src_frame_->width;
    const int h = src_frame_->height;
    const uint8_t* planes[4] = {data, data + static_cast<size_t>(w) * h, nullptr, nullptr};
    const int strides[4] = {w, w, 0, 0};
    if (av_frame_make_writable(dst_frame_) < 0) {
        ZX_LOG(kLogError, "Could not allocate the video frame data");
        return -1;
    }
    sws_scale(sws_ctx_, planes, strides, 0, h, dst_frame_->data, dst_frame_->linesize);
    assignTimestamp(timestamp);
    return sendFrameAndWrite(dst_frame_);
}

int DataToVideoConverter::sendFrameAndWrite(AVFrame* frame) {
    if (avcodec_send_frame(codec_ctx_, frame) < 0) {
        ZX_LOG(kLogError, "Error sending a frame for encoding");
        return -1;
    }
    return receiveAndWriteVideoPackets();
}

int DataToVideoConverter::receiveAndWriteVideoPackets() {
    if (pkt_ == nullptr || codec_ctx_ == nullptr || fmt_ctx_ == nullptr || stream_ == nullptr) {
        ZX_LOG(kLogError, "receiveAndWriteVideoPackets: Missing packet, format, codec, or stream context.");
        return -1;
    }
    for (;;) {
        const int ret = avcodec_receive_packet(codec_ctx_, pkt_);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
        if (ret < 0) {
            ZX_LOG(kLogError, "Error during encoding: %d", ret);
            return -1;
        }
        setPacketDuration();
        av_packet_rescale_ts(pkt_, codec_ctx_->time_base, stream_->time_base);
        pkt_->stream_index = stream_->index;
        if (av_interleaved_write_frame(fmt_ctx_, pkt_) < 0) {
            ZX_LOG(kLogError, "Failed to write packet.");
            av_packet_unref(pkt_);
            return -1;
        }
        av_packet_unref(pkt_);
    }
}

void DataToVideoConverter::setPacketDuration() {
    // The muxer derives every sample's duration from the next one, except the last: without a
    // duration of its own the container's edit list ends before the last frame and readers drop it.
    if (pkt_->duration <= 0 && frame_rate_ > 0)
        pkt_->duration = av_rescale_q(1, AVRational{1, frame_rate_}, codec_ctx_->time_base);
}

int DataToVideoConverter::flushAndCloseVideo() {
    if (fmt_ctx_ == nullptr || codec_ctx_ == nullptr || stream_ == nullptr) {
        ZX_LOG(kLogError, "flushAndCloseVideo: Missing format or codec context.");
        return -1;
    }
    if (avcodec_send_frame(codec_ctx_, nullptr) < 0) {
        ZX_LOG(kLogError, "Failed to send flush frame to encoder.");
        return -1;
    }
    if (pkt_ != nullptr) {
        for (;;) {
            const int ret = avcodec_receive_packet(codec_ctx_, pkt_);
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
            if (ret < 0) {
                ZX_LOG(kLogError, "Error receiving packet during flush: %d", ret);
                return -1;
            }
            setPacketDuration();
            av_packet_rescale_ts(pkt_, codec_ctx_->time_base, stream_->time_base);
            pkt_->stream_index = stream_->index;
            if (av_interleaved_write_frame(fmt_ctx_, pkt_) < 0) ZX_LOG(kLogError, "Failed to write frame during flush.");
            av_packet_unref(pkt_);
        }
    }
    av_write_trailer(fmt_ctx_);
    closeOutput();

    // The drained encoder cannot take frames any more: a fresh context serves the next file.
    if (openVideoCodecContext() < 0) {
        ZX_LOG(kLogError, "Could not open codec after flush.");
        return -1;
    }
    ZX_LOG(kLogInfo, "Video flushed and closed successfully.");
    return 0;
}

int DataToVideoConverter::rgbToJpeg(const uint8_t* data, int64_t timestamp) {
    if (jpeg_ctx_ == nullptr || dst_frame_ == nullptr || sws_ctx_ == nullptr || pkt_ == nullptr) {
        ZX_LOG(kLogError, "rgbToJpeg: Converter is not fully initialized.");
        return -1;
    }
    if (data == nullptr) {
        ZX_LOG(kLogError, "rgbToJpeg: no image data.");
        return -1;
    }
    // JPEG takes full-range luma; the video frame is limited range, so JPEG has its own frame.
    if (jpeg_frame_ == nullptr) {
        if (allocateFrame(jpeg_frame_, AV_PIX_FMT_YUVJ420P, jpeg_ctx_->width, jpeg_ctx_->height,
                          "Could not allocate destination frame.") < 0)
            return -1;
    }
    if (jpeg_sws_ctx_ == nullptr) {
        // YUVJ420P has the layout of YUV420P; ask the scaler for full range instead of the old format name.
        // The accurate flag keeps swscale off its fast BGR24 -> YUV420P path, which ignores the range.
        jpeg_sws_ctx_ = sws_getContext(sws_src_w_, sws_src_h_, AV_PIX_FMT_BGR24, jpeg_ctx_->width, jpeg_ctx_->height,
                                       AV_PIX_FMT_YUV420P, SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        if (jpeg_sws_ctx_ == nullptr) {
            ZX_LOG(kLogError, "Could not create the scaler.");
            return -1;
        }
        const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(jpeg_sws_ctx_, bt601, 1, bt601, 1, 0, 1 << 16, 1 << 16);
    }
    if (av_frame_make_writable(jpeg_frame_) < 0) {
        ZX_LOG(kLogError, "Could not allocate the video frame data");
        return -1;
    }
    const uint8_t* planes[4] = {data, nullptr, nullptr, nullptr};
    const int strides[4] = {3 * sws_src_w_, 0, 0, 0};
    sws_scale(jpeg_sws_ctx_, planes, strides, 0, sws_src_h_, jpeg_frame_->data, jpeg_frame_->linesize);
    jpeg_frame_->pts = AV_NOPTS_VALUE;

    if (avcodec_send_frame(jpeg_ctx_, jpeg_frame_) < 0) {
        ZX_LOG(kLogError, "Failed to send frame to JPEG encoder.");
        return -1;
    }
    if (avcodec_receive_packet(jpeg_ctx_, pkt_) < 0) {
        ZX_LOG(kLogError, "Failed to receive packet from JPEG encoder.");
        return -1;
    }
    const std::string fileName = jpeg_output_path_ + "/" + std::to_string(timestamp) + ".jpg";
    ZX_LOG(kLogInfo, "JPEG image saved as: %s", fileName.c_str());
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(local8bitToUtf8(fileName).c_str(), "wb"));
    if (!file) {
        ZX_LOG(kLogError, "Could not open output JPEG file.");
        av_packet_unref(pkt_);
        return -1;
    }
    const size_t written = std::fwrite(pkt_->data, 1, static_cast<size_t>(pkt_->size), file.get());
    const int size = pkt_->size;
    av_packet_unref(pkt_);
    if (written != static_cast<size_t>(size) || std::fclose(file.release()) != 0) {
        ZX_LOG(kLogError, "Could not write output JPEG file: %s", fileName.c_str());
        return -1;
    }
    return 0;
}

int DataToVideoConverter::setJpegOutputPath(const std::string& path) {
    jpeg_output_path_ = path;
    return 0;
}

int DataToVideoConverter::nv12ToRGB(const uint8_t* data, uint8_t* buf) {
    if (sws_ctx_ == nullptr || src_fmt_ != AV_PIX_FMT_NV12 || dst_fmt_ != AV_PIX_FMT_BGR24) {
        ZX_LOG(kLogError, "nv12ToRGB: the converter is not set up from NV12 to BGR24.");
        return -1;
    }
    if (data == nullptr || buf == nullptr) {
        ZX_LOG(kLogError, "nv12ToRGB: no image data.");
        return -1;
    }
    const uint8_t* planes[4] = {data, data + static_cast<size_t>(sws_src_w_) * sws_src_h_, nullptr, nullptr};
    const int strides[4] = {sws_src_w_, sws_src_w_, 0, 0};
    uint8_t* out[4] = {buf, nullptr, nullptr, nullptr};
    const int outStrides[4] = {3 * sws_dst_w_, 0, 0, 0};
    sws_scale(sws_ctx_, planes, strides, 0, sws_src_h_, out, outStrides);
    return 0;
}

}  // namespace quillex
