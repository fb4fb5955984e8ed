#pragma once
// The named-register model: registers with named bit fields and symbolic field values,
// built from the static RegisterInfo tables.

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "hal/registers/RegisterInfo.h"

namespace quillex {

class Register {
public:
    class Field {
    public:
        Field(std::string name, uint8_t start, uint8_t len, uint32_t defaultValue,
              std::map<std::string, uint32_t> aliases = {});

        const std::string& get_name() const { return name_; }
        uint8_t get_start() const { return start_; }
        uint8_t get_len() const { return len_; }
        uint32_t get_mask() const { return mask_; }
        uint32_t get_default_value() const { return defaultValue_; }
        const std::map<std::string, uint32_t>& get_aliases() const { return aliases_; }

        void set_start(uint8_t start);
        void set_len(uint8_t len);
        // Inserts the alias, or overwrites the value of an existing one.
        void add_alias(const std::string& name, uint32_t value);

        // Largest value the field holds.
        uint32_t max_value() const;
        // `registerValue` with this field's bits replaced by `value` (bits beyond the field dropped).
        uint32_t insert(uint32_t registerValue, uint32_t value) const;
        uint32_t extract(uint32_t registerValue) const;

    private:
        void updateMask();
        std::string name_;
        uint8_t start_;
        uint8_t len_;
        uint32_t mask_ = 0;
        uint32_t defaultValue_;
        std::map<std::string, uint32_t> aliases_;
    };

    Register(std::string name, uint32_t address);

    const std::string& get_name() const { return name_; }
    uint32_t get_address() const { return address_; }
    // A register object caches no value.
    uint32_t get_value() const { return 0; }

    // Throws std::runtime_error("Register: Field not found").
    Field& operator[](const std::string& fieldName);
    const Field& operator[](const std::string& fieldName) const;

    void add_field(Field field);
    const std::map<std::string, Field>& fields() const { return fields_; }
    // The reset value: every field's default in place.
    uint32_t get_default_value() const;

private:
    std::string name_;
    uint32_t address_;
    std::map<std::string, Field> fields_;
};

class RegisterMap {
public:
    RegisterMap() = default;
    // Reads a table in order (see RegisterInfo). Throws std::invalid_argument on a field or alias
    // row without a register or field before it, or a field outside bits 0..31.
    RegisterMap(const RegisterInfo* table, size_t count);
    explicit RegisterMap(std::span<const RegisterInfo> table) : RegisterMap(table.data(), table.size()) {}

    // Throws std::runtime_error("RegisterController: Register not found").
    Register& operator[](const std::string& registerName);
    const Register& operator[](const std::string& registerName) const;

    bool contains(const std::string& registerName) const { return registers_.count(registerName) != 0; }
    size_t size() const { return registers_.size(); }
    const std::map<std::string, Register>& registers() const { return registers_; }
    void add(Register reg);

private:
    std::map<std::string, Register> registers_;
};

}  // namespace quillex
