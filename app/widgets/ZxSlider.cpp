#include "widgets/ZxSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

ZxSlider::ZxSlider(QWidget* parent) : QSlider(parent) {}

ZxSlider::ZxSlider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {}

QRect ZxSlider::handleRect() const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
}

int ZxSlider::valueAtPosition(const QPointF& pos) const {
    const QRect handle = handleRect();
    const bool horizontal = orientation() == Qt::Horizontal;
    const double handleLength = horizontal ? handle.width() : handle.height();
    const double sliderLength = horizontal ? width() : height();
    // Vertical sliders grow upwards.
    double p = horizontal ? pos.x() : sliderLength - pos.y();
    if (invertedAppearance()) {
        p = sliderLength - p;
    }
    const double usable = sliderLength - handleLength;
    if (usable <= 0) {
        return minimum();
    }
    const double ratio = std::clamp((p - handleLength / 2.0) / usable, 0.0, 1.0);
    const double span = static_cast<double>(maximum()) - minimum();
    // Truncated; the small bias absorbs binary rounding of exact fractions such as 0.75.
    return minimum() + static_cast<int>(std::floor(span * ratio + 1e-6));
}

void ZxSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    const bool onHandle = handleRect().contains(event->position().toPoint());
    const int v = valueAtPosition(event->position());
    setValue(v);
    emit trackClicked(v);
    if (onHandle) {
        QSlider::mousePressEvent(event);
    } else {
        event->accept();
    }
}
