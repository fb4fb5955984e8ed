// Discovery, opening, streaming and recording against simulated cameras.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <optional>
#include <thread>

#include "CameraTestSupport.h"
#include "FileReader/DvsFileReader.h"
#include "base/DvsFileHeader.h"
#include "camera/DvsCameraManager.h"
#include "camera/EventCameraModels.h"
#include "hal/EVT3Decoder.h"
#include "hal/link/UsbInterface.h"
#include "hal/sim/SimBackend.h"
#include "hal/sim/SimDevice.h"

using namespace quillex;
using namespace quillex::test;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

namespace {

// A simulated device whose firmware-version answer is replaced.
class FirmwareDevice : public Device {
public:
    FirmwareDevice(std::shared_ptr<Device> inner, std::vector<uint32_t> answer)
        : inner_(std::move(inner)), answer_(std::move(answer)) {}
    CameraDescription description() const override { return inner_->description(); }
    bool isConnected() const override { return inner_->isConnected(); }
    int control(CtrlFrame& frame) override {
        if (frame.command != 121) return inner_->control(frame);
        frame.payload = answer_;
        return 0;
    }
    bool startEndpoint(uint8_t e, uint32_t size, std::shared_ptr<BulkSink> sink) override {
        return inner_->startEndpoint(e, size, std::move(sink));
    }
    void stopEndpoint(uint8_t e) override { inner_->stopEndpoint(e); }
    void setEventStream(bool on) override { inner_->setEventStream(on); }

private:
    std::shared_ptr<Device> inner_;
    std::vector<uint32_t> answer_;
};

// Delegates to the simulator and can hide the first searches, add extra descriptions or
// replace the firmware answer.
class ScriptedBackend : public DeviceBackend {
public:
    using Ids = std::pair<uint16_t, uint16_t>;
    std::vector<CameraDescription> findUsb(uint16_t vendorId, uint16_t productId) override {
        const Ids ids{vendorId, productId};
        const int call = ++usbCalls[ids];
        if (call <= hideFirst[ids]) return {};
        auto found = SimBackend::instance().findUsb(vendorId, productId);
        for (const auto& d : extra[ids]) found.push_back(d);
        return found;
    }
    std::vector<CameraDescription> findEth() override {
        ++ethCalls;
        return SimBackend::instance().findEth();
    }
    std::shared_ptr<Device> openDevice(const CameraDescription& description) override {
        auto device = SimBackend::instance().openDevice(description);
        if (device && firmware) return std::make_shared<FirmwareDevice>(device, *firmware);
        return device;
    }
    std::optional<std::vector<uint32_t>> firmware;
    std::map<Ids, int> usbCalls;
    std::map<Ids, int> hideFirst;
    std::map<Ids, std::vector<CameraDescription>> extra;
    int ethCalls = 0;
};

class SimCameras : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("QUILLEX_SIM_CAMERAS", "none", 1);
        DvsEventCamera::setRegisterWaitFunction([](std::chrono::microseconds) {});
    }
    void SetUp() override { SimBackend::instance().removeAll(); }
    void TearDown() override {
        DeviceBackend::setActive(nullptr);
        SimBackend::instance().removeAll();
    }
    static SimBackend& sim() { return SimBackend::instance(); }
};

bool waitUntil(const std::function<bool()>& done, milliseconds timeout = milliseconds(10000)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return done();
}

TEST_F(SimCameras, UnpluggedCameraIsDroppedOnceAndReplugMakesANewObject) {
    ASSERT_TRUE(sim().addDevice(SimModel::Evk4, "U1"));
    DvsCameraManager manager;
    ASSERT_EQ(manager.getCameraDescs().size(), 1u);
    auto first = manager.openCamera("U1");
    ASSERT_TRUE(first);
    EXPECT_EQ(manager.openCamera("U1"), first);  // already inited: same object

    LogCapture log;
    ASSERT_TRUE(sim().unplug("U1"));
    EXPECT_TRUE(manager.getCameraDescs().empty());
    EXPECT_TRUE(manager.getCameraDescs().empty());
    EXPECT_EQ(log.count("Camera U1 disconnected", 1), 1u);
    EXPECT_FALSE(first->isConnected());  // still alive for its holder

    ASSERT_TRUE(sim().replug("U1"));
    ASSERT_EQ(manager.getCameraDescs().size(), 1u);
    auto second = manager.openCamera("U1");
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->isConnected());
}

TEST_F(SimCameras, SearchOrderDecidesDuplicateSerialsAndUsbFamiliesRetryOnce) {
    ASSERT_TRUE(sim().addDevice(SimModel::Evk4, "DUP"));
    ASSERT_TRUE(sim().addDevice(SimModel::Evk5, "R5"));
    auto backend = std::make_shared<ScriptedBackend>();
    CameraDescription twin = sim().findUsb(PropheseeEVK4::vendorId, PropheseeEVK4::productId).at(0);
    twin.vendorId = QuillexOrbel::vendorId;
    twin.productId = QuillexOrbel::productId;
    backend->extra[{QuillexOrbel::vendorId, QuillexOrbel::productId}] = {twin};
    backend->hideFirst[{PropheseeEVK5::vendorId, PropheseeEVK5::productId}] = 1;
    DeviceBackend::setActive(backend);

    DvsCameraManager manager;
    EXPECT_EQ(manager.updateCameras(), 3);  // DUP twice (counted), R5 on its second search
    const auto descs = manager.getCameraDescs();
    ASSERT_EQ(descs.size(), 2u);
    EXPECT_EQ(descs[0].serial, "DUP");
    EXPECT_EQ(descs[0].productId, PropheseeEVK4::productId);  // EVK4 is searched before Orbel
    EXPECT_EQ(descs[1].serial, "R5");

    // Per search: USB event families retry when empty, fusion and Ethernet do not.
    DeviceBackend::setActive(nullptr);
    auto counting = std::make_shared<ScriptedBackend>();
    DeviceBackend::setActive(counting);
    sim().removeAll();
    DvsCameraManager empty;
    EXPECT_EQ(empty.updateCameras(), 0);
    for (auto ids : {ScriptedBackend::Ids{0x04B4, 0x00F5}, {0x04B4, 0x00C4}, {0x04B5, 0x0001}, {0x04B5, 0x0003}})
        EXPECT_EQ(counting->usbCalls[ids], 2) << std::hex << ids.second;
    EXPECT_EQ((counting->usbCalls[{0x2207, 0x0006}]), 1);
    EXPECT_EQ(counting->ethCalls, 1);
}

TEST_F(SimCameras, FusionAndEventCamerasAreKeptApart) {
    ASSERT_TRUE(sim().addDevice(SimModel::Tessary, "T1"));
    ASSERT_TRUE(sim().addDevice(SimModel::Evk4, "E1"));
    DvsCameraManager manager;
    EXPECT_EQ(manager.updateCameras(), 2);
    EXPECT_EQ(manager.openCamera("T1"), nullptr);
    EXPECT_EQ(manager.openFusionCamera("E1"), nullptr);
    EXPECT_TRUE(manager.openCamera("E1"));
    const auto descs = manager.getCameraDescs();
    ASSERT_EQ(descs.size(), 1u);
    EXPECT_EQ(descs[0].serial, "E1");
    EXPECT_EQ(manager.openCamera("nope"), nullptr);
}

TEST_F(SimCameras, ModelsTellTheSensorFamilyFromTheIds) {
    ASSERT_TRUE(sim().addDevice(SimModel::Serin320, "S320"));
    ASSERT_TRUE(sim().addDevice(SimModel::Evk4, "E4"));
    DvsCameraManager manager;
    manager.updateCameras();
    auto small = manager.openCamera("S320");
    ASSERT_TRUE(small);
    EXPECT_EQ(small->getWidth(), 320);
    EXPECT_EQ(small->getHeight(), 320);
    EXPECT_EQ(small->getToolInfo(TOOL_BIASES).description, "Biases of DVS cameras with GenX320 sensor");
    std::string version;
    EXPECT_TRUE(small->getFirmwareVersion(version));
    EXPECT_FALSE(version.empty());
    EXPECT_NE(version, "N/A");
    EXPECT_EQ(small->init(), 0);  // second init changes nothing

    auto large = manager.openCamera("E4");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->getWidth(), 1280);
    EXPECT_EQ(large->getAllToolsInfo().size(), 7u);
    EXPECT_FALSE(large->getFirmwareVersion(version));
    EXPECT_EQ(version, "N/A");
    EXPECT_FALSE(large->updateCameraFirmware("/tmp/fw.bin", 1));

    // Before init even the small model reports the large geometry.
    const auto desc = UsbInterface::findUsbDvsCamera(Serin320Camera::vendorId, Serin320Camera::productId).at(0);
    Serin320Camera fresh(desc);
    EXPECT_EQ(fresh.getWidth(), 1280);
    EXPECT_FALSE(fresh.isConnected());
}

TEST_F(SimCameras, SmallModelFirmwareTextEndsAtTheFirstZeroByte) {
    ASSERT_TRUE(sim().addDevice(SimModel::Serin320, "FW1"));
    auto backend = std::make_shared<ScriptedBackend>();
    DeviceBackend::setActive(backend);
    const auto desc = UsbInterface::findUsbDvsCamera(Serin320Camera::vendorId, Serin320Camera::productId).at(0);
    std::string version;
    backend->firmware = std::vector<uint32_t>{0x2E322E31, 0x00000033, 0, 0};  // "1.2.3" little-endian, NUL padded
    Serin320Camera camera(desc);
    EXPECT_FALSE(camera.getFirmwareVersion(version));  // no link before init
    EXPECT_EQ(version, "N/A");
    ASSERT_EQ(camera.init(), 0);
    EXPECT_TRUE(camera.getFirmwareVersion(version));
    EXPECT_EQ(version, "1.2.3");

    backend->firmware = std::vector<uint32_t>{};
    Serin320Camera empty(desc);
    ASSERT_EQ(empty.init(), 0);
    EXPECT_FALSE(empty.getFirmwareVersion(version));
    EXPECT_EQ(version, "N/A");
    backend->firmware = std::vector<uint32_t>{0, 0};
    Serin320Camera zeros(desc);
    ASSERT_EQ(zeros.init(), 0);
    EXPECT_FALSE(zeros.getFirmwareVersion(version));
    EXPECT_EQ(version, "");
}

TEST_F(SimCameras, StreamingDeliversEventsBatchesAndStatisticsOncePerSecond) {
    ASSERT_TRUE(sim().addDevice(SimModel::Evk4, "ST1"));
    DvsCameraManager manager;
    manager.updateCameras();
    auto camera = manager.openCamera("ST1");
    ASSERT_TRUE(camera);
    std::atomic<uint64_t> events{0};
    camera->addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { events += static_cast<uint64_t>(l - f); });
    std::atomic<int> reports{0};
    std::atomic<uint64_t> lastRate{0};
    camera->setStatisticInfoCallback([&](ZxStatisticInfo info) {
        ++reports;
        lastRate = info.eventRate;
    });
    camera->setBatchEventsTime(20000);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(camera->start(), 0);
    ASSERT_EQ(camera->start(), 0);  // already running: still one loop and one statistics thread

    std::vector<Event2D> batch;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(camera->getNextBatch(batch));
        if (batch.size() > 1) {
            EXPECT_LT(batch.back().timestamp - batch.front().timestamp, 20000u);
        }
    }
    // Replacing the callback while the statistics thread runs; every replacement counts too.
    for (int i = 0; i < 100; ++i)
        camera->setStatisticInfoCallback([&](ZxStatisticInfo info) {
            lastRate = info.eventRate;
            ++reports;
        });
    ASSERT_TRUE(waitUntil([&] { return reports.load() >= 3; }, milliseconds(10000)));
    // Reports come at 1, 2 and 3 s; a second statistics thread would have doubled them.
    EXPECT_GE(std::chrono::steady_clock::now() - started, milliseconds(2500));
    EXPECT_GT(lastRate.load(), 0u);  // the decoder's measured rate travels with the report
    EXPECT_GT(events.load(), 0u);

    LogCapture log;
    EXPECT_EQ(camera->stop(), 0);
    EXPECT_EQ(camera->stop(), 0);
    EXPECT_EQ(log.count("Stop camera successfully."), 1u);
    const uint64_t afterStop = events.load();
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(events.load(), afterStop);
    // A camera can be started again.
    ASSERT_EQ(camera->start(), 0);
    ASSERT_TRUE(waitUntil([&] { return events.load() > afterStop; }));
    EXPECT_EQ(camera->stop(), 0);
}

TEST_F(SimCameras, LossOfConnectionStopsTheCameraAndTheManagerDropsIt) {
    ASSERT_TRUE(sim().addDevice(SimModel::Orbel, "L1"));
    DvsCameraManager manager;
    manager.updateCameras();
    auto camera = manager.openCamera("L1");
    ASSERT_TRUE(camera);
    std::atomic<uint64_t> events{0};
    camera->addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { events += static_cast<uint64_t>(l - f); });
    ASSERT_EQ(camera->start(), 0);
    ASSERT_TRUE(waitUntil([&] { return events.load() > 0; }));

    LogCapture log;
    ASSERT_TRUE(sim().unplug("L1"));
    ASSERT_TRUE(log.waitFor("Loss connection to the camera, camera loop thread exited."));
    const int stopped = log.indexOf("Stop camera successfully.");
    const int lost = log.indexOf("Loss connection to the camera, camera loop thread exited.");
    ASSERT_GE(stopped, 0);
    EXPECT_LT(stopped, lost);
    EXPECT_FALSE(camera->isConnected());
    EXPECT_EQ(camera->stop(), 0);
    EXPECT_EQ(manager.updateCameras(), 0);
    EXPECT_EQ(log.count("Camera L1 disconnected"), 1u);
}

TEST_F(SimCameras, EthernetCameraStreamsAsAnOrbel) {
    ASSERT_TRUE(sim().addDevice(SimModel::OrbelEth, "NET1"));
    DvsCameraManager manager;
    const auto descs = manager.getCameraDescs();
    ASSERT_EQ(descs.size(), 1u);
    EXPECT_EQ(descs[0].interfaceType, INTERFACE_ETH);
    auto camera = manager.openCamera("NET1");
    ASSERT_TRUE(camera);
    EXPECT_NE(dynamic_cast<QuillexOrbel*>(camera.get()), nullptr);
    std::atomic<uint64_t> events{0};
    camera->addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { events += static_cast<uint64_t>(l - f); });
    ASSERT_EQ(camera->start(), 0);
    EXPECT_TRUE(waitUntil([&] { return events.load() > 0; }));
    EXPECT_EQ(camera->stop(), 0);
    EXPECT_FALSE(DvsCameraManager::ethCameraForceIP(descs[0], 0xC0A80002, 0xFFFFFF00, 0xC0A80001));
}

// Passes every buffer on to the camera's decoder and keeps a copy of it.
class TapDecoder : public Decoder {
public:
    explicit TapDecoder(std::unique_ptr<Decoder> inner) : inner_(std::move(inner)) {}
    size_t decodeCount(const uint8_t* f, const uint8_t* l) override {
        keep(f, l);
        return inner_->decodeCount(f, l);
    }
    size_t decodeBuffer(const std::vector<uint8_t>& b) override {
        keep(b.data(), b.data() + b.size());
        return inner_->decodeBuffer(b);
    }
    void decode(const uint8_t* f, const uint8_t* l) override {
        keep(f, l);
        inner_->decode(f, l);
    }
    uint64_t getCurrentTimestamp() const override { return inner_->getCurrentTimestamp(); }
    void resetTimestamp(uint64_t t) override { inner_->resetTimestamp(t); }
    size_t getRawEventSize() const override { return inner_->getRawEventSize(); }
    uint64_t getDataRate() const override { return inner_->getDataRate(); }
    uint64_t getEventRate() const override { return inner_->getEventRate(); }
    void setTimeValue(uint64_t v) override { inner_->setTimeValue(v); }

    std::vector<std::vector<uint8_t>> buffers() {
        std::lock_guard lock(mutex_);
        return buffers_;
    }

private:
    void keep(const uint8_t* f, const uint8_t* l) {
        std::lock_guard lock(mutex_);
        buffers_.emplace_back(f, l);
    }
    std::unique_ptr<Decoder> inner_;
    std::mutex mutex_;
    std::vector<std::vector<uint8_t>> buffers_;
};

class TappedEvk4 : public PropheseeEVK4 {
public:
    using PropheseeEVK4::PropheseeEVK4;
    int32_t init() override {
        const int32_t result = PropheseeEVK4::init();
        if (result == 0 && !tap) {
            auto wrapper = std::make_unique<TapDecoder>(std::move(decoder_));
            tap = wrapper.get();
            decoder_ = std::move(wrapper);
        }
        return result;
    }
    TapDecoder* tap = nullptr;
};

std::vector<uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(SimCameras, DirectRecordingHoldsHeaderAndExactlyTheDeliveredBuffers) {
    ASSERT_TRUE(sim().addDevice(SimModel::Evk4, "REC1"));
    const auto desc = UsbInterface::findUsbDvsCamera(PropheseeEVK4::vendorId, PropheseeEVK4::productId).at(0);
    // A folder of its own: the reader keeps a bookmark index beside the file.
    const fs::path dir = fs::temp_directory_path() / ("quillex_cam_rec_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path path = dir / "direct.raw";
    uint64_t recordedEvents = 0;
    {
        auto camera = std::make_shared<TappedEvk4>(desc);
        ASSERT_EQ(camera->init(), 0);
        std::atomic<uint64_t> events{0};
        camera->addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { events += static_cast<uint64_t>(l - f); });
        ASSERT_EQ(camera->start(), 0);
        ASSERT_TRUE(waitUntil([&] { return events.load() > 0; }));
        ASSERT_EQ(camera->startRecording(path.string()), 0);
        std::this_thread::sleep_for(milliseconds(1500));
        EXPECT_EQ(camera->stopRecording(), 0);
        EXPECT_EQ(camera->stop(), 0);

        const auto file = readAll(path);
        // The header starts the file and is readable back (geometry, serial, start time).
        const auto reader = DvsFileReader::createFileReader(path.string());
        ASSERT_TRUE(reader);
        ASSERT_TRUE(reader->loadFile());
        DvsFileInfo info;
        ASSERT_TRUE(reader->getFileInfo(info));
        EXPECT_EQ(info.width, 1280);
        EXPECT_EQ(info.height, 720);
        EXPECT_EQ(info.serial_number, "REC1");
        const std::string header = generateDvsFileHeader(info);
        ASSERT_GT(file.size(), header.size());
        ASSERT_EQ(std::string(file.begin(), file.begin() + header.size()), header);
        const std::vector<uint8_t> payload(file.begin() + header.size(), file.end());

        // The payload is a run of whole delivered buffers, in order, none lost.
        const auto buffers = camera->tap->buffers();
        size_t start = 0;
        size_t offset = 0;
        bool matched = false;
        for (start = 0; start < buffers.size() && !matched; ++start) {
            if (buffers[start].size() > payload.size() ||
                !std::equal(buffers[start].begin(), buffers[start].end(), payload.begin()))
                continue;
            offset = 0;
            size_t i = start;
            while (i < buffers.size() && offset + buffers[i].size() <= payload.size() &&
                   std::equal(buffers[i].begin(), buffers[i].end(), payload.begin() + static_cast<long>(offset))) {
                offset += buffers[i].size();
                ++i;
            }
            matched = offset == payload.size();
        }
        EXPECT_TRUE(matched) << "payload of " << payload.size() << " bytes is not a run of delivered buffers";

        EVT3Decoder decoder(1280, 720);
        decoder.resetTimestamp(info.dvs_start_timestamp);
        recordedEvents = decoder.decodeCount(payload.data(), payload.data() + payload.size());
        uint64_t maxEvents = 0;
        ASSERT_TRUE(reader->getMaxEvents(maxEvents));
        EXPECT_EQ(maxEvents, recordedEvents);
    }
    EXPECT_GT(recordedEvents, 0u);
    fs::remove_all(dir);
}

TEST_F(SimCameras, ConfigurationFileWithSmallRoiRecordsOnlyEventsInside) {
    ASSERT_TRUE(sim().addDevice(SimModel::Evk4, "ROI1"));
    DvsCameraManager manager;
    manager.updateCameras();
    auto camera = manager.openCamera("ROI1");
    ASSERT_TRUE(camera);
    const fs::path dir = fs::temp_directory_path() / ("quillex_cam_roi_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path config = dir / "roi.json";
    std::ofstream(config) << R"({"ROI": {"enable": true, "mode": "ROI", "x": 100, "y": 200, "x_width": 64, "y_height": 32}})";
    ASSERT_TRUE(camera->loadCameraConfigParams(config.string()));

    const fs::path path = dir / "roi.raw";
    std::atomic<uint64_t> events{0};
    camera->addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { events += static_cast<uint64_t>(l - f); });
    ASSERT_EQ(camera->start(), 0);
    ASSERT_TRUE(waitUntil([&] { return events.load() > 0; }));
    ASSERT_EQ(camera->startRecording(path.string()), 0);
    std::this_thread::sleep_for(milliseconds(1000));
    camera->stopRecording();
    camera->stop();

    const auto reader = DvsFileReader::createFileReader(path.string());
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->loadFile());
    uint64_t total = 0, outside = 0;
    while (!reader->reachedEndOfEvents()) {
        const auto chunk = reader->getNEvents(100000);
        if (!chunk || chunk->empty()) break;
        for (const Event2D& e : *chunk) {
            ++total;
            const bool out = e.x < 100 || e.x >= 164 || e.y < 200 || e.y >= 232;
            outside += out;
        }
    }
    EXPECT_GT(total, 0u);
    EXPECT_EQ(outside, 0u) << "of " << total;
    fs::remove_all(dir);
}

}  // namespace
