// The summary rows as a table of texts: the columns of the Climate window's Days and Months grids and
// of nimbrel-cli summary, with their fixed English names and the window's titles.
#pragma once

#include "app/climate_summary.h"

#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

class LanguageTable;

// The columns' fixed names ("date", "records", "temp_mean", ...); months and years add
// "rain_day_max" and "rain_day_max_date".
const std::vector<std::string_view>& summaryColumns(SummaryBy by);

// The title of a column in the window, in the language of `texts`.
std::string summaryColumnTitle(const LanguageTable& texts, std::string_view column);

// The text of one cell: numbers with the decimals of their quantity, "---" for a value no record had,
// times as HH:MM in a day's row and as the date in a month's or year's, directions as the station
// names the 16 points.
std::string summaryCell(const SummaryRow& row, std::size_t column, SummaryBy by, const UnitSelection& units);

// A number as the climate tables show it, or "---".
std::string climateNumber(std::optional<double> value, int decimals);
// Decimals of a value of each quantity in the user's units.
int temperatureDecimals();
int pressureDecimals(const UnitSelection& units);

} // namespace nimbrel
