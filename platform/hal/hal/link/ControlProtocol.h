#pragma once
// Control-frame commands between a camera interface and its device (real or simulated).
// Every command answers with CtrlFrame::status 0 on success, negative on failure.

#include <cstdint>

namespace quillex::protocol {

// words: address, value                     payload: -
inline constexpr uint32_t kWriteRegister = 0x10;
// words: address                            payload: value
inline constexpr uint32_t kReadRegister = 0x11;
// words: address, value0, value1, ...       payload: -     (consecutive 32-bit registers)
inline constexpr uint32_t kWriteBlock = 0x12;
// words: address, count                     payload: values
inline constexpr uint32_t kReadBlock = 0x13;
// words: -                                  payload: serial number text, 4 bytes per word, little-endian, NUL padded
inline constexpr uint32_t kReadSerial = 0x20;
// words: -                                  payload: calibration JSON bytes, 4 per word little-endian; first word = byte count
inline constexpr uint32_t kReadCalibration = 0x21;
// words: -                                  payload: version text ("1.2.3"), 4 bytes per word little-endian, NUL padded
inline constexpr uint32_t kFirmwareVersion = 121;

}  // namespace quillex::protocol
