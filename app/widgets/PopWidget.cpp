#include "widgets/PopWidget.h"

#include <QVBoxLayout>

PopWidget::PopWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    panel_ = new QWidget(this);
    panel_->setObjectName("widget_pop_panel");
    panel_->setAttribute(Qt::WA_StyledBackground);
    panel_->setStyleSheet("#widget_pop_panel{background-color:#E8EFF1;border-radius:6px;}");
    outer->addWidget(panel_);
    layout_ = new QVBoxLayout(panel_);
    layout_->setContentsMargins(8, 6, 8, 6);
    layout_->setSpacing(4);
}

void PopWidget::addWidget(QWidget* widget) {
    if (widget) {
        layout_->addWidget(widget);
    }
}
