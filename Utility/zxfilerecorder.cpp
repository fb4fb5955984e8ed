#include "zxfilerecorder.h"

#include "base/Logger.h"
#include "camera/DvsCamera.h"
#include "settings/AppSettings.h"

#include <QDebug>

#include <chrono>

static constexpr const char* kLogModule = "Utility/zxfilerecorder";

ZxFileRecorder::ZxFileRecorder(QObject* parent) : QObject(parent) {}

ZxFileRecorder::~ZxFileRecorder() {
    stopAndWait();
}

void ZxFileRecorder::setCamera(std::shared_ptr<quillex::DvsCamera> camera) {
    std::lock_guard lock(mutex_);
    camera_ = std::move(camera);
}

std::shared_ptr<quillex::DvsCamera> ZxFileRecorder::camera() const {
    std::lock_guard lock(mutex_);
    return camera_;
}

void ZxFileRecorder::stopAndWait() {
    stopRequested_ = true;
    if (worker_.joinable()) worker_.join();
    stopRequested_ = false;
}

void ZxFileRecorder::setCacheTime(int sec) {
    auto cam = camera();
    if (sec < 0) sec = 0;
    if (cam) {
        const std::string dir = quillex::AppSettings::instance()->appDataPath().toLocal8Bit().toStdString();
        cam->setFileCacheTime(static_cast<uint16_t>(std::min(sec, 65535)), dir);
    }
    cacheEnabled_ = sec != 0;
}

bool ZxFileRecorder::recordingTime(uint32_t sec, QString file_path) {
    auto cam = camera();
    const bool connected = cam && cam->isConnected();
    if (!recording_ && connected && sec != 0) {
        if (worker_.joinable()) worker_.join();
        // Set here, not on the worker, so a second request right behind this one is refused.
        recording_ = true;
        timed_ = true;
        emit signalShowLeftBottomTips(tr("Recording file ... "), ZxMessageSuccess, file_path);
        qDebug().noquote() << "record time : " << sec << "file path: " << file_path;
        worker_ = std::thread(&ZxFileRecorder::timedRecording, this, cam, sec, file_path);
        return true;
    }
    qDebug().noquote() << "Recording false." << "recording:" << recording_.load() << "camera:" << (cam != nullptr)
                       << "connected:" << connected << "sec:" << sec;
    emit signalShowLeftBottomTips(tr("Currently being recorded."), ZxMessageWarning, file_path);
    return false;
}

void ZxFileRecorder::timedRecording(std::shared_ptr<quillex::DvsCamera> camera, uint32_t sec, QString path) {
    ZX_LOG(2, "recording start");
    const bool started = camera->startRecording(path.toLocal8Bit().toStdString()) == 0;
    if (!started) {
        ZX_LOG(4, "recording could not start: %s", path.toLocal8Bit().constData());
        timed_ = false;
        recording_ = false;
        emit signalShowLeftBottomTips(tr("Failed to start recording."), ZxMessageError, path);
        return;
    }
    const auto begin = std::chrono::steady_clock::now();
    const auto length = std::chrono::seconds(sec);
    while (!stopRequested_ && std::chrono::steady_clock::now() - begin < length) {
        const auto left = length - (std::chrono::steady_clock::now() - begin);
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(500)));
    }
    camera->stopRecording();
    ZX_LOG(2, "recording end");
    emit signalShowLeftBottomTips(tr("Recording end"), ZxMessageSuccess, path);
    timed_ = false;
    recording_ = false;
}

bool ZxFileRecorder::startRecording(QString file_path) {
    auto cam = camera();
    if (recording_ || !cam || !cam->isConnected()) return false;
    if (cam->startRecording(file_path.toLocal8Bit().toStdString()) != 0) return false;
    recording_ = true;
    return true;
}

bool ZxFileRecorder::stopRecording() {
    auto cam = camera();
    // A timed recording ends on its own worker.
    if (!recording_ || timed_ || !cam) return false;
    cam->stopRecording();
    recording_ = false;
    return true;
}

void ZxFileRecorder::slotSaveFileParamChanged() {
    quillex::AppSettings::instance()->save();
}

void ZxFileRecorder::slotDetectionRecordingTime(QString info) {
    Q_UNUSED(info);
    quillex::AppSettings::instance()->save();
}
