// What the simulated cameras stream, seen through the links and the decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "SimTestSupport.h"
#include "TestData.h"
#include "hal/sim/SimEndpointWorker.h"

namespace quillex::test {
namespace {

using namespace std::chrono_literals;

SimSceneConfig scene(double rate, uint64_t triggerPeriodUs = 0) {
    SimSceneConfig s;
    s.eventRate = rate;
    s.triggerPeriodUs = triggerPeriodUs;
    return s;
}

// Events per second over the milliseconds that hold events: stays right when a slow host (a
// sanitizer build) made the generator skip ahead or the transfer drop buffers.
double eventRate(const Decoded& d) {
    std::map<uint64_t, uint32_t> perMs;
    for (const auto& e : d.events) ++perMs[e.timestamp / 1000];
    return perMs.empty() ? 0.0 : d.events.size() / (perMs.size() * 1e-3);
}

void expectInsideAndOrdered(const Decoded& d, uint16_t width, uint16_t height) {
    ASSERT_FALSE(d.events.empty());
    uint64_t previous = 0;
    size_t outside = 0, backwards = 0;
    for (const auto& e : d.events) {
        if (e.x >= width || e.y >= height || e.polarity > 1) ++outside;
        if (e.timestamp < previous) ++backwards;
        previous = e.timestamp;
    }
    EXPECT_EQ(outside, 0u);
    EXPECT_EQ(backwards, 0u);
}

TEST(SimStream, DecodedEventsStayInsideTheGeometryWithRisingTimestamps) {
    SimFixture fx;
    for (SimModel model : {SimModel::Evk4, SimModel::Serin320}) {
        const auto& info = simModelInfo(model);
        SCOPED_TRACE(info.name);
        auto cfg = scene(1.5e6);
        auto link = fx.open(model, std::string("GEO-") + info.name, {}, &cfg);
        ASSERT_TRUE(link);
        auto stream = SimFixture::eventStream(link);
        ASSERT_EQ(stream->start(), 0);
        sensorOn(*link);
        const Decoded d = decodeStream(*stream, 200000);
        stream->stop();
        EXPECT_TRUE(d.allFullSize);
        expectInsideAndOrdered(d, info.width, info.height);
        // Both polarities and a spread over the sensor, not one stuck pixel.
        const auto on = std::count_if(d.events.begin(), d.events.end(), [](const Event2D& e) { return e.polarity == 1; });
        EXPECT_GT(on, 0);
        EXPECT_LT(static_cast<size_t>(on), d.events.size());
        const auto [minX, maxX] = std::minmax_element(d.events.begin(), d.events.end(),
                                                      [](const Event2D& a, const Event2D& b) { return a.x < b.x; });
        EXPECT_GT(maxX->x - minX->x, info.width / 2);
    }
}

TEST(SimStream, NothingStreamsUntilTheSensorIsStartedAndStreamingStopsWithIt) {
    SimFixture fx;
    auto cfg = scene(1e6);
    auto link = fx.open(SimModel::Evk4, "GATE", {}, &cfg);
    ASSERT_TRUE(link);
    auto stream = SimFixture::eventStream(link);
    ASSERT_EQ(stream->start(), 0);
    // Endpoint running, sensor still in its reset state.
    EXPECT_EQ(stream->waitNextBuffer(150ms), 0);
    sensorOn(*link);
    EXPECT_GT(stream->waitNextBuffer(2000ms), 0);
    sensorOn(*link, false);
    // Buffers already on their way may still come; then the stream stays quiet.
    bool quiet = false;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!quiet && std::chrono::steady_clock::now() < deadline) {
        if (stream->waitNextBuffer(200ms) == 0)
            quiet = true;
        else
            stream->getLatestBuffer();
    }
    ASSERT_TRUE(quiet);
    EXPECT_EQ(stream->waitNextBuffer(300ms), 0);
}

struct RoiLayout {
    SimModel model;
    uint32_t ctrl, tdEnBit, roniNEnBit, x0, xCount, y0, yCount;
};

TEST(SimStream, RoiKeepsOnlyTheWindowAndRoniDropsIt) {
    namespace i6 = regs::imx636;
    namespace g3 = regs::genx320;
    for (const RoiLayout& l :
         {RoiLayout{SimModel::Evk4, i6::kRoiCtrl, i6::kRoiTdEnBit, i6::kRoiRoniNEnBit, i6::kRoiX0, i6::kRoiXCount,
                    i6::kRoiY0, i6::kRoiYCount},
          RoiLayout{SimModel::Serin320, g3::kRoiCtrl, g3::kRoiTdEnBit, g3::kRoiRoniNEnBit, g3::kRoiX0, g3::kRoiXCount,
                    g3::kRoiY0, g3::kRoiYCount}}) {
        SCOPED_TRACE(simModelInfo(l.model).name);
        SimFixture fx;
        auto cfg = scene(2e6);
        auto link = fx.open(l.model, "ROI", {}, &cfg);
        ASSERT_TRUE(link);
        // Window: columns 64..191 (registers 2..5), rows 96..287 (registers 3..8); a set bit is outside.
        for (uint32_t i = 0; i < l.xCount; ++i) writeReg(*link, l.x0 + 4 * i, (i >= 2 && i < 6) ? 0 : 0xFFFFFFFF);
        for (uint32_t j = 0; j < l.yCount; ++j) writeReg(*link, l.y0 + 4 * j, (j >= 3 && j < 9) ? 0 : 0xFFFFFFFF);
        writeReg(*link, l.ctrl, (1u << l.tdEnBit) | (1u << l.roniNEnBit));
        auto inside = [](const Event2D& e) { return e.x >= 64 && e.x < 192 && e.y >= 96 && e.y < 288; };

        auto stream = SimFixture::eventStream(link);
        ASSERT_EQ(stream->start(), 0);
        sensorOn(*link);
        Decoded roi = decodeStream(*stream, 150000);
        ASSERT_FALSE(roi.events.empty());
        EXPECT_TRUE(std::all_of(roi.events.begin(), roi.events.end(), inside));

        writeReg(*link, l.ctrl, 1u << l.tdEnBit);  // RONI
        stream->stop();
        ASSERT_EQ(stream->start(), 0);
        Decoded roni = decodeStream(*stream, 150000);
        ASSERT_FALSE(roni.events.empty());
        EXPECT_TRUE(std::none_of(roni.events.begin(), roni.events.end(), inside));
        EXPECT_GT(SimBackend::instance().device("ROI")->stats().droppedByRoi, 0u);
    }
}

struct ErcLayout {
    SimModel model;
    uint32_t enable, period, target;
};

TEST(SimStream, ErcCapsEventsPerReferencePeriod) {
    for (const ErcLayout& l :
         {ErcLayout{SimModel::Evk4, regs::imx636::kErcEnable, regs::imx636::kErcReferencePeriod,
                    regs::imx636::kErcTargetEventRate},
          ErcLayout{SimModel::Serin320, regs::genx320::kErcPipelineControl, regs::genx320::kErcReferencePeriod,
                    regs::genx320::kErcTargetEventCount}}) {
        SCOPED_TRACE(simModelInfo(l.model).name);
        SimFixture fx;
        auto cfg = scene(3e6);
        auto link = fx.open(l.model, "ERC", {}, &cfg);
        ASSERT_TRUE(link);
        // 64 events per 128 µs: 0.5 Mev/s.
        writeReg(*link, l.period, 128);
        writeReg(*link, l.target, 64);
        writeReg(*link, l.enable, 1);
        auto stream = SimFixture::eventStream(link);
        ASSERT_EQ(stream->start(), 0);
        sensorOn(*link);
        const Decoded capped = decodeStream(*stream, 300000);
        ASSERT_GT(capped.events.size(), 1000u);
        std::map<uint64_t, uint32_t> perPeriod;
        for (const auto& e : capped.events) ++perPeriod[e.timestamp / 128];
        uint32_t worst = 0;
        for (const auto& [period, n] : perPeriod) worst = std::max(worst, n);
        EXPECT_LE(worst, 64u);
        const double cappedRate = eventRate(capped);
        EXPECT_LT(cappedRate, 0.55e6);
        EXPECT_GT(cappedRate, 0.2e6);  // capped, not shut off
        EXPECT_GT(SimBackend::instance().device("ERC")->stats().droppedByErc, 0u);

        // Without ERC the same scene goes well above the cap.
        writeReg(*link, l.enable, 0);
        stream->stop();
        ASSERT_EQ(stream->start(), 0);
        const Decoded free = decodeStream(*stream, 300000);
        ASSERT_GT(free.events.size(), 1000u);
        EXPECT_GT(eventRate(free), 1.0e6);
    }
}

TEST(SimStream, BiasThresholdsScaleTheRate) {
    SimFixture fx;
    auto cfg = scene(1e6);
    cfg.noiseFraction = 1.0;
    auto link = fx.open(SimModel::Evk4, "BIAS", {}, &cfg);
    ASSERT_TRUE(link);
    auto stream = SimFixture::eventStream(link);
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    const Decoded base = decodeStream(*stream, 200000);
    // bias_diff_on and bias_diff_off moved toward bias_diff (77): lower thresholds, more events.
    const uint32_t on = readReg(*link, regs::imx636::kBiasDiffOn);
    writeReg(*link, regs::imx636::kBiasDiffOn, (on & ~0xFFu) | 50);
    const uint32_t off = readReg(*link, regs::imx636::kBiasDiffOff);
    writeReg(*link, regs::imx636::kBiasDiffOff, (off & ~0xFFu) | 50);
    stream->stop();
    ASSERT_EQ(stream->start(), 0);
    const Decoded sensitive = decodeStream(*stream, 200000);
    ASSERT_GT(base.events.size(), 100u);
    EXPECT_GT(eventRate(sensitive), 2.0 * eventRate(base));
}

TEST(SimStream, TriggerWordsOnlyWhileTriggerInIsEnabled) {
    SimFixture fx;
    auto cfg = scene(2e5, 10000);  // edges every 5 ms
    cfg.triggerChannel = 3;
    auto link = fx.open(SimModel::Evk4, "TRIG", {}, &cfg);
    ASSERT_TRUE(link);
    setBits(*link, regs::imx636::kTriggerIn, 1u << regs::imx636::kTriggerInEnableBit, false);
    auto stream = SimFixture::eventStream(link);
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    const Decoded disabled = decodeStream(*stream, 150000);
    EXPECT_FALSE(disabled.events.empty());
    EXPECT_TRUE(disabled.triggers.empty());

    setBits(*link, regs::imx636::kTriggerIn, 1u << regs::imx636::kTriggerInEnableBit, true);
    const Decoded enabled = decodeStream(*stream, 150000);
    ASSERT_GE(enabled.triggers.size(), 10u);
    for (size_t i = 0; i < enabled.triggers.size(); ++i) {
        const auto& t = enabled.triggers[i];
        EXPECT_EQ(t.id, 3);
        EXPECT_EQ(t.timestamp % 5000, 0u);
        EXPECT_EQ(t.polarity, (t.timestamp / 5000) % 2 == 0 ? 1 : 0);
        if (i > 0) {
            EXPECT_EQ(t.timestamp - enabled.triggers[i - 1].timestamp, 5000u);
        }
    }
}

TEST(SimStream, UnpluggedDeviceEndsItsStreamAndRefusesTransfers) {
    SimFixture fx;
    auto cfg = scene(5e5);
    auto link = fx.open(SimModel::Evk4, "PLUG", {}, &cfg);
    ASSERT_TRUE(link);
    auto stream = SimFixture::eventStream(link);
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    ASSERT_GT(stream->waitNextBuffer(2000ms), 0);

    ASSERT_TRUE(SimBackend::instance().unplug("PLUG"));
    EXPECT_FALSE(link->isConnected());
    const auto before = std::chrono::steady_clock::now();
    EXPECT_LT(stream->waitNextBuffer(5000ms), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1000ms);
    EXPECT_FALSE(stream->getLatestBuffer().has_value());
    CtrlFrame frame(protocol::kReadRegister);
    frame.push_back32(regs::imx636::kTimeBaseCtrl);
    EXPECT_EQ(link->transferFrame(frame), -1);
    EXPECT_TRUE(UsbInterface::findUsbDvsCamera(0x04B4, 0x00F5).empty());
    EXPECT_NE(stream->start(), 0);  // an ended stream does not claim to run
    EXPECT_FALSE(stream->isStarted());
    stream->stop();
    EXPECT_NE(stream->start(), 0);

    // Plugged in again: a new link works from power-up state, the old one stays dead.
    ASSERT_TRUE(SimBackend::instance().replug("PLUG"));
    EXPECT_FALSE(link->isConnected());
    auto fresh = fx.open(SimModel::Evk4, "PLUG");  // serial taken: not added again
    EXPECT_FALSE(fresh);
    auto found = UsbInterface::findUsbDvsCamera(0x04B4, 0x00F5);
    ASSERT_EQ(found.size(), 1u);
    auto relinked = UsbInterface::createUsbInterface(found[0]);
    ASSERT_TRUE(relinked && relinked->open(nullptr));
    EXPECT_TRUE(relinked->isConnected());
    EXPECT_EQ(readReg(*relinked, regs::imx636::kTimeBaseCtrl) & 1u, 0u);
}

TEST(SimStream, HostThatDoesNotReadLosesTheOldestBuffers) {
    SimFixture fx;
    auto cfg = scene(4e6);
    auto link = fx.open(SimModel::Evk4, "SLOW", {}, &cfg);
    ASSERT_TRUE(link);
    auto stream = std::make_unique<EventStream>(
        createDataTransferUniquePtr(link, 2, protocol::kEventTransferSize, 3, protocol::kEventEndpoint));
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (stream->droppedBuffers() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    EXPECT_GT(stream->droppedBuffers(), 0u);
    EXPECT_LE(stream->waitNextBuffer(0ms), 3);
    // What is left still decodes in order: every buffer starts after the previous one.
    EVT3Decoder decoder;
    uint64_t last = 0;
    size_t backwards = 0;
    decoder.setEventsStreamHandleCallback([&](Event2D* f, Event2D* l) {
        for (; f != l; ++f) {
            if (f->timestamp < last) ++backwards;
            last = f->timestamp;
        }
    });
    for (int i = 0; i < 3; ++i)
        if (auto b = stream->getLatestBuffer()) decoder.decodeBuffer(**b);
    EXPECT_GT(last, 0u);
    EXPECT_EQ(backwards, 0u);
}

TEST(SimStream, FusionCameraSwapsWordBytesAndStreamsOnlyWithItsEventSensorSwitchedOn) {
    SimFixture fx;
    auto cfg = scene(1e6);
    auto& backend = SimBackend::instance();
    ASSERT_TRUE(backend.addDevice(SimModel::Tessary, "FUS"));
    backend.device("FUS")->setScene(cfg);
    auto found = UsbInterface::findUsbFusionCamera(0x2207, 0x0006);
    ASSERT_EQ(found.size(), 1u);
    auto link = UsbInterface::createUsbFusionInterface(found[0]);
    ASSERT_TRUE(link && link->open(nullptr));
    auto stream = SimFixture::eventStream(link);
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    EXPECT_EQ(stream->waitNextBuffer(150ms), 0);
    for (uint32_t command : {protocol::kDvsEnable, protocol::kDvsEnableCommit}) {
        CtrlFrame frame(command);
        frame.push_back32(0);
        frame.push_back32(1);
        ASSERT_EQ(link->transferFrame(frame), 0);
    }
    const Decoded d = decodeStream(*stream, 150000, true);
    expectInsideAndOrdered(d, 1280, 720);
}

TEST(SimStream, FusionCameraFramesAreNv12AndMove) {
    SimFixture fx;
    auto& backend = SimBackend::instance();
    ASSERT_TRUE(backend.addDevice(SimModel::Tessary, "FRM"));
    auto cfg = backend.device("FRM")->scene();
    cfg.frameRate = 20;
    backend.device("FRM")->setScene(cfg);
    auto link = UsbInterface::createUsbFusionInterface(UsbInterface::findUsbFusionCamera(0x2207, 0x0006).at(0));
    ASSERT_TRUE(link && link->open(nullptr));
    const uint32_t frameBytes = regs::imx415::kWidth * regs::imx415::kHeight * 3 / 2;
    ASSERT_EQ(frameBytes, 12441600u);
    auto frames = std::make_unique<EventStream>(createDataTransferUniquePtr(link, 2, frameBytes, 1, protocol::kFrameEndpoint));
    ASSERT_EQ(frames->start(), 0);
    EXPECT_EQ(frames->waitNextBuffer(200ms), 0);  // frame sensor stopped
    ASSERT_TRUE(writeReg(*link, regs::imx415::kApsCtrl, 1));
    std::vector<RawBufferPtr> got;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (got.size() < 2 && std::chrono::steady_clock::now() < deadline)
        if (frames->waitNextBuffer() > 0)
            if (auto b = frames->getLatestBuffer()) got.push_back(*b);
    ASSERT_EQ(got.size(), 2u);
    for (const auto& f : got) {
        ASSERT_EQ(f->size(), frameBytes);
        const auto [lo, hi] = std::minmax_element(f->begin(), f->begin() + 3840 * 2160);
        EXPECT_GE(*lo, 16);  // video-range luma
        EXPECT_LE(*hi, 235);
    }
    EXPECT_NE(*got[0], *got[1]);
    // A frame transfer too small for one frame is refused.
    auto tooSmall = std::make_unique<EventStream>(createDataTransferUniquePtr(link, 2, 131072, 1, protocol::kFrameEndpoint));
    EXPECT_NE(tooSmall->start(), 0);
    // Event cameras have no frame endpoint.
    ASSERT_TRUE(backend.addDevice(SimModel::Evk4, "NOFRM"));
    auto evk = UsbInterface::createUsbInterface(UsbInterface::findUsbDvsCamera(0x04B4, 0x00F5).at(0));
    ASSERT_TRUE(evk && evk->open(nullptr));
    auto none = std::make_unique<EventStream>(createDataTransferUniquePtr(evk, 2, frameBytes, 1, protocol::kFrameEndpoint));
    EXPECT_NE(none->start(), 0);
}

// Decodes a recording's payload directly.
Decoded decodeFile(const std::string& path) {
    std::string error;
    auto payload = loadRawPayload(path, error);
    Decoded out;
    if (!payload) return out;
    EVT3Decoder decoder;
    decoder.setEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { out.events.insert(out.events.end(), f, l); });
    decoder.setTriggerInCallback([&](EventTriggerIn t) { out.triggers.push_back(t); });
    decoder.decodeBuffer(*payload);
    return out;
}

TEST(SimReplay, RecordingReplaysWithItsOwnEventsShiftedOntoTheSensorClock) {
    QUILLEX_REQUIRE_SAMPLES();
    const std::string path = (sampleDataDir() / "evt3_1280x720_trigger_erc.raw").string();
    const Decoded original = decodeFile(path);
    ASSERT_EQ(original.events.size(), 82469u);
    ASSERT_EQ(original.triggers.size(), 2u);

    SimFixture fx;
    auto link = fx.open(SimModel::Evk4, "REPLAY", path);
    ASSERT_TRUE(link);
    auto stream = SimFixture::eventStream(link);
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    // The triggers lie about 0.32 s into the recording.
    const Decoded live = decodeStream(*stream, 400000);
    ASSERT_GT(live.events.size(), 1000u);
    EXPECT_TRUE(live.allFullSize);
    const size_t n = std::min(live.events.size(), original.events.size());
    const int64_t shift = static_cast<int64_t>(live.events[0].timestamp) - static_cast<int64_t>(original.events[0].timestamp);
    EXPECT_EQ(shift % 4096, 0);
    size_t mismatches = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto& a = live.events[i];
        const auto& b = original.events[i];
        if (a.x != b.x || a.y != b.y || a.polarity != b.polarity ||
            static_cast<int64_t>(a.timestamp) - static_cast<int64_t>(b.timestamp) != shift)
            ++mismatches;
    }
    EXPECT_EQ(mismatches, 0u);
    ASSERT_EQ(live.triggers.size(), 2u);  // trigger-in is on at power-up
    EXPECT_EQ(static_cast<int64_t>(live.triggers[0].timestamp) - static_cast<int64_t>(original.triggers[0].timestamp), shift);
    // The live clock started near zero, not at the recording's 14 s.
    EXPECT_LT(live.events[0].timestamp, 2000000u);
}

TEST(SimReplay, LoopingKeepsTimeMovingForwardAndTriggerInFiltersTriggerWords) {
    QUILLEX_REQUIRE_SAMPLES();
    // 8.8 ms of data: a 100 ms stream holds many loops.
    const std::string path = (sampleDataDir() / "evt3_gen41_evk3_1280x720_vectors.raw").string();
    SimFixture fx;
    auto link = fx.open(SimModel::Evk4, "LOOP", path);
    ASSERT_TRUE(link);
    auto stream = SimFixture::eventStream(link);
    ASSERT_EQ(stream->start(), 0);
    sensorOn(*link);
    const Decoded live = decodeStream(*stream, 100000);
    ASSERT_GT(live.events.size(), 3 * 219596u);
    expectInsideAndOrdered(live, 1280, 720);

    const std::string triggers = (sampleDataDir() / "evt3_640x480_trigger_1khz.raw").string();
    auto tlink = fx.open(SimModel::Orbel, "TRIGREPLAY", triggers);
    ASSERT_TRUE(tlink);
    setBits(*tlink, regs::imx636::kTriggerIn, 1u << regs::imx636::kTriggerInEnableBit, false);
    auto tstream = SimFixture::eventStream(tlink);
    ASSERT_EQ(tstream->start(), 0);
    sensorOn(*tlink);
    const Decoded off = decodeStream(*tstream, 100000);
    EXPECT_GT(off.events.size(), 1000u);
    EXPECT_TRUE(off.triggers.empty());
}

TEST(SimReplay, UnreadableRecordingIsRefusedAndHeadersAreSkipped) {
    SimFixture fx;
    EXPECT_FALSE(SimBackend::instance().addDevice(SimModel::Evk4, "MISSING", "/nonexistent/file.raw"));
    EXPECT_FALSE(SimBackend::instance().device("MISSING"));

    const auto dir = std::filesystem::temp_directory_path();
    const auto headerOnly = dir / "quillex_sim_header_only.raw";
    { std::ofstream(headerOnly, std::ios::binary) << "% evt 3.0\n% geometry 640x480\n% end\n"; }
    std::string error;
    EXPECT_FALSE(loadRawPayload(headerOnly.string(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SimBackend::instance().addDevice(SimModel::Evk4, "EMPTY", headerOnly.string()));

    // Odd-length header, no "% end": the payload starts at the first byte that is not '%'.
    const auto oldStyle = dir / "quillex_sim_old_header.raw";
    { std::ofstream(oldStyle, std::ios::binary) << "% evt 3.0\n% format EVT3;height=480;width=640\n" << std::string("\x2D\x8B\x00\x60", 4); }
    RawGeometry geometry;
    auto payload = loadRawPayload(oldStyle.string(), error, &geometry);
    ASSERT_TRUE(payload);
    EXPECT_EQ(*payload, (std::vector<uint8_t>{0x2D, 0x8B, 0x00, 0x60}));
    EXPECT_EQ(geometry.width, 640u);
    EXPECT_EQ(geometry.height, 480u);
    std::filesystem::remove(headerOnly);
    std::filesystem::remove(oldStyle);
}

}  // namespace
}  // namespace quillex::test
