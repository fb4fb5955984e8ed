#include <gtest/gtest.h>

#include <functional>

#include "FakeRegisterDevice.h"
#include "hal/registers/RegisterController.h"
#include "hal/registers/SensorRegisterAddresses.h"
#include "sensor/Genx320Sensor.h"
#include "sensor/Imx415Sensor.h"
#include "sensor/Imx6x6Sensor.h"
#include "sensor/RegisterTables.h"

using namespace quillex;
using quillex::test::FakeRegisterDevice;
using quillex::test::LogCapture;
using Entry = FakeRegisterDevice::Entry;

namespace {

// A sensor wired to a controller over a fake device, the way cameras wire it.
struct Rig {
    Rig(std::span<const RegisterInfo> table, const char* prefix)
        : controller(std::make_shared<RegisterController>(device, table.data(), table.size(), prefix)) {
        controller->setWaitFunction([this](std::chrono::microseconds d) { waited += d; });
    }
    void wire(Sensor& sensor, bool fields = true, bool sequences = true) {
        auto c = controller;
        if (sequences)
            sensor.setApplyRegisterOperationSequenceCallback(
                [c](const std::vector<RegisterOperation>& s) { c->applyRegisterOperationSequence(s); });
        if (fields)
            sensor.setWriteRegisterFieldCallback(
                [c](const std::string& r, const std::string& f, uint32_t v) { c->writeRegisterField(r, f, v); });
    }
    uint32_t field(const char* reg, const char* name) {
        uint32_t v = 0;
        EXPECT_EQ(controller->readRegisterField(reg, name, v), 0u) << reg << "." << name;
        return v;
    }
    std::shared_ptr<FakeRegisterDevice> device = std::make_shared<FakeRegisterDevice>();
    std::shared_ptr<RegisterController> controller;
    std::chrono::microseconds waited{0};
};

Rig imx636Rig() { return Rig(imx636RegisterTable(), kImx636RegisterPrefix); }

size_t indexOf(const std::vector<Entry>& log, Entry::Kind kind) {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].kind == kind) return i;
    return log.size();
}

}  // namespace

TEST(Imx6x6SensorLifecycle, StartBeforeInitAndInitWithoutSequencesTouchNothing) {
    Rig rig = imx636Rig();
    Imx6x6Sensor sensor;
    rig.wire(sensor, true, false);
    LogCapture logs;
    EXPECT_EQ(sensor.start(), -1);
    EXPECT_EQ(logs.count(4, "Please initialize the Imx6x6Sensor first!"), 1u);
    EXPECT_TRUE(rig.device->log().empty());
    EXPECT_FALSE(sensor.getNextBuffer(std::chrono::milliseconds(1)));

    EXPECT_EQ(sensor.init(rig.device), -1);
    EXPECT_EQ(logs.count(4, "Imx6x6Sensor init failed! No sequence callback provided!"), 1u);
    EXPECT_EQ(rig.device->writeCount(), 0u);
    EXPECT_FALSE(sensor.isInitialized());
    EXPECT_NE(sensor.eventStream(), nullptr);  // the stream is kept
    EXPECT_EQ(sensor.stop(), -1);
}

TEST(Imx6x6SensorLifecycle, InitBringsTheSensorUpAndSetsItsBlocks) {
    Rig rig = imx636Rig();
    Imx6x6Sensor sensor;
    rig.wire(sensor);
    LogCapture logs;
    ASSERT_EQ(sensor.init(rig.device), 0);
    EXPECT_TRUE(sensor.isInitialized());
    EXPECT_EQ(logs.count(2, "Imx6x6Sensor init success!"), 1u);
    // All three sequences ran: the last bring-up step and the power-up and bring-up waits.
    EXPECT_EQ(rig.device->reg(0x9000), 0x200u);
    EXPECT_EQ(rig.device->reg(0x400004), 0x0u);
    EXPECT_GT(rig.waited, std::chrono::microseconds(2'500'000));

    EXPECT_EQ(rig.field("adc_control", "adc_en"), 1u);
    EXPECT_EQ(rig.field("adc_control", "adc_clk_en"), 0u);
    EXPECT_EQ(rig.field("temp_ctrl", "temp_buf_cal_en"), 1u);
    EXPECT_EQ(rig.field("iph_mirr_ctrl", "iph_mirr_amp_en"), 1u);
    EXPECT_EQ(rig.device->reg(regs::imx636::kLifoCtrl), 0x7u);
    EXPECT_EQ(rig.field("ro/time_base_ctrl", "external_mode"), 1u);
    EXPECT_EQ(rig.field("ro/time_base_ctrl", "external_mode_enable"), 0u);
    EXPECT_EQ(rig.field("ro/time_base_ctrl", "Reserved_10_4"), 100u);
    EXPECT_EQ(rig.field("dig_pad2_ctrl", "pad_sync"), 15u);
    // Streaming stays off until start.
    EXPECT_EQ(rig.device->reg(regs::imx636::kTimeBaseCtrl) & 1u, 0u);
}

TEST(Imx6x6SensorLifecycle, InitWithoutFieldWriterRunsSequencesAndReportsEachStep) {
    Rig rig = imx636Rig();
    Imx6x6Sensor sensor;
    rig.wire(sensor, false, true);
    LogCapture logs;
    EXPECT_EQ(sensor.init(rig.device), 0);
    EXPECT_EQ(logs.count(4, "Imx6x6Sensor init failed! No write register callback provided!"), 4u);
    EXPECT_EQ(rig.device->reg(regs::imx636::kLifoCtrl), 0u);
    EXPECT_EQ(rig.device->reg(0x9000), 0x200u);
}

TEST(Imx6x6SensorStreaming, StreamStartsBeforeTheStartSequenceAndStopsAfterTheStopSequence) {
    Rig rig = imx636Rig();
    Imx6x6Sensor sensor;
    rig.wire(sensor);
    ASSERT_EQ(sensor.init(rig.device), 0);
    rig.device->clearLog();

    ASSERT_EQ(sensor.start(), 0);
    auto log = rig.device->log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().kind, Entry::kBulkStart);
    EXPECT_EQ(log.front().address, Imx6x6Sensor::kEndpoint);
    EXPECT_EQ(log.front().value, Imx6x6Sensor::kTransferSize);
    EXPECT_EQ(log.back().kind, Entry::kWrite);
    EXPECT_EQ(log.back().address, 0x4u);  // last start step

    rig.device->clearLog();
    ASSERT_EQ(sensor.stop(), 0);
    log = rig.device->log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().kind, Entry::kBulkStop);
    EXPECT_EQ(indexOf(log, Entry::kBulkStop), log.size() - 1);
    EXPECT_EQ(log.front().address, 0x4u);  // first stop step
}

TEST(Imx6x6SensorStreaming, StartAndStopDifferExactlyInTheStreamingBits) {
    Rig rig = imx636Rig();
    Imx6x6Sensor sensor;
    rig.wire(sensor);
    ASSERT_EQ(sensor.init(rig.device), 0);
    // Init leaves the output on; one start/stop cycle reaches the plain stopped state.
    ASSERT_EQ(sensor.start(), 0);
    ASSERT_EQ(sensor.stop(), 0);
    // Reserved bits elsewhere in the masked registers must survive both sequences.
    rig.device->setReg(0x4, rig.device->reg(0x4) | 0x00A00000u);
    rig.device->setReg(0x9008, rig.device->reg(0x9008) | 0x00010000u);
    const auto stopped = rig.device->registers();

    ASSERT_EQ(sensor.start(), 0);
    const auto started = rig.device->registers();
    const std::map<uint32_t, uint32_t> streamingBits = {
        {0x4, 0x400}, {0x9008, 0x1}, {0xB000, 0x1}, {0x2C, 0x400}, {0x9028, 0x2}};
    for (const auto& [address, value] : started) {
        const uint32_t before = stopped.count(address) ? stopped.at(address) : 0;
        const uint32_t expected = streamingBits.count(address) ? streamingBits.at(address) : 0;
        EXPECT_EQ(before ^ value, expected) << std::hex << "address 0x" << address;
    }
    EXPECT_EQ(started.at(regs::imx636::kTimeBaseCtrl) & 1u, 1u);
    EXPECT_EQ(started.at(regs::imx636::kOutputCtrl) & 1u, 1u);

    ASSERT_EQ(sensor.stop(), 0);
    EXPECT_EQ(rig.device->registers(), stopped);
}

TEST(Imx6x6SensorStreaming, FailedStreamStartIsReportedAndLeavesTheSensorStopped) {
    Rig rig = imx636Rig();
    Imx6x6Sensor sensor;
    rig.wire(sensor);
    ASSERT_EQ(sensor.init(rig.device), 0);
    rig.device->connected = false;
    rig.device->clearLog();
    EXPECT_EQ(sensor.start(), -1);
    EXPECT_EQ(rig.device->writeCount(), 0u);
}

TEST(Imx6x6SensorStreaming, NextBufferComesFromTheStream) {
    Rig rig = imx636Rig();
    rig.device->deliverOnStart = true;
    Imx6x6Sensor sensor;
    rig.wire(sensor);
    ASSERT_EQ(sensor.init(rig.device), 0);
    ASSERT_EQ(sensor.start(), 0);
    auto buffer = sensor.getNextBuffer(std::chrono::milliseconds(500));
    ASSERT_TRUE(buffer);
    ASSERT_TRUE(*buffer);
    EXPECT_EQ(**buffer, (RawBuffer{1, 2, 3, 4}));
    EXPECT_FALSE(sensor.getNextBuffer(std::chrono::milliseconds(5)));
    EXPECT_EQ(sensor.stop(), 0);
}

TEST(Genx320SensorLifecycle, InitRunsBothSequencesAndSkipsTheMissingSyncPad) {
    Rig rig(genx320RegisterTable(), kGenx320RegisterPrefix);
    Genx320Sensor sensor;
    rig.wire(sensor);
    LogCapture logs;
    EXPECT_EQ(sensor.start(), -1);
    EXPECT_EQ(logs.count(4, "Please initialize the Genx320Sensor first!"), 1u);

    ASSERT_EQ(sensor.init(rig.device), 0);
    EXPECT_EQ(logs.count(2, "Genx320Sensor init success!"), 1u);
    EXPECT_EQ(rig.device->reg(0x1120), 0x10000A4u);
    EXPECT_EQ(rig.device->reg(0x704C), 0x7D0u);
    // 0x321 from the sequence, then us_counter_max 100 and th_every_64us_en.
    EXPECT_EQ(rig.device->reg(regs::genx320::kTimeBaseCtrl), (0x321u & ~0x7F0u) | (100u << 4) | (1u << 11) | 0x4u);
    EXPECT_EQ(rig.field("lifo_ctrl", "lifo_en"), 1u);
    EXPECT_EQ(rig.field("iph_mirr_ctrl", "iph_mirr_en"), 1u);
    EXPECT_TRUE(logs.containsAtLevel(3, "dig_pad2_ctrl"));

    // Start and stop only drive the stream.
    rig.device->clearLog();
    EXPECT_EQ(sensor.start(), 0);
    EXPECT_EQ(sensor.stop(), 0);
    const auto log = rig.device->log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].kind, Entry::kBulkStart);
    EXPECT_EQ(log[1].kind, Entry::kBulkStop);
}

TEST(Genx320SensorLifecycle, MissingSequenceCallbackFailsEveryStep) {
    Rig rig(genx320RegisterTable(), kGenx320RegisterPrefix);
    Genx320Sensor sensor;
    rig.wire(sensor, true, false);
    LogCapture logs;
    EXPECT_EQ(sensor.init(rig.device), -1);
    EXPECT_EQ(sensor.stop(), -1);
    EXPECT_EQ(logs.count(4, "Genx320Sensor init failed! No sequence callback provided!"), 2u);
    EXPECT_EQ(rig.device->writeCount(), 0u);
}

TEST(Imx415SensorLifecycle, ApsCtrlFollowsStartAndStop) {
    Rig rig(imx415RegisterTable(), kImx415RegisterPrefix);
    Imx415Sensor sensor;
    auto c = rig.controller;
    sensor.setWriteRegisterCallback([c](const std::string& r, uint32_t v) { c->writeRegisterWithControlTransfer(r, v); });
    EXPECT_EQ(sensor.start(), -1);
    EXPECT_EQ(sensor.stop(), 0);
    EXPECT_TRUE(rig.device->log().empty());

    rig.device->setReg(regs::imx415::kApsCtrl, 1);
    ASSERT_EQ(sensor.init(rig.device), 0);
    EXPECT_EQ(rig.device->reg(regs::imx415::kApsCtrl), 0u);
    EXPECT_EQ(sensor.getWidth(), 3840);
    EXPECT_EQ(sensor.frameBytes(), 12441600u);

    rig.device->clearLog();
    ASSERT_EQ(sensor.start(), 0);
    auto log = rig.device->log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].kind, Entry::kBulkStart);
    EXPECT_EQ(log[0].address, Imx415Sensor::kEndpoint);
    EXPECT_EQ(log[0].value, 12441600u);
    EXPECT_EQ(log[1].address, regs::imx415::kApsCtrl);
    EXPECT_EQ(log[1].value, 1u);
    EXPECT_EQ(sensor.stop(), 0);
    EXPECT_EQ(rig.device->reg(regs::imx415::kApsCtrl), 0u);
}

TEST(Imx415SensorLifecycle, FieldWriterStandsInAndNoWriterThrows) {
    Rig rig(imx415RegisterTable(), kImx415RegisterPrefix);
    {
        Imx415Sensor sensor;
        rig.wire(sensor);
        ASSERT_EQ(sensor.init(rig.device), 0);
        ASSERT_EQ(sensor.start(), 0);
        EXPECT_EQ(rig.device->reg(regs::imx415::kApsCtrl), 1u);
        EXPECT_EQ(sensor.stop(), 0);
        EXPECT_EQ(rig.device->reg(regs::imx415::kApsCtrl), 0u);
    }
    Imx415Sensor bare;
    EXPECT_THROW(bare.init(rig.device), std::bad_function_call);
}
