#include "LanguageSwitcher.h"

#include "settings/AppSettings.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QWidget>

namespace quillex {

bool askRestartForLanguage(QWidget* parent) {
    QMessageBox box(parent);
    box.setWindowTitle(QCoreApplication::translate("LanguageSwitcher", "Tips"));
    box.setText(QCoreApplication::translate("LanguageSwitcher", "The language change will take effect after restart."));
    QPushButton* restart = box.addButton(QCoreApplication::translate("LanguageSwitcher", "Restart"),
                                         QMessageBox::AcceptRole);
    QPushButton* later = box.addButton(QCoreApplication::translate("LanguageSwitcher", "Later"),
                                       QMessageBox::RejectRole);
    box.setDefaultButton(later);
    box.exec();
    return box.clickedButton() == restart;
}

QString toggledLanguage(const QString& language) {
    return language == "en" ? QStringLiteral("zh") : QStringLiteral("en");
}

bool restartWithOtherLanguage(AppSettings& settings, const ProcessLauncher& launcher) {
    settings.setLanguage(toggledLanguage(settings.language()));
    settings.save();
    QApplication::closeAllWindows();
    const QString program = QCoreApplication::applicationFilePath();
    const bool started = launcher ? launcher(program) : QProcess::startDetached(program, {});
    if (!started) qWarning().noquote() << "Failed to restart" << program;
    return started;
}

void switchLanguage(QWidget* parent) {
    if (askRestartForLanguage(parent)) restartWithOtherLanguage(*AppSettings::instance());
}

}  // namespace quillex
