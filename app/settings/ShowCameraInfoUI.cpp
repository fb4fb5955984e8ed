#include "settings/ShowCameraInfoUI.h"

#include "ui_ShowCameraInfoUI.h"

#include "qwk/widgetwindowagent.h"

ShowCameraInfoUI::ShowCameraInfoUI(QWidget* parent) : QDialog(parent), ui(new Ui::ShowCameraInfoUI) {
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    ui->widget_title_bar->setAttribute(Qt::WA_StyledBackground);
    agent_ = new QWK::WidgetWindowAgent(this);
    agent_->setup(this);
    agent_->setTitleBar(ui->widget_title_bar);
    agent_->setSystemButton(QWK::WindowAgentBase::Close, ui->pb_win_close);
}

ShowCameraInfoUI::~ShowCameraInfoUI() {
    delete ui;
}

void ShowCameraInfoUI::setInfo(const quillex::CameraDescription& description, const std::string& firmwareVersion) {
    ui->lb_product_value->setText(QString::fromStdString(description.product));
    ui->lb_manufacturer_value->setText(QString::fromStdString(description.manufacturer));
    ui->lb_firmware_value->setText(QString::fromStdString(firmwareVersion));
    ui->lb_serial_value->setText(QString::fromStdString(description.serial));
}

void ShowCameraInfoUI::on_pb_close_clicked() {
    close();
}

void ShowCameraInfoUI::on_pb_win_close_clicked() {
    close();
}
