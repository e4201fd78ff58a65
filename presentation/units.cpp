#include "presentation/units.h"

#include <array>
#include <cmath>

namespace nimbrel {

float celsiusToFahrenheit(float x) {
    return x * 1.8f + 32.0f;
}
float fahrenheitToCelsius(float x) {
    return (x - 32.0f) * 0.5555556f;
}
float hpaToInHg(float x) {
    return x * 0.02953f;
}
float inHgToHpa(float x) {
    return x * 33.864f;
}
float hpaToMmHg(float x) {
    return x * 0.75f;
}
float mmHgToHpa(float x) {
    return x * 1.3332f;
}
// The mercury pairs reuse the length factors.
float inHgToMmHg(float x) {
    return x * 25.4f;
}
float mmHgToInHg(float x) {
    return x * 0.03937f;
}
float msToKmh(float x) {
    return x * 3.6f;
}
float msToKnot(float x) {
    return x * 1.9428f;
}
float msToMph(float x) {
    return x * 2.237f;
}
float kmhToMs(float x) {
    return x * 0.2778f;
}
float kmhToKnot(float x) {
    return x * 0.5397f;
}
float kmhToMph(float x) {
    return x * 0.6214f;
}
float knotToMs(float x) {
    return x * 0.5147f;
}
float knotToKmh(float x) {
    return x * 1.853f;
}
float knotToMph(float x) {
    return x * 1.1514f;
}
float mphToMs(float x) {
    return x * 0.447f;
}
float mphToKmh(float x) {
    return x * 1.6093f;
}
float mphToKnot(float x) {
    return x * 0.8685f;
}
float mmToInch(float x) {
    return x * 0.03937f;
}
float inchToMm(float x) {
    return x * 25.4f;
}
float tenthsToUnits(float x) {
    return x * 0.1f;
}

TemperatureUnit temperatureUnitOf(std::string_view text) {
    if (text == unit::celsius) return TemperatureUnit::celsius;
    if (text == unit::fahrenheit) return TemperatureUnit::fahrenheit;
    return TemperatureUnit::other;
}

PressureUnit pressureUnitOf(std::string_view text) {
    if (text == unit::hpa) return PressureUnit::hpa;
    if (text == unit::inHg) return PressureUnit::inHg;
    if (text == unit::mmHg) return PressureUnit::mmHg;
    return PressureUnit::other;
}

SpeedUnit speedUnitOf(std::string_view text) {
    if (text == unit::metresPerSecond) return SpeedUnit::metresPerSecond;
    if (text == unit::kmPerHour) return SpeedUnit::kmPerHour;
    if (text == unit::knot) return SpeedUnit::knot;
    if (text == unit::milesPerHour) return SpeedUnit::milesPerHour;
    if (text == unit::beaufort) return SpeedUnit::beaufort;
    return SpeedUnit::other;
}

RainUnit rainUnitOf(std::string_view text) {
    if (text == unit::mm) return RainUnit::mm;
    if (text == unit::inch) return RainUnit::inch;
    return RainUnit::other;
}

float convertTemperature(float value, float scale, std::string_view from, std::string_view to) {
    return convertTemperature(value, scale, temperatureUnitOf(from), temperatureUnitOf(to));
}
float convertPressure(float value, float scale, std::string_view from, std::string_view to) {
    return convertPressure(value, scale, pressureUnitOf(from), pressureUnitOf(to));
}
float convertWindSpeed(float value, float scale, std::string_view from, std::string_view to) {
    return convertWindSpeed(value, scale, speedUnitOf(from), speedUnitOf(to));
}
float convertRain(float value, float scale, std::string_view from, std::string_view to) {
    return convertRain(value, scale, rainUnitOf(from), rainUnitOf(to));
}

float convertTemperature(float value, float scale, TemperatureUnit from, TemperatureUnit to) {
    const float x = value * scale;
    if (from == TemperatureUnit::celsius && to == TemperatureUnit::fahrenheit) return celsiusToFahrenheit(x);
    if (from == TemperatureUnit::fahrenheit && to == TemperatureUnit::celsius) return fahrenheitToCelsius(x);
    return x;
}

float convertPressure(float value, float scale, PressureUnit from, PressureUnit to) {
    const float x = value * scale;
    if (from == PressureUnit::hpa) {
        if (to == PressureUnit::inHg) return hpaToInHg(x);
        if (to == PressureUnit::mmHg) return hpaToMmHg(x);
    } else if (from == PressureUnit::inHg) {
        if (to == PressureUnit::hpa) return inHgToHpa(x);
        if (to == PressureUnit::mmHg) return inHgToMmHg(x);
    } else if (from == PressureUnit::mmHg) {
        if (to == PressureUnit::hpa) return mmHgToHpa(x);
        if (to == PressureUnit::inHg) return mmHgToInHg(x);
    }
    return x;
}

namespace {

using Primitive = float (*)(float);
float same(float x) {
    return x;
}

// [from][to] over m/s, km/h, knot, mph (the first four speed units).
constexpr std::array<std::array<Primitive, 4>, 4> kSpeedTable = {{
    {same, msToKmh, msToKnot, msToMph},
    {kmhToMs, same, kmhToKnot, kmhToMph},
    {knotToMs, knotToKmh, same, knotToMph},
    {mphToMs, mphToKmh, mphToKnot, same},
}};

bool isSpeed(SpeedUnit u) {
    return u < SpeedUnit::beaufort;
}

float convertSpeed(float x, SpeedUnit from, SpeedUnit to) {
    return kSpeedTable[static_cast<std::size_t>(from)][static_cast<std::size_t>(to)](x);
}

} // namespace

float convertWindSpeed(float value, float scale, SpeedUnit from, SpeedUnit to) {
    const float x = value * scale;
    if (isSpeed(from) && isSpeed(to)) return convertSpeed(x, from, to);
    if (to == SpeedUnit::beaufort) {
        if (!isSpeed(from)) return x;
        return static_cast<float>(beaufortLevel(convertSpeed(x, from, SpeedUnit::metresPerSecond)));
    }
    if (from == SpeedUnit::beaufort && isSpeed(to)) {
        // Only levels 0..12 have a band; anything else (including a garbage value) has bound 0.
        const float level = std::trunc(x);
        const float bound =
            (level >= 0.0f && level <= 12.0f) ? beaufortUpperBound(static_cast<int>(level)) : 0.0f;
        return convertSpeed(bound, SpeedUnit::metresPerSecond, to);
    }
    return x;
}

float convertRain(float value, float scale, RainUnit from, RainUnit to) {
    const float x = value * scale;
    if (from == RainUnit::mm && to == RainUnit::inch) return mmToInch(x);
    if (from == RainUnit::inch && to == RainUnit::mm) return inchToMm(x);
    return x;
}

float fromCelsius(float value, float scale, std::string_view to) {
    return convertTemperature(value, scale, TemperatureUnit::celsius, temperatureUnitOf(to));
}
float fromHpa(float value, float scale, std::string_view to) {
    return convertPressure(value, scale, PressureUnit::hpa, pressureUnitOf(to));
}
float fromMetresPerSecond(float value, float scale, std::string_view to) {
    return convertWindSpeed(value, scale, SpeedUnit::metresPerSecond, speedUnitOf(to));
}
float fromMillimetres(float value, float scale, std::string_view to) {
    return convertRain(value, scale, RainUnit::mm, rainUnitOf(to));
}

namespace {

// Upper edge of each force level's band, in tenths of m/s.
constexpr std::array<int, 13> kBeaufortTopTenths = {2,   15,  33,  54,  79,  107, 138,
                                                    171, 207, 244, 284, 326, 369};

} // namespace

int beaufortLevel(float metresPerSecond) {
    // Single-precision product, so that a speed made from tenths (13.9f) gives exactly 139.
    const float tenths = metresPerSecond * 10.0f;
    if (!(tenths < 2147483647.0f)) return std::isnan(tenths) ? 0 : 12;
    if (tenths < -2147483647.0f) return 0;
    const int t = static_cast<int>(std::trunc(tenths));
    for (int level = 0; level < 12; ++level)
        if (t <= kBeaufortTopTenths[static_cast<std::size_t>(level)]) return level;
    return 12;
}

float beaufortUpperBound(int level) {
    if (level < 0 || level > 12) return 0.0f;
    return static_cast<float>(kBeaufortTopTenths[static_cast<std::size_t>(level)]) * 0.1f;
}

} // namespace nimbrel
