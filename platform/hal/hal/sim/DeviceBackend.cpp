#include "hal/sim/DeviceBackend.h"

#include <mutex>

#include "hal/sim/SimBackend.h"

namespace quillex {

namespace {
std::mutex& activeMutex() {
    static std::mutex mutex;
    return mutex;
}
std::shared_ptr<DeviceBackend>& installed() {
    static std::shared_ptr<DeviceBackend> backend;
    return backend;
}
}  // namespace

DeviceBackend& DeviceBackend::active() {
    std::lock_guard lock(activeMutex());
    if (installed()) return *installed();
    return SimBackend::instance();
}

void DeviceBackend::setActive(std::shared_ptr<DeviceBackend> backend) {
    std::lock_guard lock(activeMutex());
    installed() = std::move(backend);
}

}  // namespace quillex
