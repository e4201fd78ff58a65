// Clipping in floating point, before anything becomes a pixel: values far outside the axes (a sample
// time before the range, a hand-edited reading) would overflow the painter's fixed-point coordinates.
#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <vector>

namespace nimbrel::chart {

// The part of the segment a-b inside `r` (Liang-Barsky); false when none of it is.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& r);

// The polyline's pieces inside `r`, each a polyline of its own.
std::vector<QPolygonF> clipPolyline(const QPolygonF& line, const QRectF& r);

// The polygon cut to `r` (Sutherland-Hodgman); empty when nothing is left.
QPolygonF clipPolygon(const QPolygonF& polygon, const QRectF& r);

} // namespace nimbrel::chart
