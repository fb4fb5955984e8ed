// Links to simulated cameras: discovery, opening, control frames, data transfers.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "../sim/SimTestSupport.h"
#include "hal/link/EthInterface.h"
#include "hal/link/LinkCommon.h"

namespace quillex::test {
namespace {

using namespace std::chrono_literals;

TEST(Link, DiscoveryReportsEachModelUnderItsOwnIds) {
    SimFixture fx;
    auto& backend = SimBackend::instance();
    ASSERT_TRUE(backend.addDevice(SimModel::Evk4, "A4"));
    ASSERT_TRUE(backend.addDevice(SimModel::Evk5, "A5"));
    ASSERT_TRUE(backend.addDevice(SimModel::Orbel, "AO"));
    ASSERT_TRUE(backend.addDevice(SimModel::Serin320, "A3"));
    ASSERT_TRUE(backend.addDevice(SimModel::Tessary, "AT"));
    ASSERT_TRUE(backend.addDevice(SimModel::OrbelEth, "AE"));
    EXPECT_FALSE(backend.addDevice(SimModel::Evk5, "A4"));  // serial taken

    auto one = [](std::vector<CameraDescription> v) { return v.size() == 1 ? v[0].serial : std::string("?"); };
    EXPECT_EQ(one(UsbInterface::findUsbDvsCamera(0x04B4, 0x00F5)), "A4");
    EXPECT_EQ(one(UsbInterface::findUsbDvsCamera(0x04B4, 0x00C4)), "A5");
    EXPECT_EQ(one(UsbInterface::findUsbDvsCamera(0x04B5, 0x0001)), "AO");  // the Ethernet Orbel is not on USB
    EXPECT_EQ(one(UsbInterface::findUsbDvsCamera(0x04B5, 0x0003)), "A3");
    EXPECT_EQ(one(UsbInterface::findUsbFusionCamera(0x2207, 0x0006)), "AT");
    EXPECT_TRUE(UsbInterface::findUsbDvsCamera(0x1234, 0x5678).empty());

    const auto eth = EthInterface::findEthDvsCamera();
    ASSERT_EQ(eth.size(), 1u);
    EXPECT_EQ(eth[0].serial, "AE");
    EXPECT_EQ(eth[0].interfaceType, INTERFACE_ETH);
    EXPECT_EQ(eth[0].vendorId, 0x04B5);
    EXPECT_EQ(eth[0].productId, 0x0001);
    EXPECT_EQ(eth[0].subnetMask, "255.255.255.0");
    EXPECT_EQ(eth[0].ipAddress.rfind("192.168.1.", 0), 0u);
    EXPECT_FALSE(eth[0].gateway.empty());
}

TEST(Link, CreatingALinkNeedsTheRightInterfaceAndAPluggedDevice) {
    SimFixture fx;
    auto& backend = SimBackend::instance();
    ASSERT_TRUE(backend.addDevice(SimModel::Evk4, "C1"));
    ASSERT_TRUE(backend.addDevice(SimModel::OrbelEth, "C2"));
    const auto usb = UsbInterface::findUsbDvsCamera(0x04B4, 0x00F5).at(0);
    const auto eth = EthInterface::findEthDvsCamera().at(0);
    EXPECT_FALSE(UsbInterface::createUsbInterface(eth));
    EXPECT_FALSE(EthInterface::createEthInterface(usb));
    CameraDescription wrongIds = usb;
    wrongIds.productId = 0x00C4;
    EXPECT_FALSE(UsbInterface::createUsbInterface(wrongIds));
    CameraDescription unknown = usb;
    unknown.serial = "nobody";
    EXPECT_FALSE(UsbInterface::createUsbInterface(unknown));

    auto link = UsbInterface::createUsbInterface(usb);
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->isConnected());
    // Control frames need an opened link.
    CtrlFrame early(protocol::kReadRegister);
    early.push_back32(0x9008);
    EXPECT_EQ(link->transferFrame(early), -1);
    uint64_t context = 0;
    ASSERT_TRUE(link->open(&context));
    EXPECT_NE(context, 0u);
    uint64_t again = 0;
    EXPECT_TRUE(link->open(&again));
    EXPECT_EQ(again, context);
    backend.unplug("C1");
    EXPECT_FALSE(UsbInterface::createUsbInterface(usb));
}

TEST(Link, ControlFramesReadAndWriteRegistersAndRejectMalformedOnes) {
    SimFixture fx;
    auto link = fx.open(SimModel::Evk4, "R1");
    ASSERT_TRUE(link);
    // Power-up values the sensors rely on.
    EXPECT_EQ(readReg(*link, regs::imx636::kErcReferencePeriod), 128u);
    EXPECT_EQ(readReg(*link, regs::imx636::kBiasDiff) & 0xFF, 77u);
    EXPECT_TRUE(writeReg(*link, 0x1234, 0xCAFEF00D));
    EXPECT_EQ(readReg(*link, 0x1234), 0xCAFEF00Du);

    CtrlFrame block(protocol::kWriteBlock);
    for (uint32_t w : {0x2000u, 1u, 2u, 3u}) block.push_back32(w);
    ASSERT_EQ(link->transferFrame(block), 0);
    CtrlFrame readBlock(protocol::kReadBlock);
    readBlock.push_back32(0x2000);
    readBlock.push_back32(3);
    ASSERT_EQ(link->transferFrame(readBlock), 0);
    EXPECT_EQ(readBlock.payload, (std::vector<uint32_t>{1, 2, 3}));

    CtrlFrame noValue(protocol::kWriteRegister);
    noValue.push_back32(0x1234);
    EXPECT_EQ(link->transferFrame(noValue), -1);
    EXPECT_LT(noValue.status, 0);
    CtrlFrame huge(protocol::kReadBlock);
    huge.push_back32(0);
    huge.push_back32(1u << 30);
    EXPECT_EQ(link->transferFrame(huge), -1);
    CtrlFrame unknown(0x7777);
    EXPECT_EQ(link->transferFrame(unknown), -1);
    EXPECT_EQ(unknown.status, protocol::kStatusUnknownCommand);
    // Fusion-only commands are unknown to an event camera.
    CtrlFrame calib(protocol::kReadCalibration);
    EXPECT_EQ(link->transferFrame(calib), -1);
}

TEST(Link, FirmwareSerialAndCalibrationTexts) {
    SimFixture fx;
    auto link = fx.open(SimModel::Serin320, "SERIN-7");
    ASSERT_TRUE(link);
    CtrlFrame fw(protocol::kFirmwareVersion);
    ASSERT_EQ(link->transferFrame(fw), 0);
    EXPECT_EQ(link_detail::wordsToText(fw.payload), "1.4.2");
    std::string serial;
    ASSERT_TRUE(link->readSerialNumber(serial));
    EXPECT_EQ(serial, "SERIN-7");

    auto& backend = SimBackend::instance();
    ASSERT_TRUE(backend.addDevice(SimModel::Tessary, "TESS-1"));
    auto fusion = UsbInterface::createUsbFusionInterface(UsbInterface::findUsbFusionCamera(0x2207, 0x0006).at(0));
    ASSERT_TRUE(fusion && fusion->open(nullptr));
    CtrlFrame text(protocol::kReadBlock);
    text.push_back32(protocol::kUsbSerialNumberBlock);
    text.push_back32(protocol::kTextBlockBytes / 4);
    ASSERT_EQ(fusion->transferFrame(text), 0);
    EXPECT_EQ(text.payload.size(), 16u);
    EXPECT_EQ(link_detail::wordsToText(text.payload), "TESS-1");
    text.words[0] = protocol::kFirmwareVersionBlock;
    ASSERT_EQ(fusion->transferFrame(text), 0);
    EXPECT_EQ(link_detail::wordsToText(text.payload).rfind("Tessary_V", 0), 0u);

    std::vector<uint8_t> json;
    ASSERT_TRUE(fusion->readCalibrationData(json));
    const std::string shipped(json.begin(), json.end());
    EXPECT_NE(shipped.find("\"affine_matrix\""), std::string::npos);

    // A written calibration file comes back byte for byte (odd length: padding is not leaked).
    const auto path = std::filesystem::temp_directory_path() / "quillex_link_calibration.json";
    const std::string written = R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,"x":1})";
    { std::ofstream(path, std::ios::binary) << written; }
    ASSERT_TRUE(fusion->writeCalibrationFile(path.string()));
    ASSERT_TRUE(fusion->readCalibrationData(json));
    EXPECT_EQ(std::string(json.begin(), json.end()), written);
    std::filesystem::remove(path);
    EXPECT_FALSE(fusion->writeCalibrationFile("/nonexistent/calibration.json"));
}

TEST(Link, DataTransferArgumentsAreChecked) {
    SimFixture fx;
    auto link = fx.open(SimModel::Evk4, "DT");
    ASSERT_TRUE(link);
    EXPECT_FALSE(createDataTransferUniquePtr(nullptr, 2, 131072, 20, 0x52));
    EXPECT_FALSE(createDataTransferUniquePtr(link, 1, 131072, 20, 0x52));
    EXPECT_FALSE(createDataTransferUniquePtr(link, 2, 0, 20, 0x52));
    EXPECT_FALSE(createDataTransferUniquePtr(link, 2, 131072, 0, 0x52));
    auto unknownEndpoint = createDataTransferUniquePtr(link, 2, 131072, 20, 0x81);
    ASSERT_TRUE(unknownEndpoint);
    EXPECT_FALSE(unknownEndpoint->start());

    EventStream empty(nullptr);
    EXPECT_EQ(empty.start(), -1);
    EXPECT_FALSE(empty.getLatestBuffer().has_value());

    // A stopped stream waits out its bound instead of returning at once (loops must not spin).
    EventStream stream(createDataTransferUniquePtr(link, 2, 131072, 20, 0x52));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(stream.waitNextBuffer(50ms), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - before, 45ms);
    EXPECT_EQ(stream.start(), 0);
    EXPECT_EQ(stream.start(), 0);
    EXPECT_TRUE(stream.isStarted());
    EXPECT_EQ(stream.stop(), 0);
    EXPECT_EQ(stream.stop(), 0);
    EXPECT_FALSE(stream.isStarted());
}

TEST(Link, EthernetCameraStreamsOnlyWhileItsEventStreamIsOn) {
    SimFixture fx;
    auto& backend = SimBackend::instance();
    ASSERT_TRUE(backend.addDevice(SimModel::OrbelEth, "ETH1"));
    auto link = EthInterface::createEthInterface(EthInterface::findEthDvsCamera().at(0));
    ASSERT_TRUE(link);
    EXPECT_FALSE(link->setEventStream(true));  // not opened yet
    ASSERT_TRUE(link->open(nullptr));
    EXPECT_EQ(link->interfaceType(), INTERFACE_ETH);
    EXPECT_FALSE(EthInterface::ethCameraForceIP(link->description(), 0xC0A80165, 0xFFFFFF00, 0xC0A80101));
    EXPECT_FALSE(link->updateFirmware("/tmp/firmware.bin", 1));

    std::shared_ptr<CameraInterface> base = link;
    auto stream = SimFixture::eventStream(base);
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    EXPECT_EQ(stream->waitNextBuffer(150ms), 0);
    ASSERT_TRUE(link->setEventStream(true));
    const Decoded d = decodeStream(*stream, 100000);
    EXPECT_FALSE(d.events.empty());
    backend.unplug("ETH1");
    EXPECT_FALSE(link->isConnected());
    EXPECT_FALSE(link->setEventStream(true));
    EXPECT_TRUE(EthInterface::findEthDvsCamera().empty());
}

TEST(SimConfig, DeviceListsParseModelsSerialsAndRecordings) {
    std::vector<SimDeviceSpec> specs;
    std::string error;
    ASSERT_TRUE(SimBackend::parseDeviceList(" evk4:S1 ; serin320:S2:/data/a:b.raw;;tessary:S3;orbel-eth:S4", specs, &error));
    ASSERT_EQ(specs.size(), 4u);
    EXPECT_EQ(specs[0].model, SimModel::Evk4);
    EXPECT_EQ(specs[0].serial, "S1");
    EXPECT_TRUE(specs[0].recordingPath.empty());
    EXPECT_EQ(specs[1].model, SimModel::Serin320);
    EXPECT_EQ(specs[1].recordingPath, "/data/a:b.raw");
    EXPECT_EQ(specs[2].model, SimModel::Tessary);
    EXPECT_EQ(specs[3].model, SimModel::OrbelEth);

    EXPECT_TRUE(SimBackend::parseDeviceList("none", specs));
    EXPECT_TRUE(specs.empty());
    EXPECT_FALSE(SimBackend::parseDeviceList("evk4:S1;evk9:S2", specs, &error));
    EXPECT_NE(error.find("evk9"), std::string::npos);
    EXPECT_FALSE(SimBackend::parseDeviceList("evk4", specs, &error));
    EXPECT_FALSE(SimBackend::parseDeviceList("evk4: ", specs, &error));
}

TEST(SimConfig, EnvironmentDefaultsToOneEvk4AndSkipsBadEntries) {
    const auto unset = SimBackend::devicesFromEnvironment(nullptr);
    ASSERT_EQ(unset.size(), 1u);
    EXPECT_EQ(unset[0].model, SimModel::Evk4);
    EXPECT_FALSE(unset[0].serial.empty());
    EXPECT_TRUE(SimBackend::devicesFromEnvironment(" none ").empty());
    EXPECT_TRUE(SimBackend::devicesFromEnvironment("").empty());
    const auto mixed = SimBackend::devicesFromEnvironment("evk5:E1;bogus:X;serin320;tessary:T1");
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed[0].serial, "E1");
    EXPECT_EQ(mixed[1].model, SimModel::Tessary);
}

}  // namespace
}  // namespace quillex::test
