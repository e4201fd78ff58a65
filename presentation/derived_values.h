// Values computed on the PC from a freshly decoded sample: relative pressure, dew point, wind chill and
// the rain counter in millimetres.
#pragma once

#include "station/alarm_thresholds.h"
#include "station/weather_sample.h"

#include <string>
#include <string_view>

namespace nimbrel {

// Dew point in °C of a temperature in °C and a relative humidity in percent; -40 below -20 °C.
double dewPointOf(double celsius, double humidity);
// Wind chill in °C of a temperature in °C and a wind speed in m/s.
double windChillOf(double celsius, double metresPerSecond);

// Fills relPres, dewPoint, windChill and the rain counter in mm (rainMm) of a sample whose fields
// still hold the station's raw values (tenths). relPres is the sample's absolute pressure plus the
// station's offset (its current relative less its current absolute pressure, from its alarm block),
// written only when the sample has an absolute pressure.
void computeSampleValues(WeatherSample& sample, const AlarmThresholds& alarms);
void computeSampleValues(WeatherSample& sample, std::string_view stationRelPresTenths,
                         std::string_view stationAbsPresTenths);

} // namespace nimbrel
