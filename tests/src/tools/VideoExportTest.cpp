#include <gtest/gtest.h>

#include <fstream>

#include "FileReader/DvsFileReader.h"
#include "FileReader/Mp4FileReader.h"
#include "FileReader/RawFileReader.h"
#include "TestData.h"
#include "VideoTestUtil.h"
#include "base/DvsFileHeader.h"
#include "hal/Evt3Encoder.h"
#include "tools/EventImage.h"

namespace quillex {
namespace {

using test::LogLines;
using test::TempDir;

constexpr uint64_t kPeriod = 33333;

TEST(EventImage, DrawsPolaritiesOnGreyAndSkipsEventsOutsideTheGeometry) {
    const int w = 8, h = 4;
    std::vector<uint8_t> image{1, 2, 3};  // wrong size: resized
    const std::vector<Event2D> events{
        {1, 0, 1, 10}, {7, 3, 0, 11}, {8, 0, 1, 12}, {0, 4, 1, 13}, {65535, 65535, 0, 14}, {2, 2, 1, 15}, {2, 2, 0, 16}};
    drawEventImage(events, w, h, image);
    ASSERT_EQ(image.size(), static_cast<size_t>(w * h * 3));
    auto px = [&](int x, int y) { return &image[(static_cast<size_t>(y) * w + x) * 3]; };
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(px(1, 0)[c], 255);
        EXPECT_EQ(px(7, 3)[c], 0);
        EXPECT_EQ(px(2, 2)[c], 0);  // the later event of a pixel wins
    }
    // Everything else, including where out-of-range events would wrap to, stays background.
    int background = 0;
    for (size_t i = 0; i < image.size(); ++i) background += image[i] == kEventImageBackground;
    EXPECT_EQ(background, (w * h - 3) * 3);

    // A batch redraws from scratch: the previous events are gone.
    drawEventImage(std::vector<Event2D>{}, w, h, image);
    EXPECT_EQ(std::count(image.begin(), image.end(), kEventImageBackground), w * h * 3);
}

// A 320 x 240 recording from 100000 µs with events in windows 0, 1, 3, 4 and 7 of the export
// range [100000, 100000 + 8 x 33333), none in 2, 5 and 6. Window k has a white event at
// (10 + 20k, 50), a black one at (10 + 20k, 60) and events outside the geometry.
class VideoExportTest : public ::testing::Test {
protected:
    static constexpr uint16_t kW = 320, kH = 240;
    static constexpr uint64_t kStart = 100000;
    const std::vector<int> kActive{0, 1, 3, 4, 7};

    void SetUp() override {
        raw_ = dir_.file("synthetic.raw");
        // Busy stretches before and after the range make a recording of several read chunks.
        std::vector<Event2D> events;
        auto busy = [&](uint64_t from, uint64_t to) {
            for (uint64_t t = from; t < to; t += 2)
                events.emplace_back(static_cast<uint16_t>((t * 7) % kW), static_cast<uint16_t>((t / 2) % kH),
                                    static_cast<uint8_t>(t & 1), t);
        };
        busy(1000, kStart - 10000);
        for (int k : kActive) {
            const uint64_t t = kStart + static_cast<uint64_t>(k) * kPeriod + 1000;
            const auto x = static_cast<uint16_t>(10 + 20 * k);
            events.emplace_back(x, 50, 1, t);
            events.emplace_back(x, 60, 0, t + 10);
            events.emplace_back(static_cast<uint16_t>(kW + 5), 20, 1, t + 20);  // x beyond the width
            events.emplace_back(30, static_cast<uint16_t>(kH + 7), 0, t + 30);  // y beyond the height
        }
        busy(kStart + 8 * kPeriod + 5000, kStart + 8 * kPeriod + 100000);
        Evt3Encoder encoder;
        std::vector<uint8_t> payload;
        encoder.forceFullTimeReference();
        encoder.encodeEvents(events.data(), events.data() + events.size(), payload);

        DvsFileInfo info;
        info.width = kW;
        info.height = kH;
        info.dvs_start_timestamp = 0;
        info.serial_number = "VIDEO01";
        std::ofstream out(raw_, std::ios::binary);
        const std::string header = generateDvsFileHeader(info);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
        out.close();

        reader_ = std::make_unique<RawFileReader>(raw_);
        ASSERT_TRUE(reader_->loadFile());
        ASSERT_EQ(reader_->getWidth(), kW);
        ASSERT_EQ(reader_->getHeight(), kH);
    }

    TempDir dir_;
    std::string raw_;
    std::unique_ptr<RawFileReader> reader_;
};

TEST_F(VideoExportTest, OneFramePerWindowWithEventsAndNoneForEmptyWindows) {
    const std::string mp4 = dir_.file("export.mp4");
    LogLines logs;
    std::vector<std::tuple<uint64_t, uint64_t, uint64_t>> progress;
    ASSERT_TRUE(reader_->exportEventDataToVideo(kStart, kStart + 8 * kPeriod, mp4,
                                                [&](uint64_t done, uint64_t total, uint64_t frames) {
                                                    progress.emplace_back(done, total, frames);
                                                }));
    EXPECT_TRUE(logs.has(2, "Exporting event data to video..."));

    Mp4FileReader video(mp4);
    ASSERT_TRUE(video.loadFile());
    EXPECT_EQ(video.getWidth(), kW);
    EXPECT_EQ(video.getHeight(), kH);
    std::vector<uint64_t> times;
    video.getTimeStamps(times);
    // Frames are consecutive: the empty windows leave no gap.
    EXPECT_EQ(times, (std::vector<uint64_t>{0, kPeriod, 2 * kPeriod, 3 * kPeriod, 4 * kPeriod}));

    for (size_t i = 0; i < kActive.size() && i < times.size(); ++i) {
        ApsFrame frame;
        ASSERT_TRUE(video.getNFrame(static_cast<int>(i), frame));
        const uint8_t* px = frame.data();
        auto at = [&](int x, int y) { return px[(static_cast<size_t>(y) * kW + x) * 3 + 1]; };
        const int x = 10 + 20 * kActive[i];
        EXPECT_GT(at(x, 50), 200) << "white event of window " << kActive[i];
        EXPECT_LT(at(x, 60), 50) << "black event of window " << kActive[i];
        EXPECT_NEAR(at(x + 5, 55), 112, 8) << "background";
        // Only this window's events are drawn; others were cleared.
        if (i > 0) {
            EXPECT_NEAR(at(10 + 20 * kActive[i - 1], 50), 112, 8);
        }
        // Nothing appears where out-of-geometry events would land if wrapped or clipped.
        EXPECT_NEAR(at(kW - 1, 20), 112, 8);
        EXPECT_NEAR(at(5, 21), 112, 8);
        EXPECT_NEAR(at(30, kH - 1), 112, 8);
    }

    ASSERT_EQ(progress.size(), 8u);
    EXPECT_EQ(progress.front(), std::make_tuple(kPeriod, 8 * kPeriod, uint64_t{1}));
    EXPECT_EQ(progress.back(), std::make_tuple(8 * kPeriod, 8 * kPeriod, uint64_t{5}));

    QUILLEX_REQUIRE_TOOL("ffprobe");
    const auto probe = test::probeVideo(mp4);
    EXPECT_EQ(probe.codec, "h264");
    EXPECT_EQ(probe.frames, 5);
    EXPECT_EQ(probe.keyFrames, 5);
}

TEST_F(VideoExportTest, RangesThatCannotProduceAVideo) {
    LogLines logs;
    EXPECT_FALSE(reader_->exportEventDataToVideo(kStart, kStart + kPeriod, dir_.file("no-such-dir/x.mp4")));
    EXPECT_TRUE(logs.has(4, "Could not open output file: " + dir_.file("no-such-dir/x.mp4")));

    // An end far past the recording stops at its last event instead of walking the whole clock.
    const std::string far = dir_.file("far.mp4");
    ASSERT_TRUE(reader_->exportEventDataToVideo(kStart, UINT64_MAX / 2, far));
    std::vector<uint64_t> times;
    Mp4FileReader video(far);
    ASSERT_TRUE(video.loadFile());
    video.getTimeStamps(times);
    EXPECT_GT(times.size(), kActive.size());  // the range's frames and those of the busy tail
    EXPECT_LT(times.size(), kActive.size() + 10);

    // An empty range gives a valid video without frames.
    const std::string empty = dir_.file("empty.mp4");
    EXPECT_TRUE(reader_->exportEventDataToVideo(kStart, kStart, empty));
    EXPECT_TRUE(std::filesystem::exists(empty));
}

TEST(VideoExportSamples, FrameCountMatchesTheNonEmptyWindowsOfARealRecording) {
    QUILLEX_REQUIRE_SAMPLES();
    TempDir dir;
    // The reader keeps its bookmark index beside the recording: work on a private copy.
    const std::string raw = dir.file("trigger_erc.raw");
    std::filesystem::copy_file(test::sampleDataDir() / "evt3_1280x720_trigger_erc.raw", raw);
    RawFileReader reader(raw);
    ASSERT_TRUE(reader.loadFile());
    uint64_t first = 0, last = 0;
    ASSERT_TRUE(reader.getStartTimeStamp(first));
    ASSERT_TRUE(reader.getEndTimeStamp(last));
    const uint64_t end = first + 20 * kPeriod;
    ASSERT_LT(end, last);

    // Independent count of the windows that hold events.
    ASSERT_TRUE(reader.seekTime(first));
    size_t nonEmpty = 0;
    for (uint64_t t = first; t < end; t += kPeriod) nonEmpty += !reader.getNTimeEvents(kPeriod)->empty();
    ASSERT_GT(nonEmpty, 0u);

    const std::string mp4 = dir.file("trigger_erc.mp4");
    ASSERT_TRUE(reader.exportEventDataToVideo(first, end, mp4));
    Mp4FileReader video(mp4);
    ASSERT_TRUE(video.loadFile());
    EXPECT_EQ(video.getWidth(), 1280);
    EXPECT_EQ(video.getHeight(), 720);
    std::vector<uint64_t> times;
    video.getTimeStamps(times);
    EXPECT_EQ(times.size(), nonEmpty);

    QUILLEX_REQUIRE_TOOL("ffprobe");
    const auto probe = test::probeVideo(mp4);
    EXPECT_EQ(probe.codec, "h264");
    EXPECT_EQ(probe.frames, static_cast<int>(nonEmpty));
    EXPECT_EQ(probe.keyFrames, static_cast<int>(nonEmpty));
}

}  // namespace
}  // namespace quillex
