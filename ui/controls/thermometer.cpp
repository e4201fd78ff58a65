#include "ui/controls/thermometer.h"

#include "ui/controls/control_painting.h"
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
    setFont(controlLabelFont());
}

void Thermometer::set(double minimum, double maximum, int divisions, const QString& valueText) {
    const auto grow = [&](double value) { return thermometerScale(minimum, maximum, divisions, value); };
    if (reading_.take(valueText, ThermometerScale{minimum, maximum, divisions}, grow)) update();
}

QSize Thermometer::sizeHint() const {
    return {50, 180};
}

QSize Thermometer::minimumSizeHint() const {
    return {40, 90};
}

void Thermometer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    beginControlPainting(painter, *this);
    const ThermometerScale& scale = reading_.scale;

    const int left = 0;
    const QFontMetrics metrics(font());
    // The top label is centred on the scale's top: leave it room.
    const int top = qMax(kTopMargin, metrics.height() / 2 + 1);
    const int clientBottom = height() - 1;
    const int scaleBottom = clientBottom - kBulbSize;
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("000"));
    const int divisions = scale.divisions > 0 ? scale.divisions : 1;
    const double span = scale.maximum - scale.minimum;
    paintScaleTicks(painter, metrics, labelWidth, kTickLength, top, scaleBottom, divisions,
                    [&](int i) { return static_cast<int>(scale.minimum + span * i / divisions); });

    const int tubeLeft = left + labelWidth + kTickLength;
    const QRect tube(QPoint(tubeLeft, top), QPoint(tubeLeft + kTubeWidth, scaleBottom));
    painter.fillRect(tube, Qt::white);
    painter.drawRect(tube);

    const QColor fill = readingFillColour();
    if (reading_.valid && span > 0.0) {
        double fraction = (reading_.value - scale.minimum) / span;
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
