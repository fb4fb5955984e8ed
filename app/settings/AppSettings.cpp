#include "settings/AppSettings.h"

#include "settings/AppPaths.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace quillex {

namespace {
constexpr const char* kKeyOutputRaw = "Setting/output_raw_file_path";
constexpr const char* kKeyInputRaw = "Setting/input_raw_file_path";
constexpr const char* kKeyLanguage = "Setting/language";
constexpr const char* kKeyVideo = "Setting/video_save_path";
constexpr const char* kKeyDvsConfig = "Setting/dvs_camera_current_config_path";
constexpr const char* kKeyFusionConfig = "Setting/fusion_camera_current_config_path";
constexpr const char* kKeyTriggerEnable = "Setting/dvs_trigger_in_rec_enable";
constexpr const char* kKeyTriggerEdge = "Setting/dvs_trigger_in_rec_edge_type";
// The two "tirgger" spellings are what existing config files carry.
constexpr const char* kKeyTriggerBefore = "Setting/dvs_before_tirgger_in_save_time";
constexpr const char* kKeyTriggerAfter = "Setting/dvs_after_tirgger_in_save_time";
constexpr const char* kKeyColorType = "Setting/dvs_color_type";

uint32_t toSeconds(const QVariant& value) {
    bool ok = false;
    const uint32_t seconds = value.toUInt(&ok);
    return ok ? seconds : 0;
}
}  // namespace

AppSettings* AppSettings::instance() {
    static AppSettings settings([] {
        QString dir = appDataLocation();
        if (dir.isEmpty()) {
            // Never fall back to "/config.ini" at the file-system root.
            dir = QDir::homePath() + "/.quillscope";
            QDir().mkpath(dir);
            qWarning().noquote() << "No application data location, using" << dir;
        }
        return dir + "/config.ini";
    }());
    return &settings;
}

AppSettings::AppSettings(const QString& iniPath) : store_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
    std::lock_guard lock(mutex_);
    load();
}

AppSettings::~AppSettings() {
    save();
}

void AppSettings::load() {
    // The shipped defaults do not depend on the documents location, so they are known even when
    // loading stops early below.
    dvsDefaultConfigFile_ = applicationDirectory() + "/config/dvs_default_config.json";
    fusionDefaultConfigFile_ = applicationDirectory() + "/config/fusion_cmaera_default_config.json";

    outputRawFilePath_ = store_->value(kKeyOutputRaw).toString();
    if (!resolveDirectory(outputRawFilePath_, false)) return;

    inputRawFilePath_ = store_->value(kKeyInputRaw).toString();
    if (!resolveDirectory(inputRawFilePath_, true)) return;

    language_ = normalizedLanguage(store_->value(kKeyLanguage).toString());

    videoSavePath_ = store_->value(kKeyVideo).toString();
    if (!resolveDirectory(videoSavePath_, false)) return;

    dvsCurrentConfigFile_ = store_->value(kKeyDvsConfig).toString();
    if (!resolveConfigFile(dvsCurrentConfigFile_, dvsDefaultConfigFile_, "dvs_default_config.json")) return;
    fusionCurrentConfigFile_ = store_->value(kKeyFusionConfig).toString();
    if (!resolveConfigFile(fusionCurrentConfigFile_, fusionDefaultConfigFile_, "fusion_camera_default_config.json"))
        return;

    // Without the enable key the other trigger-in keys are stale leftovers and are not read.
    if (store_->contains(kKeyTriggerEnable)) {
        triggerInRecEnabled_ = store_->value(kKeyTriggerEnable).toBool();
        triggerInEdgeType_ = normalizedEdgeType(store_->value(kKeyTriggerEdge).toString());
        beforeTriggerSaveTime_ = toSeconds(store_->value(kKeyTriggerBefore));
        afterTriggerSaveTime_ = toSeconds(store_->value(kKeyTriggerAfter));
    } else {
        triggerInRecEnabled_ = false;
        triggerInEdgeType_ = "Rising Edge";
        beforeTriggerSaveTime_ = 0;
        afterTriggerSaveTime_ = 0;
    }

    colorType_ = store_->value(kKeyColorType, QStringLiteral("Gray")).toString();
    deriveColoursLocked();
}

bool AppSettings::resolveDirectory(QString& value, bool warnWithoutDocuments) {
    if (!value.isEmpty() && QFileInfo(value).isDir()) return true;
    const QString dataDir = dataDirectory();
    if (dataDir.isEmpty()) {
        if (warnWithoutDocuments) qWarning() << "Unable to get documents location.";
        value.clear();
        return false;
    }
    value = dataDir;
    if (!QDir().mkpath(value)) qDebug() << "Create raw file path failed.";
    return true;
}

bool AppSettings::resolveConfigFile(QString& value, const QString& defaultFile, const QString& targetName) {
    // A stored path to a missing file is kept: the user picked it and may bring it back.
    if (!value.isEmpty()) return true;
    const QString configDir = configDirectory();
    if (configDir.isEmpty()) return false;
    QDir().mkpath(configDir);
    const QString target = configDir + "/" + targetName;
    if (QFile::copy(defaultFile, target)) {
        // The shipped file may be read-only; the user's copy is meant to be edited.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
        qDebug().noquote() << "File copied successfully to:" << configDir;
    }
    value = target;
    return true;
}

void AppSettings::deriveColoursLocked() {
    coloursForType(colorType_, onColor_, offColor_, backgroundColor_);
}

bool AppSettings::coloursForType(const QString& colorType, QColor& on, QColor& off, QColor& background) {
    if (colorType == "Gray") {
        on = QColor(255, 255, 255), off = QColor(0, 0, 0), background = QColor(112, 112, 112);
    } else if (colorType == "RedBlue") {
        on = QColor(255, 0, 0), off = QColor(0, 0, 255), background = QColor(112, 112, 112);
    } else if (colorType == "Dark") {
        on = QColor(255, 255, 255), off = QColor(64, 126, 200), background = QColor(30, 37, 52);
    } else if (colorType == "RedGreen") {
        on = QColor(255, 0, 0), off = QColor(0, 255, 0), background = QColor(112, 112, 112);
    } else if (colorType == "Light") {
        on = QColor(0, 0, 0), off = QColor(64, 126, 201), background = QColor(255, 255, 255);
    } else {
        return false;
    }
    return true;
}

QString AppSettings::normalizedLanguage(const QString& language) {
    return language == "zh" ? QStringLiteral("zh") : QStringLiteral("en");
}

QString AppSettings::normalizedEdgeType(const QString& edgeType) {
    return edgeType == "Falling Edge" ? QStringLiteral("Falling Edge") : QStringLiteral("Rising Edge");
}

QList<QPair<QString, QVariant>> AppSettings::entriesToSave() const {
    std::lock_guard lock(mutex_);
    // The fusion camera's current configuration path is read but not written back.
    return {
        {kKeyOutputRaw, outputRawFilePath_},
        {kKeyInputRaw, inputRawFilePath_},
        {kKeyLanguage, language_},
        {kKeyVideo, videoSavePath_},
        {kKeyTriggerEnable, triggerInRecEnabled_},
        {kKeyTriggerEdge, triggerInEdgeType_},
        {kKeyTriggerBefore, beforeTriggerSaveTime_},
        {kKeyTriggerAfter, afterTriggerSaveTime_},
        {kKeyColorType, colorType_},
        {kKeyDvsConfig, dvsCurrentConfigFile_},
    };
}

void AppSettings::save() {
    {
        std::lock_guard lock(mutex_);
        deriveColoursLocked();
    }
    const auto entries = entriesToSave();
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : entries) store_->setValue(key, value);
    store_->sync();
    if (store_->status() != QSettings::NoError) {
        qWarning().noquote() << "Write to config file failed:" << store_->fileName();
        return;
    }
    qDebug() << "Write to config file.";
}

QString AppSettings::settingsFilePath() const {
    std::lock_guard lock(mutex_);
    return store_->fileName();
}

#define QX_STRING_PROPERTY(getter, setter, member)            \
    QString AppSettings::getter() const {                     \
        std::lock_guard lock(mutex_);                         \
        return member;                                        \
    }                                                         \
    void AppSettings::setter(const QString& value) {          \
        std::lock_guard lock(mutex_);                         \
        member = value;                                       \
    }

QX_STRING_PROPERTY(appDataPath, setAppDataPath, appDataPath_)
QX_STRING_PROPERTY(outputRawFilePath, setOutputRawFilePath, outputRawFilePath_)
QX_STRING_PROPERTY(inputRawFilePath, setInputRawFilePath, inputRawFilePath_)
QX_STRING_PROPERTY(videoSavePath, setVideoSavePath, videoSavePath_)
QX_STRING_PROPERTY(dvsCurrentConfigFile, setDvsCurrentConfigFile, dvsCurrentConfigFile_)
QX_STRING_PROPERTY(fusionCurrentConfigFile, setFusionCurrentConfigFile, fusionCurrentConfigFile_)
#undef QX_STRING_PROPERTY

QString AppSettings::language() const {
    std::lock_guard lock(mutex_);
    return language_;
}
void AppSettings::setLanguage(const QString& language) {
    std::lock_guard lock(mutex_);
    language_ = normalizedLanguage(language);
}

bool AppSettings::triggerInRecEnabled() const {
    std::lock_guard lock(mutex_);
    return triggerInRecEnabled_;
}
void AppSettings::setTriggerInRecEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    triggerInRecEnabled_ = enabled;
}

QString AppSettings::triggerInEdgeType() const {
    std::lock_guard lock(mutex_);
    return triggerInEdgeType_;
}
void AppSettings::setTriggerInEdgeType(const QString& edgeType) {
    std::lock_guard lock(mutex_);
    triggerInEdgeType_ = normalizedEdgeType(edgeType);
}

uint32_t AppSettings::beforeTriggerSaveTime() const {
    std::lock_guard lock(mutex_);
    return beforeTriggerSaveTime_;
}
void AppSettings::setBeforeTriggerSaveTime(uint32_t seconds) {
    std::lock_guard lock(mutex_);
    beforeTriggerSaveTime_ = seconds;
}

uint32_t AppSettings::afterTriggerSaveTime() const {
    std::lock_guard lock(mutex_);
    return afterTriggerSaveTime_;
}
void AppSettings::setAfterTriggerSaveTime(uint32_t seconds) {
    std::lock_guard lock(mutex_);
    afterTriggerSaveTime_ = seconds;
}

QString AppSettings::colorType() const {
    std::lock_guard lock(mutex_);
    return colorType_;
}
void AppSettings::setColorType(const QString& colorType) {
    std::lock_guard lock(mutex_);
    colorType_ = colorType;
    deriveColoursLocked();
}

QColor AppSettings::onColor() const {
    std::lock_guard lock(mutex_);
    return onColor_;
}
QColor AppSettings::offColor() const {
    std::lock_guard lock(mutex_);
    return offColor_;
}
QColor AppSettings::backgroundColor() const {
    std::lock_guard lock(mutex_);
    return backgroundColor_;
}

EventColours AppSettings::colours() const {
    std::lock_guard lock(mutex_);
    return {onColor_, offColor_, backgroundColor_};
}

QString AppSettings::dvsDefaultConfigFile() const {
    std::lock_guard lock(mutex_);
    return dvsDefaultConfigFile_;
}
QString AppSettings::fusionDefaultConfigFile() const {
    std::lock_guard lock(mutex_);
    return fusionDefaultConfigFile_;
}

}  // namespace quillex
