#pragma once
// Top-level window. For now only its title bar: logo, menu buttons and close button.

#include <QWidget>

class QMenu;

class MainWidget : public QWidget {
    Q_OBJECT

public:
    explicit MainWidget(QWidget* parent = nullptr);

private:
    QMenu* settingMenu_ = nullptr;
};
