#include "chart/chart_painter.h"

#include "chart/chart_series_painter.h"

#include <QFontMetricsF>
#include <QPainter>

namespace nimbrel::chart {

namespace {

// Colours of the frame around the series.
const QColor kInk(0, 0, 0);
const QColor kGrid(208, 208, 208);
const QColor kWall(244, 244, 244);
const QColor kFloor(228, 228, 228);

void drawText(QPainter& p, const QRectF& r, int flags, const QString& text) {
    p.drawText(r, flags, text);
}

// Walls, grid and axes; in 3D the back wall, the left wall and the floor.
void drawFrame(QPainter& p, const ChartLayout& l) {
    const QRectF& f = l.plot;
    const QPointF d = ChartLayout::depthOffset(l.depth);
    p.setPen(QPen(kGrid, 1));
    if (l.depth > 0) {
        p.setBrush(kFloor);
        p.drawPolygon(QPolygonF{f.bottomLeft(), f.bottomRight(), f.bottomRight() + d, f.bottomLeft() + d});
        p.drawPolygon(QPolygonF{f.topLeft(), f.bottomLeft(), f.bottomLeft() + d, f.topLeft() + d});
        p.setBrush(kWall);
        p.drawRect(f.translated(d));
    } else {
        p.setBrush(Qt::white);
        p.drawRect(f);
    }
    p.setBrush(Qt::NoBrush);
    for (const Tick& t : l.valueTicks) {
        const double v = l.valuePixel(t.value);
        if (!l.swapped) {
            p.drawLine(QPointF(f.left(), v) + d, QPointF(f.right(), v) + d);
            if (l.depth > 0) p.drawLine(QPointF(f.left(), v), QPointF(f.left(), v) + d);
        } else {
            p.drawLine(QPointF(v, f.top()) + d, QPointF(v, f.bottom()) + d);
            if (l.depth > 0) p.drawLine(QPointF(v, f.bottom()), QPointF(v, f.bottom()) + d);
        }
    }
    for (const Tick& t : l.timeTicks) {
        const double v = l.timePixel(t.value);
        if (!l.swapped) {
            p.drawLine(QPointF(v, f.top()) + d, QPointF(v, f.bottom()) + d);
            if (l.depth > 0) p.drawLine(QPointF(v, f.bottom()), QPointF(v, f.bottom()) + d);
        } else {
            p.drawLine(QPointF(f.left(), v) + d, QPointF(f.right(), v) + d);
            if (l.depth > 0) p.drawLine(QPointF(f.left(), v), QPointF(f.left(), v) + d);
        }
    }
}

void drawAxes(QPainter& p, const ChartLayout& l, const ChartModel& m) {
    const QRectF& f = l.plot;
    const QFontMetricsF fm(l.font, p.device());
    const double line = fm.height();
    p.setFont(l.font);
    p.setPen(QPen(kInk, 1));
    p.drawLine(f.bottomLeft(), f.bottomRight());
    p.drawLine(f.bottomLeft(), f.topLeft());

    // Ticks and labels: the value axis at the left (bottom for HorizBar), the time axis at the bottom
    // (left for HorizBar), each label centred on its tick.
    auto leftLabel = [&](double y, const QString& text) {
        p.drawLine(QPointF(f.left() - 4, y), QPointF(f.left(), y));
        const double h = line * (text.count(QLatin1Char('\n')) + 1);
        drawText(p, QRectF(0, y - h / 2, f.left() - 8, h), Qt::AlignRight | Qt::AlignVCenter, text);
    };
    auto bottomLabel = [&](double x, const QString& text) {
        p.drawLine(QPointF(x, f.bottom()), QPointF(x, f.bottom() + 4));
        const double h = line * (text.count(QLatin1Char('\n')) + 1);
        drawText(p, QRectF(x - 100, f.bottom() + 6, 200, h), Qt::AlignHCenter | Qt::AlignTop, text);
    };
    for (const Tick& t : l.valueTicks)
        l.swapped ? bottomLabel(l.valuePixel(t.value), t.label) : leftLabel(l.valuePixel(t.value), t.label);
    for (const Tick& t : l.timeTicks)
        l.swapped ? leftLabel(l.timePixel(t.value), t.label) : bottomLabel(l.timePixel(t.value), t.label);

    // Captions: the bottom axis's under its labels, the left axis's turned up along the left edge.
    const QString bottomCaption = QString::fromStdString(l.swapped ? m.value.caption : m.time.caption);
    const QString leftCaption = QString::fromStdString(l.swapped ? m.time.caption : m.value.caption);
    const double bottomLabels = l.swapped ? line : 2 * line;
    drawText(p, QRectF(f.left(), f.bottom() + 6 + bottomLabels + 4, f.width(), line),
             Qt::AlignHCenter | Qt::AlignTop, bottomCaption);
    p.save();
    p.translate(8, f.center().y());
    p.rotate(-90);
    drawText(p, QRectF(-l.size.height() / 2, 0, l.size.height(), line), Qt::AlignHCenter | Qt::AlignTop,
             leftCaption);
    p.restore();
}

void drawTitleAndLegend(QPainter& p, const ChartLayout& l, const ChartModel& m) {
    p.setPen(kInk);
    p.setFont(l.titleFont);
    p.drawText(l.titleRect, Qt::AlignHCenter | Qt::AlignVCenter, QString::fromStdString(m.title));
    p.setFont(l.font);
    const QFontMetricsF fm(l.font, p.device());
    const double swatch = fm.height() * 0.8;
    double width = 0;
    for (const ChartSeries& s : m.series)
        width += swatch + 6 + fm.horizontalAdvance(QString::fromStdString(s.name)) + 18;
    double x = (l.size.width() - width) / 2;
    for (const ChartSeries& s : m.series) {
        const Shades c = shadesOf(s.colour);
        const QString name = QString::fromStdString(s.name);
        const QRectF box(x, l.legendRect.center().y() - swatch / 2, swatch, swatch);
        p.setPen(QPen(c.edge, 1));
        p.setBrush(c.main);
        p.drawRect(box);
        p.setPen(kInk);
        p.drawText(QRectF(box.right() + 6, l.legendRect.top(), fm.horizontalAdvance(name) + 2,
                          l.legendRect.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, name);
        x = box.right() + 6 + fm.horizontalAdvance(name) + 18;
    }
}

} // namespace

ChartLayout paintChart(QPainter& painter, const ChartModel& model, const QRectF& target) {
    const ChartLayout l = layoutChart(model, target.size(), painter.device());
    painter.save();
    painter.translate(target.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRectF(QPointF(0, 0), target.size()), Qt::white);
    painter.setPen(QPen(kGrid, 1));
    painter.drawRect(QRectF(0.5, 0.5, target.width() - 1, target.height() - 1));
    drawTitleAndLegend(painter, l, model);
    drawFrame(painter, l);

    // The series inside the plot (and its depth); the first series in front, drawn last.
    painter.save();
    const QRectF clip =
        l.plot.united(l.plot.translated(ChartLayout::depthOffset(l.depth))).adjusted(-1, -1, 1, 1);
    painter.setClipRect(clip);
    paintSeries(painter, l, model);
    painter.restore();

    drawAxes(painter, l, model);
    painter.restore();
    return l;
}

QImage renderChart(const ChartModel& model, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintChart(painter, model, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace nimbrel::chart
