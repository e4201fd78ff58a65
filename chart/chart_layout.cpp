#include "chart/chart_layout.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMarginsF>
#include <algorithm>
#include <array>
#include <cmath>

namespace nimbrel::chart {

namespace {

constexpr double kMargin = 8.0;
constexpr double kGap = 6.0;

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

// The value axis's step: 1, 2, 2.5 or 5 times a power of ten, giving at most `count` steps.
double niceStep(double span, double count) {
    const double raw = span / std::max(1.0, count);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (f * power >= raw) return f * power;
    return 10.0 * power;
}

int decimalsOf(double step) {
    int d = 0;
    while (d < 6 && std::fabs(step * std::pow(10.0, d) - std::round(step * std::pow(10.0, d))) > 1e-6) ++d;
    return d;
}

std::vector<Tick> valueTicks(double min, double max, double room, double spacing) {
    std::vector<Tick> ticks;
    const double span = max - min;
    if (!(span > 0.0) || !std::isfinite(span)) return ticks;
    const double step = niceStep(span, room / spacing);
    const int decimals = decimalsOf(step);
    const double first = std::ceil(min / step - 1e-9) * step;
    for (int i = 0; i < 200; ++i) {
        const double v = first + i * step;
        if (v > max + step * 1e-9) break;
        const double shown = std::fabs(v) < step * 1e-9 ? 0.0 : v;
        ticks.push_back({shown, QString::number(shown, 'f', decimals)});
    }
    return ticks;
}

QDateTime wallClock(double seconds) {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(std::floor(seconds)), Qt::UTC);
}

// Time steps in seconds up to two weeks; longer spans step by whole months.
constexpr std::array<double, 21> kTimeSteps = {1,     2,     5,     10,    15,     30,     60,
                                               120,   300,   600,   900,   1800,   3600,   7200,
                                               10800, 21600, 43200, 86400, 172800, 604800, 1209600};
constexpr std::array<int, 7> kMonthSteps = {1, 2, 3, 6, 12, 24, 60};

std::vector<Tick> timeTicks(double min, double max, double room, double spacing, int dateIndex,
                            int clockIndex) {
    std::vector<Tick> ticks;
    const double span = max - min;
    if (!(span > 0.0) || !std::isfinite(span) || std::fabs(min) > 1e13 || std::fabs(max) > 1e13) return ticks;
    const double count = std::max(1.0, std::floor(room / spacing));
    auto add = [&](double t) {
        ticks.push_back({t, timeDateText(t, dateIndex) + QLatin1Char('\n') + timeClockText(t, clockIndex)});
    };
    for (double step : kTimeSteps) {
        if (span / step > count) continue;
        for (double t = std::ceil(min / step) * step; t <= max && ticks.size() < 100; t += step) add(t);
        return ticks;
    }
    for (int months : kMonthSteps) {
        if (span / (months * 30.44 * 86400.0) > count) continue;
        const QDate first = wallClock(min).date();
        int index = first.year() * 12 + first.month() - 1;
        index = (index + months - 1) / months * months;
        for (; ticks.size() < 100; index += months) {
            const QDateTime t(QDate(index / 12, index % 12 + 1, 1), QTime(0, 0), Qt::UTC);
            const double s = static_cast<double>(t.toSecsSinceEpoch());
            if (s < min) continue;
            if (s > max) break;
            add(s);
        }
        return ticks;
    }
    add(min);
    add(max);
    return ticks;
}

double widestLine(const QFontMetricsF& fm, const std::vector<Tick>& ticks) {
    double w = 0.0;
    for (const Tick& t : ticks)
        for (const QString& line : t.label.split(QLatin1Char('\n')))
            w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

// How many points of the series that has the most lie on the time axis's range.
std::size_t mostPointsInRange(const ChartModel& m, double min, double max) {
    std::size_t most = 0;
    for (const ChartSeries& s : m.series) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double x = (*s.x)[i];
            if (!std::isnan((*s.y)[i]) && x >= min && x <= max) ++n;
        }
        most = std::max(most, n);
    }
    return most;
}

// One series' bar along a time axis of `length` pixels: the points share it, a pair side by side,
// never thinner than a pixel nor so thick that a few points fill the plot.
double barThicknessFor(double length, std::size_t points, int seriesCount) {
    const double count = static_cast<double>(std::max<std::size_t>(points, 1));
    const double series = std::max(1, seriesCount);
    return std::clamp(length / count * 0.7 / series, 1.0, std::max(1.0, length / 8.0 / series));
}

// The room, in pixels, that what a type draws around a point takes beyond the point, at the low and
// high end of each axis.
struct EndRoom {
    double timeLow = 0.0, timeHigh = 0.0, valueLow = 0.0, valueHigh = 0.0;
};

constexpr double kPointRadius = 3.0; // the painter's point marks and arrow dots, with their outline

EndRoom endRoomOf(const ChartModel& m, const ChartLayout& l, double timeLength) {
    EndRoom room;
    auto all = [&room](double r) { room.timeLow = room.timeHigh = room.valueLow = room.valueHigh = r; };
    switch (m.type) {
    case ChartType::line:
    case ChartType::fastLine:
    case ChartType::bezier: {
        // Half of the widest line, so a line along an axis's end shows whole.
        int widest = 1;
        for (const ChartSeries& s : m.series) widest = std::max(widest, s.lineWidth);
        all(m.view3D ? 1.0 : std::ceil(widest / 2.0));
        break;
    }
    case ChartType::area:
        // Filled down to the axis; only the outline at the top of the range needs its pixel.
        room.valueHigh = 1.0;
        break;
    case ChartType::point:
    case ChartType::point3D:
    case ChartType::arrow:
        all(kPointRadius + 1.0);
        if (m.type == ChartType::point3D && !m.view3D) {
            room.timeHigh += kPointRadius; // a flat cube's depth goes right and up
            room.valueHigh += kPointRadius;
        }
        break;
    case ChartType::volume:
        // A pair's lines stand side by side, a couple of pixels apart.
        room.timeHigh = m.view3D ? 1.0 : 2.0 * std::max(0, l.seriesCount - 1) + 1.0;
        room.valueHigh = 1.0;
        break;
    case ChartType::bar:
    case ChartType::bar3D:
    case ChartType::horizBar: {
        // Half a pair of bars at each end of the time axis, and the outline at the end of the values.
        const double thickness =
            barThicknessFor(timeLength, mostPointsInRange(m, l.timeMin, l.timeMax), l.seriesCount);
        room.timeLow = room.timeHigh = std::ceil(thickness * std::max(1, l.seriesCount) / 2.0) + 1.0;
        room.valueHigh = 1.0;
        if (m.type == ChartType::bar3D && !m.view3D) {
            const double depth = std::ceil(std::clamp(thickness * 0.6, 2.0, 10.0));
            room.timeHigh += depth; // a flat box's depth goes right and up
            room.valueHigh += depth;
        }
        break;
    }
    }
    return room;
}

} // namespace

QString timeDateText(double seconds, int dateIndex) {
    static const char* const kFormats[] = {"yyyy-MM-dd", "MM-dd-yyyy", "dd-MM-yyyy"};
    return wallClock(seconds).date().toString(
        QLatin1String(kFormats[dateIndex >= 0 && dateIndex < 3 ? dateIndex : 0]));
}

QString timeClockText(double seconds, int clockIndex) {
    // The clock's own letters, not the locale's: "AM" and "PM" as the label format says.
    const QTime t = wallClock(seconds).time();
    if (clockIndex != 1) return t.toString(QStringLiteral("HH:mm:ss"));
    const int h12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QStringLiteral("%1:%2:%3%4")
        .arg(h12, 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'))
        .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

double ChartLayout::seriesNear(int i) const {
    return seriesCount > 0 ? depth * i / seriesCount : 0.0;
}

double ChartLayout::seriesFar(int i) const {
    return seriesCount > 0 ? depth * (i + 1) / seriesCount : 0.0;
}

ChartLayout layoutChart(const ChartModel& model, const QSizeF& size, const QPaintDevice* device) {
    ChartLayout l;
    l.size = size;
    l.swapped = model.type == ChartType::horizBar;
    l.seriesCount = static_cast<int>(model.series.size());
    const auto span = drawableTimeSpan(model.time.min, model.time.max);
    l.timeMin = span[0];
    l.timeMax = span[1];
    l.valueMin = finiteOr(model.value.min, 0.0);
    l.valueMax = finiteOr(model.value.max, l.valueMin + 1.0);
    if (l.valueMax < l.valueMin) std::swap(l.valueMin, l.valueMax);
    if (l.valueMax - l.valueMin <= 0.0) l.valueMax = l.valueMin + 1.0;

    const double shorter = std::min(size.width(), size.height());
    l.font = QGuiApplication::font();
    l.font.setPixelSize(static_cast<int>(std::clamp(std::round(shorter / 52.0), 10.0, 18.0)));
    l.titleFont = l.font;
    l.titleFont.setPixelSize(l.font.pixelSize() * 4 / 3);
    l.titleFont.setBold(true);
    const QFontMetricsF fm = device ? QFontMetricsF(l.font, device) : QFontMetricsF(l.font);
    const QFontMetricsF tm = device ? QFontMetricsF(l.titleFont, device) : QFontMetricsF(l.titleFont);
    const double line = fm.height();

    l.titleRect = QRectF(0, kMargin, size.width(), tm.height());
    l.legendRect = QRectF(0, l.titleRect.bottom() + kGap / 2, size.width(), line);

    // Label sizes: the widest of a day's labels, the value labels of the range.
    const double dateWidth = fm.horizontalAdvance(timeDateText(l.timeMin, model.time.dateIndex));
    const double clockWidth =
        fm.horizontalAdvance(timeClockText(12 * 3600.0 + 59 * 60 + 59, model.time.clockIndex));
    const double timeLabelWidth = std::max(dateWidth, clockWidth);

    // The plot's frame first with rough margins, then the ticks for its size, then the frame again
    // with the widest label.
    double top = l.legendRect.bottom() + kGap + line / 2;
    double right = size.width() - kMargin - timeLabelWidth / 2;
    double bottom = size.height() - kMargin - line - kGap; // the caption under the bottom labels
    double left = kMargin + line + kGap;                   // the rotated caption
    if (!l.swapped) {
        bottom -= 2 * line + kGap;
        const double roughHeight = bottom - top;
        l.valueTicks = valueTicks(l.valueMin, l.valueMax, roughHeight, line * 2.5);
        left += widestLine(fm, l.valueTicks) + kGap;
    } else {
        bottom -= line + kGap;
        left += timeLabelWidth + kGap;
        right = size.width() - kMargin - fm.horizontalAdvance(QStringLiteral("00000.0")) / 2;
    }
    QRectF area(QPointF(left, top), QPointF(std::max(left + 1, right), std::max(top + 1, bottom)));
    const bool threeD = model.view3D;
    if (threeD) {
        l.depth = std::clamp(std::round(std::min(area.width(), area.height()) * 0.07), 8.0, 36.0);
        area.adjust(0, l.depth, -l.depth, 0);
    }
    l.plot = QRectF(std::round(area.left()), std::round(area.top()), std::round(area.width()),
                    std::round(area.height()));

    // The axes' ranges inside the walls, leaving room for the marks drawn at their ends; never less than
    // half the plot, however small the picture.
    const EndRoom room = endRoomOf(model, l, l.swapped ? l.plot.height() : l.plot.width());
    const QMarginsF inset = l.swapped ? QMarginsF(room.valueLow, room.timeHigh, room.valueHigh, room.timeLow)
                                      : QMarginsF(room.timeLow, room.valueHigh, room.timeHigh, room.valueLow);
    const bool roomy = inset.left() + inset.right() <= l.plot.width() / 2 &&
                       inset.top() + inset.bottom() <= l.plot.height() / 2;
    l.data = roomy ? l.plot.marginsRemoved(inset) : l.plot;
    if (model.type == ChartType::bar || model.type == ChartType::bar3D || model.type == ChartType::horizBar) {
        l.barThickness = barThicknessFor(l.swapped ? l.data.height() : l.data.width(),
                                         mostPointsInRange(model, l.timeMin, l.timeMax), l.seriesCount);
        if (model.type == ChartType::bar3D && !model.view3D)
            l.barDepth = std::clamp(l.barThickness * 0.6, 2.0, 10.0);
    }

    if (!l.swapped) {
        l.valueTicks = valueTicks(l.valueMin, l.valueMax, l.data.height(), line * 2.5);
        l.timeTicks = timeTicks(l.timeMin, l.timeMax, l.data.width(), timeLabelWidth + 3 * kGap,
                                model.time.dateIndex, model.time.clockIndex);
    } else {
        l.valueTicks =
            valueTicks(l.valueMin, l.valueMax, l.data.width(),
                       widestLine(fm, valueTicks(l.valueMin, l.valueMax, l.data.width(), 80)) + 4 * kGap);
        l.timeTicks = timeTicks(l.timeMin, l.timeMax, l.data.height(), 2 * line + 2 * kGap,
                                model.time.dateIndex, model.time.clockIndex);
    }
    return l;
}

} // namespace nimbrel::chart
