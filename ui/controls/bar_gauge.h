// The bar gauge: a vertical scale from 0 with a light-blue bar for the value (the view's rain gauges).
#pragma once

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

    bool isValid() const { return valid_; }
    double value() const { return value_; }
    BarScale scale() const { return scale_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool valid_ = false;
    BarScale base_{20.0, 4};
    BarScale scale_{20.0, 4};
    double value_ = 10.0;
};

} // namespace nimbrel
