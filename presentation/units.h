// Unit conversions between the station's base units and the units the user selects, and the Beaufort scale.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// The unit texts are the program's own vocabulary; conversions compare them byte for byte.
namespace unit {
inline constexpr std::string_view celsius = "°C";
inline constexpr std::string_view fahrenheit = "°F";
inline constexpr std::string_view hpa = "Hpa";
inline constexpr std::string_view inHg = "inHg";
inline constexpr std::string_view mmHg = "mmHg";
inline constexpr std::string_view metresPerSecond = "m/s";
inline constexpr std::string_view kmPerHour = "km/h";
inline constexpr std::string_view knot = "knot";
inline constexpr std::string_view milesPerHour = "m/h";
inline constexpr std::string_view beaufort = "bft";
inline constexpr std::string_view mm = "mm";
inline constexpr std::string_view inch = "inch";
inline constexpr std::string_view percent = "%";
} // namespace unit

// The user's choice of units, taken from the station's settings each time they are decoded.
// An empty unit text is legal: every conversion then leaves the value as it is.
struct UnitSelection {
    std::string indoorTemperature{unit::celsius};
    std::string outdoorTemperature{unit::celsius};
    std::string rain{unit::mm};
    std::string pressure{unit::hpa};
    std::string wind{unit::metresPerSecond};
    int dateFormat = 0; // 0 year-month-day, 1 month-day-year, 2 day-month-year
    int timeFormat = 0; // 0 24-hour clock, 1 12-hour clock

    bool operator==(const UnitSelection&) const = default;
};

// Primitive conversions, single precision. The factors are the station program's own and are kept
// exactly (m/s to knot really is 1.9428). They and the resolved-unit dispatchers below are defined
// here so that code converting many values inlines them.
inline float celsiusToFahrenheit(float x) {
    return x * 1.8f + 32.0f;
}
inline float fahrenheitToCelsius(float x) {
    return (x - 32.0f) * 0.5555556f;
}
inline float hpaToInHg(float x) {
    return x * 0.02953f;
}
inline float inHgToHpa(float x) {
    return x * 33.864f;
}
inline float hpaToMmHg(float x) {
    return x * 0.75f;
}
inline float mmHgToHpa(float x) {
    return x * 1.3332f;
}
// The mercury pairs reuse the length factors.
inline float inHgToMmHg(float x) {
    return x * 25.4f;
}
inline float mmHgToInHg(float x) {
    return x * 0.03937f;
}
inline float msToKmh(float x) {
    return x * 3.6f;
}
inline float msToKnot(float x) {
    return x * 1.9428f;
}
inline float msToMph(float x) {
    return x * 2.237f;
}
inline float kmhToMs(float x) {
    return x * 0.2778f;
}
inline float kmhToKnot(float x) {
    return x * 0.5397f;
}
inline float kmhToMph(float x) {
    return x * 0.6214f;
}
inline float knotToMs(float x) {
    return x * 0.5147f;
}
inline float knotToKmh(float x) {
    return x * 1.853f;
}
inline float knotToMph(float x) {
    return x * 1.1514f;
}
inline float mphToMs(float x) {
    return x * 0.447f;
}
inline float mphToKmh(float x) {
    return x * 1.6093f;
}
inline float mphToKnot(float x) {
    return x * 0.8685f;
}
inline float mmToInch(float x) {
    return x * 0.03937f;
}
inline float inchToMm(float x) {
    return x * 25.4f;
}
inline float tenthsToUnits(float x) {
    return x * 0.1f;
}

// A unit text resolved once, for code that converts many values in the same units; `other` stands
// for every text that names none of the units (an empty text included).
enum class TemperatureUnit : unsigned char { celsius, fahrenheit, other };
enum class PressureUnit : unsigned char { hpa, inHg, mmHg, other };
enum class SpeedUnit : unsigned char { metresPerSecond, kmPerHour, knot, milesPerHour, beaufort, other };
enum class RainUnit : unsigned char { mm, inch, other };
TemperatureUnit temperatureUnitOf(std::string_view text);
PressureUnit pressureUnitOf(std::string_view text);
SpeedUnit speedUnitOf(std::string_view text);
RainUnit rainUnitOf(std::string_view text);

// Dispatchers: value × scale converted from one unit to another. An unknown, empty or equal pair
// gives value × scale unchanged; they never fail.
float convertTemperature(float value, float scale, std::string_view from, std::string_view to);
float convertPressure(float value, float scale, std::string_view from, std::string_view to);
float convertWindSpeed(float value, float scale, std::string_view from, std::string_view to);
float convertRain(float value, float scale, std::string_view from, std::string_view to);
float convertWindSpeed(float value, float scale, SpeedUnit from, SpeedUnit to);
inline float convertTemperature(float value, float scale, TemperatureUnit from, TemperatureUnit to) {
    const float x = value * scale;
    if (from == TemperatureUnit::celsius && to == TemperatureUnit::fahrenheit) return celsiusToFahrenheit(x);
    if (from == TemperatureUnit::fahrenheit && to == TemperatureUnit::celsius) return fahrenheitToCelsius(x);
    return x;
}

inline float convertPressure(float value, float scale, PressureUnit from, PressureUnit to) {
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

inline float convertRain(float value, float scale, RainUnit from, RainUnit to) {
    const float x = value * scale;
    if (from == RainUnit::mm && to == RainUnit::inch) return mmToInch(x);
    if (from == RainUnit::inch && to == RainUnit::mm) return inchToMm(x);
    return x;
}

// Shortcuts from the base units, used for showing station values.
float fromCelsius(float value, float scale, std::string_view to);
float fromHpa(float value, float scale, std::string_view to);
float fromMetresPerSecond(float value, float scale, std::string_view to);
float fromMillimetres(float value, float scale, std::string_view to);

// Beaufort force level (0..12) of a speed in m/s; negative speeds are level 0.
int beaufortLevel(float metresPerSecond);
// Upper edge in m/s of a level's band (0.2 for level 0 ... 36.9 for level 12), 0 for any other level.
// The bound of level n lies in band n, so a level survives the round trip.
float beaufortUpperBound(int level);

} // namespace nimbrel
