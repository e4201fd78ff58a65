#include "presentation/derived_values.h"

#include "presentation/decimal_text.h"

#include <cmath>

namespace nimbrel {

namespace {

bool isReading(std::string_view text) {
    return !isMarkerText(text) && integerValue(text) != kNoReading;
}

bool isHumidityReading(std::string_view text) {
    return !isMarkerText(text) && integerValue(text) != 255;
}

// The station program's printf "%f".
std::string sixDecimals(double value) {
    return fixedText(value, 6);
}

} // namespace

double dewPointOf(double celsius, double humidity) {
    if (celsius < -20.0) return -40.0;
    // The station program's constants are single precision, two of its factors double.
    const double vapourKpa = 0.6107f * std::pow(10.0, 7.6f * celsius / (celsius + 240.7f)) * humidity * 0.01;
    const double c = std::log(vapourKpa * 1.6372507267359593);
    return 241.88f * c / (17.558f - c);
}

double windChillOf(double celsius, double metresPerSecond) {
    if (celsius > 33.0 || metresPerSecond < 1.8) return celsius;
    return 33.0 - (0.417 * std::sqrt(metresPerSecond) + 0.55 - 0.0454 * metresPerSecond) * (33.0 - celsius);
}

void computeSampleValues(WeatherSample& sample, const AlarmThresholds& alarms) {
    computeSampleValues(sample, alarms.relPres, alarms.absPres);
}

void computeSampleValues(WeatherSample& sample, std::string_view stationRelPresTenths,
                         std::string_view stationAbsPresTenths) {
    using P = WeatherSample::Position;

    // The station's relative pressure is its absolute pressure plus the offset its owner set on the
    // console; each record gets its own absolute pressure plus that offset, so a downloaded history is
    // not a flat line at today's value. Without the current absolute pressure the offset is unknown,
    // and the station's current relative pressure is all there is.
    const std::string& absPres = sample[P::absPres];
    if (!isReading(absPres)) {
        sample[P::relPres].clear();
    } else {
        long long relTenths = integerValue(stationRelPresTenths);
        if (isReading(stationAbsPresTenths) && isReading(stationRelPresTenths))
            relTenths = integerValue(absPres) + relTenths - integerValue(stationAbsPresTenths);
        sample[P::relPres] = sixDecimals(static_cast<double>(relTenths) * 0.1);
    }

    const std::string& outTemp = sample[P::outTemp];
    const bool hasTemp = isReading(outTemp);
    const double celsius = static_cast<double>(integerValue(outTemp)) * 0.1;

    sample[P::dewPoint].clear();
    if (hasTemp && isHumidityReading(sample[P::outHumi])) {
        const double dew = dewPointOf(celsius, static_cast<double>(integerValue(sample[P::outHumi])));
        // A humidity of 0 (or below) has no dew point; the formula would give a NaN.
        if (std::isfinite(dew)) sample[P::dewPoint] = sixDecimals(dew);
    }

    // The wind is not tested: a missing speed reads as 0 and leaves the temperature.
    const double wind = static_cast<double>(integerValue(sample[P::winds])) * 0.1;
    sample[P::windChill] = hasTemp ? sixDecimals(windChillOf(celsius, wind)) : "";

    const std::string& counter = sample[P::rain];
    if (isReading(counter)) {
        sample[P::rainMm] = fixedText(static_cast<double>(integerValue(counter)) * 0.1, 1);
    } else {
        sample[P::rain].clear();
        sample[P::rainMm].clear();
    }
}

} // namespace nimbrel
