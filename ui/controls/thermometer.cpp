#include "ui/controls/thermometer.h"

#include "presentation/decimal_text.h"
#include "ui/controls/control_style.h"

#include <QFontMetrics>
#include <QPainter>

namespace nimbrel {

namespace {

constexpr int kTopMargin = 4;
// The bulb sits below the scale's foot.
constexpr int kBulbSize = 15;
constexpr int kTickLength = 5;
constexpr int kTubeWidth = 5;

} // namespace

Thermometer::Thermometer(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(controlLabelFont());
}

void Thermometer::set(double minimum, double maximum, int divisions, const QString& valueText) {
    const std::string text = valueText.trimmed().toStdString();
    const double value = numberValue(text);
    const ThermometerScale base{minimum, maximum, divisions};
    const auto scale = thermometerScale(minimum, maximum, divisions, value);
    const bool valid = !text.empty() && text != "---" && scale.has_value();
    if (valid == valid_ && base == scale_ && value == value_) return;

    valid_ = valid;
    value_ = value;
    base_ = base;
    scale_ = scale.value_or(base);
    update();
}

QSize Thermometer::sizeHint() const {
    return {50, 180};
}

QSize Thermometer::minimumSizeHint() const {
    return {40, 90};
}

void Thermometer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));

    const int left = 0;
    const QFontMetrics metrics(font());
    // The top label is centred on the scale's top: leave it room.
    const int top = qMax(kTopMargin, metrics.height() / 2 + 1);
    const int clientBottom = height() - 1;
    const int scaleBottom = clientBottom - kBulbSize;
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("000"));
    const int divisions = scale_.divisions > 0 ? scale_.divisions : 1;
    const double span = scale_.maximum - scale_.minimum;

    for (int i = 0; i <= divisions; ++i) {
        const int y = scaleBottom - i * (scaleBottom - top) / divisions;
        const int label = static_cast<int>(scale_.minimum + span * i / divisions);
        const QRect labelRect(left, y - metrics.height() / 2, labelWidth, metrics.height());
        painter.drawText(labelRect, Qt::AlignRight | Qt::AlignVCenter, QString::number(label));
        painter.drawLine(left + labelWidth, y, left + labelWidth + kTickLength, y);
    }

    const int tubeLeft = left + labelWidth + kTickLength;
    const QRect tube(QPoint(tubeLeft, top), QPoint(tubeLeft + kTubeWidth, scaleBottom));
    painter.fillRect(tube, Qt::white);
    painter.drawRect(tube);

    const QColor fill = readingFillColour();
    if (valid_ && span > 0.0) {
        double fraction = (value_ - scale_.minimum) / span;
        fraction = fraction < 0.0 ? 0.0 : (fraction > 1.0 ? 1.0 : fraction);
        const int level = scaleBottom - static_cast<int>(fraction * (scaleBottom - top));
        painter.fillRect(QRect(QPoint(tubeLeft + 1, level), QPoint(tubeLeft + kTubeWidth - 1, scaleBottom)),
                         fill);
    }

    // The bulb is always filled: it belongs to the glass, not to the reading.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(fill);
    painter.setBrush(fill);
    // Centred under the tube, which starts a tick's length right of the labels.
    painter.drawEllipse(QRect(left + labelWidth, clientBottom - kBulbSize, kBulbSize - 1, kBulbSize - 1));
}

} // namespace nimbrel
