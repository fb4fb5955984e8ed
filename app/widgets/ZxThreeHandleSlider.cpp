#include "widgets/ZxThreeHandleSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Limits v to [lo, hi] without assuming lo <= hi: the upper bound wins, as the setters do.
uint64_t limitTo(uint64_t v, uint64_t lo, uint64_t hi) {
    return std::min(std::max(v, lo), hi);
}

const QColor kAccent(0x00, 0x4B, 0x6A);
const QColor kDisabledGrey(0xC7, 0xC7, 0xC7);
const QColor kDisabledBorder(0x70, 0x70, 0x70);

}  // namespace

ZxThreeHandleSlider::ZxThreeHandleSlider(int orientation, int mode, QWidget* parent)
    : QWidget(parent), orientation_(orientation), mode_(mode) {
    grooveRadius_ = threeHandles() ? 0 : kGrooveThickness / 2;
    center_ = (upper_ - lower_) / 2;
    setMinimumHeight(30);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    if (orientation_ != Qt::Horizontal) {
        setMinimumHeight(0);
        setMinimumWidth(30);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    }
    applyEnabledColours();
}

ZxThreeHandleSlider::ZxThreeHandleSlider(QWidget* parent) : ZxThreeHandleSlider(Qt::Horizontal, kAllHandles, parent) {}

uint64_t ZxThreeHandleSlider::lowerValue() const {
    return threeHandles() ? lower_ : minimum_;
}

uint64_t ZxThreeHandleSlider::upperValue() const {
    return threeHandles() ? upper_ : maximum_;
}

QSize ZxThreeHandleSlider::minimumSizeHint() const {
    const int along = 2 * kEdgeHandleWidth;
    const int across = kEdgeHandleWidth;
    return orientation_ == Qt::Horizontal ? QSize(along, across) : QSize(across, along);
}

QSize ZxThreeHandleSlider::sizeHint() const {
    return orientation_ == Qt::Horizontal ? QSize(200, 30) : QSize(30, 200);
}

// ---- values -------------------------------------------------------------------------------------

void ZxThreeHandleSlider::setLowerValue(uint64_t aLowerValue) {
    uint64_t v = threeHandles() ? std::min(aLowerValue, center_) : std::min(aLowerValue, maximum_);
    lower_ = std::max(v, minimum_);
    update();
}

void ZxThreeHandleSlider::setUpperValue(uint64_t aUpperValue) {
    uint64_t v = threeHandles() ? std::max(aUpperValue, center_) : std::max(aUpperValue, minimum_);
    upper_ = std::min(v, maximum_);
    update();
}

void ZxThreeHandleSlider::setCenterValue(uint64_t aCenterValue) {
    center_ = limitTo(aCenterValue, lowerValue(), upperValue());
    update();
}

void ZxThreeHandleSlider::setMinimum(uint64_t aMinimum) {
    minimum_ = aMinimum;
    // A minimum above the maximum is an interim state while a new range is set; it positions as empty.
    span_ = maximum_ > minimum_ ? maximum_ - minimum_ : 0;
    lower_ = minimum_;
    // The play position must not be left outside the new bounds.
    center_ = limitTo(center_, lower_, std::max(upper_, lower_));
    update();
    emit rangeChanged(minimum_, maximum_);
}

void ZxThreeHandleSlider::setMaximum(uint64_t aMaximum) {
    maximum_ = aMaximum;
    span_ = maximum_ > minimum_ ? maximum_ - minimum_ : 0;
    upper_ = maximum_;
    center_ = limitTo(center_, std::min(lower_, upper_), upper_);
    update();
    emit rangeChanged(minimum_, maximum_);
}

void ZxThreeHandleSlider::setMode(int mode) {
    mode_ = mode;
    grooveRadius_ = threeHandles() ? 0 : kGrooveThickness / 2;
    lower_ = minimum_;
    upper_ = maximum_;
    center_ = limitTo(center_, lower_, upper_);
    update();
    emit lowerValueChanged(lower_);
    emit upperValueChanged(upper_);
}

void ZxThreeHandleSlider::addMark(uint64_t value, const QColor& colour) {
    marks_.append({value, colour});
    update();
}

void ZxThreeHandleSlider::clearMarks() {
    marks_.clear();
    update();
}

void ZxThreeHandleSlider::setActivityProfile(QVector<float> normalisedRates) {
    for (float& v : normalisedRates) {
        v = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
    }
    activity_ = std::move(normalisedRates);
    update();
}

// ---- geometry -----------------------------------------------------------------------------------

int ZxThreeHandleSlider::length() const {
    return orientation_ == Qt::Horizontal ? width() : height();
}

int ZxThreeHandleSlider::thickness() const {
    return orientation_ == Qt::Horizontal ? height() : width();
}

int ZxThreeHandleSlider::usableLength() const {
    return length() - 2 * kEdgeHandleWidth;
}

int ZxThreeHandleSlider::edgeTrackLength() const {
    return threeHandles() ? usableLength() - kCenterHandleSize : usableLength();
}

int ZxThreeHandleSlider::centerTrackLength() const {
    return threeHandles() ? usableLength() - kCenterHandleSize : length() - 2 * kCenterHitOffset;
}

int ZxThreeHandleSlider::offsetOf(uint64_t value, int trackLength) const {
    if (span_ == 0 || value <= minimum_) {
        return 0;
    }
    const float ratio = static_cast<float>(value - minimum_) / static_cast<float>(span_);
    return static_cast<int>(static_cast<float>(trackLength) * ratio);
}

uint64_t ZxThreeHandleSlider::valueAt(double pixel, int trackLength) const {
    if (span_ == 0 || trackLength <= 0 || pixel <= 0.0) {
        return minimum_;
    }
    if (pixel >= trackLength) {
        return maximum_;
    }
    // Converting a double at or above 2^64 is undefined, so stay strictly inside the span.
    const double offset = pixel / trackLength * static_cast<double>(span_);
    if (offset >= static_cast<double>(span_)) {
        return maximum_;
    }
    return minimum_ + static_cast<uint64_t>(offset);
}

int ZxThreeHandleSlider::lowerX() const {
    return offsetOf(lower_, edgeTrackLength());
}

int ZxThreeHandleSlider::upperX() const {
    if (threeHandles()) {
        return offsetOf(upper_, edgeTrackLength()) + kCenterHandleSize + kEdgeHandleWidth;
    }
    return offsetOf(upper_, usableLength()) + kEdgeHandleWidth;
}

int ZxThreeHandleSlider::centerX() const {
    if (threeHandles()) {
        return offsetOf(center_, centerTrackLength()) + kEdgeHandleWidth;
    }
    return offsetOf(center_, centerTrackLength()) + kEdgeHandleWidth / 2;
}

QRect ZxThreeHandleSlider::axisRect(int along, int across, int alongSize, int acrossSize) const {
    if (orientation_ == Qt::Horizontal) {
        return QRect(along, across, alongSize, acrossSize);
    }
    return QRect(across, along, acrossSize, alongSize);
}

int ZxThreeHandleSlider::axisPos(const QPointF& point) const {
    return static_cast<int>(orientation_ == Qt::Horizontal ? point.x() : point.y());
}

QRect ZxThreeHandleSlider::lowerHandleRect() const {
    return axisRect(lowerX(), (thickness() - kEdgeHandleHeight) / 2, kEdgeHandleWidth, kEdgeHandleHeight);
}

QRect ZxThreeHandleSlider::upperHandleRect() const {
    return axisRect(upperX(), (thickness() - kEdgeHandleHeight) / 2, kEdgeHandleWidth, kEdgeHandleHeight);
}

QRect ZxThreeHandleSlider::centerHandleRect() const {
    return axisRect(centerX(), (thickness() - kCenterHandleSize) / 2, kCenterHandleSize, kCenterHandleSize);
}

// ---- mouse --------------------------------------------------------------------------------------
// Pixel-to-value conversions are the exact inverses of the handle placement above, so a grabbed
// handle stays under the cursor and a click on the groove puts the centre handle's middle there.

void ZxThreeHandleSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    const int pos = axisPos(event->position());
    if (centerShown() && centerHandleRect().contains(p)) {
        centerPressed_ = true;
        grabOffset_ = pos - centerX();
    } else if (edgesShown() && lowerHandleRect().contains(p)) {
        lowerPressed_ = true;
        grabOffset_ = pos - lowerX();
    } else if (edgesShown() && upperHandleRect().contains(p)) {
        upperPressed_ = true;
        grabOffset_ = pos - upperX();
    } else {
        const int origin = threeHandles() ? kEdgeHandleWidth : kEdgeHandleWidth / 2;
        const double handleLeft = pos - kCenterHandleSize / 2.0 - origin;
        center_ = limitTo(valueAt(handleLeft, centerTrackLength()), lowerValue(), upperValue());
        update();
        emit centerValueTrackClick(center_);
    }
    event->accept();
}

void ZxThreeHandleSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const int pos = axisPos(event->position());
    const int handleLeft = pos - grabOffset_;
    if (lowerPressed_ && edgesShown()) {
        setLowerValue(valueAt(handleLeft, edgeTrackLength()));
        emit lowerValueChanged(lower_);
    } else if (upperPressed_ && edgesShown()) {
        const int origin = threeHandles() ? kCenterHandleSize + kEdgeHandleWidth : kEdgeHandleWidth;
        setUpperValue(valueAt(handleLeft - origin, threeHandles() ? edgeTrackLength() : usableLength()));
        emit upperValueChanged(upper_);
    } else if (centerPressed_ && centerShown()) {
        const int origin = threeHandles() ? kEdgeHandleWidth : kEdgeHandleWidth / 2;
        const uint64_t before = center_;
        center_ = limitTo(valueAt(handleLeft - origin, centerTrackLength()), lowerValue(), upperValue());
        update();
        if (center_ != before) {
            emit centerValueMove(center_);
        }
    }
    event->accept();
}

void ZxThreeHandleSlider::mouseReleaseEvent(QMouseEvent* event) {
    lowerPressed_ = upperPressed_ = centerPressed_ = false;
    QWidget::mouseReleaseEvent(event);
}

void ZxThreeHandleSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        applyEnabledColours();
        update();
    }
    QWidget::changeEvent(event);
}

void ZxThreeHandleSlider::applyEnabledColours() {
    const bool on = isEnabled();
    rangeColor_ = on ? kAccent : kDisabledGrey;
    edgeHandleColor_ = on ? kAccent : kDisabledGrey;
    centerFillColor_ = on ? QColor(Qt::white) : kDisabledGrey;
    centerBorderColor_ = on ? kAccent : kDisabledBorder;
}

// ---- painting -----------------------------------------------------------------------------------

void ZxThreeHandleSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const int len = length();
    const int thick = thickness();
    const int grooveTop = (thick - kGrooveThickness) / 2;
    const QRectF groove = axisRect(0, grooveTop, len, kGrooveThickness);
    const qreal half = kGrooveThickness / 2.0;

    painter.setBrush(grooveColor_);
    painter.drawRoundedRect(groove, half, half);

    // Event-rate strip below the groove, aligned with the centre handle's travel.
    if (!activity_.isEmpty() && span_ > 0) {
        const int stripTop = grooveTop + kGrooveThickness + 1;
        const int stripHeight = std::min(kActivityStripHeight, thick - stripTop);
        if (stripHeight > 0) {
            const int origin = (threeHandles() ? kEdgeHandleWidth : kEdgeHandleWidth / 2) + kCenterHandleSize / 2;
            const double track = centerTrackLength();
            const double binWidth = track / activity_.size();
            QColor stripColour = rangeColor_;
            stripColour.setAlpha(110);
            painter.setBrush(stripColour);
            for (int i = 0; i < activity_.size(); ++i) {
                const double h = activity_[i] * stripHeight;
                if (h <= 0.0) {
                    continue;
                }
                const double along = origin + i * binWidth;
                const double top = stripTop + stripHeight - h;
                painter.drawRect(orientation_ == Qt::Horizontal ? QRectF(along, top, std::max(binWidth, 1.0), h)
                                                                : QRectF(top, along, h, std::max(binWidth, 1.0)));
            }
        }
    }

    QRectF range = groove;
    if (threeHandles()) {
        const QRect lo = lowerHandleRect();
        const QRect up = upperHandleRect();
        if (edgesShown()) {
            painter.setBrush(edgeHandleColor_);
            painter.drawRoundedRect(lo, kEdgeHandleRadius, kEdgeHandleRadius);
            painter.drawRoundedRect(up, kEdgeHandleRadius, kEdgeHandleRadius);
        }
        const qreal from = (orientation_ == Qt::Horizontal ? lo.x() : lo.y()) + kEdgeHandleWidth;
        const qreal to = (orientation_ == Qt::Horizontal ? up.x() : up.y()) - 0.5;
        range = orientation_ == Qt::Horizontal ? QRectF(from, groove.y(), std::max(0.0, to - from), groove.height())
                                               : QRectF(groove.x(), from, groove.width(), std::max(0.0, to - from));
    }
    painter.setBrush(rangeColor_);
    painter.drawRoundedRect(range, grooveRadius_, grooveRadius_);

    if (span_ > 0) {
        const qreal mid = thick / 2.0;
        const qreal halfMark = half - 2;
        const int trackLen = usableLength();
        for (const auto& [value, colour] : marks_) {
            if (value < minimum_ || value > maximum_) {
                continue;
            }
            const int x = offsetOf(value, trackLen);
            qreal reach = halfMark;
            if (grooveRadius_ > 0 && (x <= grooveRadius_ || x >= len - grooveRadius_)) {
                // Keep the mark inside the rounded end of the groove.
                const qreal d = std::clamp<qreal>(x <= grooveRadius_ ? x : len - x, 0, grooveRadius_);
                const qreal r = grooveRadius_;
                reach = std::max<qreal>(0.0, std::sqrt(std::max<qreal>(0.0, r * r - (r - d) * (r - d))) - 1.0);
                reach = std::min(reach, halfMark);
            }
            if (reach <= 0.0) {
                continue;
            }
            painter.setPen(QPen(colour, 1));
            if (orientation_ == Qt::Horizontal) {
                painter.drawLine(QPointF(x + 0.5, mid - reach), QPointF(x + 0.5, mid + reach));
            } else {
                painter.drawLine(QPointF(mid - reach, x + 0.5), QPointF(mid + reach, x + 0.5));
            }
        }
        painter.setPen(Qt::NoPen);
    }

    if (centerShown()) {
        painter.setPen(QPen(centerBorderColor_, kCenterHandleBorder));
        painter.setBrush(centerFillColor_);
        const qreal inset = kCenterHandleBorder / 2.0;
        const QRectF c = QRectF(centerHandleRect()).adjusted(inset, inset, -inset, -inset);
        painter.drawRoundedRect(c, kCenterHandleRadius - inset, kCenterHandleRadius - inset);
    }
}
