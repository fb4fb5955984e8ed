#include "InitDialog.h"

#include "settings/AppInfo.h"
#include "ui_InitDialog.h"

#include <QDebug>
#include <QGraphicsDropShadowEffect>
#include <QTimer>

InitDialog::InitDialog(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::InitDialog>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    // The margin leaves room for the shadow around the rounded body.
    setContentsMargins(10, 10, 10, 10);

    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor("#444444"));
    shadow->setBlurRadius(30);
    ui->frame->setGraphicsEffect(shadow);

    ui->lb_version->setText(tr("Version: ") + quillex::kAppVersion);
    qDebug().noquote().nospace() << "Quillscope Version: " << quillex::kAppVersion;

    closeTimer_ = new QTimer(this);
    closeTimer_->setSingleShot(true);
    closeTimer_->setTimerType(Qt::PreciseTimer);
    connect(closeTimer_, &QTimer::timeout, this, &QDialog::close);
    closeTimer_->start(kDisplayMs);
}

InitDialog::~InitDialog() = default;

void InitDialog::on_btn_close_clicked() {
    close();
}
