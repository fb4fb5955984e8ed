#pragma once
// User-interface language. The translation applies from the next start only.

#include <QString>

namespace quillex {

// Loads ":/app_zh.qm" for "zh", ":/app_en.qm" otherwise, and installs it into the application,
// replacing a translator installed by an earlier call. Returns false (and logs) on failure.
bool installLanguage(const QString& language);

}  // namespace quillex
