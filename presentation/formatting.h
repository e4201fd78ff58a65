// To-text functions for readings: validity test, conversion to the user's unit and the unit's decimals.
#pragma once

#include "presentation/units.h"

#include <string>
#include <string_view>

namespace nimbrel {

// The mark shown for every value that is not a reading.
inline constexpr std::string_view kNoValueText = "---";

// Each function takes the reading's text, a scale (0.1 for raw tenths, 1.0 for values already in
// units), and the source and target unit texts; the three-argument forms take the base unit
// ("°C", "Hpa", "m/s", "mm") as source. A reading that is "", "---" or a station marker gives "---".

// Valid unless -32767; "%.1f".
std::string temperatureText(std::string_view reading, float scale, std::string_view from,
                            std::string_view to);
std::string temperatureText(std::string_view reading, float scale, std::string_view to);

// Valid unless negative or 255 (the station's no-reading byte); value × scale truncated, "%d"; units ignored.
std::string humidityText(std::string_view reading, float scale, std::string_view from, std::string_view to);
std::string humidityText(std::string_view reading, float scale, std::string_view to);

// Valid unless 0 or -32767; "%.2f" for inches of mercury, "%.1f" otherwise.
std::string pressureText(std::string_view reading, float scale, std::string_view from, std::string_view to);
std::string pressureText(std::string_view reading, float scale, std::string_view to);

// Valid unless -32767; a Beaufort target gives the level as "%d", any other "%.1f".
std::string windSpeedText(std::string_view reading, float scale, std::string_view from, std::string_view to);
std::string windSpeedText(std::string_view reading, float scale, std::string_view to);

// Valid unless -32767; "%.2f" for inches, "%.1f" otherwise.
std::string rainText(std::string_view reading, float scale, std::string_view from, std::string_view to);
std::string rainText(std::string_view reading, float scale, std::string_view to);

// Wind direction (and condition) codes 0..15: the code as "%d", or its compass name.
std::string windDirectionCodeText(std::string_view reading);
std::string windDirectionNameText(std::string_view reading);

// The same texts for builders that rewrite many records in place: each writes what the function
// above of the same name gives into `out`, which may be the very string that `reading` views, and
// takes its units already resolved.
void writeTemperatureText(std::string& out, std::string_view reading, float scale, TemperatureUnit from,
                          TemperatureUnit to);
void writeHumidityText(std::string& out, std::string_view reading, float scale);
void writePressureText(std::string& out, std::string_view reading, float scale, PressureUnit from,
                       PressureUnit to);
void writeWindSpeedText(std::string& out, std::string_view reading, float scale, SpeedUnit from,
                        SpeedUnit to);
void writeRainText(std::string& out, std::string_view reading, float scale, RainUnit from, RainUnit to);
void writeWindDirectionCodeText(std::string& out, std::string_view reading);
void writeWindDirectionNameText(std::string& out, std::string_view reading);

// Compass name of a 16-point code, clockwise from north ("N", "NNE", ... "NNW"); "" for any other code.
// The names are the station's own and are not translated.
std::string_view compassName(long long code);

} // namespace nimbrel
