// Frameless-window layer, frameless window and helper, styled inputs.

#include "widgets/FramelessWindow.h"
#include "widgets/StyleSheetEdit.h"
#include "widgets/ZXComboBoxBase.h"
#include "widgets/ZxComboBox.h"
#include "widgets/ZxLineEdit.h"
#include "widgets/ZxLineEditBase.h"
#include "widgets/ZxSlider.h"
#include "widgets/PopWidget.h"
#include "widgets/ZXMessageBox.h"

#include "qwk/widgetwindowagent.h"
#include "qwk/windowbar.h"
#include "qwk/windowbutton.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QRegularExpression>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

void sendFocus(QWidget* w, QEvent::Type type) {
    QFocusEvent event(type, Qt::OtherFocusReason);
    QApplication::sendEvent(w, &event);
}

// A window with a title bar holding a label, a menu button and a close button.
struct TitledWindow {
    QWidget window;
    QWidget* bar = new QWidget(&window);
    QLabel* caption = new QLabel("caption", bar);
    QPushButton* menu = new QPushButton("File", bar);
    QPushButton* close = new QPushButton("x", bar);
    QWK::WidgetWindowAgent* agent = new QWK::WidgetWindowAgent(&window);

    TitledWindow() {
        auto* row = new QHBoxLayout(bar);
        row->addWidget(caption);
        row->addWidget(menu);
        row->addWidget(close);
        bar->setGeometry(0, 0, 400, 32);
        window.resize(400, 300);
    }
};

}  // namespace

class FrameAndInputsTest : public QObject {
    Q_OBJECT

private slots:
    // ---- window agent ------------------------------------------------------------------------
    void agentSetupOnlyOnce() {
        QWidget a;
        QWidget b;
        QWK::WidgetWindowAgent agent(&a);
        QVERIFY(!agent.setup(nullptr));
        QVERIFY(agent.setup(&a));
        QCOMPARE(agent.window(), &a);
        QVERIFY(a.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(a.testAttribute(Qt::WA_DontCreateNativeAncestors));
        QVERIFY(a.testAttribute(Qt::WA_NativeWindow));
        QVERIFY(!agent.setup(&b));
        QVERIFY(!agent.setup(&a));
        QVERIFY(!(b.windowFlags() & Qt::FramelessWindowHint));
    }

    void agentRegistrationSignals() {
        TitledWindow t;
        QVERIFY(t.agent->setup(&t.window));
        QSignalSpy bar(t.agent, &QWK::WidgetWindowAgent::titleBarChanged);
        QSignalSpy button(t.agent, &QWK::WidgetWindowAgent::systemButtonChanged);
        t.agent->setTitleBar(t.bar);
        t.agent->setTitleBar(t.bar);
        QCOMPARE(bar.count(), 1);
        QCOMPARE(bar.last().at(0).value<QWidget*>(), t.bar);
        QCOMPARE(t.agent->titleBar(), t.bar);

        t.agent->setSystemButton(QWK::WindowAgentBase::Close, t.close);
        t.agent->setSystemButton(QWK::WindowAgentBase::Close, t.close);
        QCOMPARE(button.count(), 1);
        QCOMPARE(button.last().at(0).value<QWK::WindowAgentBase::SystemButton>(), QWK::WindowAgentBase::Close);
        QCOMPARE(button.last().at(1).value<QWidget*>(), t.close);
        QCOMPARE(t.agent->systemButton(QWK::WindowAgentBase::Close), t.close);
        QCOMPARE(t.agent->systemButton(QWK::WindowAgentBase::Minimize), nullptr);
        QCOMPARE(int(QWK::WindowAgentBase::WindowIcon), 1);
        QCOMPARE(int(QWK::WindowAgentBase::Maximize), 4);
    }

    void dragAreaExcludesButtonsAndHitTestWidgets() {
        TitledWindow t;
        t.agent->setup(&t.window);
        t.agent->setTitleBar(t.bar);
        t.agent->setSystemButton(QWK::WindowAgentBase::Close, t.close);
        t.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.window));
        auto centre = [&](QWidget* w) { return w->mapTo(t.bar, w->rect().center()); };
        QVERIFY(t.agent->isDragArea(centre(t.caption)));
        QVERIFY(!t.agent->isDragArea(centre(t.close)));
        QVERIFY(t.agent->isDragArea(centre(t.menu)));
        t.agent->setHitTestVisible(t.menu);
        QVERIFY(!t.agent->isDragArea(centre(t.menu)));
        QVERIFY(!t.agent->isDragArea(QPoint(-5, 5)));
    }

    void titleBarPressMovesTheWindow() {
        TitledWindow t;
        t.agent->setup(&t.window);
        t.agent->setTitleBar(t.bar);
        t.window.move(100, 100);
        t.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.window));
        if (t.window.windowHandle()->startSystemMove()) {
            QSKIP("The platform moves windows itself");
        }
        const QPoint start = t.window.pos();
        const QPoint at = t.caption->rect().center();
        QTest::mousePress(t.caption, Qt::LeftButton, Qt::NoModifier, at);
        QMouseEvent move(QEvent::MouseMove, QPointF(at + QPoint(30, 20)),
                         t.caption->mapToGlobal(QPointF(at + QPoint(30, 20))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(t.caption, &move);
        QTest::mouseRelease(t.caption, Qt::LeftButton, Qt::NoModifier, at + QPoint(30, 20));
        QCOMPARE(t.window.pos(), start + QPoint(30, 20));

        // Buttons in the bar keep their clicks.
        QSignalSpy clicked(t.menu, &QPushButton::clicked);
        QTest::mouseClick(t.menu, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(t.window.pos(), start + QPoint(30, 20));
    }

    void doubleClickMaximisesOnlyWhatMayBeMaximised() {
        TitledWindow t;
        t.agent->setup(&t.window);
        t.agent->setTitleBar(t.bar);
        t.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.window));
        QTest::mouseDClick(t.caption, Qt::LeftButton);
        QTRY_VERIFY(t.window.isMaximized());
        QTest::mouseDClick(t.caption, Qt::LeftButton);
        QTRY_VERIFY(!t.window.isMaximized());

        QDialog dialog;
        auto* bar = new QWidget(&dialog);
        bar->setGeometry(0, 0, 300, 32);
        QWK::WidgetWindowAgent agent(&dialog);
        agent.setup(&dialog);
        agent.setTitleBar(bar);
        dialog.resize(300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
        QTest::qWait(50);
        QVERIFY(!dialog.isMaximized());
    }

    void resizeEdges() {
        TitledWindow t;
        t.agent->setup(&t.window);
        QCOMPARE(t.agent->resizeEdgesAt(QPoint(1, 1)), Qt::Edges(Qt::LeftEdge | Qt::TopEdge));
        QCOMPARE(t.agent->resizeEdgesAt(QPoint(399, 150)), Qt::Edges(Qt::RightEdge));
        QCOMPARE(t.agent->resizeEdgesAt(QPoint(200, 298)), Qt::Edges(Qt::BottomEdge));
        QCOMPARE(t.agent->resizeEdgesAt(QPoint(200, 150)), Qt::Edges());
        t.window.setFixedWidth(400);
        QCOMPARE(t.agent->resizeEdgesAt(QPoint(1, 1)), Qt::Edges(Qt::TopEdge));
        t.window.setFixedSize(400, 300);
        QCOMPARE(t.agent->resizeEdgesAt(QPoint(1, 1)), Qt::Edges());
    }

    // ---- window bar and frameless window -----------------------------------------------------
    void windowBarFollowsHostAndForwardsClicks() {
        QWidget host;
        QWK::WindowBar bar;
        auto* title = new QLabel;
        auto* max = new QWK::WindowButton;
        max->setCheckable(true);
        auto* min = new QWK::WindowButton;
        bar.setTitleLabel(title);
        bar.setMaxButton(max);
        bar.setMinButton(min);
        bar.setHostWidget(&host);
        QCOMPARE(title->parentWidget(), &bar);  // style sheets address direct children

        host.setWindowTitle("Quillscope");
        QCOMPARE(title->text(), QString("Quillscope"));
        bar.setTitleFollowWindow(false);
        host.setWindowTitle("Other");
        QCOMPARE(title->text(), QString("Quillscope"));

        QSignalSpy maxSpy(&bar, &QWK::WindowBar::maximizeRequested);
        QSignalSpy minSpy(&bar, &QWK::WindowBar::minimizeRequested);
        max->click();
        QCOMPARE(maxSpy.count(), 1);
        QCOMPARE(maxSpy.last().at(0).toBool(), true);
        min->click();
        QCOMPARE(minSpy.count(), 1);

        host.show();
        host.showMaximized();
        QTRY_VERIFY(host.isMaximized());
        QVERIFY(max->isChecked());
        host.showNormal();
        QTRY_VERIFY(!max->isChecked());
    }

    void windowButtonIconFollowsState() {
        QWK::WindowButton b;
        QPixmap normal(8, 8);
        normal.fill(Qt::red);
        QPixmap checked(8, 8);
        checked.fill(Qt::blue);
        b.setIconNormal(QIcon(normal));
        b.setIconChecked(QIcon(checked));
        b.setCheckable(true);
        QCOMPARE(b.icon().pixmap(8, 8).toImage().pixelColor(4, 4), QColor(Qt::red));
        b.setChecked(true);
        QCOMPARE(b.icon().pixmap(8, 8).toImage().pixelColor(4, 4), QColor(Qt::blue));
        QSignalSpy dbl(&b, &QWK::WindowButton::doubleClicked);
        QTest::mouseDClick(&b, Qt::LeftButton);
        QCOMPARE(dbl.count(), 1);
    }

    void framelessWindowBuiltThroughMetaObject() {
        QObject* made = FramelessWindow::staticMetaObject.newInstance(Q_ARG(QWidget*, nullptr), Q_ARG(int, 0));
        QVERIFY(made);
        std::unique_ptr<FramelessWindow> w(qobject_cast<FramelessWindow*>(made));
        QVERIFY(w);
        QWK::WindowBar* bar = w->helper()->windowBar();
        QCOMPARE(w->menuWidget(), bar);
        QCOMPARE(bar->height(), 32);
        QVERIFY(bar->findChild<QLabel*>("win-title-label"));
        for (const char* name : {"min-button", "max-button", "close-button"}) {
            auto* b = bar->findChild<QWK::WindowButton*>(name);
            QVERIFY2(b, name);
            QCOMPARE(b->property("system-button").toBool(), true);
            QCOMPARE(b->parentWidget(), bar);
        }
        QVERIFY(bar->findChild<QWK::WindowButton*>("max-button")->isCheckable());
        QCOMPARE(w->helper()->agent()->systemButton(QWK::WindowAgentBase::Maximize),
                 bar->findChild<QWK::WindowButton*>("max-button"));
        QCOMPARE(w->helper()->agent()->titleBar(), bar);
        w->setWindowTitle("Recording");
        QCOMPARE(bar->findChild<QLabel*>("win-title-label")->text(), QString("Recording"));
    }

    void barActiveFollowsActivation_data() {
        QTest::addColumn<int>("theme");
        QTest::addColumn<QColor>("active");
        QTest::addColumn<QColor>("inactive");
        QTest::newRow("dark") << 0 << QColor("#3C3C3C") << QColor("#505050");
        QTest::newRow("light") << 1 << QColor("#195ABE") << QColor("#195ABE");
    }
    void barActiveFollowsActivation() {
        QFETCH(int, theme);
        QFETCH(QColor, active);
        QFETCH(QColor, inactive);
        FramelessWindow w(nullptr, theme);
        w.setCentralWidget(new QWidget);
        w.resize(500, 300);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget* bar = w.helper()->windowBar();
        const QPoint probe(bar->width() / 2, 2);

        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(&w, &deactivate);
        QCOMPARE(bar->property("bar-active").toBool(), false);
        QCOMPARE(bar->grab().toImage().pixelColor(probe), inactive);

        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        QCOMPARE(bar->property("bar-active").toBool(), true);
        QCOMPARE(bar->grab().toImage().pixelColor(probe), active);
    }

    void maximiseButtonDropsHoverAfterMaximising() {
        FramelessWindow w(nullptr, 0);
        w.setCentralWidget(new QWidget);
        w.resize(500, 300);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* max = w.helper()->windowBar()->findChild<QWK::WindowButton*>("max-button");
        QTest::mouseMove(max);
        QTRY_VERIFY(max->underMouse());
        // The cursor stays where the button was; maximising moves the button away from it.
        const QPoint cursor = max->mapToGlobal(max->rect().center());
        QCursor::setPos(cursor);
        QVERIFY(max->underMouse());
        max->click();
        QTRY_VERIFY(w.isMaximized());
        QTRY_VERIFY(!max->rect().contains(max->mapFromGlobal(cursor)));
        QTRY_VERIFY(!max->underMouse());
    }

    // ---- styled inputs -----------------------------------------------------------------------
    void styleEditsMatchWholePropertyNames() {
        QString sheet = "QLineEdit{border-radius:3px;background-color:#FFFFFF;border: 1px solid #ACACAC;color:#555555;}";
        QVERIFY(zxstyle::replaceDeclaration(sheet, "border", "border: 1px solid #004B6A;"));
        QVERIFY(zxstyle::replaceDeclaration(sheet, "color", "color:#FF6058;"));
        QCOMPARE(sheet, QString("QLineEdit{border-radius:3px;background-color:#FFFFFF;border: 1px solid #004B6A;"
                                "color:#FF6058;}"));
        QString plain = "border-radius:3px";
        QVERIFY(!zxstyle::replaceDeclaration(plain, "border", "border: 1px solid red;"));
        zxstyle::replaceOrAppendDeclaration(plain, "border", "border: 1px solid red;");
        QCOMPARE(plain, QString("border-radius:3px;border: 1px solid red;"));
        QString block = "#f{border-radius:3px;}";
        zxstyle::replaceOrAppendDeclaration(block, "color", "color:#004B6A;");
        QCOMPARE(block, QString("#f{border-radius:3px;color:#004B6A;}"));
    }

    void stylesPointAtExistingIcons() {
        ZXComboBoxBase combo;
        ZXMessageBox box("t", "x");
        int checked = 0;
        for (QWidget* root : {static_cast<QWidget*>(&combo), static_cast<QWidget*>(&box)}) {
            QList<QWidget*> all = root->findChildren<QWidget*>();
            all.prepend(root);
            for (QWidget* w : all) {
                static const QRegularExpression url("url\\(\"?([^\")]+)\"?\\)");
                for (auto m = url.globalMatch(w->styleSheet()); m.hasNext();) {
                    const QString target = m.next().captured(1);
                    QVERIFY2(QFile::exists(target), qPrintable(w->objectName() + " -> " + target));
                    ++checked;
                }
            }
        }
        QVERIFY(checked >= 5);
    }

    void comboIgnoresWheel() {
        ZXComboBoxBase combo;
        combo.addItems({"Gray", "RedBlue", "Dark"});
        combo.setCurrentIndex(1);
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&combo, &wheel);
        QCOMPARE(combo.currentIndex(), 1);
        QVERIFY(!wheel.isAccepted());
        QCOMPARE(qobject_cast<QListView*>(combo.view()) != nullptr, true);
    }

    void comboHaloFollowsTheList() {
        ZxComboBox box;
        box.comboBox()->addItems({"Rising Edge", "Falling Edge"});
        box.resize(200, 32);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy shown(box.comboBox(), &ZXComboBoxBase::popupShown);
        box.comboBox()->showPopup();
        QCOMPARE(shown.count(), 1);
        QTRY_VERIFY(box.haloOn());
        QVERIFY(box.frame()->styleSheet().contains("border: 2px solid #D7E7EE;"));
        QVERIFY(box.comboBox()->styleSheet().contains("color:#004B6A;"));
        QVERIFY(box.comboBox()->styleSheet().contains("background-color:#FFFFFF;"));
        box.comboBox()->hidePopup();
        QVERIFY(!box.haloOn());
        QVERIFY(box.frame()->styleSheet().contains("border: 2px solid transparent;"));
        QVERIFY(box.comboBox()->styleSheet().contains("color:#A7A7A7;"));
        QVERIFY(box.comboBox()->styleSheet().contains("background-color:#FFFFFF;"));
    }

    void comboEditingAndReadOnly() {
        ZxComboBox box;
        box.comboBox()->addItems({"100", "200"});
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QLineEdit* edit = box.comboBox()->lineEdit();
        QVERIFY(edit);
        QSignalSpy changed(&box, &ZxComboBox::signalLineEditTextChanged);
        QSignalSpy finished(&box, &ZxComboBox::signalLineEditEditingFinished);
        box.setEditable(true);  // twice: still one report per change
        box.comboBox()->setCurrentIndex(1);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!box.haloOn());  // a programmatic change leaves no halo

        box.setEditable(false);
        QVERIFY(edit->isReadOnly());
        QCOMPARE(edit->text(), QString("200"));
        changed.clear();
        QTest::keyClicks(edit, "55");
        QCOMPARE(edit->text(), QString("200"));
        box.comboBox()->setCurrentIndex(0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(edit->text(), QString("100"));
        Q_UNUSED(finished);
    }

    void comboBorderEdits() {
        ZxComboBox box;
        box.setFrameBorderColor("#FF6058");
        QVERIFY(box.frame()->styleSheet().contains("border: 2px solid #FF6058;"));
        QVERIFY(box.frame()->styleSheet().contains("border-radius: 3px;"));
        const QString before = box.comboBox()->styleSheet();
        box.setComboProperty("border", "border:1px solid #FF6058;");
        const QString after = box.comboBox()->styleSheet();
        QVERIFY(after.contains("border:1px solid #FF6058;"));
        QVERIFY(after.contains("border-radius:3px;"));
        QCOMPARE(after.size(), before.size());
        box.setComboProperty("outline-offset", "outline-offset:2px;");
        QCOMPARE(box.comboBox()->styleSheet(), after);
    }

    void lineEditFocusBorder() {
        ZxLineEditBase edit;
        QSignalSpy hovered(&edit, &ZxLineEditBase::signalMouseHoverd);
        sendFocus(&edit, QEvent::FocusIn);
        QVERIFY(edit.styleSheet().contains("border: 1px solid #004B6A;"));
        QVERIFY(edit.styleSheet().contains("border-radius:3px"));
        sendFocus(&edit, QEvent::FocusOut);
        QVERIFY(edit.styleSheet().contains("border: 1px solid #ACACAC;"));
        QCOMPARE(hovered.count(), 2);
        QCOMPARE(hovered.at(0).at(0).toBool(), true);
        QCOMPARE(hovered.at(1).at(0).toBool(), false);
        QCOMPARE(edit.alignment(), Qt::AlignCenter);

        // A colour set before the first show is the one drawn.
        ZxLineEditBase red;
        red.setFocusPolicy(Qt::NoFocus);  // focus would turn it blue
        red.setBorderColor("#FF6058");
        red.resize(120, 26);
        red.show();
        QVERIFY(QTest::qWaitForWindowExposed(&red));
        QCOMPARE(red.grab().toImage().pixelColor(60, 0), QColor("#FF6058"));
    }

    void sliderJumpsToClick() {
        ZxSlider slider(Qt::Horizontal);
        slider.setRange(0, 100);
        slider.resize(220, 24);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        const int handle = slider.handleRect().width();
        QSignalSpy clicked(&slider, &ZxSlider::trackClicked);
        const QPoint at(handle / 2 + (220 - handle) * 3 / 4, 12);
        QVERIFY(!slider.handleRect().contains(at));
        QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(std::abs(slider.value() - 75) <= 1);
        QCOMPARE(clicked.last().at(0).toInt(), slider.value());

        QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(0, 12));
        QCOMPARE(slider.value(), 0);
        QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(219, 12));
        QCOMPARE(slider.value(), 100);
    }

    void sliderHandleStillDrags() {
        ZxSlider slider(Qt::Horizontal);
        slider.setRange(0, 100);
        slider.resize(220, 24);
        slider.setValue(50);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        const QPoint from = slider.handleRect().center();
        QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, from);
        QVERIFY(slider.isSliderDown());
        QTest::mouseMove(&slider, from + QPoint(60, 0));
        QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, from + QPoint(60, 0));
        QVERIFY(slider.value() > 70);
    }

    void lineEditWithSlider() {
        ZxLineEdit edit;
        edit.setRange(0, 100);
        edit.setValue(10);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QSignalSpy finished(&edit, &ZxLineEdit::textFinished);
        QSignalSpy typed(&edit, &ZxLineEdit::textEdited);

        QLineEdit* line = edit.lineEdit();
        line->selectAll();
        QTest::keyClicks(line, "42");
        QVERIFY(typed.count() >= 1);
        emit line->editingFinished();
        QCOMPARE(edit.value(), 42);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.last().at(0).toString(), QString("42"));

        edit.slider()->setValue(60);
        QCOMPARE(edit.text(), QString("60"));
        QCOMPARE(finished.count(), 2);  // once, not echoed back through the text

        line->setText("500");
        emit line->editingFinished();
        QCOMPARE(edit.value(), 100);
        QCOMPARE(edit.text(), QString("100"));
        QCOMPARE(finished.last().at(0).toString(), QString("100"));

        finished.clear();
        line->setText("abc");
        emit line->editingFinished();
        QCOMPARE(edit.text(), QString("100"));
        QCOMPARE(finished.count(), 0);

        sendFocus(line, QEvent::FocusIn);
        QVERIFY(edit.popup()->isVisible());
        QVERIFY(edit.popup()->testAttribute(Qt::WA_ShowWithoutActivating));
        sendFocus(line, QEvent::FocusOut);
        QVERIFY(!edit.popup()->isVisible());
    }
};

QTEST_MAIN(FrameAndInputsTest)
#include "FrameAndInputsTest.moc"
