#pragma once
// Busy animation shown over its parent while a recording loads.

#include <QDialog>

class QLabel;
class QMovie;

namespace Ui {
class WaitingWin;
}

class WaitingWin : public QDialog {
    Q_OBJECT

public:
    explicit WaitingWin(QWidget* parent = nullptr);
    ~WaitingWin() override;

    bool isAnimating() const;
    QMovie* movie() const { return movie_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void centreOverParent();

    Ui::WaitingWin* ui;
    QMovie* movie_ = nullptr;
};
