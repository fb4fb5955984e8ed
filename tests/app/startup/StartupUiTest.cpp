// Splash dialog, translations, embedded resources and the language restart.

#include "InitDialog.h"
#include "LanguageSwitcher.h"
#include "TempHome.h"
#include "settings/AppLanguage.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QMovie>
#include <QPushButton>
#include <QRawFont>
#include <QRegularExpression>
#include <QSettings>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <memory>
#include <set>

using quillex::test::MessageCapture;
using quillex::test::TempHome;

namespace {

struct TsMessage {
    QString context, source, comment, translation;
};

// Finished, non-plural messages of a hand-written or lupdate-made .ts file.
QList<TsMessage> readTs(const QString& path) {
    QList<TsMessage> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return messages;
    QXmlStreamReader xml(&file);
    QString context;
    TsMessage current;
    bool skip = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            if (xml.isEndElement() && xml.name() == u"message" && !skip && !current.translation.isEmpty())
                messages.append(current);
            continue;
        }
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            current = {context, {}, {}, {}};
            skip = xml.attributes().value("numerus") == u"yes";
        } else if (xml.name() == u"source") {
            current.source = xml.readElementText();
        } else if (xml.name() == u"comment") {
            current.comment = xml.readElementText();
        } else if (xml.name() == u"translation") {
            const auto type = xml.attributes().value("type");
            if (type == u"unfinished" || type == u"vanished" || type == u"obsolete") skip = true;
            current.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    return messages;
}

QStringList translationSources(const QString& suffix) {
    return QDir(QStringLiteral(QUILLEX_SOURCE_DIR) + "/resources/translations")
        .entryList({"*" + suffix}, QDir::Files, QDir::Name);
}

// Clicks the button with the given text on the next message box that shows up, and records its texts.
struct MessageBoxClicker {
    QString title, text;
    QStringList buttons;
    void clickLater(const QString& buttonText) {
        QTimer::singleShot(0, qApp, [this, buttonText] { poll(buttonText, 200); });
    }
    void poll(const QString& buttonText, int triesLeft) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (triesLeft > 0) QTimer::singleShot(20, qApp, [this, buttonText, triesLeft] { poll(buttonText, triesLeft - 1); });
            return;
        }
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* b : box->buttons()) {
            buttons << b->text();
            if (b->text() == buttonText) b->click();
        }
    }
};

}  // namespace

class StartupUiTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { quillex::installLanguage("en"); }

    void splashShowsVersionAndClosesItself() {
        MessageCapture log;
        QElapsedTimer clock;
        clock.start();
        InitDialog dialog;
        QCOMPARE(log.count("Quillscope Version: 1.2.5"), 1);

        auto* version = dialog.findChild<QLabel*>("lb_version");
        QVERIFY(version != nullptr);
        QCOMPARE(version->text(), QString("Version: 1.2.5"));
        for (const char* name : {"frame", "widget", "btn_close"}) QVERIFY2(dialog.findChild<QWidget*>(name), name);
        QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(dialog.findChild<QWidget*>("frame")->size(), QSize(500, 360));
        auto* logo = dialog.findChild<QLabel*>("lb_logo");
        QVERIFY(logo != nullptr && !logo->pixmap().isNull());

        dialog.show();
        QVERIFY(dialog.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
        QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
    }

    void splashCloseButtonClosesAtOnce() {
        InitDialog dialog;
        dialog.show();
        auto* close = dialog.findChild<QPushButton*>("btn_close");
        QVERIFY(close != nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }

    void chineseTranslationReachesTheSplash() {
        QVERIFY(quillex::installLanguage("zh"));
        QCOMPARE(QCoreApplication::translate("LanguageSwitcher", "Restart"), QString::fromUtf8("重启"));
        InitDialog dialog;
        QCOMPARE(dialog.findChild<QLabel*>("lb_version")->text(), QString::fromUtf8("版本：1.2.5"));

        // Switching back replaces the Chinese translator instead of stacking on it.
        QVERIFY(quillex::installLanguage("fr"));
        QCOMPARE(QCoreApplication::translate("LanguageSwitcher", "Restart"), QString("Restart"));
    }

    void everyAreaIsMergedIntoTheTranslation_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("zh") << "zh" << "_zh.ts";
        QTest::newRow("en") << "en" << "_en.ts";
    }
    void everyAreaIsMergedIntoTheTranslation() {
        QFETCH(QString, language);
        QFETCH(QString, suffix);
        QVERIFY(quillex::installLanguage(language));
        const QStringList files = translationSources(suffix);
        QVERIFY(files.contains("startup" + suffix));
        int checked = 0;
        for (const QString& name : files) {
            const auto messages = readTs(QStringLiteral(QUILLEX_SOURCE_DIR) + "/resources/translations/" + name);
            for (const TsMessage& m : messages) {
                const QString got = QCoreApplication::translate(qPrintable(m.context), qPrintable(m.source),
                                                                m.comment.isEmpty() ? nullptr : qPrintable(m.comment));
                QVERIFY2(got == m.translation, qPrintable(name + ": " + m.context + " / " + m.source + " -> " + got));
                ++checked;
            }
        }
        QVERIFY(checked >= 6);
    }

    void fontCoversEveryTranslatedCharacter() {
        QFile font(":/font/NotoSansSC-Medium.ttf");
        QVERIFY(font.open(QIODevice::ReadOnly));
        const QByteArray data = font.readAll();
        const int id = QFontDatabase::addApplicationFontFromData(data);
        QVERIFY(id >= 0);
        QCOMPARE(QFontDatabase::applicationFontFamilies(id).value(0), QString("Noto Sans SC Medium"));

        QRawFont raw(data, 12);
        QVERIFY(raw.isValid());
        std::set<char32_t> missing;
        for (const QString& name : translationSources(".ts")) {
            for (const TsMessage& m : readTs(QStringLiteral(QUILLEX_SOURCE_DIR) + "/resources/translations/" + name)) {
                for (char32_t ch : (m.source + m.translation).toUcs4())
                    if (ch > 0x20 && !raw.supportsCharacter(ch)) missing.insert(ch);
            }
        }
        for (char32_t ch = 0x21; ch < 0x7F; ++ch)
            if (!raw.supportsCharacter(ch)) missing.insert(ch);
        QString list;
        for (char32_t ch : missing) list += QString::fromUcs4(&ch, 1);
        QVERIFY2(missing.empty(), qPrintable("missing glyphs: " + list));
    }

    void resourcesUsedByTheWindowsExist() {
        for (const char* name : {":/img/assets/Quillex logo_navigate.png", ":/img/assets/Quillex logo_ system-version.png",
                                 ":/img/assets/btn_Nav_CloseWindow_White.svg", ":/img/assets/btn_playbar_DVS.svg",
                                 ":/img/assets/btn_playbar_APS.svg", ":/img/assets/btn_playbar_Fusion.svg",
                                 ":/img/assets/btn_camera.svg", ":/img/assets/icon_toasts_warning.svg",
                                 ":/windowbar/light-style.qss", ":/windowbar/dark-style.qss",
                                 ":/windowbar/restore.svg", ":/app_en.qm", ":/app_zh.qm"})
            QVERIFY2(QFile::exists(name), name);
        QVERIFY(!QPixmap(":/img/assets/Quillex logo_navigate.png").isNull());

        QMovie waiting(":/img/icon/waiting.gif");
        QVERIFY(waiting.isValid());
        QVERIFY(waiting.frameCount() > 1);

        // Style sheets may only point at icons that exist.
        int svgCount = 0;
        for (const QString& root : {QString(":/img"), QString(":/windowbar")}) {
            QDirIterator it(root, {"*.svg"}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                QVERIFY2(QSvgRenderer(path).isValid(), qPrintable(path));
                ++svgCount;
            }
        }
        QVERIFY(svgCount > 20);
        for (const char* qss : {":/windowbar/light-style.qss", ":/windowbar/dark-style.qss"}) {
            QFile file(qss);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            static const QRegularExpression url("url\\(\"?([^\")]+)\"?\\)");
            for (auto m = url.globalMatch(text); m.hasNext();) {
                const QString target = m.next().captured(1);
                QVERIFY2(QFile::exists(target), qPrintable(QString(qss) + " -> " + target));
            }
        }
    }

    void restartQuestionAnswers() {
        MessageBoxClicker later;
        later.clickLater("Later");
        QVERIFY(!quillex::askRestartForLanguage(nullptr));
        QCOMPARE(later.title, QString("Tips"));
        QCOMPARE(later.text, QString("The language change will take effect after restart."));
        QCOMPARE(later.buttons.size(), 2);
        QVERIFY(later.buttons.contains("Restart"));

        MessageBoxClicker restart;
        restart.clickLater("Restart");
        QVERIFY(quillex::askRestartForLanguage(nullptr));
    }

    void restartTogglesSavesAndRelaunches() {
        QCOMPARE(quillex::toggledLanguage("en"), QString("zh"));
        QCOMPARE(quillex::toggledLanguage("zh"), QString("en"));
        QCOMPARE(quillex::toggledLanguage("fr"), QString("en"));

        TempHome home;
        QVERIFY(home.isValid());
        quillex::AppSettings settings(home.iniPath());
        QWidget window;
        window.show();
        QVERIFY(window.isVisible());

        QStringList launched;
        const bool started = quillex::restartWithOtherLanguage(settings, [&](const QString& program) {
            // The new process must find the new language already on disk.
            launched << program << QSettings(home.iniPath(), QSettings::IniFormat).value("Setting/language").toString();
            return true;
        });
        QVERIFY(started);
        QCOMPARE(launched, QStringList({QCoreApplication::applicationFilePath(), "zh"}));
        QVERIFY(!window.isVisible());
        QCOMPARE(settings.language(), QString("zh"));

        QVERIFY(!quillex::restartWithOtherLanguage(settings, [](const QString&) { return false; }));
        QCOMPARE(settings.language(), QString("en"));
    }
};

QTEST_MAIN(StartupUiTest)
#include "StartupUiTest.moc"
