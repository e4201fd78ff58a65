#include "ui/controls/bar_gauge.h"

#include "ui/controls/control_painting.h"
#include "ui/controls/control_style.h"

#include <QFontMetrics>
#include <QPainter>

namespace nimbrel {

namespace {

// Room above the scale's top and below its foot, at least enough for half a label centred there.
constexpr int kVerticalMargin = 4;
constexpr int kTickLength = 5;
constexpr int kNarrowestBar = 10;

} // namespace

BarGauge::BarGauge(QWidget* parent) : QWidget(parent) {
    setFont(controlLabelFont());
}

void BarGauge::set(double maximum, int divisions, const QString& valueText) {
    const auto grow = [&](double value) { return barGaugeScale(maximum, divisions, value); };
    const double oldMaximum = reading_.scale.maximum;
    if (!reading_.take(valueText, BarScale{maximum, divisions}, grow)) return;
    // A grown scale may have longer labels, which need a wider gauge.
    if (reading_.scale.maximum != oldMaximum) updateGeometry();
    update();
}

QSize BarGauge::sizeHint() const {
    return {60, 160};
}

QSize BarGauge::minimumSizeHint() const {
    // The scale's labels, their ticks and a bar that can still be seen.
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QString::number(static_cast<int>(reading_.scale.maximum))) +
                kTickLength + kNarrowestBar,
            80};
}

void BarGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    beginControlPainting(painter, *this);
    const BarScale& scale = reading_.scale;

    const int left = 0;
    const int right = width() - 1;
    const QFontMetrics metrics(font());
    const int margin = qMax(kVerticalMargin, metrics.height() / 2 + 1);
    const int top = margin;
    const int bottom = height() - 1 - margin;
    const int maximum = static_cast<int>(scale.maximum);
    // Labels are right-aligned integers in the width of the maximum's label.
    const int labelWidth = metrics.horizontalAdvance(QString::number(maximum));
    const int divisions = scale.divisions > 0 ? scale.divisions : 1;
    paintScaleTicks(painter, metrics, labelWidth, kTickLength, top, bottom, divisions,
                    [&](int i) { return static_cast<int>(i * scale.maximum / divisions); });

    const int frameLeft = left + labelWidth + kTickLength;
    painter.drawLine(frameLeft, top, frameLeft, bottom);
    painter.drawLine(frameLeft, bottom, right, bottom);
    painter.drawLine(right, bottom, right, top - 1);

    if (reading_.valid && scale.maximum > 0.0) {
        double fraction = reading_.value / scale.maximum;
        fraction = fraction < 0.0 ? 0.0 : (fraction > 1.0 ? 1.0 : fraction);
        const int barTop = bottom - static_cast<int>((bottom - top) * fraction);
        painter.fillRect(QRect(QPoint(frameLeft + 1, barTop), QPoint(right - 1, bottom - 1)),
                         readingFillColour());
    }
}

} // namespace nimbrel
