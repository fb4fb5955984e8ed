#include <gtest/gtest.h>

#include "FakeRegisterDevice.h"
#include "hal/registers/SensorRegisterAddresses.h"
#include "sensor/Genx320EventRateControl.h"
#include "sensor/RegisterTables.h"

using namespace quillex;

TEST(Genx320EventRateControl, ParametersMapToTheErcRegistersWithinTheLimit) {
    auto device = std::make_shared<test::FakeRegisterDevice>();
    auto table = genx320RegisterTable();
    auto controller = std::make_shared<RegisterController>(device, table.data(), table.size(), kGenx320RegisterPrefix);
    Genx320EventRateControl erc(controller);

    const ToolInfo info = erc.getToolInfo();
    EXPECT_EQ(info.type, TOOL_EVENT_RATE_CONTROL);
    EXPECT_EQ(info.name, "EventRateControl");
    EXPECT_EQ(info.parameters, (std::vector<std::string>{"enable", "max_event_rate"}));
    EXPECT_EQ(info.description, "ERC of DVS cameras with GenX320 sensor");
    const auto params = erc.getAllParamInfo();
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params.at("enable").type, TOOL_PARAM_BOOL);
    EXPECT_EQ(params.at("enable").description, "Set whether the Event Rate Control function is enabled");
    EXPECT_EQ(params.at("max_event_rate").type, TOOL_PARAM_INT);
    EXPECT_EQ(params.at("max_event_rate").description, "Set threshold");
    IntParameterInfo range;
    ASSERT_TRUE(erc.getParamInfo("max_event_rate", range));
    EXPECT_EQ(range.min, 0);
    EXPECT_EQ(range.max, 320);
    EXPECT_EQ(range.unit, "MEv/s");

    device->setReg(regs::genx320::kErcPipelineControl, 0x6);
    EXPECT_TRUE(erc.setParam("enable", true));
    EXPECT_EQ(device->reg(regs::genx320::kErcPipelineControl), 0x7u);
    bool on = false;
    EXPECT_TRUE(erc.getParam("enable", on));
    EXPECT_TRUE(on);

    EXPECT_TRUE(erc.setParam("max_event_rate", 320));
    EXPECT_EQ(device->reg(regs::genx320::kErcReferencePeriod), 128u);
    EXPECT_EQ(device->reg(regs::genx320::kErcTargetEventCount), 320u * 128u);
    EXPECT_FALSE(erc.setParam("max_event_rate", 321));
    EXPECT_FALSE(erc.setParam("max_event_rate", -1));

    erc.setMaxLimitEventRate(40);
    EXPECT_EQ(erc.getMaxLimitEventRate(), 40u);
    int32_t rate = 0;
    EXPECT_TRUE(erc.getParam("max_event_rate", rate));
    EXPECT_EQ(rate, 40);
    EXPECT_FALSE(erc.setParam("max_event_rate", 41));
    EXPECT_FALSE(erc.setMaxEventRate(41));
    erc.setMaxLimitEventRate(1000);
    EXPECT_EQ(erc.getMaxLimitEventRate(), 320u);
}
