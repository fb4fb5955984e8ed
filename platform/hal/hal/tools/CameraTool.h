#pragma once
// Base of every camera tool: a set of named, typed parameters with range checking.
//
// Subclasses register each parameter with its description and a getter/setter pair. setParam
// refuses (false) an unknown key, a value of the wrong type, an integer or float outside
// [min, max] and an option that is not in the enumeration's list; the setter only sees valid
// values. An integer given to a float parameter is accepted as that float.
// Accessors are serialised per tool, so the GUI and the camera threads may share a tool.

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "hal/tools/ParameterInfo.h"

namespace quillex {

class CameraTool {
public:
    using ParamValue = std::variant<int32_t, float, bool, std::string>;
    using Getter = std::function<bool(ParamValue& value)>;
    using Setter = std::function<bool(const ParamValue& value)>;

    virtual ~CameraTool() = default;
    CameraTool(const CameraTool&) = delete;
    CameraTool& operator=(const CameraTool&) = delete;

    virtual ToolInfo getToolInfo() const;

    // Parameter key -> description, in key order.
    std::map<std::string, BasicParameterInfo> getAllParamInfo() const;

    bool getParamInfo(const std::string& key, IntParameterInfo& info) const;
    bool getParamInfo(const std::string& key, FloatParameterInfo& info) const;
    bool getParamInfo(const std::string& key, BoolParameterInfo& info) const;
    bool getParamInfo(const std::string& key, EnumParameterInfo& info) const;

    bool getParam(const std::string& key, int32_t& value) const;
    bool getParam(const std::string& key, float& value) const;
    bool getParam(const std::string& key, bool& value) const;
    bool getParam(const std::string& key, std::string& value) const;

    bool setParam(const std::string& key, int32_t value);
    bool setParam(const std::string& key, float value);
    bool setParam(const std::string& key, bool value);
    bool setParam(const std::string& key, const std::string& value);
    bool setParam(const std::string& key, const char* value) { return setParam(key, std::string(value ? value : "")); }

protected:
    explicit CameraTool(ToolInfo info);

    // Registers (or replaces) a parameter. The tool info's parameter list is left as given.
    void addParameter(FullParamteterInfo info, Getter getter, Setter setter);
    // Changes the range or options of a registered parameter (e.g. a new upper limit).
    bool updateParameterInfo(const std::string& key, TypedParameterInfo info);
    void setToolInfo(ToolInfo info);

private:
    struct Entry {
        FullParamteterInfo info;
        Getter getter;
        Setter setter;
    };
    bool get(const std::string& key, ToolParameterType type, ParamValue& value) const;
    bool set(const std::string& key, const ParamValue& value);
    const Entry* find(const std::string& key) const;

    ToolInfo info_;
    std::map<std::string, Entry> params_;
    mutable std::recursive_mutex mutex_;
};

}  // namespace quillex
