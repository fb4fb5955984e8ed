#pragma once
// A tool whose parameters are read and written through a RegisterController, each parameter
// with its own getter and setter callbacks. `registerGroup` ("erc/", "bias/", or "" for the
// sensor's top level) is the block the tool works on; the field helpers take names relative to it.

#include <cstdint>
#include <memory>
#include <string>

#include "hal/registers/RegisterController.h"
#include "hal/tools/CameraTool.h"

namespace quillex {

class CameraToolRegisterWithCallback : public CameraTool {
public:
    const std::shared_ptr<RegisterController>& getRegisterController() const { return controller_; }
    const std::string& getRegisterGroup() const { return group_; }

protected:
    CameraToolRegisterWithCallback(std::shared_ptr<RegisterController> controller, ToolInfo info,
                                   std::string registerGroup);

    // Registers one parameter with its callbacks (parameters are kept by name).
    void addRegister2Map(FullParamteterInfo info, Getter getter, Setter setter);

    // An integer parameter that is exactly one register field (no scaling).
    void addFieldInt(const std::string& key, const std::string& description, const std::string& registerName,
                     const std::string& fieldName, IntParameterInfo range);
    // A boolean parameter that is exactly one 1-bit register field.
    void addFieldBool(const std::string& key, const std::string& description, const std::string& registerName,
                      const std::string& fieldName, bool defaultValue);

    // Field access relative to the register group; true on success.
    bool readField(const std::string& registerName, const std::string& fieldName, uint32_t& value) const;
    bool writeField(const std::string& registerName, const std::string& fieldName, uint32_t value) const;
    bool writeRegister(const std::string& registerName, uint32_t value) const;
    std::string qualified(const std::string& registerName) const { return group_ + registerName; }

private:
    std::shared_ptr<RegisterController> controller_;
    std::string group_;
};

}  // namespace quillex
