#include "ui/controls/control_painting.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

namespace nimbrel {

void beginControlPainting(QPainter& painter, const QWidget& control) {
    painter.fillRect(control.rect(), control.palette().color(QPalette::Window));
    painter.setFont(control.font());
    painter.setPen(control.palette().color(QPalette::WindowText));
}

void paintScaleTicks(QPainter& painter, const QFontMetrics& metrics, int labelWidth, int tickLength, int top,
                     int bottom, int divisions, const std::function<int(int)>& labelAt) {
    for (int i = 0; i <= divisions; ++i) {
        const int y = bottom - i * (bottom - top) / divisions;
        const QRect labelRect(0, y - metrics.height() / 2, labelWidth, metrics.height());
        painter.drawText(labelRect, Qt::AlignRight | Qt::AlignVCenter, QString::number(labelAt(i)));
        painter.drawLine(labelWidth, y, labelWidth + tickLength, y);
    }
}

} // namespace nimbrel
