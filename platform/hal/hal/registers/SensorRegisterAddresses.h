#pragma once
// Register addresses that change what a sensor streams. The register tables of the driver, the
// tools and the simulated devices all use these constants, so a device model reacts to exactly
// the registers the host writes.
//
// Conventions shared by both event sensors:
// - Streaming: the sensor produces events while bit 0 of kTimeBaseCtrl (time_base_enable) and
//   bit 0 of kOutputCtrl are both set. The IMX636 start sequence sets both, its stop sequence
//   clears both; the GenX320 init sequences leave both set (its start/stop only drive the host
//   side stream).
// - ROI: kRoiX0 + 4*i covers columns 32*i .. 32*i+31, kRoiY0 + 4*j rows 32*j .. 32*j+31.
//   A set bit marks its column/row as outside the window ("disable" = all ones, "enable" = 0).
//   A pixel is inside the window when its column bit and its row bit are both clear.
//   kRoiCtrl bit kRoiTdEnBit turns the filter on; bit kRoiRoniNEnBit = 1 keeps only pixels
//   inside the window (ROI), 0 drops them (RONI). Writing kRoiShadowTriggerBit latches the
//   window registers.
// - ERC: when the enable bit is set the sensor lets at most `target` events through per
//   `reference period` microseconds (rate cap = target / period events per µs = MEv/s).
// - Trigger in: external trigger edges are reported only while the trigger-in enable bit is set.
// - Biases: the low bits of each bias register hold the bias current code (IMX636: 8 bits,
//   GenX320: 7 bits); bias_diff_on/bias_diff_off raise the event rate as they move toward
//   bias_diff (contrast thresholds), the defaults are the table defaults.

#include <cstdint>

namespace quillex::regs {

namespace imx636 {
inline constexpr uint32_t kWidth = 1280;
inline constexpr uint32_t kHeight = 720;

inline constexpr uint32_t kRoiCtrl = 0x4;  // "roi_ctrl"
inline constexpr uint32_t kRoiTdEnBit = 1;
inline constexpr uint32_t kRoiShadowTriggerBit = 5;
inline constexpr uint32_t kRoiRoniNEnBit = 6;
inline constexpr uint32_t kPxTdRstnBit = 10;  // pixel reset release, set by the start sequence
inline constexpr uint32_t kLifoCtrl = 0xC;    // "lifo_ctrl"

inline constexpr uint32_t kTimeBaseCtrl = 0x9008;  // "ro/time_base_ctrl", bit 0 time_base_enable
inline constexpr uint32_t kOutputCtrl = 0xB000;    // bit 0 output enable (0x2F9 on, 0x2F8 off)

inline constexpr uint32_t kBiasFo = 0x1004;
inline constexpr uint32_t kBiasHpf = 0x100C;
inline constexpr uint32_t kBiasDiffOn = 0x1010;
inline constexpr uint32_t kBiasDiff = 0x1014;
inline constexpr uint32_t kBiasDiffOff = 0x1018;
inline constexpr uint32_t kBiasRefr = 0x1020;
inline constexpr uint32_t kBiasCodeMask = 0xFF;  // "idac_ctl"

inline constexpr uint32_t kRoiX0 = 0x2000;  // "roi/td_roi_x00" .. "roi/td_roi_x39"
inline constexpr uint32_t kRoiXCount = 40;
inline constexpr uint32_t kRoiY0 = 0x4000;  // "roi/td_roi_y00" .. "roi/td_roi_y22"
inline constexpr uint32_t kRoiYCount = 23;

inline constexpr uint32_t kErcReferencePeriod = 0x6008;  // bits 0..9, µs
inline constexpr uint32_t kErcTargetEventRate = 0x600C;  // bits 0..21, events per period
inline constexpr uint32_t kErcEnable = 0x6028;           // bit 0

inline constexpr uint32_t kTriggerIn = 0x7004;  // "edf/trigger_in"
inline constexpr uint32_t kTriggerInEnableBit = 10;
}  // namespace imx636

namespace genx320 {
inline constexpr uint32_t kWidth = 320;
inline constexpr uint32_t kHeight = 320;

inline constexpr uint32_t kRoiCtrl = 0x0;  // "roi_ctrl" (same bit layout as the IMX636 one)
inline constexpr uint32_t kRoiTdEnBit = 1;
inline constexpr uint32_t kRoiShadowTriggerBit = 5;
inline constexpr uint32_t kRoiRoniNEnBit = 6;
inline constexpr uint32_t kPxTdRstnBit = 10;
inline constexpr uint32_t kLifoCtrl = 0xC;

inline constexpr uint32_t kTimeBaseCtrl = 0x9008;
inline constexpr uint32_t kOutputCtrl = 0xB000;

inline constexpr uint32_t kBiasPrHv0 = 0x1000;
inline constexpr uint32_t kBiasFoHv0 = 0x1004;
inline constexpr uint32_t kBiasHpfLv0 = 0x1100;
inline constexpr uint32_t kBiasDiffOnLv0 = 0x1104;
inline constexpr uint32_t kBiasDiffLv0 = 0x1108;
inline constexpr uint32_t kBiasDiffOffLv0 = 0x110C;
inline constexpr uint32_t kBiasRefrLv0 = 0x1114;
inline constexpr uint32_t kBiasCodeMask = 0x7F;  // "bias_ctl"

inline constexpr uint32_t kRoiX0 = 0x2000;  // "roi/td_roi_x00" .. "roi/td_roi_x09"
inline constexpr uint32_t kRoiXCount = 10;
inline constexpr uint32_t kRoiY0 = 0x4000;  // "roi/td_roi_y00" .. "roi/td_roi_y09"
inline constexpr uint32_t kRoiYCount = 10;

inline constexpr uint32_t kErcPipelineControl = 0x6000;  // bit 0 enable
inline constexpr uint32_t kErcReferencePeriod = 0x6020;  // "erc/ref_period_flavor", bits 0..9, µs
inline constexpr uint32_t kErcTargetEventCount = 0x602C; // bits 0..20, events per period

inline constexpr uint32_t kTriggerIn = 0x7004;  // "edf/trigger_in"
inline constexpr uint32_t kTriggerInEnableBit = 10;
}  // namespace genx320

// Frame sensor of the fusion camera. It shares the link (and the simulated register file) with
// the event sensor, so its registers live in an address range of their own.
namespace imx415 {
inline constexpr uint32_t kWidth = 3840;
inline constexpr uint32_t kHeight = 2160;

inline constexpr uint32_t kApsCtrl = 0x100000;      // "aps_ctrl": 1 streams frames, 0 stops
inline constexpr uint32_t kExposure = 0x100004;     // "exposure", µs
inline constexpr uint32_t kGain = 0x100008;         // "gain", 0.3 dB steps
inline constexpr uint32_t kReadoutCtrl = 0x10000C;  // "readout_ctrl": bit 0 horizontal flip, bit 1 vertical flip
}  // namespace imx415

}  // namespace quillex::regs
