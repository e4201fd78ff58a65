#include "ui/controls/beaufort_bar.h"

#include "presentation/decimal_text.h"
#include "ui/controls/control_painting.h"
#include "ui/controls/control_style.h"

#include <QFontMetrics>
#include <QPainter>

namespace nimbrel {

namespace {

constexpr int kSideMargin = 4;
constexpr int kTickLength = 5;

} // namespace

std::optional<int> beaufortLevelChange(const QString& text, int currentLevel) {
    const QString trimmed = text.trimmed();
    const double number = trimmed == QLatin1String("---") ? 0.0 : numberValue(trimmed.toStdString());
    if (!(number >= 0.0 && number <= kBeaufortTop)) return std::nullopt;
    const int level = static_cast<int>(number);
    if (level == currentLevel) return std::nullopt;
    return level;
}

BeaufortBar::BeaufortBar(QWidget* parent) : QWidget(parent) {
    setFont(controlLabelFont());
}

void BeaufortBar::setLevel(const QString& text) {
    if (const auto level = beaufortLevelChange(text, level_)) {
        level_ = *level;
        update();
    }
}

QSize BeaufortBar::sizeHint() const {
    const QSize least = minimumSizeHint();
    return {least.width() * 5 / 4, least.height() + 8};
}

QSize BeaufortBar::minimumSizeHint() const {
    // Thirteen numbers side by side with a little air between the two-digit ones.
    const QFontMetrics metrics(font());
    const int number = metrics.horizontalAdvance(QStringLiteral("12"));
    return {kBeaufortTop * (number + 4) + number + 2 * kSideMargin, metrics.height() + kTickLength + 12};
}

void BeaufortBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    beginControlPainting(painter, *this);

    const QFontMetrics metrics(font());
    // The outer numbers are centred on the ends of the bar, so they need half their width beside it.
    const int halfNumber = metrics.horizontalAdvance(QStringLiteral("12")) / 2;
    const int left = kSideMargin + halfNumber;
    const int right = width() - 1 - kSideMargin - halfNumber;
    const int span = right - left;
    const int tickTop = metrics.height();
    const int barTop = tickTop + kTickLength;
    const int bottom = height() - 1;

    for (int i = 0; i <= kBeaufortTop; ++i) {
        const int x = left + i * span / kBeaufortTop;
        const QRect numberRect(x - metrics.horizontalAdvance(QStringLiteral("00")), 0,
                               2 * metrics.horizontalAdvance(QStringLiteral("00")), metrics.height());
        painter.drawText(numberRect, Qt::AlignHCenter | Qt::AlignTop, QString::number(i));
        painter.drawLine(x, tickTop, x, barTop - 1);
    }

    const QRect bar(QPoint(left, barTop), QPoint(right, bottom));
    painter.fillRect(bar, Qt::white);
    const int filled = span * level_ / kBeaufortTop;
    if (filled > 0) painter.fillRect(QRect(left, barTop, filled, bottom - barTop + 1), readingFillColour());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
}

} // namespace nimbrel
