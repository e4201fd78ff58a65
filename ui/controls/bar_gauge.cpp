#include "ui/controls/bar_gauge.h"

#include "presentation/decimal_text.h"
#include "ui/controls/control_style.h"

#include <QFontMetrics>
#include <QPainter>

namespace nimbrel {

namespace {

// Room above the scale's top and below its foot, at least enough for half a label centred there.
constexpr int kVerticalMargin = 4;
constexpr int kTickLength = 5;

} // namespace

BarGauge::BarGauge(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted by paintEvent.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(controlLabelFont());
}

void BarGauge::set(double maximum, int divisions, const QString& valueText) {
    const std::string text = valueText.trimmed().toStdString();
    const double value = numberValue(text);
    const BarScale base{maximum, divisions};
    const auto scale = barGaugeScale(maximum, divisions, value);
    // A value whose scale cannot be built (a garbled reading) is shown like a missing one.
    const bool valid = !text.empty() && text != "---" && scale.has_value();
    // The scale is compared with the one in force, which may have grown for the value before.
    if (valid == valid_ && base == scale_ && value == value_) return;

    valid_ = valid;
    value_ = value;
    base_ = base;
    scale_ = scale.value_or(base);
    update();
}

QSize BarGauge::sizeHint() const {
    return {60, 160};
}

QSize BarGauge::minimumSizeHint() const {
    return {40, 80};
}

void BarGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));

    const int left = 0;
    const int right = width() - 1;
    const QFontMetrics metrics(font());
    const int margin = qMax(kVerticalMargin, metrics.height() / 2 + 1);
    const int top = margin;
    const int bottom = height() - 1 - margin;
    const int maximum = static_cast<int>(scale_.maximum);
    const int labelWidth = metrics.horizontalAdvance(QString::number(maximum));
    const int divisions = scale_.divisions > 0 ? scale_.divisions : 1;

    for (int i = 0; i <= divisions; ++i) {
        const int y = bottom - i * (bottom - top) / divisions;
        const int label = static_cast<int>(i * scale_.maximum / divisions);
        // Labels are right-aligned integers in the width of the maximum's label.
        const QRect labelRect(left, y - metrics.height() / 2, labelWidth, metrics.height());
        painter.drawText(labelRect, Qt::AlignRight | Qt::AlignVCenter, QString::number(label));
        painter.drawLine(left + labelWidth, y, left + labelWidth + kTickLength, y);
    }

    const int frameLeft = left + labelWidth + kTickLength;
    painter.drawLine(frameLeft, top, frameLeft, bottom);
    painter.drawLine(frameLeft, bottom, right, bottom);
    painter.drawLine(right, bottom, right, top - 1);

    if (valid_ && scale_.maximum > 0.0) {
        double fraction = value_ / scale_.maximum;
        fraction = fraction < 0.0 ? 0.0 : (fraction > 1.0 ? 1.0 : fraction);
        const int barTop = bottom - static_cast<int>((bottom - top) * fraction);
        painter.fillRect(QRect(QPoint(frameLeft + 1, barTop), QPoint(right - 1, bottom - 1)),
                         readingFillColour());
    }
}

} // namespace nimbrel
