// One alarm lamp of the current-conditions view: a small picture for disabled, armed or lit.
#pragma once

#include "app/alarm_lamp_rule.h"

#include <QWidget>

namespace nimbrel {

// The resource picture of a lamp state, e.g. "lamps/lit.svg".
QString lampPictureName(LampState state);

class AlarmLamp : public QWidget {
    Q_OBJECT
public:
    explicit AlarmLamp(QWidget* parent = nullptr);

    void setState(LampState state);
    LampState state() const { return state_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LampState state_ = LampState::Disabled;
};

} // namespace nimbrel
