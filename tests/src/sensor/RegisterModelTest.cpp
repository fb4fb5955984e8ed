#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "hal/registers/SensorRegisterAddresses.h"
#include "sensor/Register.h"
#include "sensor/RegisterTables.h"

using namespace quillex;

TEST(RegisterField, MaskFollowsStartAndLength) {
    Register::Field f("f", 4, 4, 3, {{"on", 1}});
    EXPECT_EQ(f.get_mask(), 0xF0u);
    f.set_start(28);
    EXPECT_EQ(f.get_mask(), 0xF0000000u);
    f.set_len(1);
    EXPECT_EQ(f.get_mask(), 0x10000000u);
    EXPECT_EQ(Register::Field("all", 0, 32, 0).get_mask(), 0xFFFFFFFFu);
    EXPECT_EQ(Register::Field("top", 31, 1, 0).get_mask(), 0x80000000u);
    EXPECT_EQ(Register::Field("none", 0, 0, 0).get_mask(), 0u);

    Register::Field mid("mid", 8, 20, 0);
    EXPECT_EQ(mid.max_value(), 0xFFFFFu);
    EXPECT_EQ(mid.insert(0xFFFFFFFF, 0), 0xF00000FFu);
    EXPECT_EQ(mid.insert(0, 0x1FFFFF), 0x0FFFFF00u);  // bits beyond the field do not leak
    EXPECT_EQ(mid.extract(0x12345678), 0x23456u);

    f.add_alias("on", 7);
    f.add_alias("off", 0);
    EXPECT_EQ(f.get_aliases().at("on"), 7u);
    EXPECT_EQ(f.get_aliases().size(), 2u);

    Register::Field copy = f;
    copy.set_start(0);
    EXPECT_EQ(f.get_start(), 28u);
    EXPECT_EQ(copy.get_mask(), 0x1u);
}

TEST(RegisterLookup, UnknownNamesRaiseTheirErrors) {
    RegisterMap map(imx636RegisterTable());
    Register& reg = map["lifo_ctrl"];
    EXPECT_EQ(reg.get_address(), 0xCu);
    EXPECT_EQ(reg.get_value(), 0u);
    try {
        (void)reg["nope"];
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Register: Field not found");
    }
    try {
        (void)map["nope"];
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "RegisterController: Register not found");
    }
    const RegisterMap& constMap = map;
    EXPECT_THROW((void)constMap["PSEE/IMX636/lifo_ctrl"], std::runtime_error);  // names carry no prefix

    RegisterMap copy = map;
    copy["lifo_ctrl"]["lifo_en"].set_len(2);
    EXPECT_EQ(map["lifo_ctrl"]["lifo_en"].get_len(), 1u);
    RegisterMap moved = std::move(copy);
    EXPECT_EQ(moved["lifo_ctrl"]["lifo_en"].get_len(), 2u);
}

TEST(RegisterLookup, MalformedTablesAreRejected) {
    const RegisterInfo fieldFirst[] = {{1, "f", 0, 1, 0, 0}};
    EXPECT_THROW(RegisterMap(fieldFirst, 1), std::invalid_argument);
    const RegisterInfo aliasFirst[] = {{0, "r", 0, 0, 0, 0}, {2, "a", 1, 0, 0, 0}};
    EXPECT_THROW(RegisterMap(aliasFirst, 2), std::invalid_argument);
    const RegisterInfo tooWide[] = {{0, "r", 0, 0, 0, 0}, {1, "f", 30, 3, 0, 0}};
    EXPECT_THROW(RegisterMap(tooWide, 2), std::invalid_argument);
}

namespace {
struct FieldSpec {
    const char* reg;
    uint32_t address;
    const char* field;
    uint32_t start, len, def;
};

void expectRows(const RegisterMap& map, std::initializer_list<FieldSpec> rows) {
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.reg) + "." + r.field);
        const Register& reg = map[r.reg];
        EXPECT_EQ(reg.get_address(), r.address);
        const Register::Field& f = reg[r.field];
        EXPECT_EQ(f.get_start(), r.start);
        EXPECT_EQ(f.get_len(), r.len);
        EXPECT_EQ(f.get_default_value(), r.def);
    }
}

// Fields inside 32 bits, not overlapping; reserved names match their bits; addresses unique.
void expectWellFormed(const RegisterMap& map, uint32_t lowest, uint32_t highest) {
    const std::regex reservedField(R"(Reserved_(\d+)(?:_(\d+))?)");
    const std::regex reservedRegister(R"((?:.*/)?Reserved_[0-9A-F]{4})");
    std::set<uint32_t> addresses;
    for (const auto& [name, reg] : map.registers()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(addresses.insert(reg.get_address()).second) << "address used twice";
        EXPECT_EQ(reg.get_address() % 4, 0u);
        if (reg.get_address() < 0x100000) {
            EXPECT_GE(reg.get_address(), lowest);
            EXPECT_LE(reg.get_address(), highest);
        }
        if (name.find("Reserved_") != std::string::npos) {
            EXPECT_TRUE(std::regex_match(name, reservedRegister));
        }
        uint32_t used = 0;
        for (const auto& [fname, field] : reg.fields()) {
            EXPECT_EQ(used & field.get_mask(), 0u) << fname << " overlaps";
            used |= field.get_mask();
            EXPECT_LE(field.get_default_value(), field.max_value()) << fname;
            std::smatch m;
            if (fname.rfind("Reserved_", 0) == 0) {
                ASSERT_TRUE(std::regex_match(fname, m, reservedField)) << fname;
                const uint32_t high = std::stoul(m[1]);
                const uint32_t low = m[2].matched ? std::stoul(m[2]) : high;
                EXPECT_EQ(field.get_start(), low) << fname;
                EXPECT_EQ(field.get_start() + field.get_len() - 1u, high) << fname;
                EXPECT_EQ(m[2].matched, field.get_len() > 1) << fname;
            }
        }
    }
}
}  // namespace

TEST(RegisterTables, Imx636TellingRowsAndShape) {
    RegisterMap map(imx636RegisterTable());
    expectWellFormed(map, 0x4, 0xE150);
    expectRows(map, {
        {"roi_ctrl", 0x4, "roi_td_en", 1, 1, 0},
        {"roi_ctrl", 0x4, "roi_td_shadow_trigger", 5, 1, 0},
        {"roi_ctrl", 0x4, "td_roi_roni_n_en", 6, 1, 1},
        {"roi_ctrl", 0x4, "px_td_rstn", 10, 1, 0},
        {"lifo_ctrl", 0xC, "lifo_cnt_en", 2, 1, 0},
        {"lifo_ctrl", 0xC, "Reserved_31_3", 3, 29, 0},
        {"bias/bias_fo", 0x1004, "Reserved_27_8", 8, 20, 238056},
        {"bias/bias_diff", 0x1014, "idac_ctl", 0, 8, 77},
        {"bias/bias_refr", 0x1020, "idac_ctl", 0, 8, 20},
        {"bias/bias_refr", 0x1020, "Reserved_27_8", 8, 20, 230038},
        {"bias/bias_diff_off", 0x1018, "single_transfer", 28, 1, 0},
        {"bias/bgen_ctrl", 0x1100, "burst_transfer", 0, 1, 0},
        {"erc/reference_period", 0x6008, "erc_reference_period", 0, 10, 128},
        {"erc/td_target_event_rate", 0x600C, "target_event_rate", 0, 22, 128},
        {"erc/erc_enable", 0x6028, "erc_en", 0, 1, 0},
        {"edf/trigger_in", 0x7004, "enable", 10, 1, 1},
        {"afk/param", 0xC004, "counter_high", 3, 3, 6},
        {"afk/filter_period", 0xC008, "max_cutoff_period", 8, 8, 156},
        {"afk/filter_period", 0xC008, "inverted_duty_cycle", 16, 4, 8},
        {"stc/stc_param", 0xD004, "stc_threshold", 1, 19, 10000},
        {"stc/trail_param", 0xD008, "trail_threshold", 1, 19, 100000},
        {"ro/time_base_ctrl", 0x9008, "Reserved_10_4", 4, 7, 100},
        {"ro/time_base_ctrl", 0x9008, "external_mode_enable", 3, 1, 0},
    });
    // The bring-up value of bias_diff is the register's reset value.
    EXPECT_EQ(map["bias/bias_diff"].get_default_value() | (1u << 28), 0x11A1504Du);

    // ROI lines: every column and row covered once, aliases on each, the last row register half used.
    size_t aliases = 0;
    for (const auto& [name, reg] : map.registers())
        for (const auto& [fname, field] : reg.fields()) aliases += field.get_aliases().size();
    EXPECT_EQ(aliases, 126u);
    EXPECT_EQ(map["roi/td_roi_x39"].get_address(), regs::imx636::kRoiX0 + 4 * 39);
    EXPECT_THROW((void)map["roi/td_roi_x40"], std::runtime_error);
    EXPECT_EQ(map["roi/td_roi_x00"]["effective"].get_aliases().at("disable"), 0xFFFFFFFFu);
    EXPECT_EQ(map["roi/td_roi_y22"]["effective"].get_aliases().at("disable"), 0xFFFFu);
    EXPECT_EQ(map["roi/td_roi_y21"]["effective"].get_aliases().at("enable"), 0u);
    EXPECT_THROW((void)map["roi/td_roi_y23"], std::runtime_error);
}

TEST(RegisterTables, Genx320TellingRowsAndShape) {
    RegisterMap map(genx320RegisterTable());
    expectWellFormed(map, 0x0, 0xE020);
    expectRows(map, {
        {"bias/bias_pr_hv0", 0x1000, "bias_ctl", 0, 7, 61},
        {"bias/bias_fo_hv0", 0x1004, "bias_ctl", 0, 7, 39},
        {"bias/bias_diff_on_lv0", 0x1104, "bias_ctl", 0, 7, 24},
        {"bias/bias_refr_lv0", 0x1114, "bias_ctl", 0, 7, 82},
        {"bias/bias_diff_lv0", 0x1108, "single", 28, 1, 0},
        {"erc/pipeline_control", 0x6000, "bypass", 2, 1, 0},
        {"erc/td_target_event_count", 0x602C, "val", 0, 21, 128},
        {"erc/ref_period_flavor", 0x6020, "reference_period", 0, 10, 128},
        {"ro/time_base_ctrl", 0x9008, "us_counter_max", 4, 7, 50},
        {"ro/time_base_ctrl", 0x9008, "th_every_64us_en", 11, 1, 0},
        {"ro/time_base_ctrl", 0x9008, "time_base_srst", 16, 1, 0},
    });
    for (const auto& [name, reg] : map.registers())
        for (const auto& [fname, field] : reg.fields()) EXPECT_TRUE(field.get_aliases().empty()) << name;
    // Sensor bring-up names its sync pad register, which this sensor lacks.
    EXPECT_FALSE(map.contains("dig_pad2_ctrl"));
    EXPECT_TRUE(map.contains("roi/td_roi_y09"));
    EXPECT_FALSE(map.contains("roi/td_roi_y10"));
}

TEST(RegisterTables, SensorFieldNamesUsedByBringUpExist) {
    const char* common[][2] = {{"adc_control", "adc_en"},          {"adc_control", "adc_clk_en"},
                               {"adc_misc_ctrl", "adc_buf_cal_en"}, {"temp_ctrl", "temp_buf_en"},
                               {"temp_ctrl", "temp_buf_cal_en"},    {"iph_mirr_ctrl", "iph_mirr_en"},
                               {"lifo_ctrl", "lifo_en"},            {"ro/time_base_ctrl", "time_base_mode"},
                               {"ro/time_base_ctrl", "external_mode"}};
    RegisterMap imx(imx636RegisterTable()), gen(genx320RegisterTable());
    for (const auto& n : common) {
        EXPECT_NO_THROW((void)imx[n[0]][n[1]]) << n[0] << "." << n[1];
        EXPECT_NO_THROW((void)gen[n[0]][n[1]]) << n[0] << "." << n[1];
    }
    EXPECT_NO_THROW((void)imx["iph_mirr_ctrl"]["iph_mirr_amp_en"]);
    EXPECT_NO_THROW((void)imx["lifo_ctrl"]["lifo_out_en"]);
    EXPECT_NO_THROW((void)imx["dig_pad2_ctrl"]["pad_sync"]);
    RegisterMap aps(imx415RegisterTable());
    EXPECT_EQ(aps["aps_ctrl"].get_address(), regs::imx415::kApsCtrl);
}
