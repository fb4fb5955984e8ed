#include "widgets/ZxLineEdit.h"

#include "ui_ZxLineEdit.h"
#include "widgets/PopWidget.h"
#include "widgets/ZxLineEditBase.h"
#include "widgets/ZxSlider.h"

#include <algorithm>

ZxLineEdit::ZxLineEdit(QWidget* parent) : QWidget(parent), ui(new Ui::ZxLineEdit) {
    ui->setupUi(this);

    // Frameless tool pop-up that never takes focus from the line edit.
    pop_ = new PopWidget(this);
    pop_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    pop_->setAttribute(Qt::WA_ShowWithoutActivating);
    pop_->setFocusPolicy(Qt::NoFocus);
    slider_ = new ZxSlider(Qt::Horizontal, pop_);
    slider_->setFocusPolicy(Qt::NoFocus);
    pop_->addWidget(slider_);
    pop_->hide();

    ui->le_zx_line_edit_base->setText(QString::number(slider_->value()));

    connect(ui->le_zx_line_edit_base, &ZxLineEditBase::signalMouseHoverd, this, &ZxLineEdit::slotMouseHoverd);
    connect(slider_, &QSlider::valueChanged, this, &ZxLineEdit::onSliderChanged);
    connect(ui->le_zx_line_edit_base, &QLineEdit::textEdited, this, &ZxLineEdit::textEdited);
    connect(ui->le_zx_line_edit_base, &QLineEdit::editingFinished, this, &ZxLineEdit::onEditingFinished);
}

ZxLineEdit::~ZxLineEdit() {
    // Deleting the focused line edit reports focus loss and editing finished; nobody is left to hear.
    disconnect(ui->le_zx_line_edit_base, nullptr, this, nullptr);
    disconnect(slider_, nullptr, this, nullptr);
    delete ui;
}

ZxLineEditBase* ZxLineEdit::lineEdit() const {
    return ui->le_zx_line_edit_base;
}

void ZxLineEdit::setRange(int minimum, int maximum) {
    syncing_ = true;
    slider_->setRange(minimum, maximum);
    ui->le_zx_line_edit_base->setText(QString::number(slider_->value()));
    syncing_ = false;
}

int ZxLineEdit::minimum() const {
    return slider_->minimum();
}

int ZxLineEdit::maximum() const {
    return slider_->maximum();
}

void ZxLineEdit::setValue(int value) {
    syncing_ = true;
    slider_->setValue(value);
    ui->le_zx_line_edit_base->setText(QString::number(slider_->value()));
    syncing_ = false;
}

int ZxLineEdit::value() const {
    return slider_->value();
}

QString ZxLineEdit::text() const {
    return ui->le_zx_line_edit_base->text();
}

void ZxLineEdit::slotMouseHoverd(bool hovered) {
    if (!hovered) {
        pop_->hide();
        return;
    }
    QLineEdit* edit = ui->le_zx_line_edit_base;
    pop_->setFixedWidth(std::max(edit->width(), 120));
    pop_->adjustSize();
    pop_->move(edit->mapToGlobal(QPoint(0, edit->height())));
    pop_->show();
}

void ZxLineEdit::onSliderChanged(int value) {
    if (syncing_) {
        return;
    }
    syncing_ = true;
    const QString text = QString::number(value);
    ui->le_zx_line_edit_base->setText(text);
    syncing_ = false;
    emit textFinished(text);
}

void ZxLineEdit::onEditingFinished() {
    if (syncing_) {
        return;
    }
    bool ok = false;
    const int typed = ui->le_zx_line_edit_base->text().trimmed().toInt(&ok);
    syncing_ = true;
    if (ok) {
        slider_->setValue(typed);  // limits to the range
    }
    const QString text = QString::number(slider_->value());
    ui->le_zx_line_edit_base->setText(text);
    syncing_ = false;
    if (ok) {
        emit textFinished(text);
    }
}
