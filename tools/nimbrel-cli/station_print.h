// Prints decoded station areas and records as "name: value" lines, with the station's field names.
#pragma once

#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

#include <ostream>

namespace nimbrel::cli {

void printSettings(std::ostream& out, const StationSettings& settings);
void printAlarms(std::ostream& out, const AlarmThresholds& alarms);
// Each value, then its time as nameTime.
void printMinMax(std::ostream& out, const MinMaxTable& table);
// Every field the record decoder fills, in row order (values, hex texts, raw integers, flags).
void printRecord(std::ostream& out, const WeatherSample& sample);

} // namespace nimbrel::cli
