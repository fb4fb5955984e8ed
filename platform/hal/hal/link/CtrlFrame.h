#pragma once
// One control transfer: a command with 32-bit argument words; the device's answer comes back in `payload`.

#include <cstdint>
#include <vector>

namespace quillex {

struct CtrlFrame {
    uint32_t command = 0;
    std::vector<uint32_t> words;    // arguments, in order
    std::vector<uint32_t> payload;  // answer words
    int32_t status = 0;             // 0 when the device accepted the command

    CtrlFrame() = default;
    explicit CtrlFrame(uint32_t command_) : command(command_) {}
    void push_back32(uint32_t word) { words.push_back(word); }
};

}  // namespace quillex
