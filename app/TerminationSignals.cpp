#include "TerminationSignals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The handler may only write to a descriptor: the Qt side reads it in the event loop.
int g_signalFds[2] = {-1, -1};
}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) {
        qWarning() << "Cannot watch termination signals; settings are saved only on a normal close.";
        return;
    }
    notifier_ = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::onSignal);

    struct sigaction action {};
    action.sa_handler = &TerminationSignals::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (notifier_ == nullptr) return;
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    ::close(g_signalFds[0]);
    ::close(g_signalFds[1]);
    g_signalFds[0] = g_signalFds[1] = -1;
}

void TerminationSignals::handle(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] ssize_t written = ::write(g_signalFds[0], &byte, 1);
}

void TerminationSignals::onSignal() {
    notifier_->setEnabled(false);
    char byte = 0;
    [[maybe_unused]] ssize_t got = ::read(g_signalFds[1], &byte, 1);
    qDebug() << "Termination signal" << int(byte) << "received, closing.";
    // closeAllWindows lets windows run their close handling before the loop ends.
    QMetaObject::invokeMethod(qApp, [] {
        if (auto* app = qobject_cast<QApplication*>(qApp)) app->closeAllWindows();
        QCoreApplication::quit();
    }, Qt::QueuedConnection);
    notifier_->setEnabled(true);
}
