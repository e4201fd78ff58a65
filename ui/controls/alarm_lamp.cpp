#include "ui/controls/alarm_lamp.h"

#include "ui/gui_resources.h"

#include <QPainter>

namespace nimbrel {

QString lampPictureName(LampState state) {
    switch (state) {
    case LampState::Disabled:
        return QStringLiteral("lamps/disabled.svg");
    case LampState::Armed:
        return QStringLiteral("lamps/armed.svg");
    case LampState::Lit:
        return QStringLiteral("lamps/lit.svg");
    }
    return {};
}

AlarmLamp::AlarmLamp(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void AlarmLamp::setState(LampState state) {
    if (state == state_) return;
    state_ = state;
    update();
}

QSize AlarmLamp::sizeHint() const {
    return {16, 16};
}

void AlarmLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = qMin(width(), height());
    const QRect square((width() - side) / 2, (height() - side) / 2, side, side);
    painter.drawPixmap(square, picture(lampPictureName(state_), square.size() * devicePixelRatioF()));
}

} // namespace nimbrel
