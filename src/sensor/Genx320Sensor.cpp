#include "sensor/Genx320Sensor.h"

#include <thread>

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "src/sensor/Genx320Sensor";

namespace {

constexpr RegisterOperation write(uint32_t address, uint32_t value) {
    return {RegisterOperation::kWrite, address, value, 0, 0};
}
constexpr RegisterOperation masked(uint32_t address, uint32_t value, uint32_t mask) {
    return {RegisterOperation::kMaskedWrite, address, value, mask, 0};
}
constexpr RegisterOperation wait(uint32_t microseconds) { return {RegisterOperation::kWait, 0, 0, 0, microseconds}; }

constexpr const char* kNoSequence = "Genx320Sensor init failed! No sequence callback provided!";
constexpr const char* kNoFieldWriter = "Genx320Sensor init failed! No write register callback provided!";

}  // namespace

const std::vector<RegisterOperation>& Genx320Sensor::resetSequence() {
    static const std::vector<RegisterOperation> sequence = {
        masked(0x0, 0x0, 0x402),
        write(0x2C, 0x22C324),
        write(0x9028, 0x2),
        wait(1000),
        write(0x9008, 0x10320),
        masked(0xB000, 0x0, 0x1),
        wait(300),
    };
    return sequence;
}

const std::vector<RegisterOperation>& Genx320Sensor::bringUpSequence() {
    static const std::vector<RegisterOperation> sequence = {
        write(0x1208, 0x30),
        write(0x1104, 0x1010019),
        write(0x1128, 0x1010019),
        write(0x110C, 0x1010014),
        write(0x1130, 0x1010014),
        write(0x1000, 0x310003D),
        write(0x1004, 0x310001D),
        write(0x1008, 0x101003F),
        write(0x1100, 0x3010000),
        write(0x1104, 0x1010019),
        write(0x1108, 0x1010033),
        write(0x110C, 0x1010015),
        write(0x1110, 0x1010039),
        write(0x1114, 0x309000A),
        write(0x1118, 0x3010038),
        write(0x111C, 0x3000074),
        write(0x1120, 0x10000A4),
        write(0x1208, 0x35),
        write(0xB000, 0x400A801),
        write(0x7000, 0x1),
        write(0x7044, 0x1),
        write(0x704C, 0x7D0),
        write(0xB010, 0x6),
        write(0xB014, 0x7D0),
        write(0x9028, 0x0),
        write(0x9008, 0x321),
        write(0x2C, 0x22C724),
        write(0x0, 0x0),
    };
    return sequence;
}

bool Genx320Sensor::writeField(const char* registerName, const char* fieldName, uint32_t value) {
    if (!writeRegisterField_) return false;
    writeRegisterField_(registerName, fieldName, value);
    return true;
}

void Genx320Sensor::controlLifo(bool enable) {
    if (!writeRegisterField_) {
        ZX_LOG(4, "%s", kNoFieldWriter);
        return;
    }
    writeField("lifo_ctrl", "lifo_en", enable ? 1 : 0);
}

void Genx320Sensor::timeBaseConfig(bool external, bool master) {
    if (!writeRegisterField_) {
        ZX_LOG(4, "%s", kNoFieldWriter);
        return;
    }
    writeField("ro/time_base_ctrl", "time_base_mode", external);
    writeField("ro/time_base_ctrl", "external_mode", master);
    writeField("ro/time_base_ctrl", "external_mode_enable", external);
    writeField("ro/time_base_ctrl", "us_counter_max", 100);
    writeField("ro/time_base_ctrl", "th_every_64us_en", 1);
    // This sensor has no sync pad register: the controller reports the name and skips the write.
    writeField("dig_pad2_ctrl", "pad_sync", external ? 12 : 15);
}

int Genx320Sensor::init(std::shared_ptr<CameraInterface> interface) {
    createEventStream(interface, kTransferSize, kBufferCount, kEndpoint);
    if (!applySequence_) {
        ZX_LOG(4, "%s", kNoSequence);
        return -1;
    }
    applySequence_(resetSequence());
    applySequence_(bringUpSequence());

    if (!writeRegisterField_) {
        ZX_LOG(4, "%s", kNoFieldWriter);
    } else {
        writeField("adc_control", "adc_en", 1);
        writeField("adc_control", "adc_clk_en", 1);
        writeField("adc_misc_ctrl", "adc_buf_cal_en", 1);
        writeField("temp_ctrl", "temp_buf_en", 1);
        writeField("temp_ctrl", "temp_buf_cal_en", 1);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        writeField("adc_control", "adc_clk_en", 0);
    }
    if (!writeRegisterField_)
        ZX_LOG(4, "%s", kNoFieldWriter);
    else
        writeField("iph_mirr_ctrl", "iph_mirr_en", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    controlLifo(true);
    timeBaseConfig(false, true);

    initialized_ = true;
    ZX_LOG(2, "Genx320Sensor init success!");
    return 0;
}

int Genx320Sensor::start() {
    if (!initialized_) {
        ZX_LOG(4, "Please initialize the Genx320Sensor first!");
        return -1;
    }
    if (!stream_ || stream_->start() != 0) {
        ZX_LOG(4, "Genx320Sensor start failed! The event stream did not start.");
        return -1;
    }
    if (!applySequence_) {
        ZX_LOG(4, "%s", kNoSequence);
        return -1;
    }
    return 0;
}

int Genx320Sensor::stop() {
    if (!applySequence_) {
        ZX_LOG(4, "%s", kNoSequence);
        return -1;
    }
    if (stream_) stream_->stop();
    return 0;
}

}  // namespace quillex
