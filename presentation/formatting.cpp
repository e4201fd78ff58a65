#include "presentation/formatting.h"

#include "presentation/decimal_text.h"
#include "presentation/units.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace nimbrel {

namespace {

// The marker texts and the station's marker number are no readings; for the others the reading is
// read once, for its validity test and its conversion alike.
bool readReading(std::string_view reading, DecimalValue& value) {
    if (isMarkerText(reading)) return false;
    value = decimalValue(reading);
    return value.integer != kNoReading;
}

bool isHumidityReading(std::string_view reading, long long& value) {
    if (isMarkerText(reading)) return false;
    value = integerValue(reading);
    return value >= 0 && value != 255;
}

bool isDirectionReading(std::string_view reading, long long& value) {
    if (isMarkerText(reading)) return false;
    value = integerValue(reading);
    return value >= 0 && value <= 15;
}

// The conversions work in single precision.
float singlePrecision(const DecimalValue& value) {
    return static_cast<float>(value.number);
}

void writeNoValue(std::string& out) {
    assignText(out, kNoValueText);
}

// "%d" of a value truncated toward zero; values beyond an int are clamped rather than left undefined.
void writeTruncatedText(std::string& out, double value) {
    if (std::isnan(value)) return assignText(out, "0");
    writeIntegerText(out, static_cast<long long>(std::clamp(std::trunc(value), -2147483648.0, 2147483647.0)));
}

template <typename Writer> std::string textOf(Writer write) {
    std::string out;
    write(out);
    return out;
}

} // namespace

void writeTemperatureText(std::string& out, std::string_view reading, float scale, TemperatureUnit from,
                          TemperatureUnit to) {
    DecimalValue value;
    if (!readReading(reading, value)) return writeNoValue(out);
    writeFixedText(out, convertTemperature(singlePrecision(value), scale, from, to), 1);
}

void writeHumidityText(std::string& out, std::string_view reading, float scale) {
    long long value = 0;
    if (!isHumidityReading(reading, value)) return writeNoValue(out);
    writeTruncatedText(out, static_cast<double>(static_cast<float>(value) * scale));
}

void writePressureText(std::string& out, std::string_view reading, float scale, PressureUnit from,
                       PressureUnit to) {
    DecimalValue value;
    if (!readReading(reading, value) || value.integer == 0) return writeNoValue(out);
    const bool twoDecimals =
        to == PressureUnit::inHg ||
        (from == PressureUnit::inHg && to != PressureUnit::hpa && to != PressureUnit::mmHg);
    writeFixedText(out, convertPressure(singlePrecision(value), scale, from, to), twoDecimals ? 2 : 1);
}

void writeWindSpeedText(std::string& out, std::string_view reading, float scale, SpeedUnit from,
                        SpeedUnit to) {
    DecimalValue value;
    if (!readReading(reading, value)) return writeNoValue(out);
    const float speed = convertWindSpeed(singlePrecision(value), scale, from, to);
    if (to == SpeedUnit::beaufort) return writeTruncatedText(out, speed);
    writeFixedText(out, speed, 1);
}

void writeRainText(std::string& out, std::string_view reading, float scale, RainUnit from, RainUnit to) {
    DecimalValue value;
    if (!readReading(reading, value)) return writeNoValue(out);
    const bool twoDecimals = to == RainUnit::inch || (from == RainUnit::inch && to != RainUnit::mm);
    writeFixedText(out, convertRain(singlePrecision(value), scale, from, to), twoDecimals ? 2 : 1);
}

void writeWindDirectionCodeText(std::string& out, std::string_view reading) {
    long long code = 0;
    if (!isDirectionReading(reading, code)) return writeNoValue(out);
    writeIntegerText(out, code);
}

void writeWindDirectionNameText(std::string& out, std::string_view reading) {
    long long code = 0;
    if (!isDirectionReading(reading, code)) return writeNoValue(out);
    assignText(out, compassName(code));
}

std::string temperatureText(std::string_view reading, float scale, std::string_view from,
                            std::string_view to) {
    return textOf([&](std::string& out) {
        writeTemperatureText(out, reading, scale, temperatureUnitOf(from), temperatureUnitOf(to));
    });
}

std::string temperatureText(std::string_view reading, float scale, std::string_view to) {
    return temperatureText(reading, scale, unit::celsius, to);
}

std::string humidityText(std::string_view reading, float scale, std::string_view, std::string_view) {
    return textOf([&](std::string& out) { writeHumidityText(out, reading, scale); });
}

std::string humidityText(std::string_view reading, float scale, std::string_view) {
    return textOf([&](std::string& out) { writeHumidityText(out, reading, scale); });
}

std::string pressureText(std::string_view reading, float scale, std::string_view from, std::string_view to) {
    return textOf([&](std::string& out) {
        writePressureText(out, reading, scale, pressureUnitOf(from), pressureUnitOf(to));
    });
}

std::string pressureText(std::string_view reading, float scale, std::string_view to) {
    return pressureText(reading, scale, unit::hpa, to);
}

std::string windSpeedText(std::string_view reading, float scale, std::string_view from, std::string_view to) {
    return textOf([&](std::string& out) {
        writeWindSpeedText(out, reading, scale, speedUnitOf(from), speedUnitOf(to));
    });
}

std::string windSpeedText(std::string_view reading, float scale, std::string_view to) {
    return windSpeedText(reading, scale, unit::metresPerSecond, to);
}

std::string rainText(std::string_view reading, float scale, std::string_view from, std::string_view to) {
    return textOf(
        [&](std::string& out) { writeRainText(out, reading, scale, rainUnitOf(from), rainUnitOf(to)); });
}

std::string rainText(std::string_view reading, float scale, std::string_view to) {
    return rainText(reading, scale, unit::mm, to);
}

std::string windDirectionCodeText(std::string_view reading) {
    return textOf([&](std::string& out) { writeWindDirectionCodeText(out, reading); });
}

std::string windDirectionNameText(std::string_view reading) {
    return textOf([&](std::string& out) { writeWindDirectionNameText(out, reading); });
}

std::string_view compassName(long long code) {
    static constexpr std::array<std::string_view, 16> kNames = {
        "N", "NNE", "NE", "NEE", "E", "SEE", "SE", "SSE", "S", "SSW", "SW", "SWW", "W", "NWW", "NW", "NNW",
    };
    if (code < 0 || code > 15) return {};
    return kNames[static_cast<std::size_t>(code)];
}

} // namespace nimbrel
