#pragma once
// The application's timed recorder: records a live event camera for a number of seconds on a
// worker thread (trigger-in recording), or untimed between startRecording and stopRecording.

#include "widgets/ZxMessageType.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace quillex {
class DvsCamera;
}

class ZxFileRecorder : public QObject {
    Q_OBJECT

public:
    explicit ZxFileRecorder(QObject* parent = nullptr);
    ~ZxFileRecorder() override;

    void setCamera(std::shared_ptr<quillex::DvsCamera> camera);
    std::shared_ptr<quillex::DvsCamera> camera() const;
    bool isRecording() const { return recording_.load(); }
    bool isCacheEnabled() const { return cacheEnabled_; }
    // Ends a timed recording at once and joins the worker.
    void stopAndWait();

public slots:
    void setCacheTime(int sec);
    bool recordingTime(uint32_t sec, QString file_path);
    bool startRecording(QString file_path);
    bool stopRecording();
    void slotSaveFileParamChanged();
    void slotDetectionRecordingTime(QString info);

signals:
    void signalShowLeftBottomTips(QString tips);
    void signalShowLeftBottomTips(QString tips, ZxMessageType type);
    void signalShowLeftBottomTips(QString tips, ZxMessageType type, QString file_path);

private:
    void timedRecording(std::shared_ptr<quillex::DvsCamera> camera, uint32_t sec, QString path);

    mutable std::mutex mutex_;  // guards camera_
    std::shared_ptr<quillex::DvsCamera> camera_;
    bool cacheEnabled_ = false;
    std::atomic<bool> recording_{false};
    std::atomic<bool> timed_{false};
    std::atomic<bool> stopRequested_{false};
    std::thread worker_;
};
