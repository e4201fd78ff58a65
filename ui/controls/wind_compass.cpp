#include "ui/controls/wind_compass.h"

#include "ui/controls/control_style.h"
#include "ui/controls/number_text.h"

#include <QPainter>
#include <QtMath>
#include <cmath>

namespace nimbrel {

namespace {

constexpr int kDirections = 16;
// Margins between the compass's edge and the needle's ellipse, where the rose's letters stand.
constexpr double kMarginLeft = 33.0;
constexpr double kMarginTop = 29.0;
constexpr double kMarginRight = 32.0;
constexpr double kMarginBottom = 30.0;

constexpr double kTailFraction = 0.1;
constexpr double kTipFraction = 0.95;
constexpr double kShoulderFraction = 0.7;
// Half the angle between the shoulders, in direction steps: 0.1 steps plus the needle's width.
constexpr double kShoulderSteps = 0.1 + 0.4;

QPointF onEllipse(const QRectF& ellipse, double angle, double fraction) {
    const QPointF centre = ellipse.center();
    return {centre.x() + fraction * ellipse.width() / 2.0 * std::cos(angle),
            centre.y() + fraction * ellipse.height() / 2.0 * std::sin(angle)};
}

} // namespace

int compassDirectionFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == QLatin1String("---")) return -1;
    const auto number = readingNumber(trimmed.toStdString());
    if (!number || !std::isfinite(*number) || std::abs(*number) > 1e6) return -1;
    return static_cast<int>(*number);
}

QRectF compassNeedleEllipse(const QRectF& area) {
    return area.adjusted(kMarginLeft, kMarginTop, -kMarginRight, -kMarginBottom);
}

QPolygonF compassNeedle(const QRectF& area, int direction) {
    if (direction < 0 || direction >= kDirections) return {};
    const QRectF ellipse = compassNeedleEllipse(area);
    const double step = M_PI / 8.0;
    // Angle 0 is east and grows clockwise on screen, so code 0 (north) is a quarter turn back.
    const double angle = (direction - 4) * step;
    const double shoulder = kShoulderSteps * step;
    return QPolygonF{
        {onEllipse(ellipse, angle, kTailFraction), onEllipse(ellipse, angle - shoulder, kShoulderFraction),
         onEllipse(ellipse, angle, kTipFraction), onEllipse(ellipse, angle + shoulder, kShoulderFraction)}};
}

WindCompass::WindCompass(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(controlLabelFont());
}

void WindCompass::setDirection(const QString& text) {
    const int direction = compassDirectionFromText(text);
    if (direction == direction_) return;
    direction_ = direction;
    update();
}

void WindCompass::setPointLetters(const std::array<QString, 4>& letters) {
    if (letters == letters_) return;
    letters_ = letters;
    update();
}

QSize WindCompass::sizeHint() const {
    return {150, 150};
}

QSize WindCompass::minimumSizeHint() const {
    return {120, 120};
}

void WindCompass::paintRose(QPainter& painter) const {
    const QRectF area = rect();
    const QRectF ellipse = compassNeedleEllipse(area);
    const QColor ink = palette().color(QPalette::WindowText);

    painter.fillRect(area, palette().color(QPalette::Window));
    // The dial: a white face with a ring just outside the needle's reach.
    painter.setPen(QPen(QColor(0x60, 0x6c, 0x78), 2.0));
    painter.setBrush(Qt::white);
    painter.drawEllipse(ellipse.adjusted(-4, -4, 4, 4));

    // Sixteen ticks on the ring, longer on the four main points.
    for (int code = 0; code < kDirections; ++code) {
        const double angle = (code - 4) * M_PI / 8.0;
        const bool main = code % 4 == 0;
        const QPointF outer = onEllipse(ellipse.adjusted(-4, -4, 4, 4), angle, 1.0);
        const QPointF inner = onEllipse(ellipse, angle, main ? 0.82 : 0.9);
        painter.setPen(QPen(main ? ink : QColor(0x90, 0x9a, 0xa4), main ? 2.0 : 1.0));
        painter.drawLine(outer, inner);
    }

    // The four letters in the margin, each centred on its point of the ring.
    QFont letters = font();
    letters.setBold(true);
    letters.setPointSize(letters.pointSize() + 2);
    painter.setFont(letters);
    painter.setPen(ink);
    for (int i = 0; i < 4; ++i) {
        const double angle = (i * 4 - 4) * M_PI / 8.0;
        const QPointF at = onEllipse(ellipse.adjusted(-17, -15, 17, 15), angle, 1.0);
        painter.drawText(QRectF(at.x() - 12, at.y() - 10, 24, 20), Qt::AlignCenter, letters_[i]);
    }
}

void WindCompass::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintRose(painter);

    const QColor fill = readingFillColour();
    const QPolygonF needle = compassNeedle(rect(), direction_);
    if (!needle.isEmpty()) {
        painter.setPen(QPen(fill.darker(140), 1.0));
        painter.setBrush(fill);
        painter.drawPolygon(needle);
    }

    // The hub over the needle's tail.
    const QPoint centre = compassNeedleEllipse(rect()).center().toPoint();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(palette().color(QPalette::WindowText));
    painter.drawEllipse(QRect(centre - QPoint(2, 2), centre + QPoint(3, 3)));
}

} // namespace nimbrel
