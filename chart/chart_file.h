// The chart saved as a picture file: JPEG, PNG or SVG.
#pragma once

#include "chart/chart_painter.h"

#include <QSize>
#include <QString>

namespace nimbrel::chart {

// Saves the chart by the path's extension: .png, .svg, and a JPEG (quality 100) for any other name
// (see pictureFormatOf). The file is written beside its place and put there only when whole, so a
// failed save leaves no half file and an old file as it was. False with the reason in `error` when it could
// not be saved.
bool saveChart(const ChartModel& model, const QString& path, QSize size = kSavedPictureSize,
               QString* error = nullptr);

} // namespace nimbrel::chart
