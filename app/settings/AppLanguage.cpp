#include "settings/AppLanguage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QPointer>
#include <QTranslator>

namespace quillex {

namespace {
QPointer<QTranslator> g_installed;
}  // namespace

bool installLanguage(const QString& language) {
    auto* app = QCoreApplication::instance();
    if (app == nullptr) {
        qWarning() << "install translator failed.";
        return false;
    }
    // Owned by the application so it lives exactly as long as the texts it translates.
    auto* translator = new QTranslator(app);
    const QString file = language == "zh" ? QStringLiteral(":/app_zh.qm") : QStringLiteral(":/app_en.qm");
    if (!translator->load(file)) {
        qDebug() << "Load language failed.";
        delete translator;
        return false;
    }
    if (!QCoreApplication::installTranslator(translator)) {
        qDebug() << "install translator failed.";
        delete translator;
        return false;
    }
    if (g_installed) {
        QCoreApplication::removeTranslator(g_installed);
        delete g_installed;
    }
    g_installed = translator;
    return true;
}

}  // namespace quillex
