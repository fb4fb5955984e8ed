#include "hal/sim/SimBackend.h"

#include <cstdlib>

#include "base/Logger.h"
#include "hal/sim/SimDevice.h"
#include "hal/sim/SimEndpointWorker.h"

static constexpr const char* kLogModule = "platform/hal/hal/sim/SimBackend";

namespace quillex {

namespace {

constexpr const char* kDefaultSerial = "SIM00000001";
constexpr const char* kFirmwareText = "1.4.2";

// The calibration a simulated fusion camera ships with: the event sensor maps onto the frame
// sensor by a factor of 3 in both directions.
constexpr const char* kDefaultCalibration =
    R"({"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,)"
    R"("affine_matrix":{"0":[0.3333333333333333,0,0,0,0.3333333333333333,0],"1":[3,0,0,0,3,0]}})";

std::string trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t' || text[b] == '\n' || text[b] == '\r')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\n' || text[e - 1] == '\r')) --e;
    return std::string(text.substr(b, e - b));
}

bool parseSpec(std::string_view entry, SimDeviceSpec& spec, std::string* error) {
    const size_t first = entry.find(':');
    const std::string modelName = trim(entry.substr(0, first));
    const auto model = simModelFromName(modelName);
    if (!model) {
        if (error) *error = "unknown simulated camera model '" + modelName + "'";
        return false;
    }
    if (first == std::string_view::npos) {
        if (error) *error = "simulated camera '" + modelName + "' has no serial";
        return false;
    }
    const std::string_view rest = entry.substr(first + 1);
    const size_t second = rest.find(':');  // the recording path may itself contain ':'
    spec.model = *model;
    spec.serial = trim(rest.substr(0, second));
    spec.recordingPath = second == std::string_view::npos ? std::string() : trim(rest.substr(second + 1));
    if (spec.serial.empty()) {
        if (error) *error = "simulated camera '" + modelName + "' has no serial";
        return false;
    }
    return true;
}

template <typename F>
void forEachEntry(std::string_view text, F&& f) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(';', start);
        const std::string entry = trim(text.substr(start, end == std::string_view::npos ? text.npos : end - start));
        if (!entry.empty()) f(entry);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

// Handle given to a link: bound to one plugging of the device, so a link opened before an
// unplug stays disconnected after the device is plugged in again.
class SimDeviceHandle : public Device {
public:
    explicit SimDeviceHandle(std::shared_ptr<SimDevice> device) : device_(std::move(device)), epoch_(device_->plugEpoch()) {}

    CameraDescription description() const override { return device_->description(); }
    bool isConnected() const override { return current(); }
    int control(CtrlFrame& frame) override {
        if (!current()) {
            frame.payload.clear();
            return -3;
        }
        return device_->control(frame);
    }
    bool startEndpoint(uint8_t endpoint, uint32_t transferSize, std::shared_ptr<BulkSink> sink) override {
        return current() && device_->startEndpoint(endpoint, transferSize, std::move(sink));
    }
    void stopEndpoint(uint8_t endpoint) override {
        if (current()) device_->stopEndpoint(endpoint);
    }
    void setEventStream(bool on) override {
        if (current()) device_->setEventStream(on);
    }

private:
    bool current() const { return device_->plugged() && device_->plugEpoch() == epoch_; }

    std::shared_ptr<SimDevice> device_;
    uint64_t epoch_;
};

}  // namespace

SimBackend& SimBackend::instance() {
    static SimBackend backend;
    return backend;
}

SimBackend::SimBackend() {
    // Construct the logger first so it outlives this instance: the destructor unplugs (and logs).
    (void)Logger::Instance();
    for (const auto& spec : devicesFromEnvironment(std::getenv("QUILLEX_SIM_CAMERAS"))) addDevice(spec);
}

std::vector<SimDeviceSpec> SimBackend::devicesFromEnvironment(const char* value) {
    std::vector<SimDeviceSpec> specs;
    if (value == nullptr) {
        specs.push_back(SimDeviceSpec{SimModel::Evk4, kDefaultSerial, {}});
        return specs;
    }
    const std::string text = trim(value);
    if (text == "none") return specs;
    forEachEntry(text, [&specs](const std::string& entry) {
        SimDeviceSpec spec;
        std::string error;
        if (parseSpec(entry, spec, &error))
            specs.push_back(std::move(spec));
        else
            ZX_LOG(4, "QUILLEX_SIM_CAMERAS: %s", error.c_str());
    });
    return specs;
}

SimBackend::~SimBackend() { removeAll(); }

bool SimBackend::parseDeviceList(std::string_view text, std::vector<SimDeviceSpec>& out, std::string* error) {
    out.clear();
    bool ok = true;
    if (trim(text) == "none") return true;
    forEachEntry(text, [&](const std::string& entry) {
        if (!ok) return;
        SimDeviceSpec spec;
        if (parseSpec(entry, spec, error))
            out.push_back(std::move(spec));
        else
            ok = false;
    });
    return ok;
}

bool SimBackend::addDevice(const SimDeviceSpec& spec) { return addDevice(spec.model, spec.serial, spec.recordingPath); }

bool SimBackend::addDevice(SimModel model, const std::string& serial, const std::string& recordingPath) {
    if (serial.empty()) return false;
    const SimModelInfo& info = simModelInfo(model);
    std::shared_ptr<const std::vector<uint8_t>> payload;
    if (!recordingPath.empty()) {
        std::string error;
        RawGeometry geometry;
        payload = loadRawPayload(recordingPath, error, &geometry);
        if (!payload) {
            ZX_LOG(4, "Simulated camera %s: %s", serial.c_str(), error.c_str());
            return false;
        }
        if (geometry.width > info.width || geometry.height > info.height)
            ZX_LOG(3, "Simulated camera %s: recording %s is %ux%u, larger than the %s sensor (%ux%u)", serial.c_str(),
                   recordingPath.c_str(), geometry.width, geometry.height, info.name, info.width, info.height);
    }
    std::lock_guard lock(mutex_);
    if (devices_.count(serial) != 0) {
        ZX_LOG(4, "Simulated camera serial %s is already used", serial.c_str());
        return false;
    }
    CameraDescription d;
    d.serial = serial;
    d.manufacturer = info.manufacturer;
    d.product = info.product;
    d.vendorId = info.vendorId;
    d.productId = info.productId;
    d.interfaceType = info.interfaceType;
    d.firmwareVersion = kFirmwareText;
    if (info.interfaceType == INTERFACE_ETH) {
        const uint32_t host = 100 + (nextEthIndex_++ % 150);
        d.ipAddress = "192.168.1." + std::to_string(host);
        d.subnetMask = "255.255.255.0";
        d.gateway = "192.168.1.1";
        d.controlPort = 50010;
        d.busAddress = d.ipAddress;
    } else {
        d.busAddress = "sim:" + std::to_string(devices_.size() + 1);
    }
    SimSceneConfig scene = defaultScene_;
    if (info.frameSensor && scene.frameRate > 0) scene.triggerPeriodUs = 1000000 / scene.frameRate;  // one pulse per frame
    auto device = std::make_shared<SimDevice>(model, serial, recordingPath, scene, d);
    if (info.frameSensor) device->setCalibration(std::vector<uint8_t>(kDefaultCalibration, kDefaultCalibration + std::char_traits<char>::length(kDefaultCalibration)));
    device->setReplayPayload(std::move(payload));
    devices_[serial] = std::move(device);
    ZX_LOG(2, "Simulated camera %s (%s)%s%s", serial.c_str(), info.name, recordingPath.empty() ? "" : " replaying ",
           recordingPath.c_str());
    return true;
}

bool SimBackend::unplug(const std::string& serial) {
    auto d = device(serial);
    if (!d) return false;
    d->setPlugged(false);
    return true;
}

bool SimBackend::replug(const std::string& serial) {
    auto d = device(serial);
    if (!d) return false;
    d->setPlugged(true);
    return true;
}

void SimBackend::removeAll() {
    std::map<std::string, std::shared_ptr<SimDevice>> devices;
    {
        std::lock_guard lock(mutex_);
        devices.swap(devices_);
    }
    for (auto& [serial, d] : devices) d->setPlugged(false);
}

std::shared_ptr<SimDevice> SimBackend::device(const std::string& serial) const {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(serial);
    return it == devices_.end() ? nullptr : it->second;
}

std::vector<std::string> SimBackend::serials() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [serial, d] : devices_) out.push_back(serial);
    return out;
}

void SimBackend::setDefaultScene(const SimSceneConfig& scene) {
    std::lock_guard lock(mutex_);
    defaultScene_ = scene;
}

SimSceneConfig SimBackend::defaultScene() const {
    std::lock_guard lock(mutex_);
    return defaultScene_;
}

std::vector<CameraDescription> SimBackend::findUsb(uint16_t vendorId, uint16_t productId) {
    std::lock_guard lock(mutex_);
    std::vector<CameraDescription> out;
    for (const auto& [serial, d] : devices_) {
        const auto& info = d->info();
        if (d->plugged() && info.interfaceType == INTERFACE_USB && info.vendorId == vendorId &&
            info.productId == productId)
            out.push_back(d->description());
    }
    return out;
}

std::vector<CameraDescription> SimBackend::findEth() {
    std::lock_guard lock(mutex_);
    std::vector<CameraDescription> out;
    for (const auto& [serial, d] : devices_)
        if (d->plugged() && d->info().interfaceType == INTERFACE_ETH) out.push_back(d->description());
    return out;
}

std::shared_ptr<Device> SimBackend::openDevice(const CameraDescription& description) {
    auto d = device(description.serial);
    if (!d || !d->plugged()) return nullptr;
    const auto& info = d->info();
    if (info.interfaceType != description.interfaceType || info.vendorId != description.vendorId ||
        info.productId != description.productId)
        return nullptr;
    return std::make_shared<SimDeviceHandle>(d);
}

}  // namespace quillex
