#pragma once
// Descriptions of a camera tool's parameters.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "hal/EventTypes.h"

namespace quillex {

enum ToolParameterType : int32_t {
    TOOL_PARAM_INT = 0,
    TOOL_PARAM_FLOAT = 1,
    TOOL_PARAM_BOOL = 2,
    TOOL_PARAM_COMMAND = 3,  // an action without a stored value; not saved or shown
    TOOL_PARAM_ENUM = 4,     // a named option, set and read as text
};

struct BasicParameterInfo {
    std::string name;
    std::string description;
    ToolParameterType type = TOOL_PARAM_INT;
};

// `value` is the parameter's current value when it can be read, else its default.
struct IntParameterInfo {
    int32_t min = 0;
    int32_t max = 0;
    int32_t value = 0;
    std::string unit;
};

struct FloatParameterInfo {
    float min = 0.0f;
    float max = 0.0f;
    float value = 0.0f;
    std::string unit;
};

struct BoolParameterInfo {
    bool value = false;
};

struct EnumParameterInfo {
    std::vector<std::string> options;  // in display order
    std::string value;
};

using TypedParameterInfo =
    std::variant<std::monostate, IntParameterInfo, FloatParameterInfo, BoolParameterInfo, EnumParameterInfo>;

// The complete record of one parameter (the spelling is the established one).
struct FullParamteterInfo {
    std::string name;
    std::string description;
    ToolParameterType type = TOOL_PARAM_INT;
    TypedParameterInfo info;
};

struct ToolInfo {
    ToolType type = TOOL_BIASES;
    std::string name;
    std::vector<std::string> parameters;
    std::string description;

    bool operator==(const ToolInfo&) const = default;
};

}  // namespace quillex
