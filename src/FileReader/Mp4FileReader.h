#pragma once
// Reads the H.264 MP4 of a fusion recording. loadFile() decodes the whole file once to collect
// the frame times; each lookup then seeks to the nearest key frame before the wanted time and
// decodes forward. One thread uses a reader at a time.

#include <cstdint>
#include <string>
#include <vector>

#include "FileReader/ApsFileReader.h"
#include "base/ApsFrame.h"

struct AVFormatContext;
struct AVStream;
struct AVCodec;
struct AVCodecContext;
struct SwsContext;
struct AVFrame;
struct AVPacket;

namespace quillex {

class Mp4FileReader : public ApsFileReader {
public:
    // `path` in the local 8-bit encoding.
    explicit Mp4FileReader(const std::string& path);
    ~Mp4FileReader() override;
    Mp4FileReader(const Mp4FileReader&) = delete;
    Mp4FileReader& operator=(const Mp4FileReader&) = delete;

    bool loadFile() override;
    bool seekTime(uint64_t time_us) override;
    bool getTimeStamps(std::vector<uint64_t>& out) override;
    bool getNextFrame(ApsFrame& frame) override;
    bool getNFrame(int index, ApsFrame& frame) override;
    bool getFrameGivenTimeStamp(uint64_t time_us, ApsFrame& frame) override;

    const std::string& filePath() const { return path_; }

private:
    bool readFrameTimestamps();
    uint64_t streamTimeToUs(int64_t ts) const;
    int64_t usToStreamTime(uint64_t us) const;
    bool seekStream(uint64_t time_us);
    // Reads packets of the video stream until the decoder gives a frame (draining it at the end).
    bool decodeNextFrame();
    void release();

    std::string path_;
    std::vector<uint64_t> frame_times_;

    AVFormatContext* fmt_ctx_ = nullptr;
    int video_stream_index_ = -1;
    AVStream* video_stream_ = nullptr;  // owned by fmt_ctx_
    const AVCodec* codec_ = nullptr;    // not owned
    AVCodecContext* codec_ctx_ = nullptr;
    SwsContext* sws_ctx_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* pkt_ = nullptr;
    bool draining_ = false;  // end of file reached: the decoder is emptying its queue

    // Decode target of the lookups; swapped into the caller's frame so pixels are never copied twice.
    ApsFrame scratch_;
};

}  // namespace quillex
