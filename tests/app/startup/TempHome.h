#pragma once
// Test helpers: a throw-away home folder for the standard locations, and a capture of Qt's
// debug and warning lines.

#include <QByteArray>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <mutex>

namespace quillex::test {

// Points HOME at a temporary folder (XDG overrides removed) with Qt's test locations on, so
// nothing touches the real home. Documents then resolves to <home>/Documents.
class TempHome {
public:
    TempHome() : oldHome_(qgetenv("HOME")) {
        QStandardPaths::setTestModeEnabled(true);
        for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR", "XDG_CACHE_HOME"})
            qunsetenv(var);
        qputenv("HOME", dir_.path().toUtf8());
    }
    ~TempHome() { qputenv("HOME", oldHome_); }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString documents() const { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }
    QString iniPath() const { return dir_.path() + "/config.ini"; }

private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
};

// Collects every message Qt logs while it lives.
class MessageCapture {
public:
    MessageCapture() {
        std::lock_guard lock(mutex());
        current() = this;
        previous_ = qInstallMessageHandler(&MessageCapture::handler);
    }
    ~MessageCapture() {
        std::lock_guard lock(mutex());
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    QStringList lines() const {
        std::lock_guard lock(mutex());
        return lines_;
    }
    int count(const QString& prefix) const {
        int n = 0;
        for (const QString& line : lines())
            if (line.startsWith(prefix)) ++n;
        return n;
    }

private:
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message) {
        std::lock_guard lock(mutex());
        if (current() != nullptr) current()->lines_.append(message);
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static MessageCapture*& current() {
        static MessageCapture* c = nullptr;
        return c;
    }

    QtMessageHandler previous_ = nullptr;
    QStringList lines_;
};

}  // namespace quillex::test
