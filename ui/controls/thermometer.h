// The thermometer: a labelled scale beside a tube filled up to the value, with a bulb at its foot.
#pragma once

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

    bool isValid() const { return valid_; }
    double value() const { return value_; }
    ThermometerScale scale() const { return scale_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool valid_ = false;
    ThermometerScale base_{20.0, 120.0, 5};
    ThermometerScale scale_{20.0, 120.0, 5};
    double value_ = 25.0;
};

} // namespace nimbrel
