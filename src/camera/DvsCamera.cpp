#include "camera/DvsCamera.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "base/Logger.h"

static constexpr const char* kLogModule = "src/camera/DvsCamera";

namespace quillex {

namespace {

// False for a JSON type that no parameter takes; `accepted` is what the tool answered.
bool applyParam(CameraTool& tool, const std::string& name, const nlohmann::json& value, bool& accepted) {
    if (value.is_string())
        accepted = tool.setParam(name, value.get<std::string>());
    else if (value.is_boolean())
        accepted = tool.setParam(name, value.get<bool>());
    else if (value.is_number_integer())
        accepted = tool.setParam(name, value.get<int32_t>());
    else if (value.is_number_float())
        accepted = tool.setParam(name, static_cast<float>(value.get<double>()));
    else
        return false;
    return true;
}

}  // namespace

DvsCamera::DvsCamera(const CameraDescription& description) : description_(description) {}

DvsCamera::~DvsCamera() = default;

void DvsCamera::setFileCacheTime(uint16_t, const std::string&) {}

void DvsCamera::setStatisticInfoCallback(StatisticCallback) {}

bool DvsCamera::updateCameraFirmware(const std::string&, uint32_t) { return false; }

bool DvsCamera::getFirmwareVersion(std::string& version) {
    version = "N/A";
    return false;
}

CameraDescription DvsCamera::getDescription() const { return description_; }

std::shared_ptr<CameraTool> DvsCamera::getTool(ToolType type) const {
    auto it = tools_.find(type);
    if (it == tools_.end()) {
        ZX_LOG(4, "Tool not found");
        return nullptr;
    }
    return it->second;
}

std::shared_ptr<CameraTool> DvsCamera::getTool(const std::string& name) const {
    for (const auto& [type, tool] : tools_)
        if (tool && tool->getToolInfo().name == name) return tool;
    return nullptr;
}

ToolInfo DvsCamera::getToolInfo(ToolType type) const {
    auto it = tools_.find(type);
    if (it == tools_.end() || !it->second) {
        ZX_LOG(4, "Tool not found");
        throw std::runtime_error("Tool not found");
    }
    return it->second->getToolInfo();
}

std::vector<ToolInfo> DvsCamera::getAllToolsInfo() const {
    std::vector<ToolInfo> infos;
    infos.reserve(tools_.size());
    for (const auto& [type, tool] : tools_)
        if (tool) infos.push_back(tool->getToolInfo());
    return infos;
}

bool DvsCamera::exportCameraConfigParams(const std::string& path) const {
    nlohmann::json root = nlohmann::json::object();
    for (const ToolInfo& info : getAllToolsInfo()) {
        std::shared_ptr<CameraTool> tool = getTool(info.type);
        nlohmann::json& params = root[info.name];
        params = nlohmann::json::object();
        if (!tool) continue;
        for (const auto& [name, param] : tool->getAllParamInfo()) {
            switch (param.type) {
                case TOOL_PARAM_INT: {
                    int32_t value = 0;
                    tool->getParam(name, value);
                    params[name] = value;
                    break;
                }
                case TOOL_PARAM_FLOAT: {
                    float value = 0.0f;
                    tool->getParam(name, value);
                    params[name] = static_cast<double>(value);
                    break;
                }
                case TOOL_PARAM_BOOL: {
                    bool value = false;
                    tool->getParam(name, value);
                    params[name] = value;
                    break;
                }
                case TOOL_PARAM_ENUM: {
                    std::string value;
                    tool->getParam(name, value);
                    params[name] = value;
                    break;
                }
                default:
                    break;  // commands carry no value
            }
        }
    }
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    if (!out.is_open()) {
        ZX_LOG(4, "Failed to open %s file for writing.", path.c_str());
        return false;
    }
    out << root.dump(4);
    out.close();
    ZX_LOG(2, "Parameters saved to %s", path.c_str());
    return true;
}

bool DvsCamera::loadCameraConfigParams(const std::string& path) {
    std::ifstream in(path);
    if (!in.is_open()) {
        ZX_LOG(4, "Failed to open config file: %s", path.c_str());
        return false;
    }
    const nlohmann::json root = nlohmann::json::parse(in, nullptr, true, false);
    for (const auto& [toolName, toolValue] : root.items()) {
        std::shared_ptr<CameraTool> tool = getTool(toolName);
        if (!tool) {
            ZX_LOG(3, "Tool not found: %s, skipping...", toolName.c_str());
            continue;
        }
        if (!toolValue.is_object()) {
            ZX_LOG(3, "Unsupported parameter type for %s.%s, skipped.", toolName.c_str(), "");
            continue;
        }
        // Parameters a tool refuses get one more try after the others: a window's position may
        // only fit once its size is set, whatever the key order.
        std::vector<std::pair<std::string, const nlohmann::json*>> refused;
        for (const auto& [paramName, value] : toolValue.items()) {
            try {
                bool accepted = false;
                if (!applyParam(*tool, paramName, value, accepted)) {
                    ZX_LOG(3, "Unsupported parameter type for %s.%s, skipped.", toolName.c_str(), paramName.c_str());
                    continue;
                }
                ZX_LOG(2, "Set %s.%s = %s", toolName.c_str(), paramName.c_str(), value.dump().c_str());
                if (!accepted) refused.emplace_back(paramName, &value);
            } catch (const std::exception& e) {
                ZX_LOG(4, "Failed to set %s.%s: %s", toolName.c_str(), paramName.c_str(), e.what());
            }
        }
        for (const auto& [paramName, value] : refused) {
            try {
                bool accepted = false;
                applyParam(*tool, paramName, *value, accepted);
                if (accepted)
                    ZX_LOG(2, "Set %s.%s = %s after the other parameters", toolName.c_str(), paramName.c_str(),
                           value->dump().c_str());
                else
                    ZX_LOG(3, "Parameter %s.%s = %s refused by the tool.", toolName.c_str(), paramName.c_str(),
                           value->dump().c_str());
            } catch (const std::exception& e) {
                ZX_LOG(4, "Failed to set %s.%s: %s", toolName.c_str(), paramName.c_str(), e.what());
            }
        }
    }
    ZX_LOG(2, "Configuration applied from %s", path.c_str());
    return true;
}

}  // namespace quillex
