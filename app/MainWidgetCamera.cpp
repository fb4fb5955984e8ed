// Camera side of the main window: choosing and opening a camera on a worker thread, the live
// stream and its polling loop, the statistics line and live recording.
//
// Threads: the opening job runs on a WorkerThread while the GUI waits in a modal WaitingWin;
// the live loop runs on liveThread_. Statistics and trigger callbacks arrive on the camera's
// threads. Everything that touches a widget is queued to the GUI thread.

#include "MainWidget.h"

#include "ui_MainWidget.h"

#include "Utility/WorkerThread.h"
#include "Utility/zxfilerecorder.h"
#include "base/Conversions.h"
#include "camera/DvsCamera.h"
#include "camera/DvsCameraManager.h"
#include "settings/AppSettings.h"
#include "settings/CamerasList.h"
#include "settings/ShowCameraInfoUI.h"
#include "view/ZxEventProcessor.h"
#include "widgets/WaitingWin.h"
#include "widgets/ZxThreeHandleSlider.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <chrono>

namespace {

constexpr const char* kTessaryProduct = "Tessary";
constexpr const char* kSmallCameraProduct = "Quillex.320camera";

QString timeSuffix() {
    return QDateTime::currentDateTime().toString("_yyyyMMdd_HHmmss");
}

}  // namespace

void MainWidget::setupCameraSide() {
    cameraManager_ = std::make_unique<quillex::DvsCameraManager>();
    recorder_ = new ZxFileRecorder(this);
    recordingClock_ = new QTimer(this);
    recordingClock_->setInterval(1000);
    connect(recordingClock_, &QTimer::timeout, this, &MainWidget::updateRecordingTime);

    connect(this, &MainWidget::triggerEventsToShow, this, &MainWidget::getEventsToShow, Qt::QueuedConnection);
    connect(this, &MainWidget::resetShowCameraFormTitle, this, &MainWidget::setShowTitleInfo);
    connect(this, &MainWidget::toShowCameraSerial, this, &MainWidget::showCameraSerial);
    connect(this, &MainWidget::setShowCameraLiveUI, this, &MainWidget::showCameraPlayingUI);
    connect(this, &MainWidget::signalRecByTime, recorder_, &ZxFileRecorder::recordingTime, Qt::QueuedConnection);
    connect(recorder_, qOverload<QString, ZxMessageType, QString>(&ZxFileRecorder::signalShowLeftBottomTips), this,
            qOverload<QString, ZxMessageType, QString>(&MainWidget::slotShowLeftBottomTips), Qt::QueuedConnection);
    connect(recorder_, qOverload<QString, ZxMessageType>(&ZxFileRecorder::signalShowLeftBottomTips), this,
            qOverload<QString, ZxMessageType>(&MainWidget::slotShowLeftBottomTips), Qt::QueuedConnection);
    connect(recorder_, qOverload<QString>(&ZxFileRecorder::signalShowLeftBottomTips), this,
            qOverload<QString>(&MainWidget::slotShowLeftBottomTips), Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------------
// Helpers without state

MainWidget::AddressCheck MainWidget::checkCameraAddress(const std::string& cameraIp, const std::string& mask,
                                                        const std::vector<std::string>& localIps) {
    for (const std::string& local : localIps) {
        if (local == cameraIp) return AddressCheck::Conflict;
    }
    const uint32_t camera = quillex::stringToIP(cameraIp);
    const uint32_t m = quillex::stringToIP(mask);
    for (const std::string& local : localIps) {
        if ((quillex::stringToIP(local) & m) == (camera & m)) return AddressCheck::Ok;
    }
    return AddressCheck::OtherSegment;
}

std::vector<std::string> MainWidget::localIPv4Addresses() {
    std::vector<std::string> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        if ((ntohl(in->sin_addr.s_addr) >> 24) == 127) continue;
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) out.emplace_back(text);
    }
    freeifaddrs(list);
    return out;
}

QString MainWidget::formatElapsed(uint64_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString MainWidget::formatBandwidth(uint64_t bytesPerSecond) {
    const double mb = static_cast<double>(bytesPerSecond) / 1024.0 / 1024.0;
    return tr(" Bandwidth: ") + QString::number(mb, 'f', 1) + " MB/s ";
}

QString MainWidget::formatEventRate(uint64_t eventsPerSecond) {
    const double mev = static_cast<double>(eventsPerSecond) / 1000000.0;
    return tr(" Events: ") + QString::number(mev, 'f', 1) + " MEv/s ";
}

// ---------------------------------------------------------------------------------------------
// Opening a camera

void MainWidget::slotOpenCamera() {
    qDebug() << "Search cameras ...";
    const std::vector<quillex::CameraDescription> descriptions = cameraManager_->getCameraDescs();
    qDebug() << "Search end ... find: " << descriptions.size();
    CamerasList list(descriptions, this);
    if (list.exec() != QDialog::Accepted) return;
    int index = -1;
    if (!list.selectedIndex(index) || index < 0 || index >= static_cast<int>(descriptions.size())) return;
    openCameraDescription(descriptions[index]);
}

bool MainWidget::openCameraBySerial(const QString& serialText) {
    const std::string serial = serialText.toStdString();
    quillex::CameraDescription description;
    bool found = false;
    for (const auto& d : cameraManager_->getCameraDescs()) {
        if (d.serial == serial) {
            description = d;
            found = true;
            break;
        }
    }
    if (!found) {
        slotShowLeftBottomTips(tr("Open camera: ") + serialText + tr("failed."), ZxMessageError, QString());
        return false;
    }
    return openCameraDescription(description);
}

bool MainWidget::openCameraDescription(const quillex::CameraDescription& description) {
    const std::string serial = description.serial;
    const QString serialText = QString::fromStdString(serial);

    // Whatever was shown goes: the current stream, the camera and any recording.
    releaseCamera();
    emit signalOpenRawFile(QString());
    emit signalOpenFusionFile(QString());
    ui->lb_viewer_file_name->clear();
    actionSaveAs_->setVisible(false);
    openedRecording_.clear();
    qDebug().noquote() << "Select camera: " << serialText << " product: " << QString::fromStdString(description.product);

    sourceKind_ = description.product == kTessaryProduct ? SourceFusionCamera : SourceEventCamera;
    if (sourceKind_ == SourceFusionCamera) {
        slotShowLeftBottomTips(tr("Fusion cameras are not supported in this version."), ZxMessageWarning, QString());
        updateViewerTypeButton();
        return false;
    }

    if (description.interfaceType == quillex::INTERFACE_ETH) {
        switch (checkCameraAddress(description.ipAddress, description.subnetMask, localIPv4Addresses())) {
        case AddressCheck::Conflict:
            slotShowLeftBottomTips(tr("There is a conflict between the camera ip and the local ip!"), ZxMessageError,
                                   QString());
            return false;
        case AddressCheck::OtherSegment:
            slotShowLeftBottomTips(tr("The camera ip is not in the same network segment as the local ip!"),
                                   ZxMessageError, QString());
            return false;
        case AddressCheck::Ok:
            break;
        }
    }

    // The driver calls run on the worker; the GUI thread only waits.
    struct Result {
        std::shared_ptr<quillex::DvsCamera> camera;
        std::string firmware = "N/A";
        bool firmwareKnown = false;
        int width = 0;
        int height = 0;
    } result;
    quillex::DvsCameraManager* manager = cameraManager_.get();
    WorkerThread worker([&result, manager, serial] {
        result.camera = manager->openCamera(serial);
        if (!result.camera) return;
        result.firmwareKnown = result.camera->getFirmwareVersion(result.firmware);
        result.width = result.camera->getWidth();
        result.height = result.camera->getHeight();
    });
    WaitingWin wait(this);
    connect(&worker, &WorkerThread::taskCompleted, &wait, &QDialog::close, Qt::QueuedConnection);
    worker.start(QThread::InheritPriority);
    wait.exec();
    worker.wait();

    if (!result.camera) {
        slotShowLeftBottomTips(tr("Open camera: ") + serialText + tr("failed."), ZxMessageError, QString());
        return false;
    }
    camera_ = result.camera;
    cameraSerial_ = serialText;
    firmwareText_ = result.firmware;
    if (description.product == kSmallCameraProduct && !result.firmwareKnown) {
        slotShowLeftBottomTips(
            tr("The Quillex.320camera firmware is outdated. Please contact sales for a firmware upgrade."),
            ZxMessageWarning, QString());
    }
    // The statistics thread may only reach this window through the queue.
    QPointer<MainWidget> self(this);
    camera_->setStatisticInfoCallback([self](quillex::ZxStatisticInfo info) {
        if (!self) return;
        QMetaObject::invokeMethod(
            self.data(), [self, info] { if (self) self->showStatistics(info.dataRate, info.eventRate); },
            Qt::QueuedConnection);
    });
    emit signalImageReslotionChanged(result.width, result.height);
    initDvsCameraSettings();

    viewerType_ = quillex::STREAM_DVS;
    updateViewerTypeButton();

    emit setShowCameraLiveUI(true);
    emit resetShowCameraFormTitle(true);
    emit toShowCameraSerial(serialText);
    if (!ui->pb_play->isChecked()) on_pb_play_clicked(true);
    return true;
}

void MainWidget::releaseCamera() {
    stopManualRecording(false);
    if (recorder_) {
        recorder_->stopAndWait();
        recorder_->setCamera(nullptr);
    }
    stopLiveStream();
    if (camera_) {
        if (triggerCallbackId_ != UINT32_MAX) camera_->removeTriggerInCallback(triggerCallbackId_);
        triggerCallbackId_ = UINT32_MAX;
        camera_->setStatisticInfoCallback(nullptr);
        camera_->setFileCacheTime(0, ".");
        camera_.reset();
    }
    if (sourceKind_ == SourceEventCamera || sourceKind_ == SourceFusionCamera) {
        ui->pb_record->setEnabled(false);
        ui->lb_status_bar->clear();
    }
}

void MainWidget::slotShowCameraInfo() {
    if (!camera_) return;
    ShowCameraInfoUI info(this);
    info.setInfo(camera_->getDescription(), firmwareText_);
    info.exec();
}

void MainWidget::initDvsCameraSettings() {
    if (!camera_) return;
    if (triggerCallbackId_ != UINT32_MAX) {
        camera_->removeTriggerInCallback(triggerCallbackId_);
        triggerCallbackId_ = UINT32_MAX;
    }
    recorder_->setCamera(camera_);
    recorder_->setCacheTime(0);
    camera_->setFileCacheTime(0, ".");
    if (!settings_->triggerInRecEnabled()) return;
    recorder_->setCacheTime(static_cast<int>(settings_->beforeTriggerSaveTime()));
    const bool rising = settings_->triggerInEdgeType() == QLatin1String("Rising Edge");
    const uint32_t after = settings_->afterTriggerSaveTime();
    const QString dir = settings_->outputRawFilePath();
    const QString serial = cameraSerial_;
    QPointer<MainWidget> self(this);
    // Runs on the camera's thread: only builds the path and queues the request.
    triggerCallbackId_ = camera_->addTriggerInCallback([self, rising, after, dir, serial](quillex::EventTriggerIn t) {
        const bool match = (rising && t.polarity == 1) || (!rising && t.polarity == 0);
        if (!match || !self) return;
        const QString path = dir + "/" + serial + timeSuffix() + ".raw";
        emit self->signalRecByTime(after, path);
    });
}

// ---------------------------------------------------------------------------------------------
// Live stream

void MainWidget::on_pb_play_clicked(bool checked) {
    // Recordings are played by the processor through pb_play's toggled signal.
    if (sourceKind_ != SourceEventCamera && sourceKind_ != SourceFusionCamera) return;
    if (!camera_ || !camera_->isConnected()) {
        qDebug() << "Please connect camera first.";
        ui->pb_play->setChecked(false);
        return;
    }
    if (checked) {
        ui->pb_play->setChecked(startLiveStream());
    } else {
        stopLiveStream();
    }
}

bool MainWidget::startLiveStream() {
    if (cameraRunning_) return true;
    if (liveThread_.joinable()) liveThread_.join();
    int32_t started = -1;
    try {
        started = camera_->start();
    } catch (const std::exception& e) {
        qWarning() << "camera start:" << e.what();
    }
    if (started != 0) {
        qDebug() << "Please check the camera connection.";
        return false;
    }
    camera_->setBatchEventsTime(batchTime_);
    cameraRunning_ = true;
    liveThread_ = std::thread(&MainWidget::liveLoop, this, camera_);
    return true;
}

void MainWidget::stopLiveStream() {
    const bool wasRunning = cameraRunning_.exchange(false);
    const bool hadLoop = liveThread_.joinable();
    // Stopping first wakes a loop that waits for a batch: with a silent scene none would come.
    if (camera_ && (wasRunning || hadLoop)) {
        camera_->stop();
        qDebug() << "stop camera.";
    }
    if (hadLoop) liveThread_.join();
    ui->pb_play->setChecked(false);
}

void MainWidget::slotSetBatchTime(uint64_t time_us) {
    if (time_us == 0) return;
    batchTime_ = time_us;
    if (camera_) camera_->setBatchEventsTime(batchTime_);
    qDebug() << "set dvs time interval: " << time_us;
}

void MainWidget::liveLoop(std::shared_ptr<quillex::DvsCamera> camera) {
    using clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / liveFrameRate_);
    std::vector<quillex::Event2D> batch;
    while (cameraRunning_) {
        const auto begin = clock::now();
        // A camera that has stopped hands over no more batches: do not start waiting for one.
        if (!camera->isConnected()) {
            qDebug() << "Camera connection lost.";
            cameraRunning_ = false;
            QMetaObject::invokeMethod(this, &MainWidget::cameraConnectionLost, Qt::QueuedConnection);
            break;
        }
        if (camera->getNextBatch(batch) && !batch.empty()) {
            eventProcessor_->accumulateEvents(batch.data(), batch.data() + batch.size());
            latestEventTimestamp_ = batch.back().timestamp;
            // One publication waits in the queue at most: a GUI that falls behind shows the
            // batches together instead of an ever longer backlog.
            if (!framePending_.exchange(true)) emit triggerEventsToShow();
        }
        const auto left = period - (clock::now() - begin);
        if (left > clock::duration::zero() && cameraRunning_) std::this_thread::sleep_for(left);
        if (!camera->isConnected()) {
            qDebug() << "Camera connection lost.";
            cameraRunning_ = false;
            QMetaObject::invokeMethod(this, &MainWidget::cameraConnectionLost, Qt::QueuedConnection);
        }
    }
}

void MainWidget::cameraConnectionLost() {
    if (liveThread_.joinable()) liveThread_.join();
    stopManualRecording(false);
    ui->pb_play->setChecked(false);
    ui->pb_record->setEnabled(false);
    ui->lb_status_bar->clear();
    slotShowLeftBottomTips(tr("Camera connection lost."), ZxMessageError, QString());
}

void MainWidget::getEventsToShow() {
    framePending_ = false;
    if (sourceKind_ != SourceEventCamera) return;
    eventProcessor_->publishLatestFrame();
}

void MainWidget::showStatistics(uint64_t dataRate, uint64_t eventRate) {
    if (!cameraRunning_) return;
    ui->lb_status_bar->setText(formatBandwidth(dataRate) + formatEventRate(eventRate));
}

void MainWidget::showCameraPlayingUI(bool en) {
    setFileControlsEnabled(!en);
    if (en) {
        slider_->setCenterValue(0);
        ui->label_time->setText(QStringLiteral("--/--"));
    }
    ui->pb_play->setEnabled(true);
    ui->pb_record->setEnabled(en);
    ui->label_show_camera_info->setVisible(en);
}

// ---------------------------------------------------------------------------------------------
// Manual recording

void MainWidget::on_pb_record_clicked() {
    if (!camera_ || !camera_->isConnected() || sourceKind_ != SourceEventCamera) {
        qDebug() << "Please connect camera first.";
        ui->pb_record->setChecked(false);
        return;
    }
    if (recording_) {
        stopManualRecording(true);
        return;
    }
    const QString dir = settings_->outputRawFilePath();
    QDir().mkpath(dir);
    const QString path = dir + "/" + cameraSerial_ + timeSuffix() + ".raw";
    qDebug() << "start recording...";
    if (camera_->startRecording(path.toLocal8Bit().toStdString()) != 0) {
        ui->pb_record->setChecked(false);
        slotShowLeftBottomTips(tr("Failed to start recording."), ZxMessageError, path);
        return;
    }
    recording_ = true;
    recordingPath_ = path;
    ui->pb_record->setChecked(true);
    recordingStartMs_ = QDateTime::currentMSecsSinceEpoch();
    ui->lb_recoding_time->setText(formatElapsed(0));
    recordingClock_->start();
}

void MainWidget::stopManualRecording(bool tip) {
    if (!recording_) return;
    qDebug() << "stop recording";
    recording_ = false;
    recordingClock_->stop();
    ui->lb_recoding_time->clear();
    ui->pb_record->setChecked(false);
    if (camera_) camera_->stopRecording();
    if (tip) slotShowLeftBottomTips(tr("Save file success!"), ZxMessageSuccess, recordingPath_);
}

void MainWidget::updateRecordingTime() {
    if (!recording_) return;
    const qint64 elapsed = std::max<qint64>(0, QDateTime::currentMSecsSinceEpoch() - recordingStartMs_) / 1000;
    ui->lb_recoding_time->setText(formatElapsed(static_cast<uint64_t>(elapsed)));
}

void MainWidget::closeEvent(QCloseEvent* event) {
    releaseCamera();
    QWidget::closeEvent(event);
}
