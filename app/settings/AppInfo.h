#pragma once
// Fixed identity of the application.

namespace quillex {

inline constexpr const char* kAppName = "Quillscope";
inline constexpr const char* kOrganizationName = "Quillex";
inline constexpr const char* kAppVersion = "1.2.5";

}  // namespace quillex
