// The series of a chart, each drawn by its type inside the plot: lines, curves, areas, points, bars,
// arrows and their 3D forms. Every type draws only what the picture's resolution can show.
#pragma once

#include "chart/chart_layout.h"
#include "presentation/chart_model.h"

#include <QColor>
#include <cstdint>

class QPainter;

namespace nimbrel::chart {

// A series colour and the shades its outlines and 3D faces are drawn in (the legend's boxes too).
struct Shades {
    QColor main;
    QColor edge;  // outlines
    QColor light; // top faces
    QColor dark;  // side faces
};

Shades shadesOf(std::uint32_t rgb);

// Draws every series of the model in the painter's present clip; the first series in front, drawn
// last. Flat areas go from the highest series to the lowest, so the lower stays in sight.
void paintSeries(QPainter& painter, const ChartLayout& layout, const ChartModel& model);

} // namespace nimbrel::chart
