#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <csignal>

#include "TerminationSignals.h"

// A window that records whether its close handling ran.
class CloseProbe : public QWidget {
public:
    bool closed = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        closed = true;
        QWidget::closeEvent(event);
    }
};

class TerminationSignalsTest : public QObject {
    Q_OBJECT
private slots:
    void sigtermClosesWindowsAndEndsTheLoop() {
        TerminationSignals signals_;
        QVERIFY(signals_.isActive());
        CloseProbe window;
        window.show();
        bool timedOut = false;
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer::singleShot(5000, [&] {
            timedOut = true;
            QCoreApplication::exit(3);
        });
        const int code = QCoreApplication::exec();
        QVERIFY(!timedOut);
        QCOMPARE(code, 0);
        QVERIFY(window.closed);
    }

    void handlersAreRemovedWithTheObject() {
        { TerminationSignals signals_; }
        struct sigaction current {};
        sigaction(SIGTERM, nullptr, &current);
        QVERIFY(current.sa_handler == SIG_DFL);
    }
};

QTEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
