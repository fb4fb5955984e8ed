#pragma once
// Slider that jumps to the clicked position; a press on the handle still drags it.

#include <QSlider>

class ZxSlider : public QSlider {
    Q_OBJECT

public:
    explicit ZxSlider(QWidget* parent = nullptr);
    explicit ZxSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

    QRect handleRect() const;
    // Value a press at this position (widget coordinates) selects.
    int valueAtPosition(const QPointF& pos) const;

signals:
    void trackClicked(int value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
