#include "ui/controls/control_painting.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

namespace nimbrel {

void beginControlPainting(QPainter& painter, const QWidget& control) {
    painter.setFont(control.font());
    painter.setPen(control.palette().color(QPalette::WindowText));
}

int scaleLabelStep(double tickSpacing, int labelHeight) {
    constexpr int kLargestStep = 1000000;
    if (!(tickSpacing > 0.0)) return kLargestStep;
    for (int decade = 1; decade < kLargestStep; decade *= 10) {
        for (int step : {decade, 2 * decade, 5 * decade})
            if (step * tickSpacing >= labelHeight) return step;
    }
    return kLargestStep;
}

void paintScaleTicks(QPainter& painter, const QFontMetrics& metrics, int labelWidth, int tickLength, int top,
                     int bottom, int divisions, const std::function<int(int)>& labelAt) {
    const int step = scaleLabelStep(static_cast<double>(bottom - top) / divisions, metrics.height());
    for (int i = 0; i <= divisions; ++i) {
        const int y = bottom - i * (bottom - top) / divisions;
        if (i % step == 0) {
            const QRect labelRect(0, y - metrics.height() / 2, labelWidth, metrics.height());
            painter.drawText(labelRect, Qt::AlignRight | Qt::AlignVCenter, QString::number(labelAt(i)));
        }
        painter.drawLine(labelWidth, y, labelWidth + tickLength, y);
    }
}

} // namespace nimbrel
