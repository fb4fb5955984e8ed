// Loading, fallbacks and saving of config.ini.

#include "TempHome.h"
#include "settings/AppPaths.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

using quillex::AppSettings;
using quillex::test::MessageCapture;
using quillex::test::TempHome;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeIni(const QString& path, const QList<QPair<QString, QVariant>>& entries) {
    QSettings ini(path, QSettings::IniFormat);
    for (const auto& [key, value] : entries) ini.setValue(key, value);
    ini.sync();
}

}  // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        home_ = std::make_unique<TempHome>();
        QVERIFY(home_->isValid());
        QVERIFY(home_->documents().startsWith(home_->path()));
        dataDir_ = home_->documents() + "/QuillexData";
        configDir_ = home_->documents() + "/QuillexConfig";
    }
    void cleanup() { home_.reset(); }

    void firstRunCreatesFoldersAndCopiesDefaults() {
        const QString shippedDvs = QCoreApplication::applicationDirPath() + "/config/dvs_default_config.json";
        const QString shippedFusion = QCoreApplication::applicationDirPath() + "/config/fusion_cmaera_default_config.json";
        QVERIFY2(QFile::exists(shippedDvs), qPrintable(shippedDvs));
        QVERIFY2(QFile::exists(shippedFusion), qPrintable(shippedFusion));

        MessageCapture log;
        AppSettings settings(home_->iniPath());
        QVERIFY(QDir(dataDir_).exists());
        QCOMPARE(settings.outputRawFilePath(), dataDir_);
        QCOMPARE(settings.inputRawFilePath(), dataDir_);
        QCOMPARE(settings.videoSavePath(), dataDir_);
        QCOMPARE(settings.language(), QString("en"));
        QCOMPARE(settings.dvsDefaultConfigFile(), shippedDvs);
        QCOMPARE(settings.fusionDefaultConfigFile(), shippedFusion);

        QCOMPARE(settings.dvsCurrentConfigFile(), configDir_ + "/dvs_default_config.json");
        QCOMPARE(settings.fusionCurrentConfigFile(), configDir_ + "/fusion_camera_default_config.json");
        QCOMPARE(readAll(settings.dvsCurrentConfigFile()), readAll(shippedDvs));
        QCOMPARE(readAll(settings.fusionCurrentConfigFile()), readAll(shippedFusion));
        QCOMPARE(log.count("File copied successfully to: " + configDir_), 2);
        // The user's copy must be editable even if the shipped file is not.
        QVERIFY(QFile::permissions(settings.dvsCurrentConfigFile()) & QFileDevice::WriteOwner);

        QCOMPARE(settings.triggerInRecEnabled(), false);
        QCOMPARE(settings.triggerInEdgeType(), QString("Rising Edge"));
        QCOMPARE(settings.beforeTriggerSaveTime(), 0u);
        QCOMPARE(settings.afterTriggerSaveTime(), 0u);
        QCOMPARE(settings.colorType(), QString("Gray"));
        QCOMPARE(settings.backgroundColor(), QColor(112, 112, 112));

        settings.save();
        QCOMPARE(log.count("Write to config file."), 1);

        const QStringList expectedKeys = {
            "Setting/output_raw_file_path",          "Setting/input_raw_file_path",
            "Setting/language",                      "Setting/video_save_path",
            "Setting/dvs_trigger_in_rec_enable",     "Setting/dvs_trigger_in_rec_edge_type",
            "Setting/dvs_before_tirgger_in_save_time", "Setting/dvs_after_tirgger_in_save_time",
            "Setting/dvs_color_type",                "Setting/dvs_camera_current_config_path",
        };
        QStringList writtenOrder;
        for (const auto& entry : settings.entriesToSave()) writtenOrder << entry.first;
        QCOMPARE(writtenOrder, expectedKeys);

        QSettings ini(home_->iniPath(), QSettings::IniFormat);
        QStringList onDisk = ini.allKeys();
        onDisk.sort();
        QStringList expectedSorted = expectedKeys;
        expectedSorted.sort();
        QCOMPARE(onDisk, expectedSorted);  // the fusion path is not persisted
        QCOMPARE(ini.value("Setting/dvs_color_type").toString(), QString("Gray"));
        QCOMPARE(ini.value("Setting/dvs_trigger_in_rec_enable").toString(), QString("false"));
        QCOMPARE(ini.value("Setting/dvs_trigger_in_rec_edge_type").toString(), QString("Rising Edge"));
        QCOMPARE(ini.value("Setting/dvs_before_tirgger_in_save_time").toString(), QString("0"));
        QCOMPARE(ini.value("Setting/dvs_after_tirgger_in_save_time").toString(), QString("0"));
        QCOMPARE(ini.value("Setting/output_raw_file_path").toString(), dataDir_);
    }

    void existingUserConfigIsNeverOverwritten() {
        QVERIFY(QDir().mkpath(configDir_));
        const QString userFile = configDir_ + "/dvs_default_config.json";
        {
            QFile file(userFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("{\"Biases\": {\"bias_fo\": 7}}");
        }
        MessageCapture log;
        AppSettings settings(home_->iniPath());
        QCOMPARE(settings.dvsCurrentConfigFile(), userFile);
        QCOMPARE(readAll(userFile), QByteArray("{\"Biases\": {\"bias_fo\": 7}}"));
        QCOMPARE(log.count("File copied successfully to:"), 1);  // only the fusion file was new
    }

    void storedValuesAreLoaded() {
        const QString input = home_->path() + "/in";
        const QString output = home_->path() + "/out";
        const QString video = home_->path() + "/video";
        for (const QString& dir : {input, output, video}) QVERIFY(QDir().mkpath(dir));
        writeIni(home_->iniPath(), {
            {"Setting/output_raw_file_path", output},
            {"Setting/input_raw_file_path", input},
            {"Setting/video_save_path", video},
            {"Setting/language", "zh"},
            {"Setting/dvs_trigger_in_rec_enable", true},
            {"Setting/dvs_trigger_in_rec_edge_type", "Falling Edge"},
            {"Setting/dvs_before_tirgger_in_save_time", 7},
            {"Setting/dvs_after_tirgger_in_save_time", 9},
            {"Setting/dvs_color_type", "Light"},
            {"Setting/dvs_camera_current_config_path", "/nowhere/dvs.json"},
            {"Setting/fusion_camera_current_config_path", "/nowhere/fusion.json"},
        });
        AppSettings settings(home_->iniPath());
        QCOMPARE(settings.outputRawFilePath(), output);
        QCOMPARE(settings.inputRawFilePath(), input);
        QCOMPARE(settings.videoSavePath(), video);
        QCOMPARE(settings.language(), QString("zh"));
        QCOMPARE(settings.triggerInRecEnabled(), true);
        QCOMPARE(settings.triggerInEdgeType(), QString("Falling Edge"));
        QCOMPARE(settings.beforeTriggerSaveTime(), 7u);
        QCOMPARE(settings.afterTriggerSaveTime(), 9u);
        QCOMPARE(settings.colorType(), QString("Light"));
        QCOMPARE(settings.offColor(), QColor(64, 126, 201));
        QCOMPARE(settings.backgroundColor(), QColor(255, 255, 255));
        // A configuration path naming a missing file is kept as the user chose it, and nothing is copied.
        QCOMPARE(settings.dvsCurrentConfigFile(), QString("/nowhere/dvs.json"));
        QCOMPARE(settings.fusionCurrentConfigFile(), QString("/nowhere/fusion.json"));
        QVERIFY(!QDir(configDir_).exists());
    }

    void savedValuesSurviveARestart() {
        {
            AppSettings settings(home_->iniPath());
            settings.setLanguage("zh");
            settings.setTriggerInRecEnabled(true);
            settings.setTriggerInEdgeType("Falling Edge");
            settings.setBeforeTriggerSaveTime(4);
            settings.setAfterTriggerSaveTime(11);
            settings.setColorType("RedGreen");
        }  // destruction writes back
        AppSettings reloaded(home_->iniPath());
        QCOMPARE(reloaded.language(), QString("zh"));
        QCOMPARE(reloaded.triggerInRecEnabled(), true);
        QCOMPARE(reloaded.triggerInEdgeType(), QString("Falling Edge"));
        QCOMPARE(reloaded.beforeTriggerSaveTime(), 4u);
        QCOMPARE(reloaded.afterTriggerSaveTime(), 11u);
        QCOMPARE(reloaded.colorType(), QString("RedGreen"));
        QCOMPARE(reloaded.offColor(), QColor(0, 255, 0));
    }

    void correctlySpelledTriggerKeysAreNotOurs() {
        writeIni(home_->iniPath(), {
            {"Setting/dvs_trigger_in_rec_enable", true},
            {"Setting/dvs_before_trigger_in_save_time", 5},
            {"Setting/dvs_after_trigger_in_save_time", 6},
        });
        AppSettings settings(home_->iniPath());
        QCOMPARE(settings.triggerInRecEnabled(), true);
        QCOMPARE(settings.beforeTriggerSaveTime(), 0u);
        QCOMPARE(settings.afterTriggerSaveTime(), 0u);
    }

    void triggerKeysIgnoredWithoutEnableKey() {
        writeIni(home_->iniPath(), {
            {"Setting/dvs_trigger_in_rec_edge_type", "Falling Edge"},
            {"Setting/dvs_before_tirgger_in_save_time", 5},
            {"Setting/dvs_after_tirgger_in_save_time", 6},
        });
        AppSettings settings(home_->iniPath());
        QCOMPARE(settings.triggerInRecEnabled(), false);
        QCOMPARE(settings.triggerInEdgeType(), QString("Rising Edge"));
        QCOMPARE(settings.beforeTriggerSaveTime(), 0u);
        QCOMPARE(settings.afterTriggerSaveTime(), 0u);
    }

    void malformedValuesFallBack_data() {
        QTest::addColumn<QVariant>("edge");
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<QString>("expectedEdge");
        QTest::addColumn<uint>("expectedBefore");
        QTest::newRow("absent edge") << QVariant() << QVariant(3) << "Rising Edge" << 3u;
        QTest::newRow("unknown edge") << QVariant("Both Edges") << QVariant("x") << "Rising Edge" << 0u;
        QTest::newRow("negative time") << QVariant("Falling Edge") << QVariant("-4") << "Falling Edge" << 0u;
    }
    void malformedValuesFallBack() {
        QFETCH(QVariant, edge);
        QFETCH(QVariant, before);
        QFETCH(QString, expectedEdge);
        QFETCH(uint, expectedBefore);
        QList<QPair<QString, QVariant>> entries = {{"Setting/dvs_trigger_in_rec_enable", "true"},
                                                   {"Setting/dvs_before_tirgger_in_save_time", before}};
        if (edge.isValid()) entries.append({"Setting/dvs_trigger_in_rec_edge_type", edge});
        writeIni(home_->iniPath(), entries);
        AppSettings settings(home_->iniPath());
        QCOMPARE(settings.triggerInEdgeType(), expectedEdge);
        QCOMPARE(settings.beforeTriggerSaveTime(), expectedBefore);
    }

    void staleDirectoriesAreReplaced() {
        const QString kept = home_->path() + "/kept";
        QVERIFY(QDir().mkpath(kept));
        QFile notADir(home_->path() + "/file.raw");
        QVERIFY(notADir.open(QIODevice::WriteOnly));
        notADir.close();
        writeIni(home_->iniPath(), {
            {"Setting/output_raw_file_path", home_->path() + "/unplugged/drive"},
            {"Setting/input_raw_file_path", kept},
            {"Setting/video_save_path", notADir.fileName()},
        });
        AppSettings settings(home_->iniPath());
        QCOMPARE(settings.outputRawFilePath(), dataDir_);
        QVERIFY(QDir(dataDir_).exists());
        QCOMPARE(settings.inputRawFilePath(), kept);
        QCOMPARE(settings.videoSavePath(), dataDir_);
    }

    void languageIsNormalised_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fr") << QVariant("fr") << "en";
        QTest::newRow("upper case") << QVariant("ZH") << "en";
        QTest::newRow("absent") << QVariant() << "en";
        QTest::newRow("zh") << QVariant("zh") << "zh";
    }
    void languageIsNormalised() {
        QFETCH(QVariant, stored);
        QFETCH(QString, expected);
        if (stored.isValid()) writeIni(home_->iniPath(), {{"Setting/language", stored}});
        {
            AppSettings settings(home_->iniPath());
            QCOMPARE(settings.language(), expected);
        }
        QSettings ini(home_->iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value("Setting/language").toString(), expected);
    }

    void coloursFollowTheColourType_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QColor>("on");
        QTest::addColumn<QColor>("off");
        QTest::addColumn<QColor>("background");
        QTest::newRow("Gray") << "Gray" << QColor(255, 255, 255) << QColor(0, 0, 0) << QColor(112, 112, 112);
        QTest::newRow("RedBlue") << "RedBlue" << QColor(255, 0, 0) << QColor(0, 0, 255) << QColor(112, 112, 112);
        QTest::newRow("Dark") << "Dark" << QColor(255, 255, 255) << QColor(64, 126, 200) << QColor(30, 37, 52);
        QTest::newRow("RedGreen") << "RedGreen" << QColor(255, 0, 0) << QColor(0, 255, 0) << QColor(112, 112, 112);
        QTest::newRow("Light") << "Light" << QColor(0, 0, 0) << QColor(64, 126, 201) << QColor(255, 255, 255);
    }
    void coloursFollowTheColourType() {
        QFETCH(QString, type);
        QFETCH(QColor, on);
        QFETCH(QColor, off);
        QFETCH(QColor, background);
        AppSettings settings(home_->iniPath());
        settings.setColorType("Dark");
        settings.setColorType(type);
        QCOMPARE(settings.onColor(), on);
        QCOMPARE(settings.offColor(), off);
        QCOMPARE(settings.backgroundColor(), background);
        QCOMPARE(settings.onColor().alpha(), 255);

        // An unknown type keeps whatever colours were in effect.
        settings.setColorType("Purple");
        QCOMPARE(settings.onColor(), on);
        QCOMPARE(settings.offColor(), off);
        QCOMPARE(settings.backgroundColor(), background);
    }

    void colourSnapshotIsNeverTorn() {
        AppSettings settings(home_->iniPath());
        std::atomic<bool> stop{false};
        std::atomic<int> torn{0};
        std::thread reader([&] {
            while (!stop.load()) {
                const quillex::EventColours c = settings.colours();
                // Background 30,37,52 belongs only to "Dark", whose OFF colour is 64,126,200.
                const bool dark = c.background == QColor(30, 37, 52);
                if (dark != (c.off == QColor(64, 126, 200))) ++torn;
            }
        });
        for (int i = 0; i < 20000; ++i) settings.setColorType(i % 2 ? "Dark" : "RedBlue");
        stop = true;
        reader.join();
        QCOMPARE(torn.load(), 0);
    }

    void appDataLocationIsCreatedAndLoggedOnce() {
        QCoreApplication::setApplicationName("Quillscope");
        QCoreApplication::setOrganizationName("Quillex");
        MessageCapture log;
        const QString first = quillex::appDataLocation();
        const QString second = quillex::appDataLocation();
        QCOMPARE(first, second);
        QVERIFY2(first.startsWith(home_->path()), qPrintable(first));
        QVERIFY(first.contains("Quillscope"));
        QVERIFY(QDir(first).exists());
        QCOMPARE(log.count("app config path: " + first), 1);
        QCOMPARE(log.count("app config path:"), 1);
    }

private:
    std::unique_ptr<TempHome> home_;
    QString dataDir_;
    QString configDir_;
};

QTEST_GUILESS_MAIN(AppSettingsTest)
#include "AppSettingsTest.moc"
