#include "hal/registers/RegisterController.h"

#include <algorithm>
#include <thread>

#include "base/Logger.h"
#include "hal/link/ControlProtocol.h"

namespace quillex {

static constexpr const char* kLogModule = "platform/hal/hal/registers/RegisterController";

namespace {

uint32_t maskOf(uint32_t start, uint32_t len) {
    if (len == 0 || start >= 32) return 0;
    uint64_t bits = (len >= 32) ? 0xFFFFFFFFull : ((1ull << len) - 1);
    return static_cast<uint32_t>((bits << start) & 0xFFFFFFFFull);
}

}  // namespace

RegisterController::RegisterController(std::shared_ptr<CameraInterface> interface, const RegisterInfo* table,
                                       size_t count, std::string prefix)
    : interface_(std::move(interface)), prefix_(std::move(prefix)) {
    RegisterLayout* current = nullptr;
    FieldLayout* field = nullptr;
    for (size_t i = 0; table != nullptr && i < count; ++i) {
        const RegisterInfo& row = table[i];
        const std::string name = row.name ? row.name : "";
        switch (row.kind) {
            case RegisterInfo::kRegister: {
                auto& reg = registers_[prefix_ + name];
                reg.name = prefix_ + name;
                reg.address = row.a;
                reg.fields.clear();
                current = &reg;
                field = nullptr;
                break;
            }
            case RegisterInfo::kField: {
                if (current == nullptr || row.a > 31 || row.b == 0 || row.a + row.b > 32) {
                    ZX_LOG(4, "Register table row %zu: field \"%s\" ignored (no register or bits %u/%u)", i,
                           name.c_str(), row.a, row.b);
                    field = nullptr;
                    break;
                }
                FieldLayout f;
                f.name = name;
                f.start = row.a;
                f.len = row.b;
                f.mask = maskOf(row.a, row.b);
                f.defaultValue = row.c;
                field = &(current->fields[name] = std::move(f));
                break;
            }
            case RegisterInfo::kAlias:
                if (field == nullptr) {
                    ZX_LOG(4, "Register table row %zu: alias \"%s\" without a field ignored", i, name.c_str());
                    break;
                }
                field->aliases[name] = row.a;
                break;
            default:
                ZX_LOG(4, "Register table row %zu: unknown kind %u ignored", i, row.kind);
                break;
        }
    }
    ZX_LOG(1, "Register controller \"%s\": %zu registers", prefix_.c_str(), registers_.size());
}

std::string RegisterController::fullName(const std::string& registerName) const {
    if (!prefix_.empty() && registerName.compare(0, prefix_.size(), prefix_) == 0) return registerName;
    return prefix_ + registerName;
}

const RegisterController::RegisterLayout* RegisterController::lookup(const std::string& registerName) const {
    auto it = registers_.find(fullName(registerName));
    return it == registers_.end() ? nullptr : &it->second;
}

bool RegisterController::hasRegister(const std::string& registerName) const { return lookup(registerName) != nullptr; }

std::optional<RegisterController::RegisterLayout> RegisterController::findRegister(
    const std::string& registerName) const {
    const RegisterLayout* reg = lookup(registerName);
    if (reg == nullptr) return std::nullopt;
    return *reg;
}

std::optional<RegisterController::FieldLayout> RegisterController::findField(const std::string& registerName,
                                                                             const std::string& fieldName) const {
    const RegisterLayout* reg = lookup(registerName);
    if (reg == nullptr) return std::nullopt;
    auto it = reg->fields.find(fieldName);
    if (it == reg->fields.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> RegisterController::registerNames(const std::string& group) const {
    std::vector<std::string> names;
    const std::string wanted = prefix_ + group;
    for (const auto& [name, reg] : registers_)
        if (name.compare(0, wanted.size(), wanted) == 0) names.push_back(name);
    return names;
}

std::shared_ptr<CameraInterface> RegisterController::getInterface() const { return interface_; }

void RegisterController::setWaitFunction(WaitFunction wait) {
    std::lock_guard lock(mutex_);
    wait_ = std::move(wait);
}

uint32_t RegisterController::transfer(CtrlFrame& frame) {
    if (!interface_) {
        ZX_LOG(4, "Register access without an interface (command 0x%X)", frame.command);
        return kTransferFailed;
    }
    const int result = interface_->transferFrame(frame);
    if (result != 0 || frame.status != 0) {
        ZX_LOG(4, "Control transfer 0x%X failed (result %d, status %d)", frame.command, result, frame.status);
        return kTransferFailed;
    }
    return kOk;
}

uint32_t RegisterController::readLocked(uint32_t address, uint32_t& value) {
    CtrlFrame frame(protocol::kReadRegister);
    frame.push_back32(address);
    if (uint32_t status = transfer(frame); status != kOk) return status;
    if (frame.payload.empty()) {
        ZX_LOG(4, "Register read at 0x%X returned no value", address);
        return kTransferFailed;
    }
    value = frame.payload.front();
    return kOk;
}

uint32_t RegisterController::writeLocked(uint32_t address, uint32_t value) {
    CtrlFrame frame(protocol::kWriteRegister);
    frame.push_back32(address);
    frame.push_back32(value);
    return transfer(frame);
}

uint32_t RegisterController::writeRegisterField(const std::string& registerName, const std::string& fieldName,
                                                uint32_t value) {
    const RegisterLayout* reg = lookup(registerName);
    if (reg == nullptr) {
        ZX_LOG(3, "Register %s not in the table, write of %s skipped", fullName(registerName).c_str(),
               fieldName.c_str());
        return kUnknownName;
    }
    auto it = reg->fields.find(fieldName);
    if (it == reg->fields.end()) {
        ZX_LOG(3, "Field %s not in register %s, write skipped", fieldName.c_str(), reg->name.c_str());
        return kUnknownName;
    }
    const FieldLayout& field = it->second;
    if (field.len < 32 && value > (field.mask >> field.start)) {
        ZX_LOG(4, "Value %u does not fit field %s.%s (%u bits), write refused", value, reg->name.c_str(),
               fieldName.c_str(), field.len);
        return kBadValue;
    }
    std::lock_guard lock(mutex_);
    uint32_t current = 0;
    if (uint32_t status = readLocked(reg->address, current); status != kOk) return status;
    const uint32_t next = (current & ~field.mask) | ((value << field.start) & field.mask);
    return writeLocked(reg->address, next);
}

uint32_t RegisterController::writeRegisterFieldAlias(const std::string& registerName, const std::string& fieldName,
                                                     const std::string& alias) {
    auto field = findField(registerName, fieldName);
    if (!field) {
        ZX_LOG(3, "Field %s of register %s not in the table, alias write skipped", fieldName.c_str(),
               fullName(registerName).c_str());
        return kUnknownName;
    }
    auto it = field->aliases.find(alias);
    if (it == field->aliases.end()) {
        ZX_LOG(3, "Alias %s of %s.%s not in the table, write skipped", alias.c_str(), fullName(registerName).c_str(),
               fieldName.c_str());
        return kUnknownName;
    }
    return writeRegisterField(registerName, fieldName, it->second);
}

uint32_t RegisterController::readRegisterField(const std::string& registerName, const std::string& fieldName,
                                               uint32_t& value) {
    const RegisterLayout* reg = lookup(registerName);
    if (reg == nullptr) {
        ZX_LOG(3, "Register %s not in the table, read of %s skipped", fullName(registerName).c_str(),
               fieldName.c_str());
        return kUnknownName;
    }
    auto it = reg->fields.find(fieldName);
    if (it == reg->fields.end()) {
        ZX_LOG(3, "Field %s not in register %s, read skipped", fieldName.c_str(), reg->name.c_str());
        return kUnknownName;
    }
    std::lock_guard lock(mutex_);
    uint32_t current = 0;
    if (uint32_t status = readLocked(reg->address, current); status != kOk) return status;
    value = (current & it->second.mask) >> it->second.start;
    return kOk;
}

uint32_t RegisterController::writeRegisterWithControlTransfer(const std::string& registerName, uint32_t value) {
    const RegisterLayout* reg = lookup(registerName);
    if (reg == nullptr) {
        ZX_LOG(3, "Register %s not in the table, write skipped", fullName(registerName).c_str());
        return kUnknownName;
    }
    std::lock_guard lock(mutex_);
    return writeLocked(reg->address, value);
}

uint32_t RegisterController::readRegisterWithControlTransfer(const std::string& registerName, uint32_t* buffer,
                                                             uint32_t length) {
    const RegisterLayout* reg = lookup(registerName);
    if (reg == nullptr) {
        ZX_LOG(3, "Register %s not in the table, read skipped", fullName(registerName).c_str());
        return kUnknownName;
    }
    if (buffer == nullptr || length == 0) {
        ZX_LOG(4, "Register read of %s without a buffer", reg->name.c_str());
        return kBadValue;
    }
    CtrlFrame frame(protocol::kReadBlock);
    frame.push_back32(reg->address);
    frame.push_back32(length);
    std::lock_guard lock(mutex_);
    if (uint32_t status = transfer(frame); status != kOk) return status;
    if (frame.payload.size() < length) {
        ZX_LOG(4, "Block read of %s returned %zu of %u values", reg->name.c_str(), frame.payload.size(), length);
        return kTransferFailed;
    }
    std::copy_n(frame.payload.begin(), length, buffer);
    return kOk;
}

uint32_t RegisterController::writeRegisterDataWithControlTransfer(const std::string& registerName,
                                                                  const uint32_t* buffer, uint32_t length) {
    const RegisterLayout* reg = lookup(registerName);
    if (reg == nullptr) {
        ZX_LOG(3, "Register %s not in the table, write skipped", fullName(registerName).c_str());
        return kUnknownName;
    }
    if (buffer == nullptr || length == 0) {
        ZX_LOG(4, "Register write of %s without data", reg->name.c_str());
        return kBadValue;
    }
    CtrlFrame frame(protocol::kWriteBlock);
    frame.words.reserve(length + 1);
    frame.push_back32(reg->address);
    for (uint32_t i = 0; i < length; ++i) frame.push_back32(buffer[i]);
    std::lock_guard lock(mutex_);
    return transfer(frame);
}

uint32_t RegisterController::writeRegisterAddress(uint32_t address, uint32_t value) {
    std::lock_guard lock(mutex_);
    return writeLocked(address, value);
}

uint32_t RegisterController::readRegisterAddress(uint32_t address, uint32_t& value) {
    std::lock_guard lock(mutex_);
    return readLocked(address, value);
}

uint32_t RegisterController::applyRegisterOperationSequence(const std::vector<RegisterOperation>& sequence) {
    for (size_t i = 0; i < sequence.size(); ++i) {
        const RegisterOperation& op = sequence[i];
        uint32_t status = kOk;
        switch (op.kind) {
            case RegisterOperation::kWrite: {
                std::lock_guard lock(mutex_);
                status = writeLocked(op.address, op.value);
                break;
            }
            case RegisterOperation::kMaskedWrite: {
                std::lock_guard lock(mutex_);
                uint32_t current = 0;
                status = readLocked(op.address, current);
                if (status == kOk)
                    status = writeLocked(op.address, (current & ~op.operand) | (op.value & op.operand));
                break;
            }
            case RegisterOperation::kWait: {
                WaitFunction wait;
                {
                    std::lock_guard lock(mutex_);
                    wait = wait_;
                }
                // Waits run without the lock so tools stay usable during long bring-ups.
                const std::chrono::microseconds duration(op.wait);
                if (wait)
                    wait(duration);
                else
                    std::this_thread::sleep_for(duration);
                break;
            }
            default:
                ZX_LOG(4, "Register sequence step %zu: unknown operation kind %u", i + 1, op.kind);
                status = kBadValue;
                break;
        }
        if (status != kOk) {
            ZX_LOG(4, "Register sequence stopped at step %zu of %zu (address 0x%X)", i + 1, sequence.size(),
                   op.address);
            return status;
        }
    }
    return kOk;
}

}  // namespace quillex
