#pragma once
// The static register tables of the supported sensors and the name prefix a RegisterController
// is given with each.

#include <span>

#include "hal/registers/RegisterInfo.h"

namespace quillex {

inline constexpr const char* kImx636RegisterPrefix = "PSEE/IMX636/";
inline constexpr const char* kGenx320RegisterPrefix = "PSEE/GENX320/";
inline constexpr const char* kImx415RegisterPrefix = " ";

std::span<const RegisterInfo> imx636RegisterTable();
std::span<const RegisterInfo> genx320RegisterTable();
// Frame sensor of the fusion camera.
std::span<const RegisterInfo> imx415RegisterTable();

}  // namespace quillex
