#include "InitDialog.h"
#include "MainWidget.h"
#include "TerminationSignals.h"
#include "settings/AppInfo.h"
#include "settings/AppLanguage.h"
#include "settings/AppPaths.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

#include <memory>

namespace {

void loadApplicationFont() {
    const int id = QFontDatabase::addApplicationFont(":/font/NotoSansSC-Medium.ttf");
    if (id < 0) {
        qDebug() << "Failed to load font!";
        return;
    }
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) return;
    QFont font(families.first(), -1, -1, false);
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);
}

}  // namespace

int main(int argc, char* argv[]) {
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QT_WARNING_POP
    auto app = std::make_unique<QApplication>(argc, argv);
    auto terminationSignals = std::make_unique<TerminationSignals>();

    loadApplicationFont();
    QApplication::setApplicationName(quillex::kAppName);
    QApplication::setOrganizationName(quillex::kOrganizationName);

    const QString dataPath = quillex::appDataLocation();
    quillex::AppSettings* settings = quillex::AppSettings::instance();
    settings->setAppDataPath(dataPath);

    quillex::installLanguage(settings->language());
    QApplication::setWindowIcon(QIcon(":/img/assets/Quillex logo_navigate.png"));

    auto splash = std::make_unique<InitDialog>();
    splash->exec();

    auto window = std::make_unique<MainWidget>();
    window->show();
    // Only acts when QUILLSCOPE_OPEN_RECORDING / QUILLSCOPE_SCREENSHOT_DIR are set (see MainWidget.h).
    window->startFromEnvironment();
    const int code = QApplication::exec();
    window.reset();
    splash.reset();
    terminationSignals.reset();
    app.reset();
    return code;
}
