#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "FileReader/Mp4FileReader.h"
#include "VideoTestUtil.h"
#include "tools/DataToVideoConverter.h"

namespace quillex {
namespace {

using test::LogLines;
using test::TempDir;

constexpr int kBgr24 = 3;
constexpr int kYuv420p = 0;
constexpr int kNv12 = 23;

// A converter set up from BGR24 to YUV420P for one geometry.
std::unique_ptr<DataToVideoConverter> makeRgbConverter(int width, int height) {
    auto c = std::make_unique<DataToVideoConverter>();
    c->setConverterFrameSize(height, width, height, width);
    EXPECT_EQ(c->setConverterFmt(kBgr24, kYuv420p), 0);
    EXPECT_EQ(c->initVideoConverter(), 0);
    return c;
}

std::vector<uint64_t> readTimes(const std::string& path) {
    Mp4FileReader reader(path);
    EXPECT_TRUE(reader.loadFile());
    std::vector<uint64_t> times;
    reader.getTimeStamps(times);
    return times;
}

TEST(DataToVideoConverter, PrefersLibx264AndFallsBackToAnyH264Encoder) {
    EXPECT_EQ(DataToVideoConverter::preferredH264EncoderName(DataToVideoConverter::defaultEncoderPreferences()),
              "libx264");
    // Names that are not H.264 encoders are passed over; the fallback is still an H.264 encoder.
    const std::string fallback = DataToVideoConverter::preferredH264EncoderName({"no_such_encoder", "mjpeg", "h264"});
    EXPECT_FALSE(fallback.empty());
    EXPECT_NE(fallback, "mjpeg");
    EXPECT_NE(fallback, "h264");  // the native h264 codec is a decoder only
    EXPECT_EQ(DataToVideoConverter::preferredH264EncoderName({"no_such_encoder"}), fallback);
}

TEST(DataToVideoConverter, AutomaticTimestampsReadBackWithContentAndAllKeyFrames) {
    TempDir dir;
    const int w = 320, h = 240;
    auto conv = makeRgbConverter(w, h);
    const std::string path = dir.file("auto.mp4");
    LogLines logs;
    ASSERT_EQ(conv->setOutputFile(path), 0);
    EXPECT_TRUE(logs.has(2, "Output file set to: " + path));

    std::vector<std::vector<uint8_t>> images;
    for (int i = 0; i < 3; ++i) {
        images.push_back(test::patternImage(w, h, i));
        ASSERT_EQ(conv->rgbToVideo(images.back().data(), DataToVideoConverter::kNextTimestamp), 0);
    }
    EXPECT_EQ(conv->nextTimestamp(), 99999);
    ASSERT_EQ(conv->flushAndCloseVideo(), 0);
    EXPECT_TRUE(logs.has(2, "Video flushed and closed successfully."));
    EXPECT_FALSE(conv->isOutputOpen());

    Mp4FileReader reader(path);
    ASSERT_TRUE(reader.loadFile());
    EXPECT_EQ(reader.getWidth(), w);
    EXPECT_EQ(reader.getHeight(), h);
    std::vector<uint64_t> times;
    reader.getTimeStamps(times);
    EXPECT_EQ(times, (std::vector<uint64_t>{0, 33333, 66666}));
    for (int i = 0; i < 3; ++i) {
        ApsFrame frame;
        ASSERT_TRUE(reader.getNFrame(i, frame));
        ASSERT_EQ(frame.getDataSize(), images[i].size());
        EXPECT_GT(test::psnr(frame.data(), images[i].data(), images[i].size()), 30.0) << "frame " << i;
    }

    QUILLEX_REQUIRE_TOOL("ffprobe");
    const auto probe = test::probeVideo(path);
    EXPECT_EQ(probe.codec, "h264");
    EXPECT_EQ(probe.width, w);
    EXPECT_EQ(probe.height, h);
    EXPECT_EQ(probe.frames, 3);
    EXPECT_EQ(probe.keyFrames, 3);
    EXPECT_EQ(probe.ptsUs, (std::vector<int64_t>{0, 33333, 66666}));
}

TEST(DataToVideoConverter, ExplicitTimestampsAreKeptAndAutomaticOnesFollowThem) {
    TempDir dir;
    auto conv = makeRgbConverter(64, 64);
    const std::string path = dir.file("explicit.mp4");
    ASSERT_EQ(conv->setOutputFile(path), 0);
    const auto img = test::patternImage(64, 64, 1);
    ASSERT_EQ(conv->rgbToVideo(img.data(), 1000000), 0);
    ASSERT_EQ(conv->rgbToVideo(img.data(), 1250000), 0);
    // An automatic frame after an explicit one comes one period later, never at the same time.
    EXPECT_EQ(conv->nextTimestamp(), 1250000 + 33333);
    // Beyond the signed 32-bit range: automatic timestamps must keep counting up.
    const int64_t late = INT_MAX - 10000;
    ASSERT_EQ(conv->rgbToVideo(img.data(), late), 0);
    ASSERT_EQ(conv->rgbToVideo(img.data(), DataToVideoConverter::kNextTimestamp), 0);
    ASSERT_EQ(conv->rgbToVideo(img.data(), DataToVideoConverter::kNextTimestamp), 0);
    ASSERT_EQ(conv->flushAndCloseVideo(), 0);

    const auto times = readTimes(path);
    const uint64_t l = static_cast<uint64_t>(late);
    EXPECT_EQ(times, (std::vector<uint64_t>{1000000, 1250000, l, l + 33333, l + 66666}));
    EXPECT_GT(times.back(), static_cast<uint64_t>(INT_MAX));
}

TEST(DataToVideoConverter, SecondOutputAfterFlushIsAnIndependentValidFile) {
    TempDir dir;
    auto conv = makeRgbConverter(160, 120);
    const auto a = test::flatImage(160, 120, 40);
    const auto b = test::flatImage(160, 120, 200);

    ASSERT_EQ(conv->setOutputFile(dir.file("first.mp4")), 0);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(conv->rgbToVideo(a.data(), -1), 0);
    ASSERT_EQ(conv->flushAndCloseVideo(), 0);

    ASSERT_EQ(conv->setOutputFile(dir.file("second.mp4")), 0);
    for (int i = 0; i < 2; ++i) ASSERT_EQ(conv->rgbToVideo(b.data(), -1), 0);
    ASSERT_EQ(conv->flushAndCloseVideo(), 0);

    EXPECT_EQ(readTimes(dir.file("first.mp4")).size(), 4u);
    // Automatic times of the second file start again at 0.
    EXPECT_EQ(readTimes(dir.file("second.mp4")), (std::vector<uint64_t>{0, 33333}));
    Mp4FileReader reader(dir.file("second.mp4"));
    ASSERT_TRUE(reader.loadFile());
    ApsFrame frame;
    ASSERT_TRUE(reader.getNFrame(1, frame));
    EXPECT_NEAR(test::meanValue(frame.data(), frame.getDataSize()), 200.0, 3.0);
}

TEST(DataToVideoConverter, OpeningANewOutputFinishesTheOpenOne) {
    TempDir dir;
    auto conv = makeRgbConverter(64, 48);
    const auto img = test::patternImage(64, 48, 2);
    ASSERT_EQ(conv->setOutputFile(dir.file("left-open.mp4")), 0);
    ASSERT_EQ(conv->rgbToVideo(img.data(), -1), 0);
    ASSERT_EQ(conv->rgbToVideo(img.data(), -1), 0);
    ASSERT_EQ(conv->setOutputFile(dir.file("next.mp4")), 0);
    ASSERT_EQ(conv->rgbToVideo(img.data(), -1), 0);
    conv.reset();  // destruction finishes the second one
    EXPECT_EQ(readTimes(dir.file("left-open.mp4")), (std::vector<uint64_t>{0, 33333}));
    EXPECT_EQ(readTimes(dir.file("next.mp4")), (std::vector<uint64_t>{0}));
}

TEST(DataToVideoConverter, WidthsWithoutAlignedRowsAreEncodedFromTightlyPackedRows) {
    TempDir dir;
    // 3 x 50 = 150 bytes per row, not a multiple of the frame alignment.
    const int w = 50, h = 38;
    auto conv = makeRgbConverter(w, h);
    ASSERT_EQ(conv->setOutputFile(dir.file("odd.mp4")), 0);
    // Exactly sized heap buffer: a read past its end shows under the address sanitizer.
    const auto img = test::patternImage(w, h, 3);
    auto exact = std::make_unique<uint8_t[]>(img.size());
    std::copy(img.begin(), img.end(), exact.get());
    ASSERT_EQ(conv->rgbToVideo(exact.get(), -1), 0);
    ASSERT_EQ(conv->flushAndCloseVideo(), 0);

    Mp4FileReader reader(dir.file("odd.mp4"));
    ASSERT_TRUE(reader.loadFile());
    ApsFrame frame;
    ASSERT_TRUE(reader.getNFrame(0, frame));
    ASSERT_EQ(frame.getDataSize(), img.size());
    // Rows copied with the wrong stride would shear the image and fail this bound.
    EXPECT_GT(test::psnr(frame.data(), img.data(), img.size()), 28.0);
}

TEST(DataToVideoConverter, UseBeforeSetUpFailsWithItsMessage) {
    LogLines logs;
    DataToVideoConverter conv;
    const auto img = test::flatImage(64, 64, 1);
    std::vector<uint8_t> out(64 * 64 * 3);

    EXPECT_EQ(conv.setOutputFile("/tmp/never-written.mp4"), -1);
    EXPECT_TRUE(
        logs.has(4, "setOutputFile: codec_ctx_ not initialized. Please call initVideoConverter() first."));
    EXPECT_FALSE(std::filesystem::exists("/tmp/never-written.mp4"));
    EXPECT_EQ(conv.rgbToVideo(img.data(), -1), -1);
    EXPECT_TRUE(logs.has(4, "rgbToVideo: Converter is not fully initialized."));
    EXPECT_EQ(conv.nv12ToVideo(img.data(), -1), -1);
    EXPECT_TRUE(logs.has(4, "nv12ToVideo: Converter is not fully initialized."));
    EXPECT_EQ(conv.flushAndCloseVideo(), -1);
    EXPECT_TRUE(logs.has(4, "flushAndCloseVideo: Missing format or codec context."));
    EXPECT_EQ(conv.rgbToJpeg(img.data(), 0), -1);
    EXPECT_TRUE(logs.has(4, "rgbToJpeg: Converter is not fully initialized."));
    EXPECT_EQ(conv.nv12ToRGB(img.data(), out.data()), -1);
    EXPECT_EQ(conv.initVideoConverter(), -1);  // formats never set

    // Set up, but no output file yet.
    auto ready = makeRgbConverter(64, 64);
    EXPECT_EQ(ready->rgbToVideo(img.data(), -1), -1);
    EXPECT_EQ(ready->flushAndCloseVideo(), -1);
    EXPECT_EQ(ready->setOutputFile("/nonexistent-dir/x.mp4"), -1);
    EXPECT_TRUE(logs.has(4, "Could not open output file: /nonexistent-dir/x.mp4"));
    EXPECT_FALSE(ready->isOutputOpen());
}

TEST(DataToVideoConverter, WrongSourceFormatIsRefused) {
    TempDir dir;
    LogLines logs;
    DataToVideoConverter conv;
    conv.setConverterFrameSize(32, 32, 32, 32);
    ASSERT_EQ(conv.setConverterFmt(kNv12, kYuv420p), 0);
    ASSERT_EQ(conv.initVideoConverter(), 0);
    ASSERT_EQ(conv.setOutputFile(dir.file("nv12.mp4")), 0);
    const auto img = test::flatImage(32, 32, 0);
    EXPECT_EQ(conv.rgbToVideo(img.data(), -1), -1);
    EXPECT_TRUE(logs.has(4, "Sws scale fmt is not AV_PIX_FMT_BGR24"));
    EXPECT_EQ(conv.setConverterFmt(12345, kYuv420p), -1);
}

TEST(DataToVideoConverter, Nv12FramesEncodeAndConvertToBgr) {
    TempDir dir;
    const int w = 64, h = 32;
    // Luma rising left to right, neutral chroma: a grey ramp.
    std::vector<uint8_t> nv12(static_cast<size_t>(w) * h * 3 / 2, 128);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) nv12[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(16 + x * 3);

    DataToVideoConverter toRgb;
    toRgb.setConverterFrameSize(h, w, h, w);
    ASSERT_EQ(toRgb.setConverterFmt(kNv12, kBgr24), 0);
    std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
    ASSERT_EQ(toRgb.nv12ToRGB(nv12.data(), bgr.data()), 0);
    // Limited-range luma 16 is black; every pixel grey (equal channels); brightness rises with x.
    EXPECT_LE(bgr[0], 2);
    for (int x = 1; x < w; ++x) {
        const uint8_t* p = &bgr[(static_cast<size_t>(5) * w + x) * 3];
        EXPECT_NEAR(p[0], p[1], 2);
        EXPECT_NEAR(p[1], p[2], 2);
        EXPECT_GE(p[0] + 1, bgr[(static_cast<size_t>(5) * w + x - 1) * 3]);
    }
    EXPECT_GT(bgr[(static_cast<size_t>(5) * w + w - 1) * 3], 190);

    DataToVideoConverter toVideo;
    toVideo.setConverterFrameSize(h, w, h, w);
    ASSERT_EQ(toVideo.setConverterFmt(kNv12, kYuv420p), 0);
    ASSERT_EQ(toVideo.initVideoConverter(), 0);
    ASSERT_EQ(toVideo.setOutputFile(dir.file("nv12.mp4")), 0);
    ASSERT_EQ(toVideo.nv12ToVideo(nv12.data(), 500), 0);
    ASSERT_EQ(toVideo.flushAndCloseVideo(), 0);
    Mp4FileReader reader(dir.file("nv12.mp4"));
    ASSERT_TRUE(reader.loadFile());
    ApsFrame frame;
    ASSERT_TRUE(reader.getNFrame(0, frame));
    EXPECT_EQ(frame.getStartTime(), 500u);
    EXPECT_GT(test::psnr(frame.data(), bgr.data(), bgr.size()), 30.0);
}

TEST(DataToVideoConverter, JpegFilesAreNamedAfterTheTimestampAndDecodeBack) {
    TempDir dir;
    const int w = 96, h = 64;
    auto conv = makeRgbConverter(w, h);
    ASSERT_EQ(conv->setJpegOutputPath(dir.path().string()), 0);
    LogLines logs;
    const auto img = test::patternImage(w, h, 4);
    ASSERT_EQ(conv->rgbToJpeg(img.data(), -5), 0);
    ASSERT_EQ(conv->rgbToJpeg(img.data(), 1234567890123), 0);
    const std::string neg = dir.file("-5.jpg");
    EXPECT_TRUE(std::filesystem::exists(neg));
    EXPECT_TRUE(std::filesystem::exists(dir.file("1234567890123.jpg")));
    EXPECT_TRUE(logs.has(2, "JPEG image saved as: " + neg));

    ASSERT_EQ(conv->setJpegOutputPath(dir.file("missing-dir")), 0);
    EXPECT_EQ(conv->rgbToJpeg(img.data(), 1), -1);
    EXPECT_TRUE(logs.has(4, "Could not open output JPEG file."));

    QUILLEX_REQUIRE_TOOL("ffmpeg");
    const auto decoded = test::decodeImageWithFfmpeg(neg);
    ASSERT_EQ(decoded.size(), img.size());
    // Full-range levels: black and white survive the round trip.
    EXPECT_GT(test::psnr(decoded.data(), img.data(), img.size()), 28.0);
    const auto black = test::flatImage(w, h, 0);
    ASSERT_EQ(conv->setJpegOutputPath(dir.path().string()), 0);
    ASSERT_EQ(conv->rgbToJpeg(black.data(), 7), 0);
    const auto decodedBlack = test::decodeImageWithFfmpeg(dir.file("7.jpg"));
    ASSERT_EQ(decodedBlack.size(), black.size());
    EXPECT_LT(test::meanValue(decodedBlack.data(), decodedBlack.size()), 3.0);
}

}  // namespace
}  // namespace quillex
