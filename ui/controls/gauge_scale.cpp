#include "ui/controls/gauge_scale.h"

#include <cmath>
#include <cstdint>

namespace nimbrel {

namespace {

// Beyond this many steps the maximum is advanced by one multiplication instead of one step at a time;
// stepping keeps the exact sums of the usual case, the jump keeps a garbled reading from stalling.
constexpr double kSteppingLimit = 100000.0;

// More divisions than this could not be told apart on any screen.
constexpr int kMaxBaseDivisions = 1000;

bool usableBase(int divisions) {
    return divisions > 0 && divisions <= kMaxBaseDivisions;
}
bool usableStep(double step) {
    return std::isfinite(step) && step > 0.0;
}

} // namespace

std::optional<BarScale> barGaugeScale(double baseMaximum, int baseDivisions, double value) {
    if (!usableBase(baseDivisions) || !std::isfinite(value)) return std::nullopt;
    const double step = baseMaximum / baseDivisions;
    if (!usableStep(step)) return std::nullopt;

    double maximum = baseMaximum;
    std::int64_t divisions = baseDivisions;
    if ((value - maximum) / step > kSteppingLimit) {
        const double steps = std::ceil((value - maximum) / step);
        maximum += steps * step;
        // Only the remainder modulo 2n matters from here on.
        divisions += static_cast<std::int64_t>(std::fmod(steps, 2.0 * baseDivisions)) + 2 * baseDivisions;
    }
    while (maximum < value) {
        maximum += step;
        ++divisions;
    }
    const std::int64_t twice = 2 * static_cast<std::int64_t>(baseDivisions);
    if (divisions >= twice) {
        maximum += step * static_cast<double>(twice - divisions % twice);
        divisions = twice;
    }
    return BarScale{maximum, static_cast<int>(divisions)};
}

std::optional<ThermometerScale> thermometerScale(double baseMinimum, double baseMaximum, int baseDivisions,
                                                 double value) {
    if (!usableBase(baseDivisions) || !std::isfinite(value)) return std::nullopt;
    const double step = (baseMaximum - baseMinimum) / baseDivisions;
    if (!usableStep(step)) return std::nullopt;
    if ((value - baseMaximum) / step > kMaxThermometerExtraSteps ||
        (baseMinimum - value) / step > kMaxThermometerExtraSteps)
        return std::nullopt;

    ThermometerScale scale{baseMinimum, baseMaximum, baseDivisions};
    while (scale.maximum < value) {
        scale.maximum += step;
        ++scale.divisions;
    }
    while (value < scale.minimum) {
        scale.minimum -= step;
        ++scale.divisions;
    }
    return scale;
}

} // namespace nimbrel
