#include "widgets/ZXMessageBox.h"

#include "ui_ZXMessageBox.h"

#include "qwk/widgetwindowagent.h"

ZXMessageBox::ZXMessageBox(const QString& text, const QString& title, const QString& acceptText,
                           const QString& rejectText, QWidget* parent)
    : QDialog(parent), ui(new Ui::ZXMessageBox) {
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    ui->widget_title_bar->setAttribute(Qt::WA_StyledBackground);

    agent_ = new QWK::WidgetWindowAgent(this);
    agent_->setup(this);
    agent_->setTitleBar(ui->widget_title_bar);

    ui->lb_text->setText(text);
    ui->lb_title->setText(title);
    if (!acceptText.isEmpty()) {
        ui->pb_open->setText(acceptText);
    }
    if (!rejectText.isEmpty()) {
        ui->pb_close->setText(rejectText);
    }
}

ZXMessageBox::~ZXMessageBox() {
    delete ui;
}

QString ZXMessageBox::text() const {
    return ui->lb_text->text();
}

QString ZXMessageBox::title() const {
    return ui->lb_title->text();
}

QString ZXMessageBox::acceptText() const {
    return ui->pb_open->text();
}

QString ZXMessageBox::rejectText() const {
    return ui->pb_close->text();
}

void ZXMessageBox::on_pb_open_clicked() {
    accept();
}

void ZXMessageBox::on_pb_close_clicked() {
    reject();
}

void ZXMessageBox::on_pb_win_close_clicked() {
    close();
}
