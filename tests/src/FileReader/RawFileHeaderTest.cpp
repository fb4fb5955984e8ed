#include <gtest/gtest.h>

#include <sstream>

#include "FileReader/RawFileHeader.h"
#include "base/DvsFileHeader.h"

namespace quillex {
namespace {

struct Parsed {
    RawHeaderResult result;
    DvsFileInfo info;
    std::string rest;  // what the stream yields after parsing
};

Parsed parse(const std::string& bytes) {
    std::istringstream in(bytes, std::ios::binary);
    Parsed p;
    p.result = parseRawFileHeader(in, p.info);
    if (p.result.ok()) p.rest.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return p;
}

TEST(RawFileHeader, EndLineStartsPayloadEvenWhenPayloadBeginsWithPercent) {
    const std::string header = "% geometry 320x320\n% end\n";
    const Parsed p = parse(header + "%\x80\x01\x02");
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.result.payloadOffset, header.size());
    EXPECT_EQ(p.rest, "%\x80\x01\x02");
    EXPECT_EQ(p.info.width, 320);
}

TEST(RawFileHeader, WithoutEndLineHeaderStopsAtFirstNonPercentLine) {
    // Old style: the payload's leading '%' up to the next line feed is one more (unknown) line.
    const std::string bytes = "% evt 3.0\n% serial_number 00000307\n%abc\nX\x01";
    const Parsed p = parse(bytes);
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.result.payloadOffset, bytes.find('X'));
    EXPECT_EQ(p.rest, "X\x01");
    EXPECT_EQ(p.info.serial_number, "00000307");
    EXPECT_EQ(p.info.width, 1280);  // defaults kept
    EXPECT_EQ(p.info.height, 720);
}

TEST(RawFileHeader, NoHeaderAndHeaderOnlyFiles) {
    Parsed p = parse(std::string("\x00\x80", 2));
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.result.payloadOffset, 0u);
    EXPECT_EQ(p.rest.size(), 2u);

    const std::string headerOnly = "% evt 3.0\n% geometry 640x480";  // last line without a line feed
    p = parse(headerOnly);
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.result.payloadOffset, headerOnly.size());
    EXPECT_EQ(p.info.width, 640);
    EXPECT_TRUE(p.rest.empty());
}

TEST(RawFileHeader, LaterLinesWinAndFormatPairsAreRead) {
    Parsed p = parse("% format EVT3;height=480;width=640\n% geometry 1280x720\n% end\n");
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.info.width, 1280);
    EXPECT_EQ(p.info.height, 720);

    p = parse("% geometry 1280x720\n% format EVT3;foo=1;width=320=9;height=320\n% end\n");
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.info.width, 320);  // value ends at a further '='
    EXPECT_EQ(p.info.height, 320);

    p = parse("% dvs_start_timestamp 5\n% dvs_start_timestamp 18446744073709551615\n"
              "% aps_start_timestamp 42\n% serial_number  a b \n% end\n");
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.info.dvs_start_timestamp, 18446744073709551615ull);
    EXPECT_EQ(p.info.aps_start_timestamp, 42u);
    EXPECT_EQ(p.info.serial_number, " a b ");  // verbatim
}

TEST(RawFileHeader, RejectsOtherFormatsAndVersions) {
    testing::internal::CaptureStderr();
    DvsFileInfo before;
    before.serial_number = "kept";
    Parsed p;
    std::istringstream in("% serial_number changed\n% format EVT2;height=720;width=1280\n% end\n");
    p.result = parseRawFileHeader(in, before);
    EXPECT_EQ(p.result.status, RawHeaderResult::Status::NotEvt3Format);
    EXPECT_EQ(before.serial_number, "kept");  // untouched on rejection
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error : detected non-EVT3 input file ''\n");

    for (const char* version : {"% evt 3\n", "% evt 3.0 \n", "% evt 2.0\n", "% evt 3.0\r\n"}) {
        testing::internal::CaptureStderr();
        p = parse(std::string(version) + "% end\n");
        EXPECT_EQ(p.result.status, RawHeaderResult::Status::NotEvt3Version) << version;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error : detected non-EVT3 input file.''\n");
    }
    EXPECT_TRUE(parse("% evt 3.0\n% end\n").result.ok());
}

TEST(RawFileHeader, CarriageReturnMakesEndLineUnknown) {
    // "% end\r" is skipped as unknown; the header goes on to the first non-'%' line.
    const std::string bytes = "% geometry 640x480\r\n% end\r\n% dvs_start_timestamp 9\r\nZ";
    const Parsed p = parse(bytes);
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.result.payloadOffset, bytes.size() - 1);
    EXPECT_EQ(p.info.width, 640);  // numbers read like the library's stoi/stoull: trailing text ignored
    EXPECT_EQ(p.info.height, 480);
    EXPECT_EQ(p.info.dvs_start_timestamp, 9u);
}

TEST(RawFileHeader, MalformedNumbersAreReportedNotThrown) {
    struct Case {
        const char* line;
        RawHeaderResult::Status status;
        const char* message;
    };
    const Case cases[] = {
        {"% geometry abcx720", RawHeaderResult::Status::InvalidNumber, "invalid stoi argument"},
        {"% geometry 1280", RawHeaderResult::Status::InvalidNumber, "invalid stoi argument"},
        {"% format EVT3;width=;height=720", RawHeaderResult::Status::InvalidNumber, "invalid stoi argument"},
        {"% format EVT3;height=99999999999", RawHeaderResult::Status::OutOfRange, "stoi argument out of range"},
        {"% dvs_start_timestamp x", RawHeaderResult::Status::InvalidNumber, "invalid stoull argument"},
        {"% dvs_start_timestamp -5", RawHeaderResult::Status::InvalidNumber, "invalid stoull argument"},
        {"% aps_start_timestamp 18446744073709551616", RawHeaderResult::Status::OutOfRange,
         "stoull argument out of range"},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(std::string(c.line) + "\n% end\n");
        EXPECT_EQ(p.result.status, c.status) << c.line;
        EXPECT_EQ(p.result.message, c.message) << c.line;
        EXPECT_EQ(p.result.line, c.line);
    }
}

TEST(RawFileHeader, DimensionsAreCutTo16Bits) {
    const Parsed p = parse("% geometry 65537x-1\n% end\n");
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.info.width, 1);
    EXPECT_EQ(p.info.height, 65535);
}

TEST(RawFileHeader, DateUsesAtMost25Characters) {
    const Parsed withTail = parse("% date 2022-10-14 21:24:25 +0000 trailing text\n% end\n");
    const Parsed exact = parse("% date 2022-10-14 21:24:25 +0000\n% end\n");
    ASSERT_TRUE(withTail.result.ok());
    EXPECT_NE(exact.info.date, FileTimePoint{});
    EXPECT_EQ(withTail.info.date, exact.info.date);
}

TEST(RawFileHeader, ReadsTheGeneratedHeader) {
    DvsFileInfo info;
    info.dvs_start_timestamp = 123456789;
    info.aps_start_timestamp = 77;
    info.width = 320;
    info.height = 320;
    info.serial_number = "SN-42";
    info.date = std::chrono::time_point_cast<FileTimePoint::duration>(
        std::chrono::system_clock::time_point(std::chrono::seconds(1700000000)));
    const std::string header = generateDvsFileHeader(info);
    const Parsed p = parse(header + "\x01\x80");
    ASSERT_TRUE(p.result.ok());
    EXPECT_EQ(p.result.payloadOffset, header.size());
    EXPECT_EQ(p.info.dvs_start_timestamp, info.dvs_start_timestamp);
    EXPECT_EQ(p.info.aps_start_timestamp, info.aps_start_timestamp);
    EXPECT_EQ(p.info.width, 320);
    EXPECT_EQ(p.info.height, 320);
    EXPECT_EQ(p.info.serial_number, "SN-42");
    EXPECT_EQ(p.info.date, info.date);
}

}  // namespace
}  // namespace quillex
