// The scale algorithms of the bar gauge and the thermometer: a base scale that grows by whole steps
// until the value fits on it. Pure functions, so that they can be checked without painting.
#pragma once

#include <optional>

namespace nimbrel {

struct BarScale {
    double maximum = 20.0; // the scale always starts at 0
    int divisions = 4;
    bool operator==(const BarScale&) const = default;
};

struct ThermometerScale {
    double minimum = 20.0;
    double maximum = 120.0;
    int divisions = 5;
    bool operator==(const ThermometerScale&) const = default;
};

// The bar gauge's scale for a value: the base maximum grows by steps of baseMaximum / baseDivisions,
// one division each, until it reaches the value; once that makes twice the base divisions (2n) or more,
// the scale is folded back to 2n divisions over a maximum grown by step x (2n - divisions mod 2n).
// With a base of 20 in 4: 18 keeps 20 in 4, 47 gives 80 in 8. Nothing when the value cannot be shown
// (not finite, or a base without a positive step).
std::optional<BarScale> barGaugeScale(double baseMaximum, int baseDivisions, double value);

// The thermometer's scale for a value: whole steps of (baseMaximum - baseMinimum) / baseDivisions are
// added above the maximum or below the minimum, one division each, until the value lies on the scale.
// A minimum of -20, maximum of 40 in 6 gives -30 to 40 in 7 for -27. Nothing when the value cannot be
// shown (not finite, a base without a positive step, or more than kMaxThermometerExtraSteps steps away).
std::optional<ThermometerScale> thermometerScale(double baseMinimum, double baseMaximum, int baseDivisions,
                                                 double value);

// A value that far off the base scale is a garbled reading; a scale for it would have too many ticks
// to draw.
inline constexpr int kMaxThermometerExtraSteps = 1000;

} // namespace nimbrel
