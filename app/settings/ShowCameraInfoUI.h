#pragma once
// "Camera Info": product, manufacturer, firmware version and serial of the open camera.

#include "hal/EventTypes.h"

#include <QDialog>

#include <string>

namespace QWK {
class WidgetWindowAgent;
}
namespace Ui {
class ShowCameraInfoUI;
}

class ShowCameraInfoUI : public QDialog {
    Q_OBJECT

public:
    explicit ShowCameraInfoUI(QWidget* parent = nullptr);
    ~ShowCameraInfoUI() override;

    void setInfo(const quillex::CameraDescription& description, const std::string& firmwareVersion);

public slots:
    void on_pb_close_clicked();
    void on_pb_win_close_clicked();

private:
    Ui::ShowCameraInfoUI* ui;
    QWK::WidgetWindowAgent* agent_ = nullptr;
};
