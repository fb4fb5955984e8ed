#pragma once
// Named access to a sensor's registers over a camera link.
//
// The controller is built from a register table (RegisterInfo rows) and a name prefix. Names are
// given to it as plain table names ("ro/time_base_ctrl"); a name that already carries the prefix
// is accepted too. Every access is a control transfer (ControlProtocol.h); nothing is cached, so
// a field write is a read-modify-write of the register's current content.
//
// Status results: 0 on success, non-zero on failure (the failure is logged once). A register or
// field name outside the table is logged at level 3 and the access is skipped.
// The controller serialises its transfers, so sensors and tools may share it across threads.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hal/link/CameraInterface.h"
#include "hal/registers/RegisterInfo.h"
#include "hal/registers/RegisterOperation.h"

namespace quillex {

class RegisterController {
public:
    static constexpr uint32_t kOk = 0;
    static constexpr uint32_t kUnknownName = 1;     // register or field not in the table
    static constexpr uint32_t kTransferFailed = 2;  // no interface, or the device refused the frame
    static constexpr uint32_t kBadValue = 3;        // value wider than the field, bad length or operation

    struct FieldLayout {
        std::string name;
        uint32_t start = 0;
        uint32_t len = 0;
        uint32_t mask = 0;
        uint32_t defaultValue = 0;
        std::map<std::string, uint32_t> aliases;
    };
    struct RegisterLayout {
        std::string name;  // with prefix
        uint32_t address = 0;
        std::map<std::string, FieldLayout> fields;
    };

    using WaitFunction = std::function<void(std::chrono::microseconds)>;

    // `table` points to the first of `count` rows; the rows must outlive nothing (they are copied).
    RegisterController(std::shared_ptr<CameraInterface> interface, const RegisterInfo* table, size_t count,
                       std::string prefix);

    RegisterController(const RegisterController&) = delete;
    RegisterController& operator=(const RegisterController&) = delete;

    // Read-modify-write of the field's bits. A value wider than the field is refused (kBadValue).
    uint32_t writeRegisterField(const std::string& registerName, const std::string& fieldName, uint32_t value);
    // Writes the named alias value of the field.
    uint32_t writeRegisterFieldAlias(const std::string& registerName, const std::string& fieldName,
                                     const std::string& alias);
    uint32_t readRegisterField(const std::string& registerName, const std::string& fieldName, uint32_t& value);

    uint32_t writeRegisterWithControlTransfer(const std::string& registerName, uint32_t value);
    // Reads `length` consecutive 32-bit registers starting at the named one into `buffer`.
    uint32_t readRegisterWithControlTransfer(const std::string& registerName, uint32_t* buffer, uint32_t length);
    // Writes `length` consecutive 32-bit registers starting at the named one from `buffer`.
    uint32_t writeRegisterDataWithControlTransfer(const std::string& registerName, const uint32_t* buffer,
                                                  uint32_t length);

    // By address, for sequences and diagnostics.
    uint32_t writeRegisterAddress(uint32_t address, uint32_t value);
    uint32_t readRegisterAddress(uint32_t address, uint32_t& value);

    // Runs the steps in order (kinds 2, 3, 4); stops at the first failing step and returns its status.
    uint32_t applyRegisterOperationSequence(const std::vector<RegisterOperation>& sequence);

    std::shared_ptr<CameraInterface> getInterface() const;
    const std::string& getPrefix() const { return prefix_; }

    // Table lookups (no device access). Names as for the accessors.
    bool hasRegister(const std::string& registerName) const;
    std::optional<RegisterLayout> findRegister(const std::string& registerName) const;
    std::optional<FieldLayout> findField(const std::string& registerName, const std::string& fieldName) const;
    // Names (with prefix) of the registers whose plain name starts with `group` ("bias/"), in name order.
    std::vector<std::string> registerNames(const std::string& group = {}) const;
    size_t registerCount() const { return registers_.size(); }

    // Kind-4 waits go through this function; the default sleeps. Simulated devices and tests may
    // shorten it.
    void setWaitFunction(WaitFunction wait);

private:
    const RegisterLayout* lookup(const std::string& registerName) const;
    std::string fullName(const std::string& registerName) const;
    uint32_t transfer(CtrlFrame& frame);
    uint32_t readLocked(uint32_t address, uint32_t& value);
    uint32_t writeLocked(uint32_t address, uint32_t value);

    std::shared_ptr<CameraInterface> interface_;
    std::string prefix_;
    std::map<std::string, RegisterLayout> registers_;  // keyed by prefixed name
    mutable std::mutex mutex_;                          // serialises transfers and read-modify-writes
    WaitFunction wait_;
};

}  // namespace quillex
