#pragma once
// Row format of the static register tables that a RegisterController consumes.
// A table is read in order: a kRegister row opens a register, the kField rows after it are its
// fields, and the kAlias rows after a field are that field's symbolic values.

#include <cstdint>

namespace quillex {

struct RegisterInfo {
    enum Kind : uint32_t { kRegister = 0, kField = 1, kAlias = 2 };

    uint32_t kind;
    const char* name;
    uint32_t a;  // register: address; field: start bit; alias: value
    uint32_t b;  // field: length in bits; 0 otherwise
    uint32_t c;  // field: default value; 0 otherwise
    uint32_t d;  // always 0
};

}  // namespace quillex
