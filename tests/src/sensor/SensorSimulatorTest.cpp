// The sensor drivers and tools against the simulated cameras: the streaming and filter registers
// the host writes must be the ones the device model reacts to.
#include <gtest/gtest.h>

#include "hal/link/UsbInterface.h"
#include "hal/registers/RegisterController.h"
#include "hal/sim/SimBackend.h"
#include "hal/sim/SimDevice.h"
#include "hal/tools/Imx636Tools.h"
#include "sensor/Genx320Sensor.h"
#include "sensor/Imx6x6Sensor.h"
#include "sensor/RegisterTables.h"

using namespace quillex;

namespace {

struct SimRig {
    SimRig(SimModel model, const std::string& serial) {
        auto& backend = SimBackend::instance();
        EXPECT_TRUE(backend.addDevice(model, serial));
        device = backend.device(serial);
        const auto& info = simModelInfo(model);
        for (const auto& d : UsbInterface::findUsbDvsCamera(info.vendorId, info.productId))
            if (d.serial == serial) interface = UsbInterface::createUsbInterface(d);
        if (interface) interface->open(&context);
        const bool small = info.genx320;
        auto table = small ? genx320RegisterTable() : imx636RegisterTable();
        controller = std::make_shared<RegisterController>(interface, table.data(), table.size(),
                                                          small ? kGenx320RegisterPrefix : kImx636RegisterPrefix);
        controller->setWaitFunction([](std::chrono::microseconds) {});
    }
    ~SimRig() { SimBackend::instance().unplug(device ? device->serial() : ""); }

    void wire(Sensor& sensor) {
        auto c = controller;
        sensor.setApplyRegisterOperationSequenceCallback(
            [c](const std::vector<RegisterOperation>& s) { c->applyRegisterOperationSequence(s); });
        sensor.setWriteRegisterFieldCallback(
            [c](const std::string& r, const std::string& f, uint32_t v) { c->writeRegisterField(r, f, v); });
    }

    // True when a non-empty buffer arrives within two seconds.
    static bool receives(Sensor& sensor) {
        for (int i = 0; i < 20; ++i)
            if (auto b = sensor.getNextBuffer(std::chrono::milliseconds(100)); b && *b && !(*b)->empty()) return true;
        return false;
    }

    uint64_t context = 0;
    std::shared_ptr<SimDevice> device;
    std::shared_ptr<UsbInterface> interface;
    std::shared_ptr<RegisterController> controller;
};

}  // namespace

TEST(SensorOnSimulator, Imx636StreamsOnlyBetweenStartAndStop) {
    SimRig rig(SimModel::Evk4, "SENSOR-SIM-1");
    ASSERT_TRUE(rig.interface);
    Imx6x6Sensor sensor;
    rig.wire(sensor);
    ASSERT_EQ(sensor.init(rig.interface), 0);
    EXPECT_FALSE(rig.device->registers().state().timeBaseEnabled);

    ASSERT_EQ(sensor.start(), 0);
    const auto running = rig.device->registers().state();
    EXPECT_TRUE(running.timeBaseEnabled);
    EXPECT_TRUE(running.pixelsEnabled);
    EXPECT_TRUE(SimRig::receives(sensor));

    ASSERT_EQ(sensor.stop(), 0);
    const auto stopped = rig.device->registers().state();
    EXPECT_FALSE(stopped.timeBaseEnabled);
    EXPECT_FALSE(stopped.pixelsEnabled);
}

TEST(SensorOnSimulator, Imx636ToolsChangeWhatTheDeviceApplies) {
    SimRig rig(SimModel::Evk4, "SENSOR-SIM-2");
    ASSERT_TRUE(rig.interface);
    Imx6x6Sensor sensor;
    rig.wire(sensor);
    ASSERT_EQ(sensor.init(rig.interface), 0);

    Imx636ROI roi(rig.controller);
    ASSERT_TRUE(roi.setParam("x_width", 64));
    ASSERT_TRUE(roi.setParam("x", 32));
    ASSERT_TRUE(roi.setParam("enable", true));
    Imx636EventRateControl erc(rig.controller);
    ASSERT_TRUE(erc.setParam("max_event_rate", 5));
    ASSERT_TRUE(erc.setParam("enable", true));
    Imx636TriggerIn trigger(rig.controller);
    ASSERT_TRUE(trigger.setParam("enable", false));

    const auto state = rig.device->registers().state();
    EXPECT_TRUE(state.roiEnabled);
    EXPECT_TRUE(state.roiKeepsInside);
    ASSERT_EQ(state.columnSelected.size(), 1280u);
    EXPECT_EQ(state.columnSelected[31], 0);
    EXPECT_EQ(state.columnSelected[32], 1);
    EXPECT_EQ(state.columnSelected[95], 1);
    EXPECT_EQ(state.columnSelected[96], 0);
    EXPECT_TRUE(state.ercEnabled);
    EXPECT_DOUBLE_EQ(state.ercMaxRate, 5.0e6);
    EXPECT_FALSE(state.triggerInEnabled);
}

TEST(SensorOnSimulator, Genx320StreamsAfterInit) {
    SimRig rig(SimModel::Serin320, "SENSOR-SIM-3");
    ASSERT_TRUE(rig.interface);
    Genx320Sensor sensor;
    rig.wire(sensor);
    ASSERT_EQ(sensor.init(rig.interface), 0);
    const auto state = rig.device->registers().state();
    EXPECT_TRUE(state.timeBaseEnabled);
    EXPECT_TRUE(state.pixelsEnabled);
    ASSERT_EQ(sensor.start(), 0);
    EXPECT_TRUE(SimRig::receives(sensor));
    EXPECT_EQ(sensor.stop(), 0);
}
