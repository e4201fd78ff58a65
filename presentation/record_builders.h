// Builders that rewrite whole records in place: a decoded sample into base units, a sample into the
// user's units, and the alarm thresholds and minimum/maximum records for their windows.
#pragma once

#include "presentation/units.h"
#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

namespace nimbrel {

// The units and display formats that the decoded settings select.
UnitSelection unitSelectionOf(const StationSettings& settings);

// Prepares a sample just decoded from the station: derived values (relative pressure from the alarm
// block, dew point, wind chill, rain counter in mm), then every field rewritten as text in its base
// unit, with the Beaufort levels taken from the wind readings themselves.
void normaliseSample(WeatherSample& sample, const StationSettings& settings, const AlarmThresholds& alarms);

// Rewrites a normalised sample in the user's units. The rain counter, the interval rain, the
// Beaufort levels and the time stamps stay as they are.
void sampleForDisplay(WeatherSample& sample, const StationSettings& settings);
void sampleForDisplay(WeatherSample& sample, const UnitSelection& units);

// Formats the thresholds, which the station holds in the selected units (tenths; hundredths for
// inHg and inches); nothing is converted. The current pressures stay in hPa.
void thresholdsForDisplay(AlarmThresholds& alarms, const StationSettings& settings);

// Formats the 23 extremes from the station's base units into the user's; a time the station never
// set ("2000-00-00 00:00") becomes "---".
void minMaxForDisplay(MinMaxTable& minMax, const StationSettings& settings);

} // namespace nimbrel
