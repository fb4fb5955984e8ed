#include "hal/tools/CameraTool.h"

#include <cmath>

#include "base/Logger.h"

namespace quillex {

static constexpr const char* kLogModule = "platform/hal/hal/tools/CameraTool";

CameraTool::CameraTool(ToolInfo info) : info_(std::move(info)) {}

ToolInfo CameraTool::getToolInfo() const {
    std::lock_guard lock(mutex_);
    return info_;
}

void CameraTool::setToolInfo(ToolInfo info) {
    std::lock_guard lock(mutex_);
    info_ = std::move(info);
}

void CameraTool::addParameter(FullParamteterInfo info, Getter getter, Setter setter) {
    std::lock_guard lock(mutex_);
    std::string key = info.name;
    params_[key] = Entry{std::move(info), std::move(getter), std::move(setter)};
}

bool CameraTool::updateParameterInfo(const std::string& key, TypedParameterInfo info) {
    std::lock_guard lock(mutex_);
    auto it = params_.find(key);
    if (it == params_.end()) return false;
    it->second.info.info = std::move(info);
    return true;
}

const CameraTool::Entry* CameraTool::find(const std::string& key) const {
    auto it = params_.find(key);
    return it == params_.end() ? nullptr : &it->second;
}

std::map<std::string, BasicParameterInfo> CameraTool::getAllParamInfo() const {
    std::lock_guard lock(mutex_);
    std::map<std::string, BasicParameterInfo> all;
    for (const auto& [key, entry] : params_)
        all.emplace(key, BasicParameterInfo{entry.info.name, entry.info.description, entry.info.type});
    return all;
}

bool CameraTool::get(const std::string& key, ToolParameterType type, ParamValue& value) const {
    std::lock_guard lock(mutex_);
    const Entry* entry = find(key);
    if (entry == nullptr || entry->info.type != type || !entry->getter) return false;
    return entry->getter(value);
}

namespace {
template <typename Typed, typename Value>
bool fillInfo(const CameraTool::ParamValue& current, bool haveCurrent, const TypedParameterInfo& stored,
              Typed& out) {
    const Typed* typed = std::get_if<Typed>(&stored);
    if (typed == nullptr) return false;
    out = *typed;
    if (haveCurrent)
        if (const Value* v = std::get_if<Value>(&current)) out.value = *v;
    return true;
}
}  // namespace

bool CameraTool::getParamInfo(const std::string& key, IntParameterInfo& info) const {
    std::lock_guard lock(mutex_);
    const Entry* entry = find(key);
    if (entry == nullptr) return false;
    ParamValue current;
    const bool have = entry->getter && entry->getter(current);
    return fillInfo<IntParameterInfo, int32_t>(current, have, entry->info.info, info);
}

bool CameraTool::getParamInfo(const std::string& key, FloatParameterInfo& info) const {
    std::lock_guard lock(mutex_);
    const Entry* entry = find(key);
    if (entry == nullptr) return false;
    ParamValue current;
    const bool have = entry->getter && entry->getter(current);
    return fillInfo<FloatParameterInfo, float>(current, have, entry->info.info, info);
}

bool CameraTool::getParamInfo(const std::string& key, BoolParameterInfo& info) const {
    std::lock_guard lock(mutex_);
    const Entry* entry = find(key);
    if (entry == nullptr) return false;
    ParamValue current;
    const bool have = entry->getter && entry->getter(current);
    return fillInfo<BoolParameterInfo, bool>(current, have, entry->info.info, info);
}

bool CameraTool::getParamInfo(const std::string& key, EnumParameterInfo& info) const {
    std::lock_guard lock(mutex_);
    const Entry* entry = find(key);
    if (entry == nullptr) return false;
    ParamValue current;
    const bool have = entry->getter && entry->getter(current);
    return fillInfo<EnumParameterInfo, std::string>(current, have, entry->info.info, info);
}

bool CameraTool::getParam(const std::string& key, int32_t& value) const {
    ParamValue v;
    if (!get(key, TOOL_PARAM_INT, v)) return false;
    if (const int32_t* i = std::get_if<int32_t>(&v)) {
        value = *i;
        return true;
    }
    return false;
}

bool CameraTool::getParam(const std::string& key, float& value) const {
    ParamValue v;
    if (!get(key, TOOL_PARAM_FLOAT, v)) return false;
    if (const float* f = std::get_if<float>(&v)) {
        value = *f;
        return true;
    }
    return false;
}

bool CameraTool::getParam(const std::string& key, bool& value) const {
    ParamValue v;
    if (!get(key, TOOL_PARAM_BOOL, v)) return false;
    if (const bool* b = std::get_if<bool>(&v)) {
        value = *b;
        return true;
    }
    return false;
}

bool CameraTool::getParam(const std::string& key, std::string& value) const {
    ParamValue v;
    if (!get(key, TOOL_PARAM_ENUM, v)) return false;
    if (const std::string* s = std::get_if<std::string>(&v)) {
        value = *s;
        return true;
    }
    return false;
}

bool CameraTool::set(const std::string& key, const ParamValue& value) {
    std::lock_guard lock(mutex_);
    const Entry* entry = find(key);
    if (entry == nullptr) {
        ZX_LOG(3, "%s: no parameter \"%s\"", info_.name.c_str(), key.c_str());
        return false;
    }
    if (!entry->setter) return false;
    ParamValue accepted = value;
    switch (entry->info.type) {
        case TOOL_PARAM_INT: {
            const int32_t* v = std::get_if<int32_t>(&value);
            const auto* range = std::get_if<IntParameterInfo>(&entry->info.info);
            if (v == nullptr) return false;
            if (range != nullptr && (*v < range->min || *v > range->max)) {
                ZX_LOG(3, "%s.%s: %d outside %d..%d, refused", info_.name.c_str(), key.c_str(), *v, range->min,
                       range->max);
                return false;
            }
            break;
        }
        case TOOL_PARAM_FLOAT: {
            float f = 0.0f;
            if (const float* v = std::get_if<float>(&value))
                f = *v;
            else if (const int32_t* i = std::get_if<int32_t>(&value))
                f = static_cast<float>(*i);
            else
                return false;
            const auto* range = std::get_if<FloatParameterInfo>(&entry->info.info);
            if (!std::isfinite(f) || (range != nullptr && (f < range->min || f > range->max))) {
                ZX_LOG(3, "%s.%s: %g outside %g..%g, refused", info_.name.c_str(), key.c_str(), f,
                       range ? range->min : 0.0f, range ? range->max : 0.0f);
                return false;
            }
            accepted = f;
            break;
        }
        case TOOL_PARAM_BOOL:
            if (!std::holds_alternative<bool>(value)) return false;
            break;
        case TOOL_PARAM_ENUM: {
            const std::string* s = std::get_if<std::string>(&value);
            const auto* options = std::get_if<EnumParameterInfo>(&entry->info.info);
            if (s == nullptr) return false;
            if (options != nullptr) {
                bool known = false;
                for (const auto& option : options->options) known = known || option == *s;
                if (!known) {
                    ZX_LOG(3, "%s.%s: \"%s\" is not an option, refused", info_.name.c_str(), key.c_str(), s->c_str());
                    return false;
                }
            }
            break;
        }
        case TOOL_PARAM_COMMAND:
            break;
    }
    return entry->setter(accepted);
}

bool CameraTool::setParam(const std::string& key, int32_t value) { return set(key, ParamValue(value)); }
bool CameraTool::setParam(const std::string& key, float value) { return set(key, ParamValue(value)); }
bool CameraTool::setParam(const std::string& key, bool value) { return set(key, ParamValue(value)); }
bool CameraTool::setParam(const std::string& key, const std::string& value) { return set(key, ParamValue(value)); }

}  // namespace quillex
