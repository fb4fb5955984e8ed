#pragma once
// A QThread that runs one stored function and then emits taskCompleted.

#include <QThread>

#include <functional>
#include <utility>

class WorkerThread : public QThread {
    Q_OBJECT

public:
    explicit WorkerThread(std::function<void()> task, QObject* parent = nullptr)
        : QThread(parent), task_(std::move(task)) {}
    ~WorkerThread() override { wait(); }

signals:
    void taskCompleted();

protected:
    void run() override {
        if (task_) task_();
        emit taskCompleted();
    }

private:
    std::function<void()> task_;
};
