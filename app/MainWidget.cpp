#include "MainWidget.h"

#include "LanguageSwitcher.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

MainWidget::MainWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("Widget");
    setWindowTitle("Quillscope");
    resize(1280, 800);

    auto* titleBar = new QWidget(this);
    titleBar->setObjectName("widget_title_bar");
    titleBar->setFixedHeight(40);
    titleBar->setAttribute(Qt::WA_StyledBackground);
    titleBar->setStyleSheet(
        "#widget_title_bar { background-color: #FFFFFF; border-bottom: 1px solid #AAAAAA; }"
        "QPushButton { border: none; color: #575757; font-size: 13px; padding: 0 10px; }"
        "QPushButton:hover { color: #004B6A; }");

    auto* logo = new QPushButton(titleBar);
    logo->setObjectName("pb_logo_button");
    logo->setIcon(QIcon(":/img/assets/Quillex logo_navigate.png"));
    logo->setIconSize(QSize(24, 24));

    auto* bar = new QHBoxLayout(titleBar);
    bar->setContentsMargins(8, 0, 8, 0);
    bar->setSpacing(0);
    bar->addWidget(logo);
    const std::pair<const char*, QString> menus[] = {
        {"pb_menu_file", tr("File")},       {"pb_menu_device", tr("Device")}, {"pb_menu_setting", tr("Setting")},
        {"pb_menu_tools", tr("Tools")},     {"pb_menu_help", tr("Help")},
    };
    for (const auto& [name, text] : menus) {
        auto* button = new QPushButton(text, titleBar);
        button->setObjectName(name);
        bar->addWidget(button);
        if (QLatin1String(name) == QLatin1String("pb_menu_setting")) {
            settingMenu_ = new QMenu(this);
            QAction* language = settingMenu_->addAction(tr("EN/中文"));
            connect(language, &QAction::triggered, this, [this] { quillex::switchLanguage(this); });
            button->setMenu(settingMenu_);
        }
    }
    bar->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("\u2715"), titleBar);
    close->setObjectName("pb_win_close");
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bar->addWidget(close);

    auto* center = new QWidget(this);
    center->setObjectName("widget_center");
    center->setAttribute(Qt::WA_StyledBackground);
    center->setStyleSheet("#widget_center { background-color: #F2F2F2; }");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(titleBar);
    layout->addWidget(center, 1);
}
