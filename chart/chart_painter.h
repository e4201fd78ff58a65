// Draws a ChartModel with QPainter onto any paint device: the Graph window's chart, a QImage to save,
// an SVG (chart_file.h saves them). Every type draws only what the picture's resolution can show (per
// pixel column or distinct pixel), so ten years of records cost about what a screenful costs.
#pragma once

#include "chart/chart_layout.h"
#include "presentation/chart_model.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace nimbrel::chart {

inline constexpr QSize kSavedPictureSize{1024, 768};

// Draws the chart filling `target`; returns the layout it drew with (relative to target's corner).
ChartLayout paintChart(QPainter& painter, const ChartModel& model, const QRectF& target);

// The chart as a picture of `size` on white.
QImage renderChart(const ChartModel& model, QSize size = kSavedPictureSize);

} // namespace nimbrel::chart
