#pragma once
// Register file of a simulated camera: 32-bit registers by address, reset values of the
// registers the simulation reads, and the sensor state derived from them (streaming,
// ROI, ERC, trigger-in, biases).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace quillex {

// Snapshot of what the registers tell the generator.
struct SimSensorState {
    bool timeBaseEnabled = false;  // sensor clock runs (start sequence)
    bool pixelsEnabled = false;    // pixel array out of reset
    bool triggerInEnabled = false;
    bool ercEnabled = false;
    double ercMaxRate = 0;  // events per second when ercEnabled
    uint32_t ercPeriodUs = 128;
    double biasFactorOn = 1.0;  // rate multipliers from the contrast thresholds
    double biasFactorOff = 1.0;
    bool roiEnabled = false;
    bool roiKeepsInside = true;  // false: the selected region is dropped (RONI)
    std::vector<uint8_t> columnSelected;  // per column: 1 when its ROI bit selects it
    std::vector<uint8_t> rowSelected;
    // Frame sensor
    bool apsStreaming = false;
    uint32_t apsExposureUs = 0;
    // Increases on every write; lets the generator refresh only when something changed.
    uint64_t generation = 0;
};

class SimRegisterFile {
public:
    SimRegisterFile(bool genx320, uint16_t width, uint16_t height, bool frameSensor);

    void reset();  // power-up values
    uint32_t read(uint32_t address) const;
    void write(uint32_t address, uint32_t value);
    // Incremented by every write.
    uint64_t generation() const { return generation_.load(std::memory_order_acquire); }
    SimSensorState state() const;

private:
    bool genx320_;
    uint16_t width_;
    uint16_t height_;
    bool frameSensor_;
    mutable std::mutex mutex_;
    std::unordered_map<uint32_t, uint32_t> values_;
    std::atomic<uint64_t> generation_{0};
};

}  // namespace quillex
