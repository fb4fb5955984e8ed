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
// words: byte count, data words (4 bytes each, little-endian, zero padded)    payload: -
inline constexpr uint32_t kWriteCalibration = 0x22;

// Fusion camera: switches the event sensor's data path on or off. Both are sent in this order.
// words: 0, on (1) or off (0)               payload: -
inline constexpr uint32_t kDvsEnable = 0x40010010;
inline constexpr uint32_t kDvsEnableCommit = 0x40010200;

// Register addresses. Event sensor registers sit at their sensor addresses (0x0 to 0xE150);
// the fusion camera's frame sensor answers from kFrameSensorBase on (its control registers
// are in hal/registers/SensorRegisterAddresses.h). Its two 64-byte text blocks (16 registers,
// 4 bytes each little-endian, NUL padded) are read with kReadBlock; the serial number block
// can be written with kWriteBlock.
inline constexpr uint32_t kFrameSensorBase = 0x100000;
inline constexpr uint32_t kFirmwareVersionBlock = kFrameSensorBase + 0x100;  // "firmware_version"
inline constexpr uint32_t kUsbSerialNumberBlock = kFrameSensorBase + 0x200;  // "usb_serialnumber"
inline constexpr uint32_t kTextBlockBytes = 64;

// Bulk endpoints.
inline constexpr uint8_t kEventEndpoint = 0x52;  // EVT 3.0 words, 16-bit little-endian
inline constexpr uint8_t kFrameEndpoint = 0x53;  // NV12 frames, one per transfer
// The fusion camera sends its EVT 3.0 words with the two bytes of every 16-bit word swapped;
// the host swaps them back before decoding.
inline constexpr uint32_t kEventTransferSize = 131072;

// Failure statuses in CtrlFrame::status.
inline constexpr int32_t kStatusOk = 0;
inline constexpr int32_t kStatusUnknownCommand = -1;
inline constexpr int32_t kStatusBadArguments = -2;
inline constexpr int32_t kStatusNotConnected = -3;

}  // namespace quillex::protocol
