#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "base/DvsFileHeader.h"
#include "base/TimeUtils.h"

using namespace std::chrono;
using quillex::DvsFileInfo;
using quillex::FileTimePoint;

namespace {

// Switches the process time zone for one test.
class TzGuard {
public:
    explicit TzGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TzGuard() {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> previous_;
};

FileTimePoint utc(int y, unsigned m, unsigned d, int hh, int mm, int ss) {
    const sys_seconds t = sys_days{year{y} / month{m} / day{d}} + hours{hh} + minutes{mm} + seconds{ss};
    return time_point_cast<FileTimePoint::duration>(t);
}

int64_t wholeSeconds(FileTimePoint t) { return floor<seconds>(t).time_since_epoch().count(); }

// Reads header text the way recordings are read: '%' lines up to "% end" or
// the first other byte, prefixes matched in a fixed order, later lines win.
struct ReadBack {
    DvsFileInfo info;
    bool rejected = false;
    bool sawEnd = false;
    size_t payloadOffset = 0;
};

ReadBack readHeader(const std::string& text) {
    ReadBack r;
    size_t pos = 0;
    const auto starts = [](const std::string& line, const char* prefix, std::string& value) {
        const std::string p(prefix);
        if (line.compare(0, p.size(), p) != 0) return false;
        value = line.substr(p.size());
        return true;
    };
    while (pos < text.size() && text[pos] == '%') {
        const size_t eol = text.find('\n', pos);
        const std::string line = text.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? text.size() : eol + 1;
        std::string value;
        if (line == "% end") {
            r.sawEnd = true;
            break;
        } else if (starts(line, "% format ", value)) {
            std::stringstream fields(value);
            std::string field;
            std::getline(fields, field, ';');
            if (field != "EVT3") r.rejected = true;
            while (std::getline(fields, field, ';')) {
                const size_t eq = field.find('=');
                if (eq == std::string::npos) continue;
                const std::string key = field.substr(0, eq);
                const std::string v = field.substr(eq + 1, field.find('=', eq + 1) - eq - 1);
                if (key == "width") r.info.width = static_cast<uint16_t>(std::stoi(v));
                if (key == "height") r.info.height = static_cast<uint16_t>(std::stoi(v));
            }
        } else if (starts(line, "% geometry ", value)) {
            const size_t x = value.find('x');
            r.info.width = static_cast<uint16_t>(std::stoi(value.substr(0, x)));
            r.info.height = static_cast<uint16_t>(std::stoi(value.substr(x + 1)));
        } else if (starts(line, "% evt ", value)) {
            if (value != "3.0") r.rejected = true;
        } else if (starts(line, "% serial_number ", value)) {
            r.info.serial_number = value;
        } else if (starts(line, "% aps_start_timestamp ", value)) {
            r.info.aps_start_timestamp = std::stoull(value);
        } else if (starts(line, "% dvs_start_timestamp ", value)) {
            r.info.dvs_start_timestamp = std::stoull(value);
        } else if (starts(line, "% date ", value)) {
            r.info.date = quillex::parseLocalTimeString(value.substr(0, 25));
        }
    }
    r.payloadOffset = pos;
    return r;
}

DvsFileInfo sampleInfo() {
    DvsFileInfo info;
    info.dvs_start_timestamp = 18446744073709551615ull;
    info.aps_start_timestamp = 123456789;
    info.width = 320;
    info.height = 320;
    info.serial_number = "SN 00042-b";
    info.date = utc(2026, 12, 7, 23, 5, 9) + FileTimePoint::duration(4'321'000);
    return info;
}

}  // namespace

TEST(DvsFileHeader, ExactLinesInKeyOrderWithBareLineFeeds) {
    TzGuard zone("UTC");
    EXPECT_EQ(quillex::generateDvsFileHeader(sampleInfo()),
              "% date 2026-12-07 23:05:09 +0000\n"
              "% evt 3.0\n"
              "% format EVT3;height=320;width=320\n"
              "% geometry 320x320\n"
              "% serial_number SN 00042-b\n"
              "% dvs_start_timestamp 18446744073709551615\n"
              "% aps_start_timestamp 123456789\n"
              "% end\n");
    // The epoch is written as it is, not replaced by "now".
    const std::string epoch = quillex::generateDvsFileHeader(DvsFileInfo{});
    EXPECT_EQ(epoch.substr(0, epoch.find('\n')), "% date 1970-01-01 00:00:00 +0000");
}

TEST(DvsFileHeader, ReadsBackToTheSameInfoInSeveralZones) {
    for (const char* name : {"UTC", "Europe/Berlin", "America/New_York", "Asia/Kolkata"}) {
        TzGuard zone(name);
        const DvsFileInfo info = sampleInfo();
        const std::string header = quillex::generateDvsFileHeader(info);
        const ReadBack r = readHeader(header + "%payload");
        EXPECT_FALSE(r.rejected) << name;
        EXPECT_TRUE(r.sawEnd) << name;
        EXPECT_EQ(r.payloadOffset, header.size()) << name;  // a '%' payload byte is not header
        EXPECT_EQ(r.info.width, 320) << name;
        EXPECT_EQ(r.info.height, 320) << name;
        EXPECT_EQ(r.info.serial_number, info.serial_number) << name;
        EXPECT_EQ(r.info.dvs_start_timestamp, info.dvs_start_timestamp) << name;
        EXPECT_EQ(r.info.aps_start_timestamp, info.aps_start_timestamp) << name;
        EXPECT_EQ(wholeSeconds(r.info.date), wholeSeconds(info.date)) << name;
    }
}

TEST(DvsFileHeader, BothInstancesOfTheRepeatedAutumnHourReadBack) {
    TzGuard zone("Europe/Berlin");
    // 02:30 local happens twice on 2026-10-25: at 00:30 UTC (CEST) and 01:30 UTC (CET).
    for (const FileTimePoint t : {utc(2026, 10, 25, 0, 30, 0), utc(2026, 10, 25, 1, 30, 0), utc(2026, 3, 29, 1, 0, 0)}) {
        DvsFileInfo info;
        info.date = t;
        const ReadBack r = readHeader(quillex::generateDvsFileHeader(info));
        EXPECT_EQ(wholeSeconds(r.info.date), wholeSeconds(t)) << quillex::timePointToZonedString(t);
    }
    EXPECT_EQ(quillex::timePointToZonedString(utc(2026, 10, 25, 0, 30, 0)), "2026-10-25 02:30:00 +0200");
    EXPECT_EQ(quillex::timePointToZonedString(utc(2026, 10, 25, 1, 30, 0)), "2026-10-25 02:30:00 +0100");
}

TEST(DvsFileHeader, LineBreaksInTheSerialCannotInjectHeaderLines) {
    DvsFileInfo info;
    info.serial_number = "AB\r\n% evt 2.0\n% end\nCD";
    info.width = 1280;
    info.height = 720;
    quillex::test::LogCapture log;
    const std::string header = quillex::generateDvsFileHeader(info);
    EXPECT_NE(header.find("% serial_number AB% evt 2.0% endCD\n"), std::string::npos);
    EXPECT_EQ(log.count(3), 1u);
    const ReadBack r = readHeader(header);
    EXPECT_FALSE(r.rejected);
    EXPECT_EQ(r.payloadOffset, header.size());
    EXPECT_EQ(r.info.width, 1280);
    EXPECT_EQ(r.info.height, 720);
}

TEST(TimeUtils, ParsesLocalTextWithOptionalFractionAndOffset) {
    TzGuard zone("Europe/Berlin");
    // Summer: local = UTC + 2 h; winter: UTC + 1 h.
    EXPECT_EQ(quillex::parseLocalTimeString("2026-07-01 12:00:00"), utc(2026, 7, 1, 10, 0, 0));
    EXPECT_EQ(quillex::parseLocalTimeString("2026-01-15 08:09:10"), utc(2026, 1, 15, 7, 9, 10));
    EXPECT_EQ(quillex::parseLocalTimeString("2024-02-29 00:00:00 +0000"), utc(2024, 2, 29, 0, 0, 0));
    EXPECT_EQ(quillex::parseLocalTimeString("2026-07-01 12:00:00 -0530"), utc(2026, 7, 1, 17, 30, 0));
    EXPECT_EQ(quillex::parseLocalTimeString("1969-12-31 23:59:59 +0000"), utc(1969, 12, 31, 23, 59, 59));
    EXPECT_EQ(quillex::parseLocalTimeString("2026-07-01T12:00:00.25 +0000  "),
              utc(2026, 7, 1, 12, 0, 0) + FileTimePoint::duration(2'500'000));
    // Only the first 25 characters of a longer value are handed over.
    const std::string longer = "2026-05-06 07:08:09 +0200 and more text";
    EXPECT_EQ(quillex::parseLocalTimeString(longer.substr(0, 25)), utc(2026, 5, 6, 5, 8, 9));
    // A local time skipped by the spring change still gives a nearby instant.
    const FileTimePoint gap = quillex::parseLocalTimeString("2026-03-29 02:30:00");
    EXPECT_LE(abs(wholeSeconds(gap) - wholeSeconds(utc(2026, 3, 29, 1, 0, 0))), 3600);
}

TEST(TimeUtils, BadTextGivesTheEpochAndALevel3Line) {
    const std::vector<std::string> bad = {
        "", "garbage", "2026-13-01 00:00:00", "2026-02-29 00:00:00", "2026-04-31 00:00:00",
        "2026-01-01 24:00:00", "2026-01-01 00:60:00", "2026-01-01 00:00:60", "2026-1-01 00:00:00",
        "2026-01-01", "2026-01-01 00:00:00 +2460", "2026-01-01 00:00:00 x", "2026-01-01 00:00:00.",
        std::string("2026-01-01\0 00:00:00", 20), "99999-01-01 00:00:00"};
    for (const std::string& text : bad) {
        quillex::test::LogCapture log;
        EXPECT_EQ(quillex::parseLocalTimeString(text), FileTimePoint{}) << text;
        EXPECT_EQ(log.count(3), 1u) << text;
    }
}

TEST(TimeUtils, ShowsLocalSecondsRoundingTowardThePast) {
    TzGuard zone("America/New_York");
    EXPECT_EQ(quillex::timePointToString(utc(2026, 7, 4, 16, 0, 0) + FileTimePoint::duration(9'999'999)),
              "2026-07-04 12:00:00");
    EXPECT_EQ(quillex::timePointToString(FileTimePoint{} - FileTimePoint::duration(1)), "1969-12-31 18:59:59");
    EXPECT_EQ(quillex::timePointToZonedString(utc(2026, 1, 1, 5, 0, 0)), "2026-01-01 00:00:00 -0500");
    // Out of the four-digit year range: empty text, and the header simply has no date line.
    quillex::test::LogCapture log;
    const FileTimePoint far = FileTimePoint{} + FileTimePoint::duration(INT64_MAX);
    EXPECT_EQ(quillex::timePointToString(far), "");
    DvsFileInfo info;
    info.date = far;
    EXPECT_EQ(quillex::generateDvsFileHeader(info).find("% date"), std::string::npos);
    EXPECT_GE(log.count(3), 1u);
}
