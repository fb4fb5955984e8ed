#pragma once
// Start-up splash: logo and version, closes itself after two seconds.

#include <QDialog>

#include <memory>

class QTimer;

namespace Ui {
class InitDialog;
}

class InitDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDisplayMs = 2000;

    explicit InitDialog(QWidget* parent = nullptr);
    ~InitDialog() override;

private slots:
    void on_btn_close_clicked();

private:
    std::unique_ptr<Ui::InitDialog> ui;
    QTimer* closeTimer_ = nullptr;
};
