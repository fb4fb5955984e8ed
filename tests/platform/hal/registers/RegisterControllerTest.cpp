#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakeRegisterDevice.h"
#include "hal/registers/RegisterController.h"

using namespace quillex;
using quillex::test::FakeRegisterDevice;
using quillex::test::LogCapture;

namespace {

// clang-format off
const RegisterInfo kTable[] = {
    {0, "ctrl", 0x10, 0, 0, 0},
        {1, "low", 0, 4, 3, 0},
        {1, "mid", 4, 4, 0, 0},
            {2, "on", 0xF, 0, 0, 0},
            {2, "off", 0x0, 0, 0, 0},
        {1, "top", 31, 1, 0, 0},
    {0, "blk/data0", 0x100, 0, 0, 0},
        {1, "all", 0, 32, 0, 0},
    {0, "blk/data1", 0x104, 0, 0, 0},
    {0, "other/x", 0x200, 0, 0, 0},
        {1, "broken", 30, 4, 0, 0},   // leaves the register: ignored
};
// clang-format on

struct Fixture : ::testing::Test {
    std::shared_ptr<FakeRegisterDevice> device = std::make_shared<FakeRegisterDevice>();
    RegisterController controller{device, kTable, std::size(kTable), "CHIP/"};
};

}  // namespace

TEST(RegisterControllerTable, ReadsRowsInOrderAndAppliesThePrefix) {
    LogCapture logs;
    RegisterController controller(nullptr, kTable, std::size(kTable), "CHIP/");
    EXPECT_EQ(controller.registerCount(), 4u);
    auto ctrl = controller.findRegister("ctrl");
    ASSERT_TRUE(ctrl);
    EXPECT_EQ(ctrl->name, "CHIP/ctrl");
    EXPECT_EQ(ctrl->address, 0x10u);
    ASSERT_EQ(ctrl->fields.size(), 3u);
    EXPECT_EQ(ctrl->fields.at("mid").mask, 0xF0u);
    EXPECT_EQ(ctrl->fields.at("top").mask, 0x80000000u);
    EXPECT_EQ(ctrl->fields.at("low").defaultValue, 3u);
    EXPECT_EQ(ctrl->fields.at("mid").aliases.at("on"), 0xFu);
    EXPECT_EQ(controller.findField("blk/data0", "all")->mask, 0xFFFFFFFFu);
    // The prefixed form names the same register.
    EXPECT_TRUE(controller.hasRegister("CHIP/blk/data1"));
    EXPECT_FALSE(controller.hasRegister("data1"));
    EXPECT_EQ(controller.registerNames("blk/"), (std::vector<std::string>{"CHIP/blk/data0", "CHIP/blk/data1"}));
    EXPECT_FALSE(controller.findField("other/x", "broken"));
    EXPECT_TRUE(logs.containsAtLevel(4, "broken"));
}

TEST_F(Fixture, FieldWriteIsReadModifyWriteOfTheFieldBitsOnly) {
    device->setReg(0x10, 0xA5A5A5A5);
    EXPECT_EQ(controller.writeRegisterField("ctrl", "mid", 0x3), RegisterController::kOk);
    EXPECT_EQ(device->reg(0x10), 0xA5A5A535u);
    EXPECT_EQ(controller.writeRegisterField("ctrl", "top", 0), RegisterController::kOk);
    EXPECT_EQ(device->reg(0x10), 0x25A5A535u);
    EXPECT_EQ(controller.writeRegisterField("blk/data0", "all", 0xDEADBEEF), RegisterController::kOk);
    EXPECT_EQ(device->reg(0x100), 0xDEADBEEFu);

    uint32_t value = 0;
    EXPECT_EQ(controller.readRegisterField("ctrl", "low", value), RegisterController::kOk);
    EXPECT_EQ(value, 0x5u);
    EXPECT_EQ(controller.writeRegisterFieldAlias("ctrl", "mid", "on"), RegisterController::kOk);
    EXPECT_EQ(device->reg(0x10) & 0xF0u, 0xF0u);
}

TEST_F(Fixture, ValueWiderThanTheFieldIsRefusedWithoutTouchingTheRegister) {
    device->setReg(0x10, 0x12345678);
    device->clearLog();
    EXPECT_EQ(controller.writeRegisterField("ctrl", "mid", 0x10), RegisterController::kBadValue);
    EXPECT_EQ(controller.writeRegisterField("ctrl", "top", 2), RegisterController::kBadValue);
    EXPECT_EQ(device->reg(0x10), 0x12345678u);
    EXPECT_EQ(device->writeCount(), 0u);
}

TEST_F(Fixture, UnknownNamesAreLoggedAtLevelThreeAndSkipped) {
    LogCapture logs;
    const size_t before = device->transfers;
    EXPECT_EQ(controller.writeRegisterField("dig_pad2_ctrl", "pad_sync", 15), RegisterController::kUnknownName);
    EXPECT_EQ(controller.writeRegisterField("ctrl", "nope", 1), RegisterController::kUnknownName);
    EXPECT_EQ(controller.writeRegisterFieldAlias("ctrl", "mid", "nope"), RegisterController::kUnknownName);
    EXPECT_EQ(controller.writeRegisterWithControlTransfer("nope", 1), RegisterController::kUnknownName);
    uint32_t buffer[2] = {};
    EXPECT_EQ(controller.readRegisterWithControlTransfer("nope", buffer, 2), RegisterController::kUnknownName);
    EXPECT_EQ(device->transfers, before);
    EXPECT_TRUE(logs.containsAtLevel(3, "CHIP/dig_pad2_ctrl"));
    EXPECT_TRUE(logs.containsAtLevel(3, "nope"));
}

TEST_F(Fixture, WholeAndBlockTransfersUseConsecutiveAddresses) {
    EXPECT_EQ(controller.writeRegisterWithControlTransfer("blk/data1", 7), RegisterController::kOk);
    EXPECT_EQ(device->reg(0x104), 7u);

    const uint32_t data[3] = {1, 2, 3};
    EXPECT_EQ(controller.writeRegisterDataWithControlTransfer("blk/data0", data, 3), RegisterController::kOk);
    EXPECT_EQ(device->reg(0x100), 1u);
    EXPECT_EQ(device->reg(0x104), 2u);
    EXPECT_EQ(device->reg(0x108), 3u);

    uint32_t back[3] = {};
    EXPECT_EQ(controller.readRegisterWithControlTransfer("blk/data0", back, 3), RegisterController::kOk);
    EXPECT_EQ(back[0], 1u);
    EXPECT_EQ(back[2], 3u);
    EXPECT_EQ(controller.readRegisterWithControlTransfer("blk/data0", nullptr, 3), RegisterController::kBadValue);
    EXPECT_EQ(controller.writeRegisterDataWithControlTransfer("blk/data0", data, 0), RegisterController::kBadValue);
}

TEST_F(Fixture, DeviceFailuresAreReportedNotSwallowed) {
    device->connected = false;
    uint32_t value = 0;
    EXPECT_EQ(controller.writeRegisterField("ctrl", "low", 1), RegisterController::kTransferFailed);
    EXPECT_EQ(controller.readRegisterField("ctrl", "low", value), RegisterController::kTransferFailed);
    EXPECT_EQ(controller.writeRegisterWithControlTransfer("ctrl", 1), RegisterController::kTransferFailed);

    RegisterController detached(nullptr, kTable, std::size(kTable), "CHIP/");
    EXPECT_EQ(detached.writeRegisterField("ctrl", "low", 1), RegisterController::kTransferFailed);
    EXPECT_EQ(detached.getInterface(), nullptr);
    EXPECT_EQ(controller.getInterface(), device);
}

TEST_F(Fixture, SequencesWriteMaskAndWaitInOrder) {
    std::vector<std::chrono::microseconds> waits;
    controller.setWaitFunction([&](std::chrono::microseconds d) { waits.push_back(d); });
    device->setReg(0x20, 0xFFFF0000);
    const std::vector<RegisterOperation> sequence = {
        {2, 0x30, 0x1234, 0, 0},
        {3, 0x20, 0x00000402, 0x402, 0},  // only bits 1 and 10 change
        {4, 0, 0, 0, 1000},
        {3, 0x20, 0x0, 0x10000, 0},
        {4, 0, 0, 0, 10},
    };
    EXPECT_EQ(controller.applyRegisterOperationSequence(sequence), RegisterController::kOk);
    EXPECT_EQ(device->reg(0x30), 0x1234u);
    EXPECT_EQ(device->reg(0x20), 0xFFFE0402u);
    EXPECT_EQ(waits, (std::vector<std::chrono::microseconds>{std::chrono::microseconds(1000),
                                                             std::chrono::microseconds(10)}));
}

TEST_F(Fixture, SequenceStopsAtAnUnknownKindOrAFailingStep) {
    controller.setWaitFunction([](std::chrono::microseconds) {});
    EXPECT_EQ(controller.applyRegisterOperationSequence({{2, 0x40, 1, 0, 0}, {7, 0x44, 1, 0, 0}, {2, 0x48, 1, 0, 0}}),
              RegisterController::kBadValue);
    EXPECT_EQ(device->reg(0x40), 1u);
    EXPECT_EQ(device->reg(0x48), 0u);

    device->connected = false;
    EXPECT_EQ(controller.applyRegisterOperationSequence({{3, 0x40, 0, 1, 0}}), RegisterController::kTransferFailed);
}

TEST_F(Fixture, ConcurrentFieldWritesToOneRegisterKeepBothFields) {
    // Two threads writing neighbouring fields: an unserialised read-modify-write would lose one.
    for (int round = 0; round < 50; ++round) {
        device->setReg(0x10, 0);
        std::thread a([&] { controller.writeRegisterField("ctrl", "low", 0x9); });
        std::thread b([&] { controller.writeRegisterField("ctrl", "mid", 0x6); });
        a.join();
        b.join();
        ASSERT_EQ(device->reg(0x10), 0x69u) << "round " << round;
    }
}
