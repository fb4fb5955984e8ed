#include "hal/sim/SimTypes.h"

#include <array>

namespace quillex {

namespace {
// USB identities are those the driver searches for; texts are what a simulated device reports.
constexpr std::array<SimModelInfo, 6> kModels{{
    {SimModel::Evk4, "evk4", "Quillex (simulated)", "EVK4", 0x04B4, 0x00F5, INTERFACE_USB, 1280, 720, false, false},
    {SimModel::Evk5, "evk5", "Quillex (simulated)", "EVK5", 0x04B4, 0x00C4, INTERFACE_USB, 1280, 720, false, false},
    {SimModel::Orbel, "orbel", "Quillex (simulated)", "Orbel", 0x04B5, 0x0001, INTERFACE_USB, 1280, 720, false, false},
    {SimModel::Serin320, "serin320", "Quillex (simulated)", "Serin 320", 0x04B5, 0x0003, INTERFACE_USB, 320, 320, true,
     false},
    {SimModel::Tessary, "tessary", "Quillex (simulated)", "Tessary", 0x2207, 0x0006, INTERFACE_USB, 1280, 720, false,
     true},
    {SimModel::OrbelEth, "orbel-eth", "Quillex (simulated)", "Orbel", 0x04B5, 0x0001, INTERFACE_ETH, 1280, 720, false,
     false},
}};
}  // namespace

const SimModelInfo& simModelInfo(SimModel model) {
    for (const auto& info : kModels)
        if (info.model == model) return info;
    return kModels[0];
}

std::optional<SimModel> simModelFromName(std::string_view name) {
    for (const auto& info : kModels)
        if (name == info.name) return info.model;
    return std::nullopt;
}

}  // namespace quillex
