#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>

#include "LogCapture.h"
#include "base/Calibration.h"

using quillex::CalibratorParameters;
namespace fs = std::filesystem;

namespace {

class CalibrationFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quillex-calib-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Bitwise equality, so -0.0 and 0.0 differ.
bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<uint64_t>(a[i]) != std::bit_cast<uint64_t>(b[i])) return false;
    return true;
}

const char* kValid = R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,
  "affine_matrix":{"0":[1,0,0,0,1,0],"1":[2.5,0,-3,0,2.5,-4.25]}})";

}  // namespace

TEST(Calibration, DefaultsMapTheEventSensorOntoTheCentreOfTheFrameSensor) {
    const CalibratorParameters p;
    EXPECT_EQ(p.dvs_width, 1280);
    EXPECT_EQ(p.aps_height, 2160);
    const auto& f = p.affine_matrix.at("1");
    const auto& inv = p.affine_matrix.at("0");
    // Event-grid centre lands on the frame centre, and the inverse brings it back.
    const double cx = f[0] * 640 + f[1] * 360 + f[2];
    const double cy = f[3] * 640 + f[4] * 360 + f[5];
    EXPECT_NEAR(cx, 1920, 1.0);
    EXPECT_NEAR(cy, 1080, 1.0);
    EXPECT_NEAR(inv[0] * cx + inv[1] * cy + inv[2], 640, 1e-9);
    EXPECT_NEAR(inv[3] * cx + inv[4] * cy + inv[5], 360, 1e-9);
}

TEST_F(CalibrationFiles, AwkwardDoublesRoundTripBitForBit) {
    CalibratorParameters out;
    out.dvs_width = 320;
    out.dvs_height = 321;
    out.aps_width = 65535;
    out.aps_height = 0;
    out.affine_matrix["1"] = {0.1, 1e-300, -0.0, 1.0 / 3.0, std::numeric_limits<double>::denorm_min(),
                              -std::numeric_limits<double>::max()};
    out.affine_matrix["0"] = {486.0 / 145.0, -225.10344827586232, 2.0 / 3.0, 1e308, -1e-5, 123456789.123456789};
    out.affine_matrix["extra"] = {1, 2, 3, 4, 5, 6};
    const std::string file = path("cal.json");
    ASSERT_TRUE(quillex::paramToJsonFile(out, file));
    EXPECT_FALSE(fs::exists(file + ".tmp"));

    CalibratorParameters in;
    ASSERT_TRUE(quillex::jsonFileToParam(file, in));
    EXPECT_EQ(in.dvs_width, 320);
    EXPECT_EQ(in.dvs_height, 321);
    EXPECT_EQ(in.aps_width, 65535);
    EXPECT_EQ(in.aps_height, 0);
    ASSERT_EQ(in.affine_matrix.size(), 3u);
    for (const auto& [key, values] : out.affine_matrix)
        EXPECT_TRUE(sameBits(in.affine_matrix.at(key), values)) << key;

    // Overwriting an existing file replaces it completely.
    out.affine_matrix.erase("extra");
    ASSERT_TRUE(quillex::paramToJsonFile(out, file));
    ASSERT_TRUE(quillex::jsonFileToParam(file, in));
    EXPECT_EQ(in.affine_matrix.count("extra"), 0u);
}

TEST(Calibration, ReadsBytesFromTheCameraBlock) {
    CalibratorParameters p;
    ASSERT_TRUE(quillex::jsonDataToParam(kValid, p));
    EXPECT_EQ(p.affine_matrix.at("1"), (std::vector<double>{2.5, 0, -3, 0, 2.5, -4.25}));
    EXPECT_EQ(p.affine_matrix.at("0"), (std::vector<double>{1, 0, 0, 0, 1, 0}));
}

TEST(Calibration, MalformedDataFailsWithALevel4LineAndLeavesTheRecordAlone) {
    const std::string bad[] = {
        "",
        "{",
        "[1,2,3]",
        "null",
        std::string(kValid).substr(0, 60),
        R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"affine_matrix":{"0":[1,0,0,0,1,0],"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":70000,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"0":[1,0,0,0,1,0],"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":-1,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"0":[1,0,0,0,1,0],"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":12.5,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"0":[1,0,0,0,1,0],"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":"1280","dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"0":[1,0,0,0,1,0],"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"0":[1,0,0,0,1],"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"0":[1,0,0,0,1,"x"],"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":{"0":5,"1":[1,0,0,0,1,0]}})",
        R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,"affine_matrix":[[1,0,0,0,1,0]]})",
    };
    for (const std::string& text : bad) {
        CalibratorParameters p;
        p.dvs_width = 7;
        p.affine_matrix["1"] = {9, 9, 9, 9, 9, 9};
        const CalibratorParameters before = p;
        quillex::test::LogCapture log;
        EXPECT_FALSE(quillex::jsonDataToParam(text, p)) << text;
        EXPECT_EQ(p, before) << text;
        EXPECT_GE(log.count(4), 1u) << text;
    }
}

TEST_F(CalibrationFiles, MissingFilesAndUnwritableRecordsFail) {
    CalibratorParameters p;
    const CalibratorParameters before = p;
    quillex::test::LogCapture log;
    EXPECT_FALSE(quillex::jsonFileToParam(path("absent.json"), p));
    writeText(path("broken.json"), "{\"dvs_width\":");
    EXPECT_FALSE(quillex::jsonFileToParam(path("broken.json"), p));
    EXPECT_FALSE(quillex::jsonFileToParam(dir_.string(), p));  // a folder, not a file
    EXPECT_EQ(p, before);

    // Records that would not read back are not written.
    CalibratorParameters nan;
    nan.affine_matrix["1"][2] = std::nan("");
    EXPECT_FALSE(quillex::paramToJsonFile(nan, path("nan.json")));
    CalibratorParameters shortMatrix;
    shortMatrix.affine_matrix["0"].pop_back();
    EXPECT_FALSE(quillex::paramToJsonFile(shortMatrix, path("short.json")));
    EXPECT_FALSE(quillex::paramToJsonFile(p, path("no/such/folder/cal.json")));
    EXPECT_FALSE(fs::exists(path("nan.json")));
    EXPECT_FALSE(fs::exists(path("short.json")));
    EXPECT_GE(log.count(4), 6u);
}
