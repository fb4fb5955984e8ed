#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "FakeRegisterDevice.h"
#include "hal/registers/SensorRegisterAddresses.h"
#include "hal/tools/Genx320Tools.h"
#include "hal/tools/Imx415ApsCtrl.h"
#include "hal/tools/Imx636Tools.h"
#include "sensor/RegisterTables.h"

using namespace quillex;
using quillex::test::FakeRegisterDevice;

namespace {

struct Bench {
    explicit Bench(std::span<const RegisterInfo> table, const char* prefix)
        : controller(std::make_shared<RegisterController>(device, table.data(), table.size(), prefix)) {}
    std::shared_ptr<FakeRegisterDevice> device = std::make_shared<FakeRegisterDevice>();
    std::shared_ptr<RegisterController> controller;
};

Bench imx636() { return Bench(imx636RegisterTable(), kImx636RegisterPrefix); }
Bench genx320() { return Bench(genx320RegisterTable(), kGenx320RegisterPrefix); }

std::vector<std::string> keys(const CameraTool& tool) {
    std::vector<std::string> out;
    for (const auto& [key, info] : tool.getAllParamInfo()) out.push_back(key);
    return out;
}

}  // namespace

TEST(CameraToolFamily, IdentityRecordsAndParameterSets) {
    auto a = imx636();
    auto g = genx320();
    struct Expect {
        std::shared_ptr<CameraTool> tool;
        ToolType type;
        const char* name;
        const char* description;
    };
    const Expect all[] = {
        {std::make_shared<Imx636Biases>(a.controller), TOOL_BIASES, "Biases", "Biases of DVS cameras with IMX636 sensor"},
        {std::make_shared<Genx320Biases>(g.controller), TOOL_BIASES, "Biases", "Biases of DVS cameras with GenX320 sensor"},
        {std::make_shared<Imx636TriggerIn>(a.controller), TOOL_TRIGGER_IN, "TriggerIn", "Trigger in of DVS cameras with IMX636 sensors"},
        {std::make_shared<Genx320TriggerIn>(g.controller), TOOL_TRIGGER_IN, "TriggerIn", "Trigger in of DVS cameras with GenX320 sensor"},
        {std::make_shared<Imx636Sync>(a.controller), TOOL_SYNC, "Sync", "Sync of DVS cameras with IMX636 sensors"},
        {std::make_shared<Genx320Sync>(g.controller), TOOL_SYNC, "Sync", "Sync of DVS cameras with GenX320 sensors"},
        {std::make_shared<Imx636AntiFlicker>(a.controller), TOOL_ANTI_FLICKER, "AntiFlicker", "Anti flicker of DVS cameras with IMX636 sensor."},
        {std::make_shared<Genx320AntiFlicker>(g.controller), TOOL_ANTI_FLICKER, "AntiFlicker", "Anti flicker of DVS cameras with GenX320 sensor."},
        {std::make_shared<Imx636EventTrailFilter>(a.controller), TOOL_EVENT_TRAIL_FILTER, "EventTrailFilter", "Event Trail Filter of DVS cameras with IMX636 sensor"},
        {std::make_shared<Genx320EventTrailFilter>(g.controller), TOOL_EVENT_TRAIL_FILTER, "EventTrailFilter", "Event Trail Filter of DVS cameras with GenX320 sensor"},
        {std::make_shared<Imx636EventRateControl>(a.controller), TOOL_EVENT_RATE_CONTROL, "EventRateControl", "ERC of DVS cameras with IMX636 sensor"},
        {std::make_shared<Imx636ROI>(a.controller), TOOL_ROI, "ROI", "ROI of DVS cameras with IMX636 sensor"},
        {std::make_shared<Genx320ROI>(g.controller), TOOL_ROI, "ROI", "ROI of DVS cameras with GenX320 sensor"},
        {std::make_shared<Imx415ApsCtrl>(a.controller), TOOL_APS_CTRL, "ApsCtrl", "Ctrl of APS cameras with IMX415 sonsors"},
    };
    for (const auto& e : all) {
        const ToolInfo info = e.tool->getToolInfo();
        SCOPED_TRACE(e.description);
        EXPECT_EQ(info.type, e.type);
        EXPECT_EQ(info.name, e.name);
        EXPECT_EQ(info.description, e.description);
        // Every listed parameter exists, and nothing else does.
        std::vector<std::string> listed = info.parameters;
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, keys(*e.tool));
        for (const auto& [key, basic] : e.tool->getAllParamInfo()) EXPECT_EQ(basic.name, key);
    }
    // The listed order is the documented one where it is fixed.
    EXPECT_EQ(all[11].tool->getToolInfo().parameters,
              (std::vector<std::string>{"enable", "mode", "x", "y", "x_width", "y_height"}));
    EXPECT_EQ(all[0].tool->getToolInfo().parameters,
              (std::vector<std::string>{"bias_fo", "bias_hpf", "bias_diff_on", "bias_diff", "bias_diff_off", "bias_refr"}));
    EXPECT_EQ(all[6].tool->getToolInfo().parameters, keys(*all[6].tool));
    EXPECT_EQ(all[13].tool->getToolInfo().parameters, keys(*all[13].tool));
}

TEST(CameraToolBase, TypedAccessRefusesWrongTypesUnknownKeysAndOptions) {
    auto a = imx636();
    Imx636Sync sync(a.controller);
    int32_t i = 0;
    float f = 0;
    EXPECT_FALSE(sync.setParam("mode", 1));
    EXPECT_FALSE(sync.setParam("mode", true));
    EXPECT_FALSE(sync.setParam("mode", "somewhere"));
    EXPECT_FALSE(sync.setParam("nope", "master"));
    EXPECT_FALSE(sync.getParam("mode", i));
    EXPECT_FALSE(sync.getParam("mode", f));
    IntParameterInfo intInfo;
    EXPECT_FALSE(sync.getParamInfo("mode", intInfo));

    // A literal goes to the text overload, not the bool one.
    EXPECT_TRUE(sync.setParam("mode", "slave"));
    std::string mode;
    EXPECT_TRUE(sync.getParam("mode", mode));
    EXPECT_EQ(mode, "slave");
    EnumParameterInfo options;
    ASSERT_TRUE(sync.getParamInfo("mode", options));
    EXPECT_EQ(options.options, (std::vector<std::string>{"standalone", "master", "slave"}));
    EXPECT_EQ(options.value, "slave");
}

TEST(CameraToolBiases, CodesRoundTripThroughTheirFieldAndRefuseOutOfRange) {
    auto a = imx636();
    Imx636Biases biases(a.controller);
    a.device->setReg(regs::imx636::kBiasDiffOn, 0x0686A300);  // reserved bits as after reset
    EXPECT_TRUE(biases.setParam("bias_diff_on", 100));
    EXPECT_EQ(a.device->reg(regs::imx636::kBiasDiffOn), 0x0686A300u | 100u | (1u << 28));
    int32_t value = 0;
    EXPECT_TRUE(biases.getParam("bias_diff_on", value));
    EXPECT_EQ(value, 100);

    EXPECT_FALSE(biases.setParam("bias_diff_on", 256));
    EXPECT_FALSE(biases.setParam("bias_diff_on", -1));
    EXPECT_FALSE(biases.setParam("bias_diff_on", 5.0f));
    EXPECT_EQ(a.device->reg(regs::imx636::kBiasDiffOn) & 0xFFu, 100u);

    IntParameterInfo info;
    ASSERT_TRUE(biases.getParamInfo("bias_diff", info));
    EXPECT_EQ(info.min, 0);
    EXPECT_EQ(info.max, 255);

    auto g = genx320();
    Genx320Biases small(g.controller);
    EXPECT_TRUE(small.setParam("bias_refr_lv0", 127));
    EXPECT_FALSE(small.setParam("bias_refr_lv0", 128));
    EXPECT_EQ(g.device->reg(regs::genx320::kBiasRefrLv0), 127u | (1u << 28));
}

TEST(CameraToolTriggerAndSync, SwitchTheirRegisterBits) {
    auto a = imx636();
    Imx636TriggerIn trigger(a.controller);
    a.device->setReg(regs::imx636::kTriggerIn, 0xFFFFFFFF);
    EXPECT_TRUE(trigger.setParam("enable", false));
    EXPECT_EQ(a.device->reg(regs::imx636::kTriggerIn), ~(1u << regs::imx636::kTriggerInEnableBit));
    bool on = true;
    EXPECT_TRUE(trigger.getParam("enable", on));
    EXPECT_FALSE(on);

    Imx636Sync sync(a.controller);
    EXPECT_TRUE(sync.setParam("mode", "master"));
    EXPECT_EQ(a.device->reg(regs::imx636::kTimeBaseCtrl) & 0xEu, 0xEu);
    EXPECT_TRUE(sync.setParam("mode", "standalone"));
    EXPECT_EQ(a.device->reg(regs::imx636::kTimeBaseCtrl) & 0xEu, 0x4u);
    std::string mode;
    EXPECT_TRUE(sync.getParam("mode", mode));
    EXPECT_EQ(mode, "standalone");

    // The GenX320 has no sync pad register; the mode still switches.
    auto g = genx320();
    Genx320Sync small(g.controller);
    EXPECT_TRUE(small.setParam("mode", "slave"));
    EXPECT_EQ(g.device->reg(regs::genx320::kTimeBaseCtrl) & 0xEu, 0xAu);
}

TEST(CameraToolEventRateControl, RateMapsToTargetPerPeriodWithinTheLimit) {
    auto a = imx636();
    Imx636EventRateControl erc(a.controller);
    a.device->setReg(regs::imx636::kErcReferencePeriod, 128);
    EXPECT_TRUE(erc.setParam("enable", true));
    EXPECT_EQ(a.device->reg(regs::imx636::kErcEnable), 1u);
    EXPECT_TRUE(erc.setParam("max_event_rate", 100));
    EXPECT_EQ(a.device->reg(regs::imx636::kErcTargetEventRate), 100u * 128u);
    int32_t rate = 0;
    EXPECT_TRUE(erc.getParam("max_event_rate", rate));
    EXPECT_EQ(rate, 100);
    EXPECT_FALSE(erc.setParam("max_event_rate", 321));

    // A lower limit lowers a larger current rate and bounds later writes and the description.
    erc.setMaxLimitEventRate(40);
    EXPECT_TRUE(erc.getParam("max_event_rate", rate));
    EXPECT_EQ(rate, 40);
    EXPECT_FALSE(erc.setParam("max_event_rate", 41));
    EXPECT_TRUE(erc.setParam("max_event_rate", 40));
    IntParameterInfo info;
    ASSERT_TRUE(erc.getParamInfo("max_event_rate", info));
    EXPECT_EQ(info.max, 40);
    EXPECT_EQ(info.unit, "MEv/s");

    // A period of 0 (register never set) gets the default period instead of dividing by zero.
    auto b = imx636();
    Imx636EventRateControl fresh(b.controller);
    EXPECT_TRUE(fresh.setParam("max_event_rate", 10));
    EXPECT_EQ(b.device->reg(regs::imx636::kErcReferencePeriod), 128u);
    EXPECT_EQ(b.device->reg(regs::imx636::kErcTargetEventRate), 1280u);
}

TEST(CameraToolROI, WindowRoundTripsThroughTheLineRegisters) {
    auto a = imx636();
    Imx636ROI roi(a.controller);
    EXPECT_TRUE(roi.setParam("x_width", 100));
    EXPECT_TRUE(roi.setParam("x", 40));
    EXPECT_TRUE(roi.setParam("y_height", 16));
    EXPECT_TRUE(roi.setParam("y", 704));
    // Columns 40..139 inside: x01 keeps bits 8..31 clear, x04 clears bits 0..11.
    EXPECT_EQ(a.device->reg(regs::imx636::kRoiX0 + 4 * 0), 0xFFFFFFFFu);
    EXPECT_EQ(a.device->reg(regs::imx636::kRoiX0 + 4 * 1), 0x000000FFu);
    EXPECT_EQ(a.device->reg(regs::imx636::kRoiX0 + 4 * 4), 0xFFFFF000u);
    EXPECT_EQ(a.device->reg(regs::imx636::kRoiX0 + 4 * 39), 0xFFFFFFFFu);
    // Rows 704..719 are the last register's only rows.
    EXPECT_EQ(a.device->reg(regs::imx636::kRoiY0 + 4 * 22), 0u);
    EXPECT_EQ(a.device->reg(regs::imx636::kRoiY0 + 4 * 21), 0xFFFFFFFFu);

    int32_t x = 0, w = 0, y = 0, h = 0;
    EXPECT_TRUE(roi.getParam("x", x));
    EXPECT_TRUE(roi.getParam("x_width", w));
    EXPECT_TRUE(roi.getParam("y", y));
    EXPECT_TRUE(roi.getParam("y_height", h));
    EXPECT_EQ(std::vector<int32_t>({x, w, y, h}), std::vector<int32_t>({40, 100, 704, 16}));

    // Values off the sensor are refused and change nothing.
    const auto before = a.device->registers();
    EXPECT_FALSE(roi.setParam("x", 1280));
    EXPECT_FALSE(roi.setParam("x_width", 1281));
    EXPECT_FALSE(roi.setParam("y", -1));
    EXPECT_FALSE(roi.setParam("y_height", 0));
    EXPECT_EQ(a.device->registers(), before);

    // Any order of the four values reaches the same window.
    for (const auto& order : std::vector<std::vector<std::pair<const char*, int32_t>>>{
             {{"x", 1000}, {"x_width", 200}, {"y", 0}, {"y_height", 720}},
             {{"x_width", 200}, {"y_height", 720}, {"x", 1000}, {"y", 0}}}) {
        ASSERT_TRUE(roi.setParam("x", 0));
        ASSERT_TRUE(roi.setParam("x_width", 1280));
        ASSERT_TRUE(roi.setParam("y", 704));
        ASSERT_TRUE(roi.setParam("y_height", 16));
        for (const auto& [key, value] : order) EXPECT_TRUE(roi.setParam(key, value)) << key;
        EXPECT_TRUE(roi.getParam("x", x));
        EXPECT_TRUE(roi.getParam("x_width", w));
        EXPECT_TRUE(roi.getParam("y", y));
        EXPECT_TRUE(roi.getParam("y_height", h));
        EXPECT_EQ(std::vector<int32_t>({x, w, y, h}), std::vector<int32_t>({1000, 200, 0, 720}));
    }
    // A larger size moves the origin back onto the sensor.
    EXPECT_TRUE(roi.setParam("x_width", 1000));
    EXPECT_TRUE(roi.getParam("x", x));
    EXPECT_EQ(x, 280);

    EXPECT_TRUE(roi.setParam("mode", "RONI"));
    EXPECT_EQ(a.device->reg(regs::imx636::kRoiCtrl) & (1u << regs::imx636::kRoiRoniNEnBit), 0u);
    EXPECT_TRUE(roi.setParam("enable", true));
    EXPECT_NE(a.device->reg(regs::imx636::kRoiCtrl) & (1u << regs::imx636::kRoiTdEnBit), 0u);

    auto g = genx320();
    Genx320ROI small(g.controller);
    EXPECT_FALSE(small.setParam("x_width", 321));
    EXPECT_TRUE(small.setParam("x_width", 32));
    EXPECT_TRUE(small.setParam("x", 288));
    EXPECT_EQ(g.device->reg(regs::genx320::kRoiX0 + 4 * 9), 0u);
    EXPECT_EQ(g.device->reg(regs::genx320::kRoiX0 + 4 * 8), 0xFFFFFFFFu);
}

TEST(CameraToolAntiFlicker, BandRoundTripsAndMustNotBeEmpty) {
    auto a = imx636();
    Imx636AntiFlicker afk(a.controller);
    EXPECT_TRUE(afk.setParam("high_frequency", 1000));
    EXPECT_TRUE(afk.setParam("low_frequency", 50 + 50));
    int32_t low = 0, high = 0;
    EXPECT_TRUE(afk.getParam("low_frequency", low));
    EXPECT_TRUE(afk.getParam("high_frequency", high));
    EXPECT_EQ(low, 100);
    EXPECT_EQ(high, 1000);
    // 1e6 / (64 us * f): 156 for 100 Hz, 16 for 1000 Hz.
    const uint32_t periods = a.device->reg(0xC008);
    EXPECT_EQ((periods >> 8) & 0xFFu, 156u);
    EXPECT_EQ(periods & 0xFFu, 16u);

    EXPECT_FALSE(afk.setParam("low_frequency", 10));
    EXPECT_FALSE(afk.setParam("high_frequency", 20000));
    EXPECT_FALSE(afk.setParam("low_frequency", RegisterAntiFlicker::kMaxFrequency));  // no room above it
    EXPECT_EQ(a.device->reg(0xC008), periods);

    // Moving the band above itself works in either order of the two bounds.
    EXPECT_TRUE(afk.setParam("low_frequency", 2000));  // crosses 1000: high goes to the top
    EXPECT_TRUE(afk.getParam("high_frequency", high));
    EXPECT_EQ(high, RegisterAntiFlicker::kMaxFrequency);
    EXPECT_TRUE(afk.setParam("high_frequency", 5000));
    EXPECT_TRUE(afk.setParam("high_frequency", 1042));  // crosses 2000: low goes to the bottom
    EXPECT_TRUE(afk.setParam("low_frequency", 100));
    EXPECT_TRUE(afk.getParam("low_frequency", low));
    EXPECT_TRUE(afk.getParam("high_frequency", high));
    EXPECT_EQ(low, 100);
    EXPECT_EQ(high, 1042);

    EXPECT_TRUE(afk.setParam("mode", "band_pass"));
    EXPECT_NE(a.device->reg(0xC004) & (1u << 6), 0u);
}

TEST(CameraToolEventTrailFilter, TypeSelectsTheFilterAndItsThreshold) {
    auto a = imx636();
    Imx636EventTrailFilter stc(a.controller);
    EXPECT_TRUE(stc.setParam("type", "TRAIL"));
    EXPECT_TRUE(stc.setParam("threshold", 20000));
    EXPECT_TRUE(stc.setParam("enable", true));
    EXPECT_EQ(a.device->reg(0xD008), (20000u << 1) | 1u);  // trail on with its threshold
    EXPECT_EQ(a.device->reg(0xD004) & 1u, 0u);             // STC off

    EXPECT_TRUE(stc.setParam("type", "STC_KEEP_TRAIL"));
    EXPECT_EQ(a.device->reg(0xD008) & 1u, 0u);
    EXPECT_EQ(a.device->reg(0xD004), (1u << 24) | (20000u << 1) | 1u);
    std::string type;
    EXPECT_TRUE(stc.getParam("type", type));
    EXPECT_EQ(type, "STC_KEEP_TRAIL");
    EXPECT_FALSE(stc.setParam("threshold", 999));
    EXPECT_TRUE(stc.setParam("enable", false));
    bool on = true;
    EXPECT_TRUE(stc.getParam("enable", on));
    EXPECT_FALSE(on);
}

TEST(CameraToolApsCtrl, ExposureRoundTripsWithinItsRange) {
    Bench f(imx415RegisterTable(), kImx415RegisterPrefix);
    Imx415ApsCtrl aps(f.controller);
    EXPECT_TRUE(aps.setParam("exposure_time", 20000));
    EXPECT_EQ(f.device->reg(regs::imx415::kExposure), 20000u);
    int32_t exposure = 0;
    EXPECT_TRUE(aps.getParam("exposure_time", exposure));
    EXPECT_EQ(exposure, 20000);
    IntParameterInfo info;
    ASSERT_TRUE(aps.getParamInfo("exposure_time", info));
    EXPECT_EQ(info.value, 20000);  // the current value, not the default
    EXPECT_EQ(info.unit, "us");
    EXPECT_FALSE(aps.setParam("exposure_time", Imx415ApsCtrl::kMaxExposureUs + 1));
    EXPECT_FALSE(aps.setParam("gain", Imx415ApsCtrl::kMaxGain + 1));
    EXPECT_TRUE(aps.setParam("vertical_flip", true));
    EXPECT_EQ(f.device->reg(regs::imx415::kReadoutCtrl), 2u);

    // Without a reachable device the read fails instead of inventing a value.
    f.device->connected = false;
    EXPECT_FALSE(aps.getParam("exposure_time", exposure));
}
