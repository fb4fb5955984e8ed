// The default camera configuration files shipped with the application must name exactly the tools
// and parameters the cameras have, with values the tools accept.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <nlohmann/json.hpp>

#include "FakeRegisterDevice.h"
#include "hal/tools/Imx415ApsCtrl.h"
#include "hal/tools/Imx636Tools.h"
#include "sensor/RegisterTables.h"

using namespace quillex;

namespace {

std::vector<std::shared_ptr<CameraTool>> imx636Tools(const std::shared_ptr<RegisterController>& c) {
    return {std::make_shared<Imx636Biases>(c),           std::make_shared<Imx636TriggerIn>(c),
            std::make_shared<Imx636Sync>(c),             std::make_shared<Imx636AntiFlicker>(c),
            std::make_shared<Imx636EventTrailFilter>(c), std::make_shared<Imx636EventRateControl>(c),
            std::make_shared<Imx636ROI>(c)};
}

void expectFileFitsTools(const std::string& file, const std::vector<std::shared_ptr<CameraTool>>& tools) {
    SCOPED_TRACE(file);
    std::ifstream in(std::string(QUILLEX_SOURCE_DIR) + "/resources/config/" + file);
    ASSERT_TRUE(in.is_open());
    const nlohmann::json config = nlohmann::json::parse(in);
    ASSERT_TRUE(config.is_object());
    std::set<std::string> toolNames;
    for (const auto& tool : tools) {
        const std::string name = tool->getToolInfo().name;
        toolNames.insert(name);
        ASSERT_TRUE(config.contains(name)) << name;
        const auto& section = config.at(name);
        std::set<std::string> expected;
        for (const auto& [key, info] : tool->getAllParamInfo()) {
            if (info.type == TOOL_PARAM_COMMAND) continue;
            expected.insert(key);
            SCOPED_TRACE(name + "." + key);
            ASSERT_TRUE(section.contains(key));
            const auto& v = section.at(key);
            switch (info.type) {
                case TOOL_PARAM_INT:
                    ASSERT_TRUE(v.is_number_integer());
                    EXPECT_TRUE(tool->setParam(key, v.get<int32_t>()));
                    break;
                case TOOL_PARAM_FLOAT:
                    ASSERT_TRUE(v.is_number_float());
                    EXPECT_TRUE(tool->setParam(key, v.get<float>()));
                    break;
                case TOOL_PARAM_BOOL:
                    ASSERT_TRUE(v.is_boolean());
                    EXPECT_TRUE(tool->setParam(key, v.get<bool>()));
                    break;
                case TOOL_PARAM_ENUM:
                    ASSERT_TRUE(v.is_string());
                    EXPECT_TRUE(tool->setParam(key, v.get<std::string>()));
                    break;
                default:
                    break;
            }
        }
        std::set<std::string> present;
        for (const auto& [key, value] : section.items()) present.insert(key);
        EXPECT_EQ(present, expected) << name;
    }
    for (const auto& [name, section] : config.items()) EXPECT_TRUE(toolNames.count(name)) << "unknown tool " << name;
}

}  // namespace

TEST(DefaultConfigFiles, EventCameraFileMatchesTheImx636Tools) {
    auto device = std::make_shared<test::FakeRegisterDevice>();
    auto table = imx636RegisterTable();
    auto controller = std::make_shared<RegisterController>(device, table.data(), table.size(), kImx636RegisterPrefix);
    expectFileFitsTools("dvs_default_config.json", imx636Tools(controller));
}

TEST(DefaultConfigFiles, FusionCameraFileMatchesItsEventAndFrameTools) {
    auto device = std::make_shared<test::FakeRegisterDevice>();
    auto events = imx636RegisterTable();
    auto frames = imx415RegisterTable();
    auto tools = imx636Tools(
        std::make_shared<RegisterController>(device, events.data(), events.size(), kImx636RegisterPrefix));
    tools.push_back(std::make_shared<Imx415ApsCtrl>(
        std::make_shared<RegisterController>(device, frames.data(), frames.size(), kImx415RegisterPrefix)));
    expectFileFitsTools("fusion_cmaera_default_config.json", tools);
}
