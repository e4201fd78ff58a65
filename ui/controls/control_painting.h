// Painting steps that the drawn controls share: their background and the labelled ticks of a scale.
#pragma once

#include <functional>

class QFontMetrics;
class QPainter;
class QWidget;

namespace nimbrel {

// Sets the painter's font and pen for the control's texts. The control's background is left to what
// holds it (a group box's shaded panel), so that no lighter box stands out around the drawing.
void beginControlPainting(QPainter& painter, const QWidget& control);

// How many divisions apart a scale's labels stand when its ticks are tickSpacing pixels apart: 1, 2, 5,
// 10, 20, ... whichever is the first to leave each label its height, so that labels never overlap.
int scaleLabelStep(double tickSpacing, int labelHeight);

// A vertical scale's ticks: divisions + 1 integer labels labelAt(0) at bottom up to labelAt(divisions)
// at top, right-aligned in labelWidth from the left edge, each with a tick of tickLength to its right.
// On a short scale only every scaleLabelStep-th tick carries its label.
void paintScaleTicks(QPainter& painter, const QFontMetrics& metrics, int labelWidth, int tickLength, int top,
                     int bottom, int divisions, const std::function<int(int)>& labelAt);

} // namespace nimbrel
