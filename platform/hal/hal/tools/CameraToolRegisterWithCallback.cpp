#include "hal/tools/CameraToolRegisterWithCallback.h"

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "platform/hal/hal/tools/CameraToolRegisterWithCallback";

CameraToolRegisterWithCallback::CameraToolRegisterWithCallback(std::shared_ptr<RegisterController> controller,
                                                               ToolInfo info, std::string registerGroup)
    : CameraTool(std::move(info)), controller_(std::move(controller)), group_(std::move(registerGroup)) {
    if (!controller_) ZX_LOG(4, "Tool %s built without a register controller", getToolInfo().name.c_str());
}

void CameraToolRegisterWithCallback::addRegister2Map(FullParamteterInfo info, Getter getter, Setter setter) {
    addParameter(std::move(info), std::move(getter), std::move(setter));
}

bool CameraToolRegisterWithCallback::readField(const std::string& registerName, const std::string& fieldName,
                                               uint32_t& value) const {
    return controller_ && controller_->readRegisterField(qualified(registerName), fieldName, value) == 0;
}

bool CameraToolRegisterWithCallback::writeField(const std::string& registerName, const std::string& fieldName,
                                                uint32_t value) const {
    return controller_ && controller_->writeRegisterField(qualified(registerName), fieldName, value) == 0;
}

bool CameraToolRegisterWithCallback::writeRegister(const std::string& registerName, uint32_t value) const {
    return controller_ && controller_->writeRegisterWithControlTransfer(qualified(registerName), value) == 0;
}

void CameraToolRegisterWithCallback::addFieldInt(const std::string& key, const std::string& description,
                                                 const std::string& registerName, const std::string& fieldName,
                                                 IntParameterInfo range) {
    addRegister2Map(
        FullParamteterInfo{key, description, TOOL_PARAM_INT, range},
        [this, registerName, fieldName](ParamValue& value) {
            uint32_t raw = 0;
            if (!readField(registerName, fieldName, raw)) return false;
            value = static_cast<int32_t>(raw);
            return true;
        },
        [this, registerName, fieldName](const ParamValue& value) {
            const int32_t v = std::get<int32_t>(value);
            return v >= 0 && writeField(registerName, fieldName, static_cast<uint32_t>(v));
        });
}

void CameraToolRegisterWithCallback::addFieldBool(const std::string& key, const std::string& description,
                                                  const std::string& registerName, const std::string& fieldName,
                                                  bool defaultValue) {
    addRegister2Map(
        FullParamteterInfo{key, description, TOOL_PARAM_BOOL, BoolParameterInfo{defaultValue}},
        [this, registerName, fieldName](ParamValue& value) {
            uint32_t raw = 0;
            if (!readField(registerName, fieldName, raw)) return false;
            value = raw != 0;
            return true;
        },
        [this, registerName, fieldName](const ParamValue& value) {
            return writeField(registerName, fieldName, std::get<bool>(value) ? 1u : 0u);
        });
}

}  // namespace quillex
