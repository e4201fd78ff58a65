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
// exactly (m/s to knot really is 1.9428).
float celsiusToFahrenheit(float x);
float fahrenheitToCelsius(float x);
float hpaToInHg(float x);
float inHgToHpa(float x);
float hpaToMmHg(float x);
float mmHgToHpa(float x);
float inHgToMmHg(float x);
float mmHgToInHg(float x);
float msToKmh(float x);
float msToKnot(float x);
float msToMph(float x);
float kmhToMs(float x);
float kmhToKnot(float x);
float kmhToMph(float x);
float knotToMs(float x);
float knotToKmh(float x);
float knotToMph(float x);
float mphToMs(float x);
float mphToKmh(float x);
float mphToKnot(float x);
float mmToInch(float x);
float inchToMm(float x);
float tenthsToUnits(float x);

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
float convertTemperature(float value, float scale, TemperatureUnit from, TemperatureUnit to);
float convertPressure(float value, float scale, PressureUnit from, PressureUnit to);
float convertWindSpeed(float value, float scale, SpeedUnit from, SpeedUnit to);
float convertRain(float value, float scale, RainUnit from, RainUnit to);

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
