#pragma once
// Driver of the GenX320 event sensor (320 x 320). Its streaming registers are set by init;
// start and stop only drive the event stream.

#include "sensor/Sensor.h"

namespace quillex {

class Genx320Sensor : public Sensor {
public:
    static constexpr uint32_t kTransferSize = 131072;
    static constexpr uint32_t kBufferCount = 20;
    static constexpr uint8_t kEndpoint = 0x52;

    Genx320Sensor() = default;

    int init(std::shared_ptr<CameraInterface> interface) override;
    int start() override;
    int stop() override;

    // The two sequences of init, in order.
    static const std::vector<RegisterOperation>& resetSequence();
    static const std::vector<RegisterOperation>& bringUpSequence();

private:
    bool writeField(const char* registerName, const char* fieldName, uint32_t value);
    void controlLifo(bool enable);
    void timeBaseConfig(bool external, bool master);
};

}  // namespace quillex
