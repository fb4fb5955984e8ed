#pragma once
// The simulator backend: simulated cameras of every model, created from QUILLEX_SIM_CAMERAS
// on first use ("model:serial[:recording.raw]" separated by ';', models evk4, evk5, orbel,
// serin320, tessary, orbel-eth; unset: one evk4; "none" or empty: no device), and by tests directly.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hal/sim/DeviceBackend.h"
#include "hal/sim/SimTypes.h"

namespace quillex {

class SimDevice;

class SimBackend : public DeviceBackend {
public:
    // Process-wide instance; its construction applies QUILLEX_SIM_CAMERAS.
    static SimBackend& instance();

    // Parses a device list; false (with a message in `error`) on an unknown model or a missing serial.
    static bool parseDeviceList(std::string_view text, std::vector<SimDeviceSpec>& out, std::string* error = nullptr);

    // The devices a QUILLEX_SIM_CAMERAS value asks for (null: the variable is unset). Entries
    // that do not parse are logged and skipped.
    static std::vector<SimDeviceSpec> devicesFromEnvironment(const char* value);

    // Adds a plugged device. False when the serial is already used or the recording cannot be read.
    bool addDevice(SimModel model, const std::string& serial, const std::string& recordingPath = {});
    bool addDevice(const SimDeviceSpec& spec);
    // Unplugs: the device reports not connected, its streams end, its transfers fail.
    bool unplug(const std::string& serial);
    // Plugs an unplugged device in again (register file reset, as after power-up).
    bool replug(const std::string& serial);
    // Unplugs and forgets every device.
    void removeAll();
    std::shared_ptr<SimDevice> device(const std::string& serial) const;
    std::vector<std::string> serials() const;

    // Scene used by devices added from now on (existing ones keep theirs: SimDevice::setScene).
    void setDefaultScene(const SimSceneConfig& scene);
    SimSceneConfig defaultScene() const;

    std::vector<CameraDescription> findUsb(uint16_t vendorId, uint16_t productId) override;
    std::vector<CameraDescription> findEth() override;
    std::shared_ptr<Device> openDevice(const CameraDescription& description) override;

    ~SimBackend() override;

private:
    SimBackend();
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<SimDevice>> devices_;  // by serial
    SimSceneConfig defaultScene_;
    uint32_t nextEthIndex_ = 0;
};

}  // namespace quillex
