#include "view/ShowImageForm.h"

#include <QColor>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QResizeEvent>
#include <QShowEvent>

#include "ui_ShowImageForm.h"
#include "view/ZxGraphicsView.h"

namespace {
const QColor kPlaceholderColour("#707070");
}

ShowImageForm::ShowImageForm(QWidget* parent) : QWidget(parent), ui(new Ui::ShowImageForm) {
    ui->setupUi(this);
    scene_ = new QGraphicsScene(this);
    ui->graphicsView->setScene(scene_);

    pixmap_ = QPixmap(kDefaultWidth, kDefaultHeight);
    pixmap_.fill(kPlaceholderColour);
    pixmapItem_ = scene_->addPixmap(pixmap_);
    scene_->setSceneRect(pixmap_.rect());

    ui->graphicsView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->graphicsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(ui->graphicsView, &ZxGraphicsView::signalRoiSelected, this, &ShowImageForm::signalRoiSelected);
}

ShowImageForm::~ShowImageForm() {
    delete ui;
}

ZxGraphicsView* ShowImageForm::view() const {
    return ui->graphicsView;
}

void ShowImageForm::setPixmap(const QPixmap& pixmap) {
    pixmap_ = pixmap;
    pixmapItem_->setPixmap(pixmap_);
    scene_->setSceneRect(pixmap_.rect());
}

void ShowImageForm::slotShowImage(QImage image) {
    // No refit: zoom and pan stay where the user put them.
    setPixmap(QPixmap::fromImage(image));
}

void ShowImageForm::slotSetResolution(int width, int height) {
    if (width <= 0 || height <= 0) {
        qWarning().noquote() << "Ignored image resolution" << width << "x" << height;
        return;
    }
    width_ = width;
    height_ = height;
    QPixmap placeholder(width, height);
    placeholder.fill(kPlaceholderColour);
    setPixmap(placeholder);
}

void ShowImageForm::slotSetRoiSelectionEnabled(bool enabled) {
    ui->graphicsView->setRoiSelectionEnabled(enabled);
}

void ShowImageForm::fitImage() {
    if (!pixmap_.isNull()) ui->graphicsView->fitInView(pixmapItem_, Qt::KeepAspectRatio);
}

void ShowImageForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitImage();
}

void ShowImageForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitImage();
}
