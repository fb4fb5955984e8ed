#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "FileReader/ApsFileReader.h"
#include "FileReader/Mp4FileReader.h"
#include "VideoTestUtil.h"
#include "tools/DataToVideoConverter.h"

namespace quillex {
namespace {

using test::LogLines;
using test::TempDir;

TEST(ApsFileReaderFactory, OnlyAnExactLowerCaseMp4ExtensionGivesAReader) {
    auto reader = ApsFileReader::createFileReader("/data/rec_01.mp4");
    ASSERT_NE(reader, nullptr);
    EXPECT_NE(dynamic_cast<Mp4FileReader*>(reader.get()), nullptr);
    EXPECT_NE(ApsFileReader::createFileReader("rec.v2.mp4"), nullptr);
    EXPECT_EQ(ApsFileReader::createFileReader("rec.MP4"), nullptr);
    EXPECT_EQ(ApsFileReader::createFileReader("rec.mp4.bak"), nullptr);
    EXPECT_EQ(ApsFileReader::createFileReader("recording"), nullptr);
    EXPECT_EQ(ApsFileReader::createFileReader("/dir.mp4/recording"), nullptr);
    EXPECT_EQ(ApsFileReader::createFileReader(""), nullptr);
    // The factory does not open the file.
    EXPECT_NE(ApsFileReader::createFileReader("/does/not/exist.mp4"), nullptr);
}

TEST(Mp4FileReader, BeforeLoadingEveryLookupFailsCleanly) {
    Mp4FileReader reader("/does/not/exist.mp4");
    ApsFrame frame;
    std::vector<uint64_t> times{1, 2};
    EXPECT_TRUE(reader.getTimeStamps(times));
    EXPECT_TRUE(times.empty());
    EXPECT_FALSE(reader.getNextFrame(frame));
    EXPECT_FALSE(reader.getNFrame(0, frame));
    EXPECT_FALSE(reader.getFrameGivenTimeStamp(0, frame));
    EXPECT_FALSE(reader.seekTime(0));
    EXPECT_FALSE(reader.loadFile());
}

TEST(Mp4FileReader, FilesWithoutVideoAreRefused) {
    TempDir dir;
    const std::string text = dir.file("notes.mp4");
    std::ofstream(text) << "not a video at all";
    Mp4FileReader garbage(text);
    EXPECT_FALSE(garbage.loadFile());
    ApsFrame frame;
    EXPECT_FALSE(garbage.getNextFrame(frame));
}

// Four frames at 1.0, 1.1, 1.2 and 1.3 s, each a flat grey of its own level.
class Mp4FileReaderOnKnownVideo : public ::testing::Test {
protected:
    static constexpr int kW = 128, kH = 72;
    const std::vector<uint64_t> kTimes{1000000, 1100000, 1200000, 1300000};
    const std::vector<int> kLevels{40, 90, 140, 190};

    void SetUp() override {
        path_ = dir_.file("known.mp4");
        DataToVideoConverter conv;
        conv.setConverterFrameSize(kH, kW, kH, kW);
        ASSERT_EQ(conv.setConverterFmt(3, 0), 0);
        ASSERT_EQ(conv.initVideoConverter(), 0);
        ASSERT_EQ(conv.setOutputFile(path_), 0);
        for (size_t i = 0; i < kTimes.size(); ++i) {
            const auto img = test::flatImage(kW, kH, static_cast<uint8_t>(kLevels[i]));
            ASSERT_EQ(conv.rgbToVideo(img.data(), static_cast<int64_t>(kTimes[i])), 0);
        }
        ASSERT_EQ(conv.flushAndCloseVideo(), 0);
        reader_ = ApsFileReader::createFileReader(path_);
        ASSERT_NE(reader_, nullptr);
        ASSERT_TRUE(reader_->loadFile());
    }

    // Which of the four frames `frame` shows, by its grey level; -1 if none matches.
    int whichFrame(const ApsFrame& frame) const {
        const double mean = test::meanValue(frame.data(), frame.getDataSize());
        for (size_t i = 0; i < kLevels.size(); ++i)
            if (std::abs(mean - kLevels[i]) < 4.0) return static_cast<int>(i);
        return -1;
    }

    TempDir dir_;
    std::string path_;
    std::unique_ptr<ApsFileReader> reader_;
};

TEST_F(Mp4FileReaderOnKnownVideo, SizeAndFrameTimes) {
    EXPECT_EQ(reader_->getWidth(), kW);
    EXPECT_EQ(reader_->getHeight(), kH);
    std::vector<uint64_t> times;
    EXPECT_TRUE(reader_->getTimeStamps(times));
    EXPECT_EQ(times, kTimes);
}

TEST_F(Mp4FileReaderOnKnownVideo, NextFrameWalksTheFileInOrder) {
    ApsFrame frame;
    for (size_t i = 0; i < kTimes.size(); ++i) {
        ASSERT_TRUE(reader_->getNextFrame(frame)) << i;
        EXPECT_EQ(frame.getStartTime(), kTimes[i]);
        EXPECT_EQ(frame.getEndTime(), kTimes[i]);
        EXPECT_EQ(frame.getWidth(), kW);
        EXPECT_EQ(frame.getHeight(), kH);
        EXPECT_EQ(whichFrame(frame), static_cast<int>(i));
    }
    EXPECT_FALSE(reader_->getNextFrame(frame));
}

TEST_F(Mp4FileReaderOnKnownVideo, FrameGivenTimeStampShowsTheLastFrameNotAfterIt) {
    LogLines logs;
    ApsFrame frame;
    EXPECT_FALSE(reader_->getFrameGivenTimeStamp(999999, frame));
    EXPECT_FALSE(reader_->getFrameGivenTimeStamp(0, frame));

    ASSERT_TRUE(reader_->getFrameGivenTimeStamp(1150000, frame));
    EXPECT_EQ(frame.getStartTime(), 1100000u);
    EXPECT_EQ(whichFrame(frame), 1);
    EXPECT_TRUE(logs.has(2, "Seek to time: 1100000"));

    ASSERT_TRUE(reader_->getFrameGivenTimeStamp(1200000, frame));
    EXPECT_EQ(whichFrame(frame), 2);
    ASSERT_TRUE(reader_->getFrameGivenTimeStamp(1199999, frame));
    EXPECT_EQ(whichFrame(frame), 1);
    // Backwards after forwards, and past the end: the last frame stays on screen.
    ASSERT_TRUE(reader_->getFrameGivenTimeStamp(1000000, frame));
    EXPECT_EQ(whichFrame(frame), 0);
    ASSERT_TRUE(reader_->getFrameGivenTimeStamp(50000000, frame));
    EXPECT_EQ(whichFrame(frame), 3);
}

TEST_F(Mp4FileReaderOnKnownVideo, NFrameChecksItsIndex) {
    ApsFrame frame;
    EXPECT_FALSE(reader_->getNFrame(-1, frame));
    EXPECT_FALSE(reader_->getNFrame(static_cast<int>(kTimes.size()), frame));
    for (int i = static_cast<int>(kTimes.size()) - 1; i >= 0; --i) {
        ASSERT_TRUE(reader_->getNFrame(i, frame));
        EXPECT_EQ(frame.getStartTime(), kTimes[static_cast<size_t>(i)]);
        EXPECT_EQ(whichFrame(frame), i);
    }
}

TEST_F(Mp4FileReaderOnKnownVideo, SeekTimePositionsAtTheFrameAtOrBefore) {
    LogLines logs;
    ApsFrame frame;
    const uint64_t last = kTimes.back();
    EXPECT_FALSE(reader_->seekTime(last));
    EXPECT_FALSE(reader_->seekTime(last + 1));

    ASSERT_TRUE(reader_->seekTime(last - 1));
    EXPECT_TRUE(logs.has(2, "Seek to time: 1200000"));
    ASSERT_TRUE(reader_->getNextFrame(frame));
    EXPECT_EQ(frame.getStartTime(), 1200000u);

    // Before the first frame: the first frame.
    ASSERT_TRUE(reader_->seekTime(5));
    ASSERT_TRUE(reader_->getNextFrame(frame));
    EXPECT_EQ(frame.getStartTime(), kTimes.front());
    EXPECT_EQ(whichFrame(frame), 0);
}

TEST_F(Mp4FileReaderOnKnownVideo, ReloadingGivesTheSameTimesAgain) {
    ApsFrame frame;
    ASSERT_TRUE(reader_->getNextFrame(frame));
    ASSERT_TRUE(reader_->loadFile());
    std::vector<uint64_t> times;
    reader_->getTimeStamps(times);
    EXPECT_EQ(times, kTimes);
    ASSERT_TRUE(reader_->getNextFrame(frame));
    EXPECT_EQ(frame.getStartTime(), kTimes.front());
}

// A video from another writer: groups of 5 frames with reordered (B) frames, time base 1/10240.
TEST(Mp4FileReader, VideosWithGroupsOfPicturesAndOtherTimeBases) {
    QUILLEX_REQUIRE_TOOL("ffmpeg");
    TempDir dir;
    const std::string path = dir.file("gop.mp4");
    ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i testsrc2=size=64x48:rate=10 -frames:v 10 -c:v libx264 "
                           "-g 5 -bf 2 -pix_fmt yuv420p '" + path + "'").c_str()),
              0);
    Mp4FileReader reader(path);
    ASSERT_TRUE(reader.loadFile());
    std::vector<uint64_t> times;
    reader.getTimeStamps(times);
    std::vector<uint64_t> expected;
    for (uint64_t i = 0; i < 10; ++i) expected.push_back(i * 100000);
    ASSERT_EQ(times, expected);

    // Reference pictures: a plain walk through the file.
    std::vector<ApsFrame> walk(10);
    for (auto& f : walk) ASSERT_TRUE(reader.getNextFrame(f));

    LogLines logs;
    ApsFrame frame;
    ASSERT_TRUE(reader.getFrameGivenTimeStamp(350000, frame));
    EXPECT_EQ(frame.getStartTime(), 300000u);
    ASSERT_EQ(frame.getDataSize(), walk[3].getDataSize());
    EXPECT_TRUE(std::equal(frame.data(), frame.data() + frame.getDataSize(), walk[3].data()));
    EXPECT_GE(logs.countContaining("Skip frame: "), 1u);  // decoded forward from the group's key frame

    for (int i : {9, 5, 4, 0, 7}) {
        ASSERT_TRUE(reader.getNFrame(i, frame)) << i;
        EXPECT_EQ(frame.getStartTime(), expected[static_cast<size_t>(i)]);
        EXPECT_TRUE(std::equal(frame.data(), frame.data() + frame.getDataSize(), walk[static_cast<size_t>(i)].data()))
            << i;
    }
}

}  // namespace
}  // namespace quillex
