#include "hal/sim/SimRegisterFile.h"

#include <algorithm>
#include <cmath>

#include "hal/link/ControlProtocol.h"
#include "hal/registers/SensorRegisterAddresses.h"

namespace quillex {

namespace {

// Addresses the state is derived from, per sensor family.
struct Layout {
    uint32_t roiCtrl, roiTdEnBit, roiRoniNEnBit;
    uint32_t timeBaseCtrl, outputCtrl;
    uint32_t biasDiffOn, biasDiff, biasDiffOff, biasCodeMask;
    uint32_t roiX0, roiXCount, roiY0, roiYCount;
    uint32_t ercEnable, ercPeriod, ercPeriodMask, ercTarget, ercTargetMask;
    uint32_t triggerIn, triggerInEnableBit;
    double biasStep;  // code distance that changes the rate by a factor e
};

const Layout kImx636{regs::imx636::kRoiCtrl,        regs::imx636::kRoiTdEnBit,     regs::imx636::kRoiRoniNEnBit,
                     regs::imx636::kTimeBaseCtrl,   regs::imx636::kOutputCtrl,     regs::imx636::kBiasDiffOn,
                     regs::imx636::kBiasDiff,       regs::imx636::kBiasDiffOff,    regs::imx636::kBiasCodeMask,
                     regs::imx636::kRoiX0,          regs::imx636::kRoiXCount,      regs::imx636::kRoiY0,
                     regs::imx636::kRoiYCount,      regs::imx636::kErcEnable,      regs::imx636::kErcReferencePeriod,
                     0x3FF,                         regs::imx636::kErcTargetEventRate, 0x3FFFFF,
                     regs::imx636::kTriggerIn,      regs::imx636::kTriggerInEnableBit, 16.0};

const Layout kGenx320{regs::genx320::kRoiCtrl,      regs::genx320::kRoiTdEnBit,    regs::genx320::kRoiRoniNEnBit,
                      regs::genx320::kTimeBaseCtrl, regs::genx320::kOutputCtrl,    regs::genx320::kBiasDiffOnLv0,
                      regs::genx320::kBiasDiffLv0,  regs::genx320::kBiasDiffOffLv0, regs::genx320::kBiasCodeMask,
                      regs::genx320::kRoiX0,        regs::genx320::kRoiXCount,     regs::genx320::kRoiY0,
                      regs::genx320::kRoiYCount,    regs::genx320::kErcPipelineControl,
                      regs::genx320::kErcReferencePeriod, 0x3FF, regs::genx320::kErcTargetEventCount, 0x1FFFFF,
                      regs::genx320::kTriggerIn,    regs::genx320::kTriggerInEnableBit, 8.0};

const Layout& layoutFor(bool genx320) { return genx320 ? kGenx320 : kImx636; }

// Bias reset values: code in the low bits, the reserved field above it (IMX636).
struct ResetValue {
    uint32_t address;
    uint32_t value;
};
constexpr ResetValue kImx636Reset[] = {
    {regs::imx636::kRoiCtrl, 1u << regs::imx636::kRoiRoniNEnBit},
    {regs::imx636::kBiasFo, 0 | (238056u << 8)},
    {regs::imx636::kBiasHpf, 0 | (238079u << 8)},
    {regs::imx636::kBiasDiffOn, 0 | (106851u << 8)},
    {regs::imx636::kBiasDiff, 77 | (106832u << 8)},
    {regs::imx636::kBiasDiffOff, 0 | (106807u << 8)},
    {regs::imx636::kBiasRefr, 20 | (230038u << 8)},
    {regs::imx636::kErcReferencePeriod, 128},
    {regs::imx636::kErcTargetEventRate, 128},
    {regs::imx636::kTriggerIn, 1u << regs::imx636::kTriggerInEnableBit},
    {regs::imx636::kTimeBaseCtrl, 100u << 4},
};
constexpr ResetValue kGenx320Reset[] = {
    {regs::genx320::kRoiCtrl, 1u << regs::genx320::kRoiRoniNEnBit},
    {regs::genx320::kBiasPrHv0, 61},
    {regs::genx320::kBiasFoHv0, 39},
    {regs::genx320::kBiasHpfLv0, 0},
    {regs::genx320::kBiasDiffOnLv0, 24},
    {regs::genx320::kBiasDiffLv0, 51},
    {regs::genx320::kBiasDiffOffLv0, 19},
    {regs::genx320::kBiasRefrLv0, 82},
    {regs::genx320::kErcReferencePeriod, 128},
    {regs::genx320::kErcTargetEventCount, 128},
    {regs::genx320::kTriggerIn, 1u << regs::genx320::kTriggerInEnableBit},
    {regs::genx320::kTimeBaseCtrl, 50u << 4},
};
constexpr uint32_t kDefaultExposureUs = 10000;

bool bit(uint32_t value, uint32_t index) { return ((value >> index) & 1u) != 0; }

}  // namespace

SimRegisterFile::SimRegisterFile(bool genx320, uint16_t width, uint16_t height, bool frameSensor)
    : genx320_(genx320), width_(width), height_(height), frameSensor_(frameSensor) {
    reset();
}

void SimRegisterFile::reset() {
    std::lock_guard lock(mutex_);
    values_.clear();
    if (genx320_) {
        for (const auto& r : kGenx320Reset) values_[r.address] = r.value;
    } else {
        for (const auto& r : kImx636Reset) values_[r.address] = r.value;
    }
    if (frameSensor_) {
        values_[regs::imx415::kApsCtrl] = 0;
        values_[regs::imx415::kExposure] = kDefaultExposureUs;
        values_[regs::imx415::kGain] = 0;
        values_[regs::imx415::kReadoutCtrl] = 0;
    }
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

uint32_t SimRegisterFile::read(uint32_t address) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(address);
    return it == values_.end() ? 0u : it->second;
}

void SimRegisterFile::write(uint32_t address, uint32_t value) {
    std::lock_guard lock(mutex_);
    values_[address] = value;
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

SimSensorState SimRegisterFile::state() const {
    const Layout& l = layoutFor(genx320_);
    std::lock_guard lock(mutex_);
    auto get = [this](uint32_t address) {
        auto it = values_.find(address);
        return it == values_.end() ? 0u : it->second;
    };
    SimSensorState s;
    s.generation = generation_.load(std::memory_order_acquire);
    s.timeBaseEnabled = bit(get(l.timeBaseCtrl), 0);
    s.pixelsEnabled = bit(get(l.outputCtrl), 0);
    s.triggerInEnabled = bit(get(l.triggerIn), l.triggerInEnableBit);

    s.ercEnabled = bit(get(l.ercEnable), 0);
    s.ercPeriodUs = std::max<uint32_t>(1, get(l.ercPeriod) & l.ercPeriodMask);
    s.ercMaxRate = static_cast<double>(get(l.ercTarget) & l.ercTargetMask) * 1e6 / s.ercPeriodUs;

    // Contrast thresholds: an ON/OFF code closer to bias_diff means a lower threshold and
    // more events; relative to the reset distance, each biasStep codes scale the rate by e.
    const double resetOn = genx320_ ? 51 - 24 : 77 - 0;
    const double resetOff = genx320_ ? 51 - 19 : 77 - 0;
    const double diff = get(l.biasDiff) & l.biasCodeMask;
    const double on = get(l.biasDiffOn) & l.biasCodeMask;
    const double off = get(l.biasDiffOff) & l.biasCodeMask;
    auto factor = [&](double distance, double reset) {
        return std::clamp(std::exp((reset - distance) / l.biasStep), 1.0 / 256, 16.0);
    };
    s.biasFactorOn = factor(std::abs(on - diff), resetOn);
    s.biasFactorOff = factor(std::abs(diff - off), resetOff);

    const uint32_t roiCtrl = get(l.roiCtrl);
    s.roiEnabled = bit(roiCtrl, l.roiTdEnBit);
    s.roiKeepsInside = bit(roiCtrl, l.roiRoniNEnBit);
    if (s.roiEnabled) {
        // A set bit marks its column/row as outside the window.
        s.columnSelected.assign(width_, 0);
        s.rowSelected.assign(height_, 0);
        for (uint32_t x = 0; x < width_; ++x)
            s.columnSelected[x] = (x / 32 < l.roiXCount && !bit(get(l.roiX0 + 4 * (x / 32)), x % 32)) ? 1 : 0;
        for (uint32_t y = 0; y < height_; ++y)
            s.rowSelected[y] = (y / 32 < l.roiYCount && !bit(get(l.roiY0 + 4 * (y / 32)), y % 32)) ? 1 : 0;
    }

    if (frameSensor_) {
        s.apsStreaming = bit(get(regs::imx415::kApsCtrl), 0);
        s.apsExposureUs = get(regs::imx415::kExposure);
    }
    return s;
}

}  // namespace quillex
