#pragma once
// One step of a register sequence.

#include <cstdint>
#include <vector>

namespace quillex {

struct RegisterOperation {
    enum Kind : uint32_t {
        kWrite = 2,        // write `value` to `address`
        kMaskedWrite = 3,  // bits set in `operand` take `value`'s bits, the others keep their content
        kWait = 4,         // wait `wait` microseconds
    };

    uint32_t kind = 0;
    uint32_t address = 0;
    uint32_t value = 0;
    uint32_t operand = 0;
    uint32_t wait = 0;

    bool operator==(const RegisterOperation&) const = default;
};

using RegisterOperationSequence = std::vector<RegisterOperation>;

}  // namespace quillex
