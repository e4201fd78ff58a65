#include "chart/chart_layout.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QGuiApplication>
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
    if (!l.swapped) {
        l.valueTicks = valueTicks(l.valueMin, l.valueMax, l.plot.height(), line * 2.5);
        l.timeTicks = timeTicks(l.timeMin, l.timeMax, l.plot.width(), timeLabelWidth + 3 * kGap,
                                model.time.dateIndex, model.time.clockIndex);
    } else {
        l.valueTicks =
            valueTicks(l.valueMin, l.valueMax, l.plot.width(),
                       widestLine(fm, valueTicks(l.valueMin, l.valueMax, l.plot.width(), 80)) + 4 * kGap);
        l.timeTicks = timeTicks(l.timeMin, l.timeMax, l.plot.height(), 2 * line + 2 * kGap,
                                model.time.dateIndex, model.time.clockIndex);
    }
    return l;
}

} // namespace nimbrel::chart
