#include "widgets/WaitingWin.h"

#include "ui_WaitingWin.h"

#include <QCloseEvent>
#include <QDebug>
#include <QMovie>

WaitingWin::WaitingWin(QWidget* parent) : QDialog(parent), ui(new Ui::WaitingWin) {
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    movie_ = new QMovie(":/img/icon/waiting.gif", QByteArray(), this);
    ui->label_waiting->setMovie(movie_);
}

WaitingWin::~WaitingWin() {
    delete ui;
}

bool WaitingWin::isAnimating() const {
    return movie_->state() == QMovie::Running;
}

void WaitingWin::centreOverParent() {
    QWidget* p = parentWidget();
    if (!p) {
        return;
    }
    const QPoint origin = p->mapToGlobal(QPoint(0, 0));
    move(origin + QPoint((p->width() - width()) / 2, (p->height() - height()) / 2));
}

void WaitingWin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOverParent();
    if (!movie_->isValid()) {
        qWarning() << "GIF is not valid or not found";
        return;
    }
    movie_->start();
}

void WaitingWin::hideEvent(QHideEvent* event) {
    movie_->stop();
    QDialog::hideEvent(event);
}

void WaitingWin::closeEvent(QCloseEvent* event) {
    movie_->stop();
    QDialog::closeEvent(event);
}
