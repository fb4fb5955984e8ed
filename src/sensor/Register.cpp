#include "sensor/Register.h"

#include <stdexcept>

namespace quillex {

Register::Field::Field(std::string name, uint8_t start, uint8_t len, uint32_t defaultValue,
                       std::map<std::string, uint32_t> aliases)
    : name_(std::move(name)), start_(start), len_(len), defaultValue_(defaultValue), aliases_(std::move(aliases)) {
    updateMask();
}

void Register::Field::updateMask() {
    // Bits beyond bit 31 are not part of a 32-bit register.
    if (len_ == 0 || start_ >= 32) {
        mask_ = 0;
        return;
    }
    const uint64_t bits = len_ >= 32 ? 0xFFFFFFFFull : ((1ull << len_) - 1);
    mask_ = static_cast<uint32_t>((bits << start_) & 0xFFFFFFFFull);
}

void Register::Field::set_start(uint8_t start) {
    start_ = start;
    updateMask();
}

void Register::Field::set_len(uint8_t len) {
    len_ = len;
    updateMask();
}

void Register::Field::add_alias(const std::string& name, uint32_t value) { aliases_[name] = value; }

uint32_t Register::Field::max_value() const { return start_ >= 32 ? 0 : mask_ >> start_; }

uint32_t Register::Field::insert(uint32_t registerValue, uint32_t value) const {
    if (start_ >= 32) return registerValue;
    return (registerValue & ~mask_) | ((value << start_) & mask_);
}

uint32_t Register::Field::extract(uint32_t registerValue) const {
    return start_ >= 32 ? 0 : (registerValue & mask_) >> start_;
}

Register::Register(std::string name, uint32_t address) : name_(std::move(name)), address_(address) {}

Register::Field& Register::operator[](const std::string& fieldName) {
    auto it = fields_.find(fieldName);
    if (it == fields_.end()) throw std::runtime_error("Register: Field not found");
    return it->second;
}

const Register::Field& Register::operator[](const std::string& fieldName) const {
    auto it = fields_.find(fieldName);
    if (it == fields_.end()) throw std::runtime_error("Register: Field not found");
    return it->second;
}

void Register::add_field(Field field) {
    std::string key = field.get_name();
    fields_.insert_or_assign(std::move(key), std::move(field));
}

uint32_t Register::get_default_value() const {
    uint32_t value = 0;
    for (const auto& [name, field] : fields_) value = field.insert(value, field.get_default_value());
    return value;
}

RegisterMap::RegisterMap(const RegisterInfo* table, size_t count) {
    Register* current = nullptr;
    std::string field;
    for (size_t i = 0; i < count; ++i) {
        const RegisterInfo& row = table[i];
        const std::string name = row.name ? row.name : "";
        switch (row.kind) {
            case RegisterInfo::kRegister:
                registers_.insert_or_assign(name, Register(name, row.a));
                current = &registers_.at(name);
                field.clear();
                break;
            case RegisterInfo::kField:
                if (current == nullptr)
                    throw std::invalid_argument("Register table: field " + name + " before any register");
                if (row.b == 0 || row.a > 31 || row.a + row.b > 32)
                    throw std::invalid_argument("Register table: field " + name + " of " + current->get_name() +
                                                " outside bits 0..31");
                current->add_field(Register::Field(name, static_cast<uint8_t>(row.a), static_cast<uint8_t>(row.b), row.c));
                field = name;
                break;
            case RegisterInfo::kAlias:
                if (current == nullptr || field.empty())
                    throw std::invalid_argument("Register table: alias " + name + " before any field");
                (*current)[field].add_alias(name, row.a);
                break;
            default:
                throw std::invalid_argument("Register table: unknown row kind " + std::to_string(row.kind));
        }
    }
}

Register& RegisterMap::operator[](const std::string& registerName) {
    auto it = registers_.find(registerName);
    if (it == registers_.end()) throw std::runtime_error("RegisterController: Register not found");
    return it->second;
}

const Register& RegisterMap::operator[](const std::string& registerName) const {
    auto it = registers_.find(registerName);
    if (it == registers_.end()) throw std::runtime_error("RegisterController: Register not found");
    return it->second;
}

void RegisterMap::add(Register reg) {
    std::string key = reg.get_name();
    registers_.insert_or_assign(std::move(key), std::move(reg));
}

}  // namespace quillex
