#pragma once
// The application's one settings object, backed by "config.ini" (INI group "Setting").
// Loading resolves missing or stale values to usable defaults; the destructor writes back.
// All accessors are safe to call from any thread (the render threads read the colours per frame).

#include <QColor>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <mutex>

class QSettings;

namespace quillex {

// The three event-image colours, taken together so a frame never mixes two colour types.
struct EventColours {
    QColor on;
    QColor off;
    QColor background;
};

class AppSettings {
public:
    // Process-wide object, created on the first call from appDataLocation() + "/config.ini".
    static AppSettings* instance();

    // Loads from the given INI file. Used by instance(); tests build their own.
    explicit AppSettings(const QString& iniPath);
    ~AppSettings();  // saves

    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    // Re-derives the colours, writes the entries of entriesToSave() in order, syncs.
    void save();
    // Key/value pairs save() writes, in writing order.
    QList<QPair<QString, QVariant>> entriesToSave() const;

    QString settingsFilePath() const;

    QString appDataPath() const;
    void setAppDataPath(const QString& path);

    QString outputRawFilePath() const;
    void setOutputRawFilePath(const QString& path);
    QString inputRawFilePath() const;
    void setInputRawFilePath(const QString& path);
    QString videoSavePath() const;
    void setVideoSavePath(const QString& path);

    // "en" or "zh"; anything else is stored as "en".
    QString language() const;
    void setLanguage(const QString& language);

    bool triggerInRecEnabled() const;
    void setTriggerInRecEnabled(bool enabled);
    // "Rising Edge" or "Falling Edge"; anything else is stored as "Rising Edge".
    QString triggerInEdgeType() const;
    void setTriggerInEdgeType(const QString& edgeType);
    uint32_t beforeTriggerSaveTime() const;  // seconds
    void setBeforeTriggerSaveTime(uint32_t seconds);
    uint32_t afterTriggerSaveTime() const;  // seconds
    void setAfterTriggerSaveTime(uint32_t seconds);

    // "Gray", "RedBlue", "Dark", "RedGreen" or "Light". Setting it re-derives the colours at once;
    // an unknown type keeps the current colours.
    QString colorType() const;
    void setColorType(const QString& colorType);
    QColor onColor() const;
    QColor offColor() const;
    QColor backgroundColor() const;
    EventColours colours() const;

    // Shipped defaults in the application directory's "config" folder.
    QString dvsDefaultConfigFile() const;
    QString fusionDefaultConfigFile() const;
    QString dvsCurrentConfigFile() const;
    void setDvsCurrentConfigFile(const QString& path);
    QString fusionCurrentConfigFile() const;
    void setFusionCurrentConfigFile(const QString& path);

    static QString normalizedLanguage(const QString& language);
    static QString normalizedEdgeType(const QString& edgeType);
    // Fills on/off/background for a known colour type; false (outputs untouched) otherwise.
    static bool coloursForType(const QString& colorType, QColor& on, QColor& off, QColor& background);

private:
    void load();
    bool resolveDirectory(QString& value, bool warnWithoutDocuments);
    bool resolveConfigFile(QString& value, const QString& defaultFile, const QString& targetName);
    void deriveColoursLocked();

    mutable std::mutex mutex_;
    QString appDataPath_;
    QString outputRawFilePath_;
    QString inputRawFilePath_;
    QString videoSavePath_;
    QString language_ = "en";
    bool triggerInRecEnabled_ = false;
    QString triggerInEdgeType_ = "Rising Edge";
    uint32_t beforeTriggerSaveTime_ = 0;
    uint32_t afterTriggerSaveTime_ = 0;
    QString colorType_ = "Gray";
    QColor onColor_{255, 255, 255};
    QColor offColor_{0, 0, 0};
    QColor backgroundColor_{112, 112, 112};
    QString dvsDefaultConfigFile_;
    QString fusionDefaultConfigFile_;
    QString dvsCurrentConfigFile_;
    QString fusionCurrentConfigFile_;
    std::unique_ptr<QSettings> store_;
};

}  // namespace quillex
