#pragma once
// The application's only top-level window: title bar with menus, image view, playback bar with the
// three-handle slider, side bar and status line. Decides which source is shown and wires the
// playback controls to the event processor.
//
// Source kinds: 0 none, 1 event camera, 2 fusion camera, 3 raw recording, 4 fusion recording (a raw
// file with an MP4 of the same base name beside it). The fusion player and fusion cameras are
// not part of this window yet. The camera side (opening, live view, recording) is in
// MainWidgetCamera.cpp.
//
// Environment (never needed by users; read only when set, by startFromEnvironment()):
//   QUILLSCOPE_OPEN_CAMERA=<serial>       opens that camera once the window is shown.
//   QUILLSCOPE_OPEN_RECORDING=<file.raw>  opens that recording once the window is shown.
//   QUILLSCOPE_SCREENSHOT_DIR=<folder>    runs the screenshot sequence (playing, cut dialog,
//                                         export progress, toast) into that folder, then quits.

#include "hal/EventTypes.h"
#include "settings/ZxTimeRangeDialog.h"
#include "widgets/ZxMessageType.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class ShowImageForm;
class WaitingWin;
class ZxEventProcessor;
class ZxThreeHandleSlider;
class ZxFileRecorder;
class QTimer;

namespace QWK {
class WidgetWindowAgent;
}
namespace quillex {
class AppSettings;
class DvsCamera;
class DvsCameraManager;
}
namespace Ui {
class MainWidget;
}

class MainWidget : public QWidget {
    Q_OBJECT

public:
    enum SourceKind : uint32_t {
        SourceNone = 0,
        SourceEventCamera = 1,
        SourceFusionCamera = 2,
        SourceRawRecording = 3,
        SourceFusionRecording = 4,
    };
    // Panels of the side bar, in the order of their fold buttons.
    enum SidePanel : int { CameraPanel = 0, DvsPanel = 1, ApsPanel = 2 };

    static constexpr int kSideBarOpenWidth = 500;
    static constexpr int kActivityBins = 256;
    static constexpr const char* kWebsiteUrl = "https://quillex.example/";

    explicit MainWidget(QWidget* parent = nullptr);
    ~MainWidget() override;

    // "MM:SS:UUUUUU" (minutes at least two digits, seconds two, microseconds six).
    static QString formatTime(uint64_t timestamp_us);
    // "<dir>/<complete base name>.mp4" of a recording.
    static QString companionVideoPath(const QString& rawPath);
    // Folder a toast offers for a path: the directory itself, the directory of an existing file,
    // or the existing parent of a path that does not exist; empty when there is none.
    static QString reminderFolderFor(const QString& path);

    // What slotOpenRecording does after the file dialog.
    void openRecording(const QString& path);
    // Puts a side-bar panel under its fold button (owned by the window); null removes it.
    void setSidePanel(SidePanel which, QWidget* panel);
    // Reads the environment variables above; call once after show().
    void startFromEnvironment();

    // Camera side.
    enum class AddressCheck { Ok, Conflict, OtherSegment };
    // An Ethernet camera must not share an address with this host and must be in the segment
    // (under the camera's mask) of one of the host's addresses.
    static AddressCheck checkCameraAddress(const std::string& cameraIp, const std::string& mask,
                                           const std::vector<std::string>& localIps);
    // IPv4 addresses of this host's interfaces, loopback excluded.
    static std::vector<std::string> localIPv4Addresses();
    // Elapsed recording time as "HH:MM:SS" (hours not limited).
    static QString formatElapsed(uint64_t seconds);
    // " Bandwidth: x.x MB/s " and " Events: x.x MEv/s ".
    static QString formatBandwidth(uint64_t bytesPerSecond);
    static QString formatEventRate(uint64_t eventsPerSecond);
    // What slotOpenCamera does once a camera is chosen; true when the camera opened.
    bool openCameraBySerial(const QString& serial);
    bool openCameraDescription(const quillex::CameraDescription& description);
    // Stops the stream and any recording and lets the open camera go.
    void releaseCamera();
    std::shared_ptr<quillex::DvsCamera> eventCamera() const { return camera_; }
    bool isCameraRunning() const { return cameraRunning_.load(); }
    bool isLiveRecording() const { return recording_; }
    QString liveRecordingPath() const { return recordingPath_; }
    ZxFileRecorder* recorder() const { return recorder_; }
    uint32_t triggerCallbackId() const { return triggerCallbackId_; }

    uint32_t sourceKind() const { return sourceKind_; }
    uint32_t viewerType() const { return viewerType_; }
    ZxEventProcessor* eventProcessor() const { return eventProcessor_.get(); }
    ZxThreeHandleSlider* slider() const { return slider_; }
    ShowImageForm* imageForm() const { return imageForm_; }
    WaitingWin* waitingWindow() const { return waitWin_; }
    QLabel* waitingProgressLabel() const { return waitProgress_; }
    QMenu* viewerMenu() const { return viewerMenu_; }
    QWK::WidgetWindowAgent* windowAgent() const { return agent_; }
    // The dialog of a running slotSaveAs / slotCutRecording, else null.
    ZxTimeRangeDialog* activeRangeDialog() const { return rangeDialog_; }

signals:
    void signalSetViewerShowType(quillex::STREAM_TYPE type);
    void signalShowLeftBottomTips(QString tips);
    void signalShowLeftBottomTips(QString tips, ZxMessageType type);
    void signalShowLeftBottomTips(QString tips, ZxMessageType type, QString file_path);
    void signalOpenRawFile(QString path);
    void signalOpenFusionFile(QString path);
    void signalExportVideo(QString out_path, QString out_dir, uint64_t start_ts, uint64_t end_ts);
    void signalCutRawFile(QString out_path, QString out_dir, uint64_t start_ts, uint64_t end_ts);
    void signalImageReslotionChanged(int width, int height);
    void triggerEventsToShow();
    void resetShowCameraFormTitle(bool show);
    void toShowCameraSerial(QString serial);
    void setShowCameraLiveUI(bool en);
    void signalRecByTime(uint32_t sec, QString path);

public slots:
    void on_pb_win_min_clicked();
    void on_pb_win_close_clicked();
    void on_pb_win_max_clicked();
    void openActionSlot(QAction* action);
    void slotOpenRecording();
    void slotSaveAs();
    void slotCutRecording();
    void setShowTitleInfo(bool show);
    void showCameraSerial(QString str);
    void showTimeStamp(uint64_t timestamp_us);
    void showLocalTime(QString local_time);
    void maximizedChanged(bool max);
    void on_pb_fold_setting_clicked(bool checked);
    void on_pb_fold_dvs_setting_clicked(bool checked);
    void on_pb_fold_aps_setting_clicked(bool checked);
    void on_pb_viewer_setting_clicked(bool checked);
    void slotStartEndPointEditable(bool en);
    void on_pb_viewer_type_clicked();
    void slotShowLeftBottomTips(QString tips);
    void slotShowLeftBottomTips(QString tips, ZxMessageType type);
    void slotShowLeftBottomTips(QString tips, ZxMessageType type, QString file_path);
    void slotSetSliderStartTime(uint64_t ts);
    void slotSetSliderEndTime(uint64_t ts);
    void slotSetWaitWinStatus(bool en);
    void slotJobProgress(int percent);
    void slotOpenCamera();
    void slotShowCameraInfo();
    void on_pb_play_clicked(bool checked);
    void on_pb_record_clicked();
    void getEventsToShow();
    void showCameraPlayingUI(bool en);
    void initDvsCameraSettings();
    // Batch time of the live camera (the camera panel's accumulation time).
    void slotSetBatchTime(uint64_t time_us);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class JobKind { None, Export, Cut };

    void setupTitleBar();
    void setupMenus();
    void setupPlayBar();
    void setupSideBar();
    void connectEventProcessor();
    void setFileControlsEnabled(bool en);
    void updateTimeLabel();
    void updateTitleBarShape(bool maximized);
    void applyTriggerMarks(const std::vector<std::pair<uint64_t, uint8_t>>& triggers);
    void refreshActivityProfile();
    void foldPanel(SidePanel which, bool checked);
    void updateViewerTypeButton();
    // Runs the export or cut dialog; true with the chosen values when accepted.
    bool runRangeDialog(ZxTimeRangeDialog& dialog, const QString& dir, const QString& suffix);
    void runScreenshotStep();

    // Camera side.
    void setupCameraSide();
    bool startLiveStream();
    void stopLiveStream();
    void liveLoop(std::shared_ptr<quillex::DvsCamera> camera);
    void cameraConnectionLost();
    void showStatistics(uint64_t dataRate, uint64_t eventRate);
    void stopManualRecording(bool tip);
    void updateRecordingTime();

    Ui::MainWidget* ui;
    quillex::AppSettings* settings_ = nullptr;
    QWK::WidgetWindowAgent* agent_ = nullptr;

    uint32_t sourceKind_ = SourceNone;
    uint32_t viewerType_ = quillex::STREAM_FUSION;
    QString openedRecording_;

    // Menu texts, translated once.
    QString textOpenCamera_;
    QString textCameraInfo_;
    QString textIpConfig_;
    QString textOpenRecording_;
    QString textSaveAs_;
    QString textCutRecording_;
    QString textQuit_;
    QString textGeneralSetting_;
    QString textLanguage_;
    QString textAbout_;
    QString textToggleStartEnd_;

    QAction* actionSaveAs_ = nullptr;
    QAction* actionCut_ = nullptr;
    QAction* actionToggleStartEnd_ = nullptr;
    QMenu* viewerMenu_ = nullptr;

    std::unique_ptr<ZxEventProcessor> eventProcessor_;
    ZxThreeHandleSlider* slider_ = nullptr;
    ShowImageForm* imageForm_ = nullptr;
    WaitingWin* waitWin_ = nullptr;
    QLabel* waitProgress_ = nullptr;
    QPointer<ZxTimeRangeDialog> rangeDialog_;
    QPushButton* foldButtons_[3] = {nullptr, nullptr, nullptr};
    QPointer<QWidget> panels_[3];

    JobKind job_ = JobKind::None;
    int busyCount_ = 0;  // loads and jobs between their loading-status true and false
    bool profilePending_ = false;

    // Camera side.
    std::unique_ptr<quillex::DvsCameraManager> cameraManager_;
    std::shared_ptr<quillex::DvsCamera> camera_;
    std::string firmwareText_;
    QString cameraSerial_;
    uint32_t triggerCallbackId_ = UINT32_MAX;
    uint32_t liveFrameRate_ = 33;
    uint64_t batchTime_ = 33333;
    bool recording_ = false;
    QString recordingPath_;
    std::atomic<bool> cameraRunning_{false};
    std::atomic<uint64_t> latestEventTimestamp_{0};
    std::atomic<bool> framePending_{false};  // a triggerEventsToShow is queued
    std::thread liveThread_;
    QTimer* recordingClock_ = nullptr;
    qint64 recordingStartMs_ = 0;
    ZxFileRecorder* recorder_ = nullptr;

    // Screenshot sequence.
    QString screenshotDir_;
    int screenshotStep_ = 0;
    int screenshotTicks_ = 0;
    int playingTicks_ = 0;
};
