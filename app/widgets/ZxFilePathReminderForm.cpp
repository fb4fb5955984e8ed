#include "widgets/ZxFilePathReminderForm.h"

#include "ui_ZxFilePathReminderForm.h"
#include "widgets/StyleSheetEdit.h"

#include <QDebug>
#include <QDesktopServices>
#include <QIcon>
#include <QTimer>
#include <QUrl>

ZxFilePathReminderForm::ZxFilePathReminderForm(const QString& text, ZxMessageType type, const QString& filePath,
                                               QWidget* parent)
    : QWidget(parent), ui(new Ui::ZxFilePathReminderForm), type_(type), filePath_(filePath) {
    ui->setupUi(this);
    // Frameless, stay-on-top hints without a window type: stays a child widget placed by the parent.
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->widget_item->setAttribute(Qt::WA_StyledBackground);

    ui->lb_show_tips->setText(text);
    switch (type) {
    case ZxMessageWarning:
        zxstyle::applyStyleSheet(ui->widget_item,
            "#widget_item{background-color:#FEFBF4;border:1px solid #F9BF37;border-radius:3px;color:#555555;}");
        ui->pb_logo->setIcon(QIcon(":/img/assets/icon_toasts_warning.svg"));
        ui->lb_title->setText(tr("Warning"));
        zxstyle::applyStyleSheet(ui->lb_title, "font-size:12px;color:#F9BF37;border:none;background:transparent;");
        break;
    case ZxMessageError:
        zxstyle::applyStyleSheet(ui->widget_item,
            "#widget_item{background-color:#FFF6F6;border:1px solid #FF6058;border-radius:3px;color:#555555;}");
        ui->pb_logo->setIcon(QIcon(":/img/assets/icon_toasts_error.svg"));
        ui->lb_title->setText(tr("Error"));
        zxstyle::applyStyleSheet(ui->lb_title, "font-size:12px;color:#FF6058;border:none;background:transparent;");
        break;
    case ZxMessageSuccess:
    default:
        break;  // the form's own look
    }

    ui->pb_open_dir->setVisible(!filePath_.isEmpty());
    adjustSize();

    QTimer::singleShot(kLifetimeMs, this, &ZxFilePathReminderForm::onTimeupDestroy);
}

ZxFilePathReminderForm::~ZxFilePathReminderForm() {
    delete ui;
}

void ZxFilePathReminderForm::onTimeupDestroy() {
    deleteLater();
}

void ZxFilePathReminderForm::on_pb_open_dir_clicked() {
    if (filePath_.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(filePath_))) {
        qWarning() << "Failed to open directory.";
    }
}

void ZxFilePathReminderForm::on_pb_close_clicked() {
    close();
}
