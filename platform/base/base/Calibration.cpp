#include "base/Calibration.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include <nlohmann/json.hpp>

#include "base/Logger.h"

static constexpr const char* kLogModule = "base/Calibration";

namespace quillex {

namespace {

constexpr const char* kSizeKeys[] = {"dvs_width", "dvs_height", "aps_width", "aps_height"};
constexpr const char* kMatrixKey = "affine_matrix";
constexpr size_t kMatrixSize = 6;
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;  // a calibration is a few hundred bytes

uint16_t CalibratorParameters::* const kSizeFields[] = {&CalibratorParameters::dvs_width,
                                                         &CalibratorParameters::dvs_height,
                                                         &CalibratorParameters::aps_width,
                                                         &CalibratorParameters::aps_height};

// Checks the matrices the fusion side relies on; `problem` says what is wrong.
bool matricesUsable(const std::map<std::string, std::vector<double>>& matrices, std::string& problem) {
    for (const char* key : {"0", "1"})
        if (matrices.find(key) == matrices.end()) {
            problem = std::string("matrix \"") + key + "\" missing";
            return false;
        }
    for (const auto& [key, values] : matrices) {
        if (values.size() != kMatrixSize) {
            problem = "matrix \"" + key + "\" has " + std::to_string(values.size()) + " values instead of 6";
            return false;
        }
        for (const double v : values)
            if (!std::isfinite(v)) {
                problem = "matrix \"" + key + "\" has a non-finite value";
                return false;
            }
    }
    return true;
}

bool parseParam(const nlohmann::json& json, CalibratorParameters& out, std::string& problem) {
    if (!json.is_object()) {
        problem = "top level is not an object";
        return false;
    }
    for (size_t i = 0; i < std::size(kSizeKeys); ++i) {
        const auto it = json.find(kSizeKeys[i]);
        bool inRange = false;
        if (it != json.end() && it->is_number_unsigned())
            inRange = it->get<uint64_t>() <= 65535;
        else if (it != json.end() && it->is_number_integer())
            inRange = it->get<int64_t>() >= 0 && it->get<int64_t>() <= 65535;
        if (!inRange) {
            problem = std::string("\"") + kSizeKeys[i] + "\" missing or not an integer 0..65535";
            return false;
        }
        out.*kSizeFields[i] = static_cast<uint16_t>(it->get<uint64_t>());
    }
    const auto matrices = json.find(kMatrixKey);
    if (matrices == json.end() || !matrices->is_object()) {
        problem = "\"affine_matrix\" missing or not an object";
        return false;
    }
    out.affine_matrix.clear();
    for (const auto& [key, values] : matrices->items()) {
        if (!values.is_array()) {
            problem = "matrix \"" + key + "\" is not an array";
            return false;
        }
        std::vector<double>& target = out.affine_matrix[key];
        for (const auto& v : values) {
            if (!v.is_number()) {
                problem = "matrix \"" + key + "\" holds a non-number";
                return false;
            }
            target.push_back(v.get<double>());
        }
    }
    return matricesUsable(out.affine_matrix, problem);
}

}  // namespace

std::map<std::string, std::vector<double>> CalibratorParameters::defaultMatrices() {
    // Event pixel -> frame pixel: scale 486/145 about the centres of the two sensors.
    const std::vector<double> forward = {486.0 / 145.0, 0.0, -225.10344827586232, 0.0, 486.0 / 145.0,
                                         -126.62068965517255};
    const double k = 145.0 / 486.0;
    const std::vector<double> inverse = {k, 0.0, -(k * forward[2]), 0.0, k, -(k * forward[5])};
    return {{"0", inverse}, {"1", forward}};
}

bool jsonDataToParam(const std::string& bytes, CalibratorParameters& param) {
    const nlohmann::json json = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded()) {
        ZX_LOG(4, "Calibration data is not valid JSON (%zu bytes).", bytes.size());
        return false;
    }
    CalibratorParameters parsed;
    std::string problem;
    if (!parseParam(json, parsed, problem)) {
        ZX_LOG(4, "Calibration data rejected: %s.", problem.c_str());
        return false;
    }
    param = std::move(parsed);
    return true;
}

bool jsonFileToParam(const std::string& path, CalibratorParameters& param) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        ZX_LOG(4, "Cannot read calibration file %s: %s.", path.c_str(), ec.message().c_str());
        return false;
    }
    if (size > kMaxFileBytes) {
        ZX_LOG(4, "Calibration file %s is too large (%ju bytes).", path.c_str(), static_cast<uintmax_t>(size));
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        ZX_LOG(4, "Cannot read calibration file %s.", path.c_str());
        return false;
    }
    if (!jsonDataToParam(bytes, param)) {
        ZX_LOG(4, "Calibration file %s not loaded.", path.c_str());
        return false;
    }
    return true;
}

bool paramToJsonFile(const CalibratorParameters& param, const std::string& path) {
    std::string problem;
    if (!matricesUsable(param.affine_matrix, problem)) {
        ZX_LOG(4, "Calibration not written to %s: %s.", path.c_str(), problem.c_str());
        return false;
    }
    nlohmann::json json;
    for (size_t i = 0; i < std::size(kSizeKeys); ++i) json[kSizeKeys[i]] = param.*kSizeFields[i];
    nlohmann::json matrices = nlohmann::json::object();
    for (const auto& [key, values] : param.affine_matrix) matrices[key] = values;
    json[kMatrixKey] = std::move(matrices);
    const std::string text = json.dump(4) + "\n";

    // Write beside the target and rename, so a failed write never leaves half a file.
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            ZX_LOG(4, "Unable to open %s for writing: %s.", temp.c_str(), std::strerror(errno));
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            ZX_LOG(4, "Writing calibration file %s failed.", temp.c_str());
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        ZX_LOG(4, "Unable to replace %s: %s.", path.c_str(), ec.message().c_str());
        std::filesystem::remove(temp, ec);
        return false;
    }
    ZX_LOG(2, "Calibration written to %s.", path.c_str());
    return true;
}

}  // namespace quillex
