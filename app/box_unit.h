// The unit that follows a value in a box of the windows: a fixed one ("%", "bft") or the one the
// station is set to show for its kind of reading.
#pragma once

#include "station/station_settings.h"

#include <string>

namespace nimbrel {

enum class BoxUnit { humidity, indoorTemperature, outdoorTemperature, pressure, wind, rain, beaufort, none };

// The unit's text for the station's settings ("°C", "hpa", "mm", ...); "" for none.
std::string unitText(BoxUnit unit, const StationSettings& settings);

} // namespace nimbrel
