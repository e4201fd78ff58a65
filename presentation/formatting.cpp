#include "presentation/formatting.h"

#include "presentation/decimal_text.h"
#include "presentation/units.h"

#include <array>
#include <cmath>

namespace nimbrel {

namespace {

// The reading as a float for the conversions; the dispatchers work in single precision.
float readingNumber(std::string_view reading) {
    return static_cast<float>(numberValue(reading));
}

bool isReading(std::string_view reading) {
    return !isMarkerText(reading) && integerValue(reading) != kNoReading;
}

bool isHumidityReading(std::string_view reading) {
    if (isMarkerText(reading)) return false;
    const long long value = integerValue(reading);
    return value >= 0 && value != 255;
}

bool isPressureReading(std::string_view reading) {
    if (isMarkerText(reading)) return false;
    const long long value = integerValue(reading);
    return value != 0 && value != kNoReading;
}

bool isDirectionReading(std::string_view reading) {
    if (isMarkerText(reading)) return false;
    const long long value = integerValue(reading);
    return value >= 0 && value <= 15;
}

// "%d" of a value truncated toward zero; values beyond an int are clamped rather than left undefined.
std::string truncatedText(double value) {
    if (std::isnan(value)) return "0";
    const double t = std::trunc(value);
    if (t >= 2147483647.0) return "2147483647";
    if (t <= -2147483648.0) return "-2147483648";
    return std::to_string(static_cast<int>(t));
}

} // namespace

std::string temperatureText(std::string_view reading, float scale, std::string_view from,
                            std::string_view to) {
    if (!isReading(reading)) return std::string(kNoValueText);
    return fixedText(convertTemperature(readingNumber(reading), scale, from, to), 1);
}

std::string temperatureText(std::string_view reading, float scale, std::string_view to) {
    if (!isReading(reading)) return std::string(kNoValueText);
    return temperatureText(reading, scale, unit::celsius, to);
}

std::string humidityText(std::string_view reading, float scale, std::string_view, std::string_view) {
    if (!isHumidityReading(reading)) return std::string(kNoValueText);
    return truncatedText(static_cast<double>(static_cast<float>(integerValue(reading)) * scale));
}

std::string humidityText(std::string_view reading, float scale, std::string_view to) {
    if (!isHumidityReading(reading)) return std::string(kNoValueText);
    return humidityText(reading, scale, unit::percent, to);
}

std::string pressureText(std::string_view reading, float scale, std::string_view from, std::string_view to) {
    if (!isPressureReading(reading)) return std::string(kNoValueText);
    const bool twoDecimals = to == unit::inHg || (from == unit::inHg && to != unit::hpa && to != unit::mmHg);
    return fixedText(convertPressure(readingNumber(reading), scale, from, to), twoDecimals ? 2 : 1);
}

std::string pressureText(std::string_view reading, float scale, std::string_view to) {
    if (!isPressureReading(reading)) return std::string(kNoValueText);
    return pressureText(reading, scale, unit::hpa, to);
}

std::string windSpeedText(std::string_view reading, float scale, std::string_view from, std::string_view to) {
    if (!isReading(reading)) return std::string(kNoValueText);
    const float speed = convertWindSpeed(readingNumber(reading), scale, from, to);
    if (to == unit::beaufort) return truncatedText(speed);
    return fixedText(speed, 1);
}

std::string windSpeedText(std::string_view reading, float scale, std::string_view to) {
    if (!isReading(reading)) return std::string(kNoValueText);
    return windSpeedText(reading, scale, unit::metresPerSecond, to);
}

std::string rainText(std::string_view reading, float scale, std::string_view from, std::string_view to) {
    if (!isReading(reading)) return std::string(kNoValueText);
    const bool twoDecimals = to == unit::inch || (from == unit::inch && to != unit::mm);
    return fixedText(convertRain(readingNumber(reading), scale, from, to), twoDecimals ? 2 : 1);
}

std::string rainText(std::string_view reading, float scale, std::string_view to) {
    if (!isReading(reading)) return std::string(kNoValueText);
    return rainText(reading, scale, unit::mm, to);
}

std::string windDirectionCodeText(std::string_view reading) {
    if (!isDirectionReading(reading)) return std::string(kNoValueText);
    return std::to_string(integerValue(reading));
}

std::string windDirectionNameText(std::string_view reading) {
    if (!isDirectionReading(reading)) return std::string(kNoValueText);
    return std::string(compassName(integerValue(reading)));
}

std::string_view compassName(long long code) {
    static constexpr std::array<std::string_view, 16> kNames = {
        "N", "NNE", "NE", "NEE", "E", "SEE", "SE", "SSE", "S", "SSW", "SW", "SWW", "W", "NWW", "NW", "NNW",
    };
    if (code < 0 || code > 15) return {};
    return kNames[static_cast<std::size_t>(code)];
}

} // namespace nimbrel
