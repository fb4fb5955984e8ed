#pragma once
// Calibration record of the fusion camera: sensor sizes and the affine
// matrices between event-sensor and frame-sensor pixels.
//
// An affine matrix is six doubles m0..m5 mapping (x, y) to
// (m0*x + m1*y + m2, m3*x + m4*y + m5). Key "1" of affine_matrix holds the
// event-to-frame matrix, key "0" the frame-to-event matrix.
//
// JSON form (the one the camera stores and paramToJsonFile writes):
//   {"dvs_width":1280,"dvs_height":720,"aps_width":3840,"aps_height":2160,
//    "affine_matrix":{"0":[6 numbers],"1":[6 numbers]}}
// All five keys are required; sizes are integers 0..65535; every matrix has
// exactly six finite numbers; "0" and "1" must both be present (other keys are
// kept). Doubles round-trip exactly (shortest exact decimal form).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillex {

struct CalibratorParameters {
    uint16_t dvs_width = 1280;
    uint16_t dvs_height = 720;
    uint16_t aps_width = 3840;
    uint16_t aps_height = 2160;
    // Defaults: a 1280 x 720 event sensor centred on a 3840 x 2160 frame sensor.
    std::map<std::string, std::vector<double>> affine_matrix = defaultMatrices();

    static std::map<std::string, std::vector<double>> defaultMatrices();

    bool operator==(const CalibratorParameters&) const = default;
};

// On any failure (bad JSON, missing or ill-typed field, unreadable file) these
// return false, log at level 4 and leave `param` unchanged.
bool jsonDataToParam(const std::string& bytes, CalibratorParameters& param);
bool jsonFileToParam(const std::string& path, CalibratorParameters& param);

// Writes the JSON form (via a temporary file renamed over `path`). Refuses
// records that jsonDataToParam would not read back (false, level-4 log).
bool paramToJsonFile(const CalibratorParameters& param, const std::string& path);

}  // namespace quillex
