// Painting steps that the drawn controls share: their background and the labelled ticks of a scale.
#pragma once

#include <functional>

class QFontMetrics;
class QPainter;
class QWidget;

namespace nimbrel {

// Fills the control with its window colour and sets the painter's font and pen for its texts.
void beginControlPainting(QPainter& painter, const QWidget& control);

// A vertical scale's ticks: divisions + 1 integer labels labelAt(0) at bottom up to labelAt(divisions)
// at top, right-aligned in labelWidth from the left edge, each with a tick of tickLength to its right.
void paintScaleTicks(QPainter& painter, const QFontMetrics& metrics, int labelWidth, int tickLength, int top,
                     int bottom, int divisions, const std::function<int(int)>& labelAt);

} // namespace nimbrel
