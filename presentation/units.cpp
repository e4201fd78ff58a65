#include "presentation/units.h"

#include <array>
#include <cmath>
#include <cstring>

namespace nimbrel {

namespace {

// Equality with one of the unit texts, whose length is known here, so that no library call is made.
bool is(std::string_view text, std::string_view unitText) {
    return text.size() == unitText.size() && std::memcmp(text.data(), unitText.data(), unitText.size()) == 0;
}

} // namespace

TemperatureUnit temperatureUnitOf(std::string_view text) {
    if (is(text, unit::celsius)) return TemperatureUnit::celsius;
    if (is(text, unit::fahrenheit)) return TemperatureUnit::fahrenheit;
    return TemperatureUnit::other;
}

PressureUnit pressureUnitOf(std::string_view text) {
    if (is(text, unit::hpa)) return PressureUnit::hpa;
    if (is(text, unit::inHg)) return PressureUnit::inHg;
    if (is(text, unit::mmHg)) return PressureUnit::mmHg;
    return PressureUnit::other;
}

SpeedUnit speedUnitOf(std::string_view text) {
    if (is(text, unit::metresPerSecond)) return SpeedUnit::metresPerSecond;
    if (is(text, unit::kmPerHour)) return SpeedUnit::kmPerHour;
    if (is(text, unit::knot)) return SpeedUnit::knot;
    if (is(text, unit::milesPerHour)) return SpeedUnit::milesPerHour;
    if (is(text, unit::beaufort)) return SpeedUnit::beaufort;
    return SpeedUnit::other;
}

RainUnit rainUnitOf(std::string_view text) {
    if (is(text, unit::mm)) return RainUnit::mm;
    if (is(text, unit::inch)) return RainUnit::inch;
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

namespace {

bool isSpeed(SpeedUnit u) {
    return u < SpeedUnit::beaufort;
}

// Between two of the four speeds (m/s, km/h, knot, mph).
float convertSpeed(float x, SpeedUnit from, SpeedUnit to) {
    using S = SpeedUnit;
    if (from == to) return x;
    switch (from) {
    case S::metresPerSecond:
        return to == S::kmPerHour ? msToKmh(x) : to == S::knot ? msToKnot(x) : msToMph(x);
    case S::kmPerHour:
        return to == S::metresPerSecond ? kmhToMs(x) : to == S::knot ? kmhToKnot(x) : kmhToMph(x);
    case S::knot:
        return to == S::metresPerSecond ? knotToMs(x) : to == S::kmPerHour ? knotToKmh(x) : knotToMph(x);
    default:
        return to == S::metresPerSecond ? mphToMs(x) : to == S::kmPerHour ? mphToKmh(x) : mphToKnot(x);
    }
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
