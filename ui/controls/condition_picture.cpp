#include "ui/controls/condition_picture.h"

#include "ui/controls/number_text.h"
#include "ui/gui_resources.h"

#include <QPainter>
#include <cmath>

namespace nimbrel {

QString conditionPictureName(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("conditions/sunny.svg");
    case 1:
        return QStringLiteral("conditions/partly_cloudy.svg");
    case 2:
        return QStringLiteral("conditions/cloudy.svg");
    case 3:
        return QStringLiteral("conditions/rain.svg");
    case 4:
        return QStringLiteral("conditions/storm.svg");
    default:
        return {};
    }
}

ConditionPicture::ConditionPicture(QWidget* parent) : QWidget(parent) {}

void ConditionPicture::setCondition(const QString& text) {
    const auto number = readingNumber(text.trimmed().toStdString());
    int code = -1;
    if (number && std::isfinite(*number) && *number >= 0.0 && *number < 5.0) code = static_cast<int>(*number);
    if (conditionPictureName(code).isEmpty()) code = -1;
    if (code == code_) return;
    code_ = code;
    update();
}

QSize ConditionPicture::sizeHint() const {
    return {64, 64};
}

void ConditionPicture::paintEvent(QPaintEvent*) {
    if (code_ < 0) return;
    QPainter painter(this);
    const int side = qMin(width(), height());
    const QRect square((width() - side) / 2, (height() - side) / 2, side, side);
    painter.drawPixmap(square, picture(conditionPictureName(code_), square.size() * devicePixelRatioF()));
}

} // namespace nimbrel
