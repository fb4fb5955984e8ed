#pragma once
// Turns SIGTERM/SIGINT into a normal application quit, so settings are written back
// when the desktop session or a terminal ends the program.

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // True when the handlers were installed.
    bool isActive() const { return notifier_ != nullptr; }

private:
    static void handle(int signal);
    void onSignal();

    QSocketNotifier* notifier_ = nullptr;
};
