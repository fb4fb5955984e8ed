// Simulator throughput: how fast the synthetic scene is generated and encoded on one core,
// and how close a live stream at a high configured rate gets to what was asked for.
//
// bench_sim [seconds of sensor time for the offline run, default 2] [live rate in Mev/s, default 30]

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>
#include <thread>

#include "base/Logger.h"
#include "hal/EVT3Decoder.h"
#include "hal/Evt3Encoder.h"
#include "hal/link/ControlProtocol.h"
#include "hal/link/EventStream.h"
#include "hal/link/UsbInterface.h"
#include "hal/registers/SensorRegisterAddresses.h"
#include "hal/sim/SimBackend.h"
#include "hal/sim/SimDevice.h"
#include "hal/sim/SimEventSource.h"

using namespace quillex;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of the calling thread: on a shared machine it tells what one core does.
double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

void offline(double sensorSeconds, double rate, double noise, const char* label) {
    SimSceneConfig scene;
    scene.eventRate = rate;
    scene.noiseFraction = noise;
    scene.triggerPeriodUs = 1000;
    SimEventSource source(1280, 720, scene);
    SimSensorState state;
    state.triggerInEnabled = true;
    source.setState(state);
    Evt3Encoder encoder;
    std::vector<uint8_t> out;
    out.reserve(protocol::kEventTransferSize);
    uint64_t bytes = 0, buffers = 0;
    const size_t cutAt = protocol::kEventTransferSize - SimEventSource::kMaxStepBytes;
    auto onFull = [&](uint64_t) {
        bytes += out.size();
        ++buffers;
        out.clear();
        encoder.forceFullTimeReference();
    };
    const uint64_t total = static_cast<uint64_t>(sensorSeconds * 1e6);
    const auto start = Clock::now();
    const double cpuStart = threadCpuSeconds();
    for (uint64_t t = 0; t < total; t += 1000) source.generate(t, t + 1000, encoder, out, cutAt, onFull);
    const double wall = seconds(Clock::now() - start);
    const double cpu = threadCpuSeconds() - cpuStart;
    bytes += out.size();
    const auto& c = source.counts();
    std::printf("offline %-12s %.2f s of sensor time at %.0f Mev/s: %.3f s wall, %.3f s cpu -> %6.1f Mev/s per cpu-second "
                "(%6.1f per wall-second) generated+encoded on one thread (%.2f bytes/event, %llu buffers)\n",
                label, sensorSeconds, rate / 1e6, wall, cpu, c.streamed / cpu / 1e6, c.streamed / wall / 1e6,
                c.streamed ? static_cast<double>(bytes) / c.streamed : 0.0, static_cast<unsigned long long>(buffers));
}

void live(double rate, double runSeconds) {
    auto& backend = SimBackend::instance();
    backend.removeAll();
    backend.addDevice(SimModel::Evk4, "BENCH");
    SimSceneConfig scene;
    scene.eventRate = rate;
    backend.device("BENCH")->setScene(scene);
    auto link = UsbInterface::createUsbInterface(UsbInterface::findUsbDvsCamera(0x04B4, 0x00F5).at(0));
    link->open(nullptr);
    auto stream = std::make_unique<EventStream>(
        createDataTransferUniquePtr(link, 2, protocol::kEventTransferSize, 20, protocol::kEventEndpoint));
    stream->start();
    for (uint32_t address : {regs::imx636::kTimeBaseCtrl, regs::imx636::kOutputCtrl}) {
        CtrlFrame read(protocol::kReadRegister);
        read.push_back32(address);
        link->transferFrame(read);
        CtrlFrame write(protocol::kWriteRegister);
        write.push_back32(address);
        write.push_back32(read.payload.at(0) | 1u);
        link->transferFrame(write);
    }
    // The host decodes what arrives, as a camera loop would.
    EVT3Decoder decoder;
    uint64_t decoded = 0, firstTime = 0, lastTime = 0;
    decoder.setEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { decoded += static_cast<uint64_t>(l - f); });
    const auto start = Clock::now();
    while (seconds(Clock::now() - start) < runSeconds) {
        if (stream->waitNextBuffer() <= 0) continue;
        if (auto b = stream->getLatestBuffer()) {
            decoder.decodeBuffer(**b);
            if (firstTime == 0) firstTime = decoder.getCurrentTimestamp();
            lastTime = decoder.getCurrentTimestamp();
        }
    }
    const auto stats = backend.device("BENCH")->stats();
    const double sensorSpan = (lastTime - firstTime) / 1e6;
    stream->stop();
    std::printf("live    requested %6.1f Mev/s for %.1f s: device streamed %6.1f Mev/s of wall time, host decoded %6.1f Mev/s "
                "of sensor time (%.1f%% of requested), %llu buffers, %llu dropped\n",
                rate / 1e6, runSeconds, stats.eventsStreamed / runSeconds / 1e6,
                sensorSpan > 0 ? decoded / sensorSpan / 1e6 : 0.0,
                sensorSpan > 0 ? 100.0 * decoded / sensorSpan / rate : 0.0,
                static_cast<unsigned long long>(stats.eventBuffers),
                static_cast<unsigned long long>(stream->droppedBuffers()));
    backend.removeAll();
}

}  // namespace

int main(int argc, char** argv) {
    Logger::Instance().setThreshold(4);
    const double sensorSeconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const double liveRate = (argc > 2 ? std::atof(argv[2]) : 30.0) * 1e6;
    offline(sensorSeconds, 60e6, 0.25, "scene");
    offline(sensorSeconds, 60e6, 1.0, "noise only");
    offline(sensorSeconds, 60e6, 0.0, "shapes only");
    live(liveRate / 3, 2.0);
    live(liveRate, 2.0);
    return 0;
}
