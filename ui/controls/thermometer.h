// The thermometer: a labelled scale beside a tube filled up to the value, with a bulb at its foot.
#pragma once

#include "ui/controls/gauge_reading.h"
#include "ui/controls/gauge_scale.h"

#include <QString>
#include <QWidget>

namespace nimbrel {

class Thermometer : public QWidget {
    Q_OBJECT
public:
    explicit Thermometer(QWidget* parent = nullptr);

    // Shows a value on a scale from minimum to maximum in the given divisions, grown at either end
    // until the value fits. "" and "---" show the scale with an empty tube.
    void set(double minimum, double maximum, int divisions, const QString& valueText);

    bool isValid() const { return reading_.valid; }
    double value() const { return reading_.value; }
    ThermometerScale scale() const { return reading_.scale; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GaugeReading<ThermometerScale> reading_{false, {20.0, 120.0, 5}, 25.0};
};

} // namespace nimbrel
