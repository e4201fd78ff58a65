// Draws a ChartModel with QPainter onto any paint device: the Graph window's chart, a QImage to save,
// an SVG. Every type draws only what the picture's resolution can show (per pixel column or distinct
// pixel), so ten years of records cost about what a screenful costs.
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

// Saves the chart by the path's extension: .jpg or .jpeg (quality 100), .png or .svg. The file is
// written beside its place and put there only when whole, so a failed save leaves no half file and
// an old file as it was. False with the reason in `error` when it could not be saved.
bool saveChart(const ChartModel& model, const QString& path, QSize size = kSavedPictureSize,
               QString* error = nullptr);

} // namespace nimbrel::chart
