#include "sensor/Imx6x6Sensor.h"

#include <thread>

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "src/sensor/Imx6x6Sensor";

namespace {

constexpr RegisterOperation write(uint32_t address, uint32_t value) {
    return {RegisterOperation::kWrite, address, value, 0, 0};
}
constexpr RegisterOperation masked(uint32_t address, uint32_t value, uint32_t mask) {
    return {RegisterOperation::kMaskedWrite, address, value, mask, 0};
}
constexpr RegisterOperation wait(uint32_t microseconds) { return {RegisterOperation::kWait, 0, 0, 0, microseconds}; }

constexpr const char* kNoSequence = "Imx6x6Sensor init failed! No sequence callback provided!";
constexpr const char* kNoFieldWriter = "Imx6x6Sensor init failed! No write register callback provided!";

}  // namespace

const std::vector<RegisterOperation>& Imx6x6Sensor::stopSequence() {
    static const std::vector<RegisterOperation> sequence = {
        masked(0x4, 0xF0005042, 0x400),  // pixels held in reset
        write(0x2C, 0x22C324),
        write(0x9028, 0x2),
        wait(1000),
        masked(0x9008, 0x644, 0x1),  // time base off
        write(0xB000, 0x2F8),        // output off
        wait(300),
    };
    return sequence;
}

const std::vector<RegisterOperation>& Imx6x6Sensor::startSequence() {
    static const std::vector<RegisterOperation> sequence = {
        write(0xB000, 0x2F9),
        write(0x9028, 0x0),
        masked(0x9008, 0x645, 0x1),
        write(0x2C, 0x22C724),
        masked(0x4, 0xF0005442, 0x400),
    };
    return sequence;
}

const std::vector<RegisterOperation>& Imx6x6Sensor::powerUpSequence() {
    static const std::vector<RegisterOperation> sequence = {
        write(0x70, 0x400008),
        write(0x6C, 0xEE47114),
        wait(500),
        write(0xA00C, 0x20400),
        wait(500),
        write(0xA010, 0x8068),
        wait(200),
        write(0x1104, 0x0),
        wait(200),
        write(0xA020, 0x50),
        wait(200),
        write(0xA004, 0xB0500),
        wait(200),
        write(0xA008, 0x2404),
        wait(200),
        write(0xA000, 0xB0500),
        write(0xB044, 0x0),
        write(0xB004, 0xA),
        write(0xB040, 0xE),
        write(0xB0C8, 0x0),
        write(0xB040, 0x6),
        write(0xB040, 0x4),
        write(0x0, 0x4F006442),
        write(0x0, 0xF006442),
        write(0xB8, 0x401),
        write(0xB8, 0x400),
        write(0xB07C, 0x0),
    };
    return sequence;
}

const std::vector<RegisterOperation>& Imx6x6Sensor::bringUpSequence() {
    static const std::vector<RegisterOperation> sequence = {
        write(0x1C, 0x1),
        wait(1000000),
        write(0x400004, 0x1),
        wait(500000),
        write(0x400004, 0x0),
        wait(1000000),
        write(0xB000, 0x158),
        wait(300),
        write(0xB044, 0x0),
        write(0xB004, 0xA),
        write(0xB040, 0x0),
        write(0xB0C8, 0x0),
        write(0xB040, 0x0),
        write(0xB040, 0x0),
        write(0x0, 0x4F006442),
        write(0x0, 0xF006442),
        write(0xB8, 0x400),
        write(0xB8, 0x400),
        write(0xB07C, 0x0),
        write(0xB074, 0x2),
        write(0xB078, 0xA0),
        write(0xC0, 0x110),
        write(0xC0, 0x210),
        write(0xB120, 0x1),
        write(0xE120, 0x0),
        write(0xB068, 0x4),
        write(0xB07C, 0x1),
        wait(10),
        write(0xB07C, 0x3),
        wait(1000),
        write(0xB8, 0x401),
        write(0xB8, 0x409),
        write(0x0, 0x4F006442),
        write(0x0, 0x4F00644A),
        write(0xB080, 0x77),
        write(0xB084, 0xF),
        write(0xB088, 0x37),
        write(0xB08C, 0x37),
        write(0xB090, 0xDF),
        write(0xB094, 0x57),
        write(0xB098, 0x37),
        write(0xB09C, 0x67),
        write(0xB0A0, 0x37),
        write(0xB0A4, 0x2F),
        write(0xB0AC, 0x28),
        write(0xB0CC, 0x1),
        write(0xB000, 0x2F8),
        write(0xB004, 0x8A),
        write(0xB01C, 0x30),
        write(0xB020, 0x2000),
        write(0xB02C, 0xFF),
        write(0xB030, 0x3E80),
        write(0xB028, 0xFA0),
        write(0xA000, 0xB0501),
        wait(200),
        write(0xA008, 0x2405),
        wait(200),
        write(0xA004, 0xB0501),
        wait(200),
        write(0xA020, 0x150),
        wait(200),
        write(0xB040, 0x7),
        write(0xB064, 0x6),
        write(0xB040, 0xF),
        wait(100),
        write(0xB004, 0x8A),
        wait(200),
        write(0xB0C8, 0x3),
        wait(200),
        write(0xB044, 0x1),
        write(0xB000, 0x2F9),
        write(0x7008, 0x1),
        write(0x7000, 0x70001),
        write(0x8000, 0x1E085),
        write(0x9008, 0x644),
        write(0x4, 0xF0005042),
        write(0x18, 0x200),
        write(0x1014, 0x11A1504D),
        write(0x9004, 0x0),
        wait(1000),
        write(0x9000, 0x200),
    };
    return sequence;
}

bool Imx6x6Sensor::writeField(const char* registerName, const char* fieldName, uint32_t value) {
    if (!writeRegisterField_) return false;
    writeRegisterField_(registerName, fieldName, value);
    return true;
}

void Imx6x6Sensor::controlLifo(bool enable, bool outputEnable, bool counterEnable) {
    if (!writeRegisterField_) {
        ZX_LOG(4, "%s", kNoFieldWriter);
        return;
    }
    if (enable && outputEnable) {
        writeField("lifo_ctrl", "lifo_en", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        writeField("lifo_ctrl", "lifo_out_en", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else if (enable) {
        writeField("lifo_ctrl", "lifo_en", 1);
    } else if (outputEnable) {
        writeField("lifo_ctrl", "lifo_out_en", 1);
    } else {
        writeField("lifo_ctrl", "lifo_en", 0);
        writeField("lifo_ctrl", "lifo_out_en", 0);
    }
    writeField("lifo_ctrl", "lifo_cnt_en", counterEnable ? 1 : 0);
}

void Imx6x6Sensor::timeBaseConfig(bool external, bool master) {
    if (!writeRegisterField_) {
        ZX_LOG(4, "%s", kNoFieldWriter);
        return;
    }
    writeField("ro/time_base_ctrl", "time_base_mode", external);
    writeField("ro/time_base_ctrl", "external_mode", master);
    writeField("ro/time_base_ctrl", "external_mode_enable", external);
    writeField("ro/time_base_ctrl", "Reserved_10_4", 100);
    writeField("dig_pad2_ctrl", "pad_sync", external ? 12 : 15);
}

int Imx6x6Sensor::init(std::shared_ptr<CameraInterface> interface) {
    createEventStream(interface, kTransferSize, kBufferCount, kEndpoint);
    if (!applySequence_) {
        ZX_LOG(4, "%s", kNoSequence);
        return -1;
    }
    applySequence_(stopSequence());
    applySequence_(powerUpSequence());
    applySequence_(bringUpSequence());

    // Temperature sensor and its ADC.
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
    // Pixel current mirror.
    if (!writeRegisterField_) {
        ZX_LOG(4, "%s", kNoFieldWriter);
    } else {
        writeField("iph_mirr_ctrl", "iph_mirr_en", 1);
        writeField("iph_mirr_ctrl", "iph_mirr_amp_en", 1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    controlLifo(true, true, true);
    timeBaseConfig(false, true);

    initialized_ = true;
    ZX_LOG(2, "Imx6x6Sensor init success!");
    return 0;
}

int Imx6x6Sensor::start() {
    if (!initialized_) {
        ZX_LOG(4, "Please initialize the Imx6x6Sensor first!");
        return -1;
    }
    // The host must be reading before the sensor produces, or the first buffers are lost.
    if (!stream_ || stream_->start() != 0) {
        ZX_LOG(4, "Imx6x6Sensor start failed! The event stream did not start.");
        return -1;
    }
    if (!applySequence_) {
        ZX_LOG(4, "%s", kNoSequence);
        return -1;
    }
    applySequence_(startSequence());
    return 0;
}

int Imx6x6Sensor::stop() {
    if (!applySequence_) {
        ZX_LOG(4, "%s", kNoSequence);
        return -1;
    }
    applySequence_(stopSequence());
    if (stream_) stream_->stop();
    return 0;
}

}  // namespace quillex
