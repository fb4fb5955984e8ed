#include "MainWidget.h"

#include "ui_MainWidget.h"

#include "LanguageSwitcher.h"
#include "Utility/zxfilerecorder.h"
#include "camera/DvsCameraManager.h"
#include "qwk/widgetwindowagent.h"
#include "settings/AppInfo.h"
#include "settings/AppSettings.h"
#include "settings/ZxCutRawFileDialog.h"
#include "settings/ZxExportVideoDialog.h"
#include "view/ShowImageForm.h"
#include "view/ZxEventProcessor.h"
#include "widgets/WaitingWin.h"
#include "widgets/ZXMessageBox.h"
#include "widgets/ZxFilePathReminderForm.h"
#include "widgets/ZxThreeHandleSlider.h"
#include "widgets/ZxToolTip.h"

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

constexpr const char* kMenuStyle =
    "QMenu{background-color:#FFFFFF;border:1px solid #AAAAAA;border-top:none;"
    "border-bottom-left-radius:5px;border-bottom-right-radius:5px;padding:0px;}"
    "QMenu::item{height:30px;padding:0px 28px 0px 16px;font-size:12px;color:#575757;background:transparent;}"
    "QMenu::item:selected{background-color:#EDF1F3;color:#004B6A;}"
    "QMenu::item:checked{background-color:#004B6A;color:#FFFFFF;}"
    "QMenu::item:disabled{color:#C7C7C7;background:transparent;}"
    "QMenu::indicator{width:0px;height:0px;}";

QString playBarButtonStyle(const char* name, const char* icon) {
    return QStringLiteral("#%1{border:none;background:transparent;image:url(:/img/assets/btn_playbar_%2.svg);}"
                          "#%1:hover,#%1:checked{image:url(:/img/assets/btn_playbar_%2_hover.svg);}"
                          "#%1:disabled{image:url(:/img/assets/btn_playbar_%2_disabled.svg);}")
        .arg(QLatin1String(name), QLatin1String(icon));
}

QString sideButtonStyle(const char* name, const char* icon) {
    return QStringLiteral("#%1{border:none;border-radius:4px;background:transparent;image:url(:/img/assets/btn_side_%2.svg);}"
                          "#%1:hover{background-color:#EDF1F3;}"
                          "#%1:checked{background-color:#E1E9ED;image:url(:/img/assets/btn_side_%2_checked.svg);}"
                          "#%1:disabled{background:transparent;}")
        .arg(QLatin1String(name), QLatin1String(icon));
}

QString navButtonStyle(const QString& selector, const char* icon) {
    return QStringLiteral("%1{border:none;background:transparent;image:url(:/img/assets/btn_Nav_%2.svg);}"
                          "%1:hover{image:url(:/img/assets/btn_Nav_%2_hover.svg);}"
                          "%1:pressed{image:url(:/img/assets/btn_Nav_%2_pressed.svg);}")
        .arg(selector, QLatin1String(icon));
}

QString windowStyle() {
    QString style = QStringLiteral(
        "#widget_center{background-color:#F2F2F2;border-radius:6px;}"
        "QLabel{font-family:\"Noto Sans SC Medium\";font-size:12px;color:#575757;}"
        "#widget_title_bar QPushButton{border:none;background:transparent;color:#575757;font-size:13px;padding:0px 10px;}"
        "#widget_title_bar QPushButton:hover{color:#004B6A;}"
        "#widget_title_bar QPushButton:pressed{color:#00384F;}"
        "#widget_title_bar QPushButton::menu-indicator{image:none;width:0px;}"
        "#pb_logo_button{padding:0px;}"
        "#widget_side_bar{background-color:#FFFFFF;}"
        "#widget_side_buttons{background-color:#F1F4F6;}"
        "#frame_show_play_info{background-color:#F1F4F6;border:none;}"
        "#frame_play_ctrl{background-color:#FFFFFF;border:none;}"
        "#widget_status_bar{background-color:#F1F4F6;}"
        "#lb_status_bar{color:#7C7C7C;}"
        "#label_time{font-size:12px;color:#575757;}"
        "#lb_recoding_time{color:#FF6058;}"
        "QSplitter::handle{background-color:#F2F2F2;}"
        "#pb_viewer_type{border:none;background:transparent;}"
        "#pb_viewer_type[viewer=\"dvs\"]{image:url(:/img/assets/btn_playbar_DVS.svg);}"
        "#pb_viewer_type[viewer=\"dvs\"]:hover{image:url(:/img/assets/btn_playbar_DVS_hover.svg);}"
        "#pb_viewer_type[viewer=\"dvs\"]:disabled{image:url(:/img/assets/btn_playbar_DVS_disabled.svg);}"
        "#pb_viewer_type[viewer=\"aps\"]{image:url(:/img/assets/btn_playbar_APS.svg);}"
        "#pb_viewer_type[viewer=\"aps\"]:hover{image:url(:/img/assets/btn_playbar_APS_hover.svg);}"
        "#pb_viewer_type[viewer=\"aps\"]:disabled{image:url(:/img/assets/btn_playbar_APS_disabled.svg);}"
        "#pb_viewer_type[viewer=\"fusion\"]{image:url(:/img/assets/btn_playbar_Fusion.svg);}"
        "#pb_viewer_type[viewer=\"fusion\"]:hover{image:url(:/img/assets/btn_playbar_Fusion_hover.svg);}"
        "#pb_viewer_type[viewer=\"fusion\"]:disabled{image:url(:/img/assets/btn_playbar_Fusion_disabled.svg);}"
        "#pb_play{border:none;background:transparent;image:url(:/img/assets/btn_playbar_play.svg);}"
        "#pb_play:hover{image:url(:/img/assets/btn_playbar_play_hover.svg);}"
        "#pb_play:checked{image:url(:/img/assets/btn_playbar_pause.svg);}"
        "#pb_play:checked:hover{image:url(:/img/assets/btn_playbar_pause_hover.svg);}"
        "#pb_play:disabled{image:url(:/img/assets/btn_playbar_play_disabled.svg);}"
        "#pb_viewer_setting{border:none;border-radius:4px;background:transparent;"
        "image:url(:/img/assets/btn_playbar_viewer.svg);}"
        "#pb_viewer_setting:hover,#pb_viewer_setting:checked{background-color:#E1E9ED;"
        "image:url(:/img/assets/btn_playbar_viewer_hover.svg);}");
    style += playBarButtonStyle("pb_prv", "prev");
    style += playBarButtonStyle("pb_next", "next");
    style += playBarButtonStyle("pb_stop", "stop");
    style += playBarButtonStyle("pb_loop", "loop");
    style += playBarButtonStyle("pb_record", "record");
    style += sideButtonStyle("pb_fold_setting", "camera");
    style += sideButtonStyle("pb_fold_dvs_setting", "dvs");
    style += sideButtonStyle("pb_fold_aps_setting", "aps");
    style += sideButtonStyle("pb_fold_general_setting", "general");
    style += navButtonStyle("#pb_win_min", "Min");
    style += navButtonStyle("#pb_win_max[type=\"maxsize\"]", "Max");
    style += navButtonStyle("#pb_win_max[type=\"restore\"]", "Restore");
    style += navButtonStyle("#pb_win_close", "Close");
    return style;
}

QMenu* makeMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setWindowFlags(menu->windowFlags() | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    menu->setAttribute(Qt::WA_TranslucentBackground);
    menu->setStyleSheet(kMenuStyle);
    return menu;
}

void repolish(QWidget* w) {
    w->style()->unpolish(w);
    w->style()->polish(w);
    w->update();
}

}  // namespace

MainWidget::MainWidget(QWidget* parent) : QWidget(parent), ui(new Ui::MainWidget) {
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    ui->widget_center->setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(windowStyle());

    agent_ = new QWK::WidgetWindowAgent(this);
    agent_->setup(this);
    setupTitleBar();

    textOpenCamera_ = tr("Open Camera");
    textCameraInfo_ = tr("Camera Info");
    textIpConfig_ = tr("IP Configuration");
    textOpenRecording_ = tr("Open Recording");
    textSaveAs_ = tr("Save as...");
    textCutRecording_ = tr("Cut Recording");
    textQuit_ = tr("Quit");
    textGeneralSetting_ = tr("General Setting");
    textLanguage_ = tr("EN/中文");
    textAbout_ = tr("About us");
    textToggleStartEnd_ = tr("Toggle Start/End Point");

    eventProcessor_ = std::make_unique<ZxEventProcessor>();

    setupPlayBar();
    ui->splitter->setContentsMargins(10, 10, 10, 10);
    ui->splitter->setStretchFactor(0, 1);
    ui->splitter->setStretchFactor(1, 10);
    setupMenus();
    setupSideBar();

    imageForm_ = new ShowImageForm(ui->widget_show_image);
    auto* imageLayout = new QVBoxLayout(ui->widget_show_image);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    imageLayout->addWidget(imageForm_);

    waitWin_ = new WaitingWin(this);
    waitProgress_ = new QLabel(waitWin_);
    waitProgress_->setObjectName("lb_waiting_progress");
    waitProgress_->setAlignment(Qt::AlignCenter);
    waitProgress_->setStyleSheet(
        "#lb_waiting_progress{background-color:rgba(255,255,255,230);border-radius:4px;color:#004B6A;"
        "font-size:12px;padding:2px 6px;}");
    waitProgress_->hide();
    if (waitWin_->layout()) waitWin_->layout()->addWidget(waitProgress_);

    connectEventProcessor();
    connect(this, &MainWidget::signalImageReslotionChanged, imageForm_, &ShowImageForm::slotSetResolution);
    connect(this, qOverload<QString>(&MainWidget::signalShowLeftBottomTips), this,
            qOverload<QString>(&MainWidget::slotShowLeftBottomTips));
    connect(this, qOverload<QString, ZxMessageType>(&MainWidget::signalShowLeftBottomTips), this,
            qOverload<QString, ZxMessageType>(&MainWidget::slotShowLeftBottomTips));
    connect(this, qOverload<QString, ZxMessageType, QString>(&MainWidget::signalShowLeftBottomTips), this,
            qOverload<QString, ZxMessageType, QString>(&MainWidget::slotShowLeftBottomTips));

    settings_ = quillex::AppSettings::instance();
    setupCameraSide();

    setShowTitleInfo(false);
    ui->label_show_play_text2->hide();
    ui->label_show_camera_info->hide();
    setFileControlsEnabled(false);
    ui->pb_play->setEnabled(false);
    updateViewerTypeButton();
    maximizedChanged(false);
    updateTitleBarShape(false);
}

MainWidget::~MainWidget() {
    releaseCamera();
    // Joins the processor's threads while every receiver still exists.
    eventProcessor_.reset();
    delete ui;
}

void MainWidget::setupTitleBar() {
    ui->pb_logo_button->setIcon(QIcon(":/img/assets/Quillex logo_navigate.png"));
    ui->pb_logo_button->setIconSize(QSize(24, 24));
    agent_->setTitleBar(ui->widget_title_bar);
    agent_->setSystemButton(QWK::WindowAgentBase::WindowIcon, ui->pb_logo_button);
    agent_->setSystemButton(QWK::WindowAgentBase::Minimize, ui->pb_win_min);
    agent_->setSystemButton(QWK::WindowAgentBase::Maximize, ui->pb_win_max);
    agent_->setSystemButton(QWK::WindowAgentBase::Close, ui->pb_win_close);
    for (QPushButton* b : {ui->pb_menu_file, ui->pb_menu_device, ui->pb_menu_setting, ui->pb_menu_tools,
                           ui->pb_menu_help}) {
        agent_->setHitTestVisible(b);
    }
}

void MainWidget::setupMenus() {
    auto addAction = [](QMenu* menu, const QString& text, const char* name, bool enabled = true) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(enabled);
        return action;
    };

    QMenu* file = makeMenu(this);
    QAction* open = addAction(file, textOpenRecording_, "action_open_recording");
    actionSaveAs_ = addAction(file, textSaveAs_, "action_save_as");
    actionCut_ = addAction(file, textCutRecording_, "action_cut_recording");
    addAction(file, textQuit_, "action_quit");
    connect(open, &QAction::triggered, this, &MainWidget::slotOpenRecording);
    connect(actionSaveAs_, &QAction::triggered, this, &MainWidget::slotSaveAs);
    connect(actionCut_, &QAction::triggered, this, &MainWidget::slotCutRecording);
    ui->pb_menu_file->setMenu(file);

    // The general settings and the network tools are not here yet; their entries stay visible
    // but disabled.
    QMenu* device = makeMenu(this);
    QAction* openCamera = addAction(device, textOpenCamera_, "action_open_camera");
    QAction* cameraInfo = addAction(device, textCameraInfo_, "action_camera_info");
    connect(openCamera, &QAction::triggered, this, &MainWidget::slotOpenCamera);
    connect(cameraInfo, &QAction::triggered, this, &MainWidget::slotShowCameraInfo);
    ui->pb_menu_device->setMenu(device);

    QMenu* setting = makeMenu(this);
    addAction(setting, textGeneralSetting_, "action_general_setting", false);
    addAction(setting, textLanguage_, "action_language");
    ui->pb_menu_setting->setMenu(setting);

    QMenu* tools = makeMenu(this);
    addAction(tools, textIpConfig_, "action_ip_configuration", false);
    ui->pb_menu_tools->setMenu(tools);

    QMenu* help = makeMenu(this);
    addAction(help, textAbout_, "action_about");
    ui->pb_menu_help->setMenu(help);

    for (QMenu* menu : {file, device, setting, tools, help}) {
        connect(menu, &QMenu::triggered, this, &MainWidget::openActionSlot);
    }

    viewerMenu_ = makeMenu(this);
    actionToggleStartEnd_ = addAction(viewerMenu_, textToggleStartEnd_, "action_toggle_start_end");
    actionToggleStartEnd_->setCheckable(true);
    connect(actionToggleStartEnd_, &QAction::toggled, this, &MainWidget::slotStartEndPointEditable);
    connect(viewerMenu_, &QMenu::aboutToHide, this, [this] { ui->pb_viewer_setting->setChecked(false); });
}

void MainWidget::setupPlayBar() {
    slider_ = new ZxThreeHandleSlider(Qt::Horizontal, ZxThreeHandleSlider::kCenterHandleBit, ui->frame_play_ctrl);
    slider_->setObjectName("slider_time");
    slider_->setMinimum(0);
    slider_->setMaximum(0);
    ui->layout_time_slider->addWidget(slider_);
    ui->layout_play_ctrl->setStretchFactor(ui->layout_time_slider, 1);

    const std::pair<QWidget*, QString> tips[] = {
        {ui->pb_play, tr("Play/Stop")},
        {ui->pb_record, tr("Start/Stop recording")},
        {ui->pb_prv, tr("Previous frame")},
        {ui->pb_next, tr("Next frame")},
        {ui->pb_stop, tr("Reset the playback progress to the beginning")},
        {ui->pb_loop, tr("Select to automatically replay at the end of the playback")},
    };
    for (const auto& [widget, text] : tips) {
        auto* tip = new ZxToolTip(text, ZxToolTip::kPlaceAboveCentered, this);
        tip->attachTo(widget);
    }
    // Live recording needs an open camera.
    ui->pb_record->setEnabled(false);
}

void MainWidget::setupSideBar() {
    foldButtons_[CameraPanel] = ui->pb_fold_setting;
    foldButtons_[DvsPanel] = ui->pb_fold_dvs_setting;
    foldButtons_[ApsPanel] = ui->pb_fold_aps_setting;
    for (QPushButton* b : foldButtons_) b->setEnabled(false);  // until their panels exist
    ui->pb_fold_general_setting->setEnabled(false);
    ui->widget_side_bar->setFixedWidth(ui->widget_side_buttons->maximumWidth());
}

void MainWidget::connectEventProcessor() {
    ZxEventProcessor* p = eventProcessor_.get();
    connect(p, &ZxEventProcessor::signalLoadingStatus, this, &MainWidget::slotSetWaitWinStatus);
    connect(p, &ZxEventProcessor::signalEventImage, imageForm_, &ShowImageForm::slotShowImage);
    connect(p, &ZxEventProcessor::signalRealTimeTimeStamp, this, &MainWidget::showTimeStamp);
    connect(p, &ZxEventProcessor::signalLocalTime, this, &MainWidget::showLocalTime);
    connect(p, &ZxEventProcessor::signalStartTimeStamp, this, &MainWidget::slotSetSliderStartTime);
    connect(p, &ZxEventProcessor::signalEndTimeStamp, this, &MainWidget::slotSetSliderEndTime);
    connect(p, &ZxEventProcessor::signalPlayStatus, ui->pb_play, &QPushButton::setChecked);
    connect(p, qOverload<QString>(&ZxEventProcessor::signalShowLeftBottomTips), this,
            qOverload<QString>(&MainWidget::slotShowLeftBottomTips));
    connect(p, qOverload<QString, ZxMessageType>(&ZxEventProcessor::signalShowLeftBottomTips), this,
            qOverload<QString, ZxMessageType>(&MainWidget::slotShowLeftBottomTips));
    connect(p, qOverload<QString, ZxMessageType, QString>(&ZxEventProcessor::signalShowLeftBottomTips), this,
            qOverload<QString, ZxMessageType, QString>(&MainWidget::slotShowLeftBottomTips));
    connect(p, &ZxEventProcessor::signalTriggerList, this,
            [this](std::vector<std::pair<uint64_t, uint8_t>> triggers) { applyTriggerMarks(triggers); });
    connect(p, &ZxEventProcessor::signalJobProgress, this, &MainWidget::slotJobProgress);

    connect(ui->pb_play, &QPushButton::toggled, p, &ZxEventProcessor::slotPlaybackCtrl);
    connect(ui->pb_prv, &QPushButton::pressed, p, &ZxEventProcessor::preFrame);
    connect(ui->pb_next, &QPushButton::pressed, p, &ZxEventProcessor::nextFrame);
    connect(ui->pb_stop, &QPushButton::pressed, p, &ZxEventProcessor::slotPlaybackReset);
    connect(ui->pb_loop, &QPushButton::toggled, p, &ZxEventProcessor::slotPlayLoop);
    connect(slider_, &ZxThreeHandleSlider::centerValueMove, p, &ZxEventProcessor::setPlayPos);
    connect(slider_, &ZxThreeHandleSlider::centerValueTrackClick, p, &ZxEventProcessor::setPlayPos);
    connect(slider_, &ZxThreeHandleSlider::lowerValueChanged, p, &ZxEventProcessor::slotSetLowerTimeStamp);
    connect(slider_, &ZxThreeHandleSlider::upperValueChanged, p, &ZxEventProcessor::slotSetUpperTimeStamp);
    // The time label shows the end handle, so it follows the handles too.
    connect(slider_, &ZxThreeHandleSlider::upperValueChanged, this, [this] { updateTimeLabel(); });

    connect(this, &MainWidget::signalOpenRawFile, p, &ZxEventProcessor::loadFile);
    connect(this, &MainWidget::signalExportVideo, p, &ZxEventProcessor::slotExportVideo);
    connect(this, &MainWidget::signalCutRawFile, p, &ZxEventProcessor::slotCutRawFile);
}

// ---------------------------------------------------------------------------------------------
// Helpers without state

QString MainWidget::formatTime(uint64_t timestamp_us) {
    const uint64_t minutes = timestamp_us / 60000000ULL;
    const uint64_t seconds = (timestamp_us / 1000000ULL) % 60ULL;
    const uint64_t micros = timestamp_us % 1000000ULL;
    return QStringLiteral("%1:%2:%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(micros, 6, 10, QLatin1Char('0'));
}

QString MainWidget::companionVideoPath(const QString& rawPath) {
    const QFileInfo info(rawPath);
    return QStringLiteral("%1/%2.mp4").arg(info.absolutePath(), info.completeBaseName());
}

QString MainWidget::reminderFolderFor(const QString& path) {
    if (path.isEmpty()) return QString();
    const QFileInfo info(path);
    if (info.isDir()) return info.absoluteFilePath();
    if (info.exists()) return info.absolutePath();
    const QFileInfo parent(info.absolutePath());
    if (parent.isDir()) return parent.absoluteFilePath();
    return QString();
}

// ---------------------------------------------------------------------------------------------
// Recordings

void MainWidget::slotOpenRecording() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Select a raw file"), settings_->inputRawFilePath(), tr("RAW files (*.raw)"));
    if (!path.isEmpty()) openRecording(path);
}

void MainWidget::openRecording(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        slotShowLeftBottomTips(tr("The recording does not exist."), ZxMessageError, QString());
        return;
    }
    releaseCamera();
    settings_->setInputRawFilePath(info.absolutePath());
    ui->lb_viewer_file_name->setText(info.fileName());
    openedRecording_ = info.absoluteFilePath();

    slider_->clearMarks();
    slider_->setActivityProfile({});
    slider_->update();

    if (QFileInfo::exists(companionVideoPath(path))) {
        sourceKind_ = SourceFusionRecording;
        profilePending_ = false;
        emit signalOpenRawFile(QString());
        emit signalOpenFusionFile(path);
        actionSaveAs_->setVisible(false);
        actionCut_->setVisible(false);
        // The fusion player is not part of this window yet; say so rather than show nothing.
        slotShowLeftBottomTips(tr("Fusion recordings cannot be played in this version."), ZxMessageWarning, QString());
    } else {
        sourceKind_ = SourceRawRecording;
        profilePending_ = true;
        emit signalOpenRawFile(path);
        emit signalOpenFusionFile(QString());
        actionSaveAs_->setVisible(true);
        actionCut_->setVisible(true);
    }
    setFileControlsEnabled(true);
    ui->pb_play->setEnabled(true);
    updateViewerTypeButton();
}

void MainWidget::setFileControlsEnabled(bool en) {
    for (QWidget* w : {static_cast<QWidget*>(ui->pb_stop), static_cast<QWidget*>(ui->pb_prv),
                       static_cast<QWidget*>(ui->pb_next), static_cast<QWidget*>(ui->pb_loop),
                       static_cast<QWidget*>(slider_)}) {
        w->setEnabled(en);
    }
}

bool MainWidget::runRangeDialog(ZxTimeRangeDialog& dialog, const QString& dir, const QString& suffix) {
    dialog.setRecordingRange(slider_->minimum(), slider_->maximum());
    dialog.setStartTime(slider_->lowerValue());
    dialog.setEndTime(slider_->upperValue());
    dialog.setSaveDir(dir);
    dialog.setFileName(QDateTime::currentDateTime().toString("yyyyMMdd_HHmmss") + suffix);
    rangeDialog_ = &dialog;
    const int result = dialog.exec();
    rangeDialog_ = nullptr;
    return result == QDialog::Accepted;
}

void MainWidget::slotSaveAs() {
    if (sourceKind_ != SourceRawRecording || !eventProcessor_->hasRecording()) {
        emit signalShowLeftBottomTips(tr("Please open a raw file first."), ZxMessageWarning);
        return;
    }
    ZxExportVideoUI dialog(this);
    if (!runRangeDialog(dialog, settings_->videoSavePath(), QStringLiteral(".mp4"))) return;
    job_ = JobKind::Export;
    emit signalExportVideo(dialog.filePath(), dialog.saveDir(), dialog.startTime(), dialog.endTime());
}

void MainWidget::slotCutRecording() {
    if (sourceKind_ != SourceRawRecording || !eventProcessor_->hasRecording()) {
        emit signalShowLeftBottomTips(tr("Please open a raw file first."), ZxMessageWarning);
        return;
    }
    ZxCutRawFile dialog(this);
    if (!runRangeDialog(dialog, settings_->outputRawFilePath(), QStringLiteral(".raw"))) return;
    job_ = JobKind::Cut;
    emit signalCutRawFile(dialog.filePath(), dialog.saveDir(), dialog.startTime(), dialog.endTime());
}

void MainWidget::applyTriggerMarks(const std::vector<std::pair<uint64_t, uint8_t>>& triggers) {
    slider_->clearMarks();
    const QColor rising("#FF6058");
    const QColor other("#58DB6D");
    for (const auto& [timestamp, value] : triggers) slider_->addMark(timestamp, value == 1 ? rising : other);
    slider_->update();
}

void MainWidget::refreshActivityProfile() {
    profilePending_ = false;
    if (sourceKind_ != SourceRawRecording || !eventProcessor_->hasRecording()) return;
    slider_->setActivityProfile(eventProcessor_->activityProfile(kActivityBins));
}

// ---------------------------------------------------------------------------------------------
// Time and information labels

void MainWidget::showTimeStamp(uint64_t timestamp_us) {
    if (sourceKind_ == SourceRawRecording || sourceKind_ == SourceFusionRecording) {
        slider_->setCenterValue(timestamp_us);
        updateTimeLabel();
    } else if (sourceKind_ == SourceEventCamera || sourceKind_ == SourceFusionCamera) {
        ui->label_show_timestamp_info->setText(tr(" | Time: ") + formatTime(timestamp_us));
    }
}

void MainWidget::updateTimeLabel() {
    if (sourceKind_ != SourceRawRecording && sourceKind_ != SourceFusionRecording) return;
    ui->label_time->setText(formatTime(slider_->centerValue()) + "/" + formatTime(slider_->upperValue()));
}

void MainWidget::showLocalTime(QString local_time) {
    ui->label_show_timestamp_info->setText(tr(" | Time: ") + local_time);
}

void MainWidget::showCameraSerial(QString str) {
    ui->label_show_camera_info->setText(tr("Camera: ") + str);
}

void MainWidget::setShowTitleInfo(bool show) {
    Q_UNUSED(show);
    ui->label_show_camera_info->setText(tr("Camera: "));
    ui->label_show_timestamp_info->setText(tr(" | Time: "));
}

void MainWidget::slotSetSliderStartTime(uint64_t ts) {
    slider_->setMinimum(ts);
    updateTimeLabel();
}

void MainWidget::slotSetSliderEndTime(uint64_t ts) {
    slider_->setMaximum(ts);
    updateTimeLabel();
}

// ---------------------------------------------------------------------------------------------
// Menus and buttons

void MainWidget::openActionSlot(QAction* action) {
    if (!action) return;
    const QString text = action->text();
    if (text == textQuit_) {
        close();
    } else if (text == textAbout_) {
        const QString message =
            tr("Current version: %1").arg(QLatin1String(quillex::kAppVersion)) + "\n\n" +
            tr("This software uses the Qt library under the GNU LGPL version 3, linked dynamically; "
               "the Qt source code has not been modified.") +
            "\n\n" + tr("Visit the quillex official website?");
        ZXMessageBox box(message, tr("Tips"), tr("Open"), tr("Close"), this);
        if (box.exec() == QDialog::Accepted) QDesktopServices::openUrl(QUrl(QLatin1String(kWebsiteUrl)));
    } else if (text == textLanguage_) {
        quillex::switchLanguage(this);
    }
}

void MainWidget::on_pb_win_min_clicked() {
    showMinimized();
}

void MainWidget::on_pb_win_close_clicked() {
    close();
}

void MainWidget::on_pb_win_max_clicked() {
    if (isMaximized()) {
        showNormal();
    } else {
        showMaximized();
    }
}

void MainWidget::maximizedChanged(bool max) {
    ui->pb_win_max->setProperty("type", max ? "restore" : "maxsize");
    repolish(ui->pb_win_max);
}

void MainWidget::updateTitleBarShape(bool maximized) {
    const int radius = maximized ? 0 : 6;
    ui->widget_title_bar->setAttribute(Qt::WA_StyledBackground);
    ui->widget_title_bar->setStyleSheet(
        QStringLiteral("#widget_title_bar{background-color:#FFFFFF;border-bottom:1px solid #AAAAAA;"
                       "border-top-left-radius:%1px;border-top-right-radius:%1px;}")
            .arg(radius));
}

void MainWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        maximizedChanged(isMaximized());
        updateTitleBarShape(isMaximized());
    }
}

void MainWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (isMaximized() || isFullScreen()) return;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MainWidget::setSidePanel(SidePanel which, QWidget* panel) {
    if (panels_[which] && panels_[which] != panel) {
        panels_[which]->deleteLater();
    }
    panels_[which] = panel;
    QPushButton* button = foldButtons_[which];
    if (panel) {
        ui->layout_sidebar_setting->addWidget(panel);
        panel->setVisible(button->isChecked());
    } else if (button->isChecked()) {
        button->setChecked(false);
        foldPanel(which, false);
    }
    button->setEnabled(panel != nullptr);
}

void MainWidget::foldPanel(SidePanel which, bool checked) {
    if (checked) {
        for (int i = 0; i < 3; ++i) {
            if (i == which) continue;
            foldButtons_[i]->setChecked(false);
            if (panels_[i]) panels_[i]->hide();
        }
        if (panels_[which]) panels_[which]->show();
        ui->widget_side_bar->setFixedWidth(kSideBarOpenWidth);
    } else {
        if (panels_[which]) panels_[which]->hide();
        ui->widget_side_bar->setFixedWidth(ui->widget_side_buttons->maximumWidth());
    }
}

void MainWidget::on_pb_fold_setting_clicked(bool checked) {
    foldPanel(CameraPanel, checked);
}

void MainWidget::on_pb_fold_dvs_setting_clicked(bool checked) {
    foldPanel(DvsPanel, checked);
}

void MainWidget::on_pb_fold_aps_setting_clicked(bool checked) {
    foldPanel(ApsPanel, checked);
}

void MainWidget::on_pb_viewer_setting_clicked(bool checked) {
    if (!checked) {
        viewerMenu_->hide();
        return;
    }
    const QPoint below = ui->pb_viewer_setting->mapToGlobal(QPoint(0, ui->pb_viewer_setting->height()));
    viewerMenu_->popup(below);
}

void MainWidget::slotStartEndPointEditable(bool en) {
    slider_->setMode(en ? ZxThreeHandleSlider::kAllHandles : ZxThreeHandleSlider::kCenterHandleBit);
    slider_->update();
    updateTimeLabel();
}

void MainWidget::updateViewerTypeButton() {
    static const char* const names[] = {"dvs", "aps", "fusion"};
    ui->pb_viewer_type->setProperty("viewer", names[viewerType_ % 3]);
    // Only a fusion source has more than one stream to choose from.
    ui->pb_viewer_type->setEnabled(sourceKind_ == SourceFusionCamera || sourceKind_ == SourceFusionRecording);
    repolish(ui->pb_viewer_type);
}

void MainWidget::on_pb_viewer_type_clicked() {
    viewerType_ = (viewerType_ + 1) % 3;
    updateViewerTypeButton();
    emit signalSetViewerShowType(static_cast<quillex::STREAM_TYPE>(viewerType_));
}

// ---------------------------------------------------------------------------------------------
// Tips and the waiting window

void MainWidget::slotShowLeftBottomTips(QString tips) {
    slotShowLeftBottomTips(tips, ZxMessageSuccess, QString());
}

void MainWidget::slotShowLeftBottomTips(QString tips, ZxMessageType type) {
    slotShowLeftBottomTips(tips, type, QString());
}

void MainWidget::slotShowLeftBottomTips(QString tips, ZxMessageType type, QString file_path) {
    QString folder;
    if (!file_path.isEmpty()) {
        folder = reminderFolderFor(file_path);
        if (folder.isEmpty()) qDebug() << "Path does not exist:" << file_path;
    }
    auto* toast = new ZxFilePathReminderForm(tips, type, folder, this);
    toast->adjustSize();
    // Earlier toasts still on screen move up so none hides another.
    const QList<ZxFilePathReminderForm*> shown = findChildren<ZxFilePathReminderForm*>(Qt::FindDirectChildrenOnly);
    for (ZxFilePathReminderForm* other : shown) {
        if (other != toast && other->isVisible()) other->move(other->x(), other->y() - toast->height());
    }
    toast->move(0, height() - toast->height());
    toast->show();
    toast->raise();
}

void MainWidget::slotSetWaitWinStatus(bool en) {
    // A load, a cut and an export may overlap; the window stays up until the last one ends.
    if (en) {
        if (busyCount_++ == 0) {
            waitProgress_->hide();
            waitWin_->adjustSize();
            waitWin_->show();
        }
        return;
    }
    if (busyCount_ > 0) --busyCount_;
    if (busyCount_ > 0) return;
    waitWin_->close();
    waitProgress_->hide();
    job_ = JobKind::None;
    if (profilePending_) refreshActivityProfile();
}

void MainWidget::slotJobProgress(int percent) {
    if (job_ == JobKind::None) return;
    percent = std::clamp(percent, 0, 100);
    const QString text = job_ == JobKind::Export ? tr("Exporting video... %1%").arg(percent)
                                                 : tr("Cutting recording... %1%").arg(percent);
    waitProgress_->setText(text);
    if (waitProgress_->isHidden()) {
        waitProgress_->show();
        waitWin_->adjustSize();
    }
}

// ---------------------------------------------------------------------------------------------
// Environment requests

void MainWidget::startFromEnvironment() {
    const QString recording = qEnvironmentVariable("QUILLSCOPE_OPEN_RECORDING");
    if (!recording.isEmpty()) openRecording(recording);
    const QString camera = qEnvironmentVariable("QUILLSCOPE_OPEN_CAMERA");
    if (!camera.isEmpty()) QTimer::singleShot(0, this, [this, camera] { openCameraBySerial(camera); });
    screenshotDir_ = qEnvironmentVariable("QUILLSCOPE_SCREENSHOT_DIR");
    if (screenshotDir_.isEmpty()) return;
    QDir().mkpath(screenshotDir_ + "/work");
    auto* timer = new QTimer(this);
    timer->setInterval(200);
    connect(timer, &QTimer::timeout, this, &MainWidget::runScreenshotStep);
    timer->start();
}

void MainWidget::runScreenshotStep() {
    constexpr int kStepTimeoutTicks = 250;  // 50 s at 200 ms
    ++screenshotTicks_;
    auto grab = [this](const QString& name) {
        QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        const QRect area = frameGeometry();
        const QPixmap shot = screen ? screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()) : QPixmap();
        const QString path = QDir(screenshotDir_).filePath(name);
        if (shot.isNull() || !shot.save(path)) {
            qWarning() << "screenshot: could not write" << path;
        } else {
            qInfo().noquote() << "screenshot:" << path;
        }
    };
    auto next = [this] {
        ++screenshotStep_;
        screenshotTicks_ = 0;
    };
    auto fillDialog = [this](const QString& name) {
        QFile::remove(screenshotDir_ + "/work/" + name);
        rangeDialog_->setSaveDir(screenshotDir_ + "/work");
        rangeDialog_->setFileName(name);
    };
    auto clickSave = [this] {
        if (auto* save = rangeDialog_->findChild<QPushButton*>("pb_save")) save->click();
    };
    auto toastShown = [this] { return !findChildren<ZxFilePathReminderForm*>(Qt::FindDirectChildrenOnly).isEmpty(); };

    if (screenshotTicks_ > kStepTimeoutTicks) {
        qWarning() << "screenshot: step" << screenshotStep_ << "timed out";
        QApplication::exit(2);
        return;
    }
    switch (screenshotStep_) {
    case 0:  // playing for three seconds
        if (!eventProcessor_->hasRecording() || !eventProcessor_->isPlaying()) {
            playingTicks_ = 0;
            return;
        }
        if (++playingTicks_ < 15) return;
        grab("1_playing.png");
        next();
        // popup(), not showMenu(): the latter runs its own loop inside this timer's slot.
        ui->pb_menu_device->menu()->popup(ui->pb_menu_device->mapToGlobal(QPoint(0, ui->pb_menu_device->height())));
        break;
    case 1:  // the device menu
        if (screenshotTicks_ < 3) return;
        grab("2_device_menu.png");
        ui->pb_menu_device->menu()->hide();
        next();
        break;
    case 2: {  // start and end points moved in
        ui->pb_play->setChecked(false);
        actionToggleStartEnd_->setChecked(true);
        const uint64_t span = slider_->maximum() - slider_->minimum();
        // Handles keep start <= position <= end; programmatic moves do not signal, so the
        // processor hears of them directly.
        slider_->setUpperValue(slider_->minimum() + span / 4 * 3);
        eventProcessor_->setPlayPos(slider_->minimum() + span / 2);
        slider_->setCenterValue(slider_->minimum() + span / 2);
        slider_->setLowerValue(slider_->minimum() + span / 5);
        eventProcessor_->slotSetLowerTimeStamp(slider_->lowerValue());
        eventProcessor_->slotSetUpperTimeStamp(slider_->upperValue());
        next();
        break;
    }
    case 3:
        if (screenshotTicks_ < 5) return;
        next();
        QTimer::singleShot(0, this, &MainWidget::slotCutRecording);
        break;
    case 4:  // cut dialog refusing an end before the start, then the valid range and the cut
        if (!rangeDialog_ || !rangeDialog_->isVisible()) return;
        if (screenshotTicks_ == 1) {
            fillDialog("cut.raw");
            const uint64_t end = rangeDialog_->endTime();
            rangeDialog_->setEndTime(rangeDialog_->startTime() - 1);
            clickSave();
            rangeDialog_->setProperty("screenshot_end", QVariant::fromValue<qulonglong>(end));
        }
        if (screenshotTicks_ == 4) {
            grab("3_cut_dialog_refused.png");
            rangeDialog_->setEndTime(rangeDialog_->property("screenshot_end").toULongLong());
            clickSave();  // clears the message and accepts
        }
        if (screenshotTicks_ < 4) return;
        next();
        break;
    case 5:  // the cut's toast
        if (!toastShown()) return;
        if (screenshotTicks_ < 3) return;
        grab("4_toast.png");
        next();
        QTimer::singleShot(0, this, &MainWidget::slotSaveAs);
        break;
    case 6:  // export dialog
        if (!rangeDialog_ || !rangeDialog_->isVisible()) return;
        if (screenshotTicks_ == 1) fillDialog("export.mp4");
        if (screenshotTicks_ < 4) return;
        grab("5_export_dialog.png");
        clickSave();
        next();
        break;
    case 7:  // progress in the waiting window
        if (waitProgress_->isVisible() && !waitProgress_->text().contains(QStringLiteral(" 0%"))) {
            grab("6_export_progress.png");
            next();
        } else if (job_ == JobKind::None && screenshotTicks_ > 10) {
            qWarning() << "screenshot: the export ended before any progress showed";
            next();
        }
        break;
    case 8:  // finished
        if (job_ != JobKind::None) return;
        if (screenshotTicks_ < 5) return;
        grab("7_export_done.png");
        next();
        close();
        break;
    default:
        break;
    }
}
