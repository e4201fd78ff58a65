#include "app/climate_table.h"

#include "app/language_table.h"
#include "presentation/decimal_text.h"
#include "presentation/formatting.h"

namespace nimbrel {

namespace {

enum Column : std::size_t {
    date,
    records,
    tempMean,
    tempHigh,
    tempHighTime,
    tempLow,
    tempLowTime,
    hdd,
    cdd,
    humHigh,
    humLow,
    presHigh,
    presLow,
    dewHigh,
    dewLow,
    chillLow,
    rain,
    hourRainMax,
    hourRainMaxTime,
    windMean,
    windHigh,
    windHighTime,
    gustHigh,
    gustHighTime,
    gustDir,
    windRun,
    domDir,
    rainDayMax,
    rainDayMaxDate,
};

const std::vector<std::string_view> kDayColumns = {
    "date",     "records",    "temp_mean", "temp_high",    "temp_high_time", "temp_low",          "temp_low_time",
    "hdd",      "cdd",        "hum_high",  "hum_low",      "pres_high",      "pres_low",          "dew_high",
    "dew_low",  "chill_low",  "rain",      "hour_rain_max", "hour_rain_max_time", "wind_mean",    "wind_high",
    "wind_high_time", "gust_high", "gust_high_time", "gust_dir", "wind_run", "dom_dir",
};

std::vector<std::string_view> withRainDays(std::vector<std::string_view> columns) {
    columns.push_back("rain_day_max");
    columns.push_back("rain_day_max_date");
    return columns;
}

std::string number(const Extreme& e, int decimals) {
    return climateNumber(e.known() ? std::optional(e.value) : std::nullopt, decimals);
}

// When an extreme happened: HH:MM within a day's row, the date within a month's or a year's.
std::string when(const Extreme& e, SummaryBy by) {
    if (!e.known()) return "---";
    const std::string time = e.time();
    if (by != SummaryBy::day) return std::string(time.substr(0, 10));
    return time.size() >= 16 ? std::string(time.substr(11, 5)) : "---";
}

std::string direction(int code) {
    const std::string_view name = compassName(code);
    return name.empty() ? "---" : std::string(name);
}

} // namespace

const std::vector<std::string_view>& summaryColumns(SummaryBy by) {
    static const std::vector<std::string_view> longer = withRainDays(kDayColumns);
    return by == SummaryBy::day ? kDayColumns : longer;
}

std::string summaryColumnTitle(const LanguageTable& texts, std::string_view column) {
    return texts.text("climate.column." + std::string(column));
}

std::string climateNumber(std::optional<double> value, int decimals) {
    return value ? fixedText(*value, decimals) : "---";
}

int temperatureDecimals() {
    return 1;
}

int pressureDecimals(const UnitSelection& units) {
    return pressureUnitOf(units.pressure) == PressureUnit::inHg ? 2 : 1;
}

std::string summaryCell(const SummaryRow& r, std::size_t column, SummaryBy by, const UnitSelection& units) {
    const int t = temperatureDecimals();
    const int p = pressureDecimals(units);
    const int mm = rainDecimals(units);
    const bool hasTemperature = r.tempMean.has_value();
    switch (column) {
    case date: return r.period;
    case records: return std::to_string(r.records);
    case tempMean: return climateNumber(r.tempMean, t);
    case tempHigh: return number(r.tempHigh, t);
    case tempHighTime: return when(r.tempHigh, by);
    case tempLow: return number(r.tempLow, t);
    case tempLowTime: return when(r.tempLow, by);
    case hdd: return climateNumber(hasTemperature ? std::optional(r.heatingDegreeDays) : std::nullopt, 1);
    case cdd: return climateNumber(hasTemperature ? std::optional(r.coolingDegreeDays) : std::nullopt, 1);
    case humHigh: return number(r.humHigh, 0);
    case humLow: return number(r.humLow, 0);
    case presHigh: return number(r.presHigh, p);
    case presLow: return number(r.presLow, p);
    case dewHigh: return number(r.dewHigh, t);
    case dewLow: return number(r.dewLow, t);
    case chillLow: return number(r.chillLow, t);
    case rain: return fixedText(r.rain, mm);
    case hourRainMax: return number(r.hourRainHigh, mm);
    case hourRainMaxTime: return when(r.hourRainHigh, by);
    case windMean: return climateNumber(r.windMean, 1);
    case windHigh: return number(r.windHigh, 1);
    case windHighTime: return when(r.windHigh, by);
    case gustHigh: return number(r.gustHigh, 1);
    case gustHighTime: return when(r.gustHigh, by);
    case gustDir: return direction(r.gustDirCode);
    case windRun: return fixedText(r.windRun, 1);
    case domDir: return direction(r.dominantDirCode);
    case rainDayMax: return number(r.rainDayHigh, mm);
    case rainDayMaxDate: return when(r.rainDayHigh, SummaryBy::month);
    }
    return {};
}

} // namespace nimbrel
