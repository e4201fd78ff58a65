// Days, months and years of the history summed up in the user's units, and the records they hold: what
// the Climate window's grids show and nimbrel-cli summary prints.
#pragma once

#include "app/climate_day.h"
#include "presentation/units.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

enum class SummaryBy { day, month, year };

// One row: a day, a month or a year, every value already in the user's units. The extremes keep the
// sample time of their record; a month's or year's row shows only its date.
struct SummaryRow {
    std::string period; // "YYYY-MM-DD", "YYYY-MM" or "YYYY"
    std::int64_t records = 0;
    std::optional<double> tempMean; // a day's mean, or the mean of the daily means
    Extreme tempHigh, tempLow;
    double heatingDegreeDays = 0.0, coolingDegreeDays = 0.0;
    Extreme humHigh, humLow, presHigh, presLow, dewHigh, dewLow, chillLow;
    double rain = 0.0;
    Extreme hourRainHigh;
    Extreme rainDayHigh; // months and years: the wettest day (its time is the date)
    std::array<int, 3> rainDays{}; // days with at least each of rainDayThresholds()
    std::optional<double> windMean; // over all records
    Extreme windHigh, gustHigh;
    int gustDirCode = -1;
    double windRun = 0.0; // in windRunUnit()
    int dominantDirCode = -1;
};

// The rows of [from, to] (dates "YYYY-MM-DD", empty for no bound) by day, month or year, oldest first.
std::vector<SummaryRow> summarize(const std::vector<ClimateDay>& days, SummaryBy by, const UnitSelection& units,
                                  const std::string& from = {}, const std::string& to = {});

// The three rain-day thresholds in the rain unit: 0.2, 2 and 20 mm, or 0.01, 0.1 and 1 in.
std::array<double, 3> rainDayThresholds(const UnitSelection& units);
// The unit of the wind run: km for m/s and km/h (and Beaufort), mi for mph, NM for knots.
std::string_view windRunUnit(const UnitSelection& units);
// Decimals of a rain amount: 2 in inches, else 1.
int rainDecimals(const UnitSelection& units);

// One record of the history: its value in the user's units and when (a sample time, a date or a month).
struct ClimateRecord {
    std::optional<double> value;
    std::string at;
};

// The records of the whole history (month 0) or of one calendar month over all years (1 to 12).
struct ClimateRecords {
    ClimateRecord tempHigh, tempLow, meanHigh, meanLow, gustHigh, windHigh, hourRainHigh, dayRainHigh,
        monthRainHigh, presHigh, presLow, humHigh, humLow, dewHigh, chillLow;
};
ClimateRecords climateRecords(const std::vector<ClimateDay>& days, const UnitSelection& units, int month = 0);

} // namespace nimbrel
