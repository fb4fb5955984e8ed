#include "settings/AppPaths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QStandardPaths>

#include <atomic>

namespace quillex {

namespace {
// Shared by every caller (main and both stream processors): the path is logged once per process.
std::atomic<bool> g_appPathLogged{false};
}  // namespace

QString appDataLocation() {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!g_appPathLogged.exchange(true)) qDebug().noquote() << "app config path:" << path;
    if (!path.isEmpty() && !QDir(path).exists() && !QDir().mkpath(path))
        qWarning().noquote() << "Create app config path failed:" << path;
    return path;
}

QString documentsLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString dataDirectory() {
    const QString docs = documentsLocation();
    return docs.isEmpty() ? QString() : docs + "/QuillexData";
}

QString configDirectory() {
    const QString docs = documentsLocation();
    return docs.isEmpty() ? QString() : docs + "/QuillexConfig";
}

QString applicationDirectory() {
    return QCoreApplication::applicationDirPath();
}

}  // namespace quillex
