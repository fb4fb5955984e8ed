#pragma once
// Playback position bar: a start and an end handle bounding the played part of a recording and a
// round centre handle for the play position, all in microseconds of the recording. Paints itself.
//
// Invariant kept by every setter and drag in the three-handle mode:
//   minimum <= lower <= centre <= upper <= maximum
// With the start and end handles hidden, the position may take the whole range.

#include <QColor>
#include <QPair>
#include <QRect>
#include <QVector>
#include <QWidget>

#include <cstdint>

class ZxThreeHandleSlider : public QWidget {
    Q_OBJECT

public:
    // Mode bits.
    static constexpr int kCenterHandleBit = 0x1;     // round play-position handle shown
    static constexpr int kStartEndHandlesBit = 0x2;  // start and end handles shown and draggable
    static constexpr int kAllHandles = kCenterHandleBit | kStartEndHandlesBit;

    // Geometry in pixels.
    static constexpr int kGrooveThickness = 10;
    static constexpr int kEdgeHandleWidth = 6;
    static constexpr int kEdgeHandleHeight = 27;
    static constexpr int kEdgeHandleRadius = 3;
    static constexpr int kCenterHandleSize = 20;
    static constexpr int kCenterHandleRadius = 10;
    static constexpr int kCenterHandleBorder = 3;
    static constexpr int kCenterHitOffset = 26 / 2;
    static constexpr int kActivityStripHeight = 6;

    // orientation: 1 (Qt::Horizontal) lays out along the width, anything else along the height.
    explicit ZxThreeHandleSlider(int orientation = 1, int mode = kAllHandles, QWidget* parent = nullptr);
    explicit ZxThreeHandleSlider(QWidget* parent);

    uint64_t minimum() const { return minimum_; }
    uint64_t maximum() const { return maximum_; }
    uint64_t span() const { return span_; }
    // In the three-handle mode the handle values; in other modes minimum and maximum.
    uint64_t lowerValue() const;
    uint64_t upperValue() const;
    uint64_t centerValue() const { return center_; }
    int mode() const { return mode_; }
    int orientation() const { return orientation_; }
    int grooveRadius() const { return grooveRadius_; }

    // Tick marks (value, colour), drawn in insertion order.
    void addMark(uint64_t value, const QColor& colour);
    void clearMarks();
    const QVector<QPair<uint64_t, QColor>>& marks() const { return marks_; }

    // Event-rate strip under the groove: values 0..1 spread evenly over the whole range
    // (out-of-range values are clamped, NaN counts as 0). Empty removes the strip.
    void setActivityProfile(QVector<float> normalisedRates);
    const QVector<float>& activityProfile() const { return activity_; }

    // Handle rectangles in widget coordinates (for the current size, mode and values).
    QRect lowerHandleRect() const;
    QRect upperHandleRect() const;
    QRect centerHandleRect() const;

    // Colours in use (they follow the enabled state).
    QColor rangeColor() const { return rangeColor_; }
    QColor edgeHandleColor() const { return edgeHandleColor_; }
    QColor centerFillColor() const { return centerFillColor_; }
    QColor centerBorderColor() const { return centerBorderColor_; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

public slots:
    void setLowerValue(uint64_t aLowerValue);
    void setUpperValue(uint64_t aUpperValue);
    void setCenterValue(uint64_t aCenterValue);
    void setMinimum(uint64_t aMinimum);
    void setMaximum(uint64_t aMaximum);
    void setMode(int mode);

signals:
    void lowerValueChanged(uint64_t aLowerValue);
    void upperValueChanged(uint64_t aUpperValue);
    void rangeChanged(uint64_t aMin, uint64_t aMax);
    void centerValueChanged(uint64_t center_value);
    void centerValueTrackClick(uint64_t center_value);
    void centerValueMove(uint64_t center_value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool threeHandles() const { return mode_ == kAllHandles; }
    bool centerShown() const { return (mode_ & kCenterHandleBit) != 0; }
    bool edgesShown() const { return (mode_ & kStartEndHandlesBit) != 0; }

    // Lengths along the orientation axis.
    int length() const;
    int thickness() const;
    int usableLength() const;      // L = length - 2 x handle width
    int edgeTrackLength() const;   // L3 in the three-handle mode, L otherwise
    int centerTrackLength() const;  // travel of the centre handle's left edge

    // Position of a value along a track of the given length (single precision, truncated).
    int offsetOf(uint64_t value, int trackLength) const;
    // Inverse: value whose position on the track is the given pixel, clamped to the range.
    uint64_t valueAt(double pixel, int trackLength) const;

    // Handle origins along the axis.
    int lowerX() const;
    int upperX() const;
    int centerX() const;
    QRect axisRect(int along, int across, int alongSize, int acrossSize) const;
    int axisPos(const QPointF& point) const;

    void applyEnabledColours();

    int orientation_ = 1;
    int mode_ = kAllHandles;
    uint64_t minimum_ = 0;
    uint64_t maximum_ = UINT64_MAX;
    uint64_t span_ = UINT64_MAX;
    uint64_t lower_ = 0;
    uint64_t upper_ = UINT64_MAX;
    uint64_t center_ = UINT64_MAX / 2;
    int grooveRadius_ = 0;

    QVector<QPair<uint64_t, QColor>> marks_;
    QVector<float> activity_;

    bool lowerPressed_ = false;
    bool upperPressed_ = false;
    bool centerPressed_ = false;
    int grabOffset_ = 0;  // press position minus the grabbed handle's origin

    QColor grooveColor_{208, 208, 208};
    QColor rangeColor_;
    QColor edgeHandleColor_;
    QColor centerFillColor_;
    QColor centerBorderColor_;
};
