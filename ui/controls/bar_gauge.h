// The bar gauge: a vertical scale from 0 with a light-blue bar for the value (the view's rain gauges).
#pragma once

#include "ui/controls/gauge_reading.h"
#include "ui/controls/gauge_scale.h"

#include <QString>
#include <QWidget>

namespace nimbrel {

class BarGauge : public QWidget {
    Q_OBJECT
public:
    explicit BarGauge(QWidget* parent = nullptr);

    // Shows a value on a scale from 0 to maximum in the given divisions, grown until the value fits.
    // "" and "---" show the scale without a bar.
    void set(double maximum, int divisions, const QString& valueText);

    bool isValid() const { return reading_.valid; }
    double value() const { return reading_.value; }
    BarScale scale() const { return reading_.scale; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GaugeReading<BarScale> reading_{false, {20.0, 4}, 10.0};
};

} // namespace nimbrel
