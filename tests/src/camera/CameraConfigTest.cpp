// Tool access and configuration files, on a camera with hand-made tools.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "CameraTestSupport.h"

using namespace quillex;
using namespace quillex::test;
namespace fs = std::filesystem;

namespace {

// A tool whose parameters live in a map; every accepted write is recorded in `calls`.
class FakeTool : public CameraTool {
public:
    FakeTool(ToolType type, const std::string& name, std::vector<std::string>* calls)
        : CameraTool(ToolInfo{type, name, {}, name + " tool"}), calls_(calls) {}

    void add(const std::string& key, ToolParameterType type, ParamValue initial, TypedParameterInfo info = {}) {
        values_[key] = initial;
        addParameter(FullParamteterInfo{key, key, type, std::move(info)},
                     [this, key](ParamValue& v) {
                         v = values_[key];
                         return true;
                     },
                     [this, key](const ParamValue& v) {
                         if (key == "boom") throw std::runtime_error("device refused");
                         // "pos" must fit with the current "size" in 100 units.
                         if (key == "pos" && std::get<int32_t>(v) + std::get<int32_t>(values_["size"]) > 100) return false;
                         values_[key] = v;
                         if (calls_) calls_->push_back(this->getToolInfo().name + "." + key);
                         return true;
                     });
    }
    template <typename T>
    T value(const std::string& key) {
        return std::get<T>(values_[key]);
    }

private:
    std::map<std::string, ParamValue> values_;
    std::vector<std::string>* calls_;
};

class CameraConfig : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quillex_config_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        roi = std::make_shared<FakeTool>(TOOL_ROI, "ROI", &calls);
        roi->add("x", TOOL_PARAM_INT, int32_t{5}, IntParameterInfo{0, 1000, 0, "px"});
        roi->add("enable", TOOL_PARAM_BOOL, true);
        zeta = std::make_shared<FakeTool>(TOOL_BIASES, "Zeta", &calls);
        zeta->add("gain", TOOL_PARAM_FLOAT, 0.1f, FloatParameterInfo{-10.0f, 10.0f, 0.0f, ""});
        zeta->add("mode", TOOL_PARAM_ENUM, std::string("fast"), EnumParameterInfo{{"fast", "slow"}, "fast"});
        zeta->add("reset", TOOL_PARAM_COMMAND, int32_t{0});
        zeta->add("boom", TOOL_PARAM_INT, int32_t{1});
        empty = std::make_shared<FakeTool>(TOOL_SYNC, "Empty", &calls);
        empty->add("trigger", TOOL_PARAM_COMMAND, int32_t{0});
        camera.addTool(TOOL_ROI, roi);
        camera.addTool(TOOL_BIASES, zeta);
        camera.addTool(TOOL_SYNC, empty);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = dir / name;
        std::ofstream(p) << text;
        return p.string();
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir;
    std::vector<std::string> calls;
    std::shared_ptr<FakeTool> roi, zeta, empty;
    FakeCamera camera;
};

TEST_F(CameraConfig, ToolLookupByTypeAndExactName) {
    LogCapture log;
    EXPECT_EQ(camera.getTool(TOOL_ROI), roi);
    EXPECT_EQ(camera.getTool(std::string("Zeta")), zeta);
    EXPECT_EQ(camera.getTool(std::string("roi")), nullptr);  // case matters
    EXPECT_EQ(camera.getTool(std::string("ROI ")), nullptr);
    EXPECT_EQ(log.count("Tool not found"), 0u);
    EXPECT_EQ(camera.getTool(TOOL_APS_CTRL), nullptr);
    EXPECT_EQ(log.count("Tool not found", 4), 1u);
    EXPECT_THROW(camera.getToolInfo(TOOL_ANTI_FLICKER), std::runtime_error);
    EXPECT_EQ(camera.getToolInfo(TOOL_ROI).name, "ROI");
    const auto all = camera.getAllToolsInfo();  // in ToolType order
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "Zeta");
    EXPECT_EQ(all[1].name, "Empty");
    EXPECT_EQ(all[2].name, "ROI");
}

TEST_F(CameraConfig, ExportWritesSortedKeysFourSpaceIndentAndWidenedFloats) {
    LogCapture log;
    const fs::path out = dir / "out.json";
    ASSERT_TRUE(camera.exportCameraConfigParams(out.string()));
    const std::string expected =
        "{\n"
        "    \"Empty\": {},\n"
        "    \"ROI\": {\n"
        "        \"enable\": true,\n"
        "        \"x\": 5\n"
        "    },\n"
        "    \"Zeta\": {\n"
        "        \"boom\": 1,\n"
        "        \"gain\": 0.10000000149011612,\n"
        "        \"mode\": \"fast\"\n"
        "    }\n"
        "}";
    EXPECT_EQ(read(out), expected);
    EXPECT_EQ(log.count("Parameters saved to " + out.string(), 2), 1u);

    EXPECT_FALSE(camera.exportCameraConfigParams((dir / "no" / "such" / "x.json").string()));
    EXPECT_EQ(log.count("Failed to open " + (dir / "no" / "such" / "x.json").string() + " file for writing.", 4), 1u);
}

TEST_F(CameraConfig, ExportThenLoadRestoresEveryValue) {
    const fs::path out = dir / "saved.json";
    ASSERT_TRUE(camera.exportCameraConfigParams(out.string()));
    ASSERT_TRUE(roi->setParam("x", int32_t{77}));
    ASSERT_TRUE(roi->setParam("enable", false));
    ASSERT_TRUE(zeta->setParam("gain", -2.5f));
    ASSERT_TRUE(zeta->setParam("mode", std::string("slow")));
    ASSERT_TRUE(camera.loadCameraConfigParams(out.string()));
    EXPECT_EQ(roi->value<int32_t>("x"), 5);
    EXPECT_TRUE(roi->value<bool>("enable"));
    EXPECT_EQ(zeta->value<float>("gain"), 0.1f);
    EXPECT_EQ(zeta->value<std::string>("mode"), "fast");
}

TEST_F(CameraConfig, LoadAppliesInKeyOrderWithConversionsAndLogsEveryLine) {
    LogCapture log;
    const std::string path = write("in.json", R"({
        "Zeta": {"mode": "slow", "gain": 3, "boom": 4},
        "Unknown": {"a": 1},
        "ROI": {"x": 3.0, "enable": false, "arr": [1, 2], "none": null}
    })");
    ASSERT_TRUE(camera.loadCameraConfigParams(path));
    // ROI first (byte order), its parameters sorted; "x": 3.0 goes through the float setter and the
    // integer parameter refuses it. Zeta's integer 3 is accepted by its float parameter.
    EXPECT_EQ(calls, (std::vector<std::string>{"ROI.enable", "Zeta.gain", "Zeta.mode"}));
    EXPECT_EQ(roi->value<int32_t>("x"), 5);
    EXPECT_EQ(zeta->value<float>("gain"), 3.0f);
    EXPECT_EQ(log.count("Tool not found: Unknown, skipping...", 3), 1u);
    EXPECT_EQ(log.count("Unsupported parameter type for ROI.arr, skipped.", 3), 1u);
    EXPECT_EQ(log.count("Unsupported parameter type for ROI.none, skipped.", 3), 1u);
    EXPECT_EQ(log.count("Set ROI.x = 3.0", 2), 1u);  // logged as set although refused
    EXPECT_EQ(log.count("Parameter ROI.x = 3.0 refused by the tool.", 3), 1u);
    EXPECT_EQ(log.count("Set ROI.enable = false", 2), 1u);
    EXPECT_EQ(log.count("Set Zeta.mode = \"slow\"", 2), 1u);
    EXPECT_EQ(log.count("Failed to set Zeta.boom: device refused", 4), 1u);
    EXPECT_EQ(log.count("Configuration applied from " + path, 2), 1u);
}

TEST_F(CameraConfig, RefusedParametersGetOneMoreTryAfterTheirTool) {
    auto win = std::make_shared<FakeTool>(TOOL_EVENT_TRAIL_FILTER, "Win", &calls);
    win->add("size", TOOL_PARAM_INT, int32_t{100});
    win->add("pos", TOOL_PARAM_INT, int32_t{0});
    camera.addTool(TOOL_EVENT_TRAIL_FILTER, win);
    LogCapture log;
    ASSERT_TRUE(camera.loadCameraConfigParams(write("win.json", R"({"Win": {"size": 20, "pos": 50}})")));
    EXPECT_EQ(win->value<int32_t>("pos"), 50);
    EXPECT_EQ(win->value<int32_t>("size"), 20);
    EXPECT_EQ(calls, (std::vector<std::string>{"Win.size", "Win.pos"}));
    EXPECT_EQ(log.count("Set Win.pos = 50 after the other parameters", 2), 1u);
}

TEST_F(CameraConfig, LoadFailures) {
    LogCapture log;
    EXPECT_FALSE(camera.loadCameraConfigParams((dir / "absent.json").string()));
    EXPECT_EQ(log.count("Failed to open config file: " + (dir / "absent.json").string(), 4), 1u);
    EXPECT_THROW(camera.loadCameraConfigParams(write("bad.json", "{\"ROI\": {\"x\": 1,}")), nlohmann::json::parse_error);
    EXPECT_THROW(camera.loadCameraConfigParams(write("comment.json", "// c\n{}")), nlohmann::json::parse_error);
}

}  // namespace
