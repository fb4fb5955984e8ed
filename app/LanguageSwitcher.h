#pragma once
// The "EN/中文" menu entry: ask, then store the other language and restart the application.

#include <QString>

#include <functional>

class QWidget;

namespace quillex {

class AppSettings;

// Starts a program detached; returns whether it started.
using ProcessLauncher = std::function<bool(const QString& program)>;

// "Tips" / "The language change will take effect after restart." with "Restart" and "Later".
// True when the user chose "Restart".
bool askRestartForLanguage(QWidget* parent);

// "en" becomes "zh", anything else "en".
QString toggledLanguage(const QString& language);

// Toggles and saves the language, closes every top-level window and starts the application's
// own executable without arguments. The running process ends with its last window.
// Returns whether the new process started.
bool restartWithOtherLanguage(AppSettings& settings, const ProcessLauncher& launcher = {});

// Menu handler: asks, and restarts on "Restart".
void switchLanguage(QWidget* parent);

}  // namespace quillex
