#pragma once
// Turns raw image buffers into an H.264 video in an MP4 container, into single JPEG files,
// or into a BGR24 image.
//
// Life cycle: construct -> setConverterFrameSize -> setConverterFmt -> initVideoConverter ->
// (setOutputFile -> frames -> flushAndCloseVideo) any number of times. JPEG output works after
// initVideoConverter without an open MP4; nv12ToRGB needs only the NV12 -> BGR24 scaler.
// Every operation returns 0 on success and -1 on failure (logged); none throws.
// Not thread-safe: one thread at a time.

#include <cstdint>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVCodec;
struct SwsContext;
struct AVFrame;
struct AVPacket;

namespace quillex {

class DataToVideoConverter {
public:
    // Timestamp value that asks for the automatic next presentation time.
    static constexpr int64_t kNextTimestamp = -1;
    // Step of the automatic timestamp in microseconds (30 frames per second).
    static constexpr int64_t kAutoTimestampStep = 33333;

    DataToVideoConverter();
    ~DataToVideoConverter();
    DataToVideoConverter(const DataToVideoConverter&) = delete;
    DataToVideoConverter& operator=(const DataToVideoConverter&) = delete;

    // Heights first. No checks; takes effect with the next setConverterFmt / initVideoConverter.
    void setConverterFrameSize(int srcHeight, int srcWidth, int dstHeight, int dstWidth);
    // FFmpeg pixel-format values (AV_PIX_FMT_BGR24 = 3, AV_PIX_FMT_YUV420P = 0, AV_PIX_FMT_NV12 = 23).
    // Builds the nearest-neighbour scaler from source to destination.
    int setConverterFmt(int srcFmt, int dstFmt);
    int initVideoConverter();

    // Opens a new MP4 (path in the local 8-bit encoding). Needs initVideoConverter first.
    int setOutputFile(const std::string& path);
    // One NV12 frame: luma plane of srcWidth x srcHeight bytes followed by the interleaved chroma plane.
    // timestamp in microseconds, or kNextTimestamp.
    int nv12ToVideo(const uint8_t* data, int64_t timestamp);
    // One BGR24 frame, rows of 3 x srcWidth bytes, tightly packed.
    int rgbToVideo(const uint8_t* src, int64_t timestamp);
    // Drains the encoder, finalises the MP4 and gets ready for the next setOutputFile.
    int flushAndCloseVideo();

    // One BGR24 image to "<jpeg dir>/<timestamp>.jpg".
    int rgbToJpeg(const uint8_t* data, int64_t timestamp);
    int setJpegOutputPath(const std::string& path);
    // NV12 image into a BGR24 buffer with rows of 3 x dstWidth bytes.
    int nv12ToRGB(const uint8_t* data, uint8_t* buf);

    // Name of the H.264 encoder chosen from `preferences` (in order), else the first H.264 encoder
    // FFmpeg knows; empty when there is none.
    static std::string preferredH264EncoderName(const std::vector<std::string>& preferences);
    static const std::vector<std::string>& defaultEncoderPreferences();

    // Presentation time the next automatic frame gets.
    int64_t nextTimestamp() const { return next_pts_; }
    bool isOutputOpen() const { return fmt_ctx_ != nullptr; }

private:
    static const AVCodec* findPreferredH264Encoder(const std::vector<std::string>& preferences);
    bool scalerMatches(const AVFrame* src, const AVFrame* dst) const;
    int openVideoCodecContext();
    int configureVideoCodecContext();
    int allocateFrame(AVFrame*& frame, int format, int width, int height, const char* allocMessage);
    int sendFrameAndWrite(AVFrame* frame);
    int receiveAndWriteVideoPackets();
    void setPacketDuration();
    void closeOutput();
    void assignTimestamp(int64_t timestamp);

    std::string name_;  // free label, not used by the operations

    AVFormatContext* fmt_ctx_ = nullptr;
    AVCodecContext* codec_ctx_ = nullptr;
    AVStream* stream_ = nullptr;           // owned by fmt_ctx_
    const AVCodec* codec_ = nullptr;       // not owned

    SwsContext* sws_ctx_ = nullptr;
    int src_fmt_ = -1;  // AVPixelFormat, -1 = none
    int dst_fmt_ = -1;
    // Geometry the scaler was built for; a later size change needs a new scaler.
    int sws_src_w_ = 0, sws_src_h_ = 0, sws_dst_w_ = 0, sws_dst_h_ = 0;

    int dst_width_ = 3840;
    int dst_height_ = 2160;
    int src_width_ = 3840;
    int src_height_ = 2160;

    int frame_rate_ = 30;
    int time_base_num_ = 1;
    int time_base_den_ = 1000000;

    // 64-bit so that automatic timestamps of long exports never wrap.
    int64_t next_pts_ = 0;

    AVFrame* dst_frame_ = nullptr;
    AVFrame* src_frame_ = nullptr;
    AVPacket* pkt_ = nullptr;
    const AVCodec* jpeg_codec_ = nullptr;
    AVCodecContext* jpeg_ctx_ = nullptr;

    std::string jpeg_output_path_;
    // Full-range scaler and frame for JPEG output, made on first use.
    SwsContext* jpeg_sws_ctx_ = nullptr;
    AVFrame* jpeg_frame_ = nullptr;
};

}  // namespace quillex
