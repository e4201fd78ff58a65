// Where a chart's parts go on a picture of a given size: title, legend, axes with their ticks and
// labels, the plot rectangle and, in 3D, the depth of each series. The painter draws from it, and tests
// ask it where a value lands.
#pragma once

#include "presentation/chart_model.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <vector>

class QPaintDevice;

namespace nimbrel::chart {

struct Tick {
    double value = 0.0; // seconds on the time axis, the value on the value axis
    QString label;      // the time axis's label has the date and the time on two lines
};

struct ChartLayout {
    QSizeF size;
    QFont font;
    QFont titleFont;
    QRectF titleRect;
    QRectF legendRect;
    // The front plane of the plot: the axes run along its left and bottom edges.
    QRectF plot;
    // Where the axes' ranges lie on the front plane: the plot less the room that the marks at the ends of
    // each axis take (half a bar, a point's radius, a wide line's half), so none of them is cut by the
    // plot's edge. Equal to the plot for types whose marks end where their values do.
    QRectF data;
    // Bars: the thickness of one series' bar along the time axis (pixels), and in flat Bar3D the depth
    // of its box; 0 for other types.
    double barThickness = 0.0;
    double barDepth = 0.0;
    // Offset from the front plane to the back wall (0 in 2D): right and up.
    double depth = 0.0;
    // HorizBar: the time axis runs up the left edge and the values along the bottom.
    bool swapped = false;
    double timeMin = 0.0, timeMax = 1.0;
    double valueMin = 0.0, valueMax = 1.0;
    std::vector<Tick> timeTicks;
    std::vector<Tick> valueTicks;
    int seriesCount = 0;

    // The front-plane pixel of a point (x seconds, y value); points off the axes map outside `data`.
    QPointF map(double x, double y) const {
        return swapped ? QPointF(valuePixel(y), timePixel(x)) : QPointF(timePixel(x), valuePixel(y));
    }
    // Along the time axis alone: x for a plain chart, y for HorizBar. Inline: drawing calls them for
    // every point of ten years.
    double timePixel(double x) const {
        const double f = (x - timeMin) / (timeMax - timeMin);
        return swapped ? data.bottom() - f * data.height() : data.left() + f * data.width();
    }
    double valuePixel(double y) const {
        const double f = (y - valueMin) / (valueMax - valueMin);
        return swapped ? data.left() + f * data.width() : data.bottom() - f * data.height();
    }
    // The depth slab of series i: from its front (near) to its back (far), as distances along the
    // depth direction; 0, 0 in 2D.
    double seriesNear(int i) const;
    double seriesFar(int i) const;
    // The screen offset of a depth d: right and up by d.
    static QPointF depthOffset(double d) { return {d, -d}; }
};

// The layout of `model` on a picture of `size` drawn on `device` (its fonts' metrics).
ChartLayout layoutChart(const ChartModel& model, const QSizeF& size, const QPaintDevice* device = nullptr);

// A time axis label in the model's date and clock formats, e.g. "2026-12-08" and "05:08:18PM".
QString timeDateText(double seconds, int dateIndex);
QString timeClockText(double seconds, int clockIndex);

} // namespace nimbrel::chart
