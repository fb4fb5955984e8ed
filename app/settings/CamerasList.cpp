#include "settings/CamerasList.h"

#include "ui_CamerasList.h"

#include "qwk/widgetwindowagent.h"

#include <QIcon>
#include <QListWidgetItem>
#include <QShowEvent>

namespace {
constexpr int kDescriptionIndexRole = Qt::UserRole + 1;
}

CamerasList::CamerasList(const std::vector<quillex::CameraDescription>& descriptions, QWidget* parent)
    : QDialog(parent), ui(new Ui::CamerasList), parentWindow_(parent) {
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    ui->widget_title_bar->setAttribute(Qt::WA_StyledBackground);
    ui->frame_search->setAttribute(Qt::WA_StyledBackground);

    agent_ = new QWK::WidgetWindowAgent(this);
    agent_->setup(this);
    agent_->setTitleBar(ui->widget_title_bar);
    agent_->setSystemButton(QWK::WindowAgentBase::Close, ui->pb_win_close);

    ui->listWidget_cameras->setIconSize(QSize(24, 24));
    const QIcon icon(QStringLiteral(":/img/assets/btn_camera.svg"));
    for (size_t i = 0; i < descriptions.size(); ++i) {
        auto* item = new QListWidgetItem(icon, QString::fromStdString(descriptions[i].serial), ui->listWidget_cameras);
        item->setData(kDescriptionIndexRole, static_cast<int>(i));
    }
    if (ui->listWidget_cameras->count() > 0) ui->listWidget_cameras->setCurrentRow(0);

    connect(ui->pb_open, &QPushButton::clicked, this, &CamerasList::accept);
    connect(ui->listWidget_cameras, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        ui->listWidget_cameras->setCurrentItem(item);
        accept();
    });
    connect(ui->pb_close, &QPushButton::clicked, this, &CamerasList::rejected);
    connect(ui->le_search_camera, &QLineEdit::textChanged, this, &CamerasList::filterCameras);
    connect(ui->pb_searc_camera, &QPushButton::clicked, this,
            [this] { filterCameras(ui->le_search_camera->text()); });
}

CamerasList::~CamerasList() {
    delete ui;
}

bool CamerasList::selectedIndex(int& out) const {
    const QListWidgetItem* item = ui->listWidget_cameras->currentItem();
    if (!item || item->isHidden()) return false;
    out = item->data(kDescriptionIndexRole).toInt();
    return true;
}

void CamerasList::filterCameras(const QString& text) {
    const QString needle = text.trimmed();
    for (int row = 0; row < ui->listWidget_cameras->count(); ++row) {
        QListWidgetItem* item = ui->listWidget_cameras->item(row);
        item->setHidden(!needle.isEmpty() && !item->text().contains(needle, Qt::CaseInsensitive));
    }
    QListWidgetItem* current = ui->listWidget_cameras->currentItem();
    if (!current || current->isHidden()) ui->listWidget_cameras->setCurrentItem(firstVisibleItem());
}

QListWidgetItem* CamerasList::firstVisibleItem() const {
    for (int row = 0; row < ui->listWidget_cameras->count(); ++row) {
        QListWidgetItem* item = ui->listWidget_cameras->item(row);
        if (!item->isHidden()) return item;
    }
    return nullptr;
}

void CamerasList::accept() {
    QDialog::accept();
}

void CamerasList::rejected() {
    QDialog::reject();
}

void CamerasList::on_pb_win_close_clicked() {
    QDialog::reject();
}

void CamerasList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!parentWindow_) return;
    const QPoint origin = parentWindow_->mapToGlobal(QPoint(0, 0));
    move(origin.x() + (parentWindow_->width() - width()) / 2, origin.y() + (parentWindow_->height() - height()) / 2);
}
