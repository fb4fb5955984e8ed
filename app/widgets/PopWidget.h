#pragma once
// Translucent pop-up container with a rounded light panel; widgets are stacked vertically in it.

#include <QWidget>

class QVBoxLayout;

class PopWidget : public QWidget {
    Q_OBJECT

public:
    explicit PopWidget(QWidget* parent = nullptr);

    void addWidget(QWidget* widget);
    QWidget* panel() const { return panel_; }

private:
    QWidget* panel_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
};
