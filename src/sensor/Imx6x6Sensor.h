#pragma once
// Driver of the IMX636 event sensor (1280 x 720).

#include "sensor/Sensor.h"

namespace quillex {

class Imx6x6Sensor : public Sensor {
public:
    static constexpr uint32_t kTransferSize = 131072;
    static constexpr uint32_t kBufferCount = 20;
    static constexpr uint8_t kEndpoint = 0x52;

    Imx6x6Sensor() = default;

    // Stop, power-up and bring-up sequences, then temperature, current mirror, readout buffer
    // and time base set-up. -1 without a sequence callback.
    int init(std::shared_ptr<CameraInterface> interface) override;
    // Starts the event stream, then applies the start sequence.
    int start() override;
    // Applies the stop sequence, then stops the event stream.
    int stop() override;

    static const std::vector<RegisterOperation>& stopSequence();
    static const std::vector<RegisterOperation>& startSequence();
    static const std::vector<RegisterOperation>& powerUpSequence();
    static const std::vector<RegisterOperation>& bringUpSequence();

private:
    bool writeField(const char* registerName, const char* fieldName, uint32_t value);
    void controlLifo(bool enable, bool outputEnable, bool counterEnable);
    void timeBaseConfig(bool external, bool master);
};

}  // namespace quillex
