// Replacing implausible minimum/maximum records by the current reading, before they are shown.
#pragma once

#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

namespace nimbrel {

// `minMax` and `sample` are already in the user's units (minMaxForDisplay, sampleForDisplay). Every
// stored value that is not empty and lies outside its plausible range (or a minimum above its
// maximum) takes the sample's value and time, when the sample has one. Temperature, pressure and
// speed limits are converted from base units into the selected units; humidity and rain limits are
// compared as they stand. Only the table in memory changes; nothing is written to the station.
void repairMinMax(MinMaxTable& minMax, const StationSettings& settings, const WeatherSample& sample);

} // namespace nimbrel
