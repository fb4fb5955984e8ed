// quillex-cam: cameras from the command line, for headless machines.
//
//   quillex-cam list
//   quillex-cam record SERIAL OUT.raw --seconds N [--config FILE.json]
//   quillex-cam config export SERIAL FILE.json
//   quillex-cam config load SERIAL FILE.json

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/DvsCameraManager.h"

namespace {

using quillex::DvsCamera;
using quillex::DvsCameraManager;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int usage() {
    std::fprintf(stderr,
                 "usage:\n"
                 "  quillex-cam list\n"
                 "  quillex-cam record SERIAL OUT.raw --seconds N [--config FILE.json]\n"
                 "  quillex-cam config export SERIAL FILE.json\n"
                 "  quillex-cam config load SERIAL FILE.json\n");
    return kUsage;
}

std::shared_ptr<DvsCamera> openCamera(DvsCameraManager& manager, const std::string& serial) {
    manager.updateCameras();
    auto camera = manager.openCamera(serial);
    if (!camera) std::fprintf(stderr, "quillex-cam: camera %s not found or could not be opened\n", serial.c_str());
    return camera;
}

bool loadConfig(DvsCamera& camera, const std::string& path) {
    try {
        if (camera.loadCameraConfigParams(path)) return true;
        std::fprintf(stderr, "quillex-cam: cannot read %s\n", path.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillex-cam: %s is not a valid configuration: %s\n", path.c_str(), e.what());
    }
    return false;
}

int list() {
    DvsCameraManager manager;
    for (const auto& d : manager.getCameraDescs())
        std::printf("%s\t%s\t%s\t%s\n", d.serial.c_str(), d.manufacturer.c_str(), d.product.c_str(),
                    d.interfaceType == quillex::INTERFACE_ETH ? "eth" : "usb");
    return kOk;
}

int record(const std::vector<std::string>& args) {
    if (args.size() < 2) return usage();
    const std::string serial = args[0];
    const std::string out = args[1];
    long seconds = -1;
    std::string config;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--seconds" && i + 1 < args.size()) {
            char* end = nullptr;
            seconds = std::strtol(args[++i].c_str(), &end, 10);
            if (end == nullptr || *end != '\0' || seconds <= 0) return usage();
        } else if (args[i] == "--config" && i + 1 < args.size()) {
            config = args[++i];
        } else {
            return usage();
        }
    }
    if (seconds <= 0) return usage();

    DvsCameraManager manager;
    auto camera = openCamera(manager, serial);
    if (!camera) return kFailed;
    if (!config.empty() && !loadConfig(*camera, config)) return kFailed;

    std::mutex printMutex;
    std::atomic<int> tick{0};
    camera->setStatisticInfoCallback([&](quillex::ZxStatisticInfo info) {
        std::lock_guard lock(printMutex);
        std::printf("%d s: %.1f MB/s, %.1f Mev/s\n", ++tick, static_cast<double>(info.dataRate) / (1024.0 * 1024.0),
                    static_cast<double>(info.eventRate) / 1e6);
        std::fflush(stdout);
    });
    std::atomic<bool> streaming{false};
    const uint32_t probe = camera->addEventsStreamHandleCallback([&](quillex::Event2D*, quillex::Event2D*) { streaming = true; });
    if (camera->start() != 0) {
        std::fprintf(stderr, "quillex-cam: camera %s did not start\n", serial.c_str());
        return kFailed;
    }
    // Record once the stream has given a time, so the header's start timestamp is meaningful.
    for (int i = 0; i < 200 && !streaming; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    camera->removeEventsStreamHandleCallback(probe);
    if (camera->startRecording(out) != 0) {
        std::fprintf(stderr, "quillex-cam: cannot record to %s\n", out.c_str());
        camera->stop();
        return kFailed;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    camera->stopRecording();
    camera->stop();
    camera->setStatisticInfoCallback(nullptr);

    std::error_code ec;
    const auto bytes = std::filesystem::file_size(out, ec);
    if (ec) {
        std::fprintf(stderr, "quillex-cam: %s was not written\n", out.c_str());
        return kFailed;
    }
    std::printf("%ju bytes written to %s\n", static_cast<uintmax_t>(bytes), out.c_str());
    return kOk;
}

int configCommand(const std::vector<std::string>& args) {
    if (args.size() != 3 || (args[0] != "export" && args[0] != "load")) return usage();
    DvsCameraManager manager;
    auto camera = openCamera(manager, args[1]);
    if (!camera) return kFailed;
    if (args[0] == "export") {
        if (camera->exportCameraConfigParams(args[2])) return kOk;
        std::fprintf(stderr, "quillex-cam: cannot write %s\n", args[2].c_str());
        return kFailed;
    }
    return loadConfig(*camera, args[2]) ? kOk : kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "list" && args.empty()) return list();
        if (command == "record") return record(args);
        if (command == "config") return configCommand(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillex-cam: %s\n", e.what());
        return kFailed;
    }
    return usage();
}
