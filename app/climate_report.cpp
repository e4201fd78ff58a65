#include "app/climate_report.h"

#include "app/climate_table.h"
#include "app/language_table.h"
#include "app/profile_file.h"
#include "presentation/decimal_text.h"
#include "store/replacing_file.h"

#include <algorithm>

namespace nimbrel {

namespace {

// Characters of a UTF-8 text, for lining up columns whose titles carry accents.
std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The report's columns: which summary column each shows, and its title's key.
struct ReportColumn {
    std::string_view summaryColumn; // "" for the row's own label (its day or month)
    std::string_view title;
};

const std::vector<ReportColumn>& reportColumns(bool yearly) {
    static const std::vector<ReportColumn> monthly = {
        {"", "climate.report.day"},          {"temp_mean", "climate.report.mean"},
        {"temp_high", "climate.report.high"}, {"temp_high_time", "climate.report.time"},
        {"temp_low", "climate.report.low"},   {"temp_low_time", "climate.report.time"},
        {"hdd", "climate.report.heat"},       {"cdd", "climate.report.cool"},
        {"rain", "climate.report.rain"},      {"wind_mean", "climate.report.wind"},
        {"gust_high", "climate.report.gust"}, {"gust_high_time", "climate.report.time"},
        {"dom_dir", "climate.report.dir"},
    };
    static const std::vector<ReportColumn> year = [] {
        std::vector<ReportColumn> c = monthly;
        c[0].title = "climate.report.month";
        for (auto& column : c)
            if (column.title == "climate.report.time") column.title = "climate.report.date";
        return c;
    }();
    return yearly ? year : monthly;
}

std::vector<std::string> cellsOf(const SummaryRow& row, SummaryBy by, const UnitSelection& units,
                                 const std::vector<ReportColumn>& columns, const std::string& label) {
    const auto& names = summaryColumns(by);
    std::vector<std::string> cells;
    for (const ReportColumn& c : columns) {
        if (c.summaryColumn.empty()) {
            cells.push_back(label);
            continue;
        }
        const auto at = static_cast<std::size_t>(std::find(names.begin(), names.end(), c.summaryColumn) - names.begin());
        cells.push_back(summaryCell(row, at, by, units));
    }
    return cells;
}

// Lines up the rows under their titles, every cell right-aligned in the width of its column.
std::string alignedTable(const std::vector<std::vector<std::string>>& rows, std::size_t totalsRow) {
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], characters(row[i]));
    std::size_t lineWidth = 0;
    for (std::size_t w : widths) lineWidth += w + 2;
    const std::string rule(lineWidth - 2, '-');
    std::string out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r == 1 || r == totalsRow) out += rule + '\n';
        std::string line;
        for (std::size_t i = 0; i < rows[r].size(); ++i) {
            if (i) line += "  ";
            line.append(widths[i] - characters(rows[r][i]), ' ');
            line += rows[r][i];
        }
        out += line + '\n';
    }
    return out;
}

std::string speedUnitText(const UnitSelection& units) {
    return units.wind == unit::milesPerHour ? "mph" : units.wind;
}

std::string_view pressureUnitText(const UnitSelection& units) {
    return pressureUnitOf(units.pressure) == PressureUnit::hpa ? "hPa" : std::string_view(units.pressure);
}

} // namespace

ReportStation readReportStation(const std::filesystem::path& dataFolder) {
    const ProfileFile ini = ProfileFile::load(dataFolder / "Nimbrel.ini");
    auto value = [&](std::string_view key) { return ini.value("reports", key).value_or(""); };
    return {value("name"), value("latitude"), value("longitude"), value("altitude")};
}

std::string climateReport(const std::vector<ClimateDay>& days, const std::string& period, const UnitSelection& units,
                          const LanguageTable& texts, const ReportStation& station) {
    const bool yearly = period.size() == 4;
    const std::string first = yearly ? period + "-01-01" : period + "-01";
    const std::string last = yearly ? period + "-12-31" : period + "-31";
    const SummaryBy rowsBy = yearly ? SummaryBy::month : SummaryBy::day;
    const SummaryBy totalBy = yearly ? SummaryBy::year : SummaryBy::month;

    std::string out = texts.text(yearly ? "climate.report.year_title" : "climate.report.month_title") + " " + period + "\n";
    std::string about;
    for (auto [key, value] : {std::pair{"climate.report.station", &station.name}, {"climate.report.latitude", &station.latitude},
                              {"climate.report.longitude", &station.longitude}, {"climate.report.altitude", &station.altitude}})
        if (!value->empty()) about += (about.empty() ? "" : "   ") + texts.text(key) + ": " + *value;
    if (!about.empty()) out += about + "\n";
    out += texts.text("climate.report.units", {units.outdoorTemperature, units.rain, speedUnitText(units),
                                               windRunUnit(units), pressureUnitText(units)}) +
           "\n\n";

    const std::vector<SummaryRow> rows = summarize(days, rowsBy, units, first, last);
    if (rows.empty()) return out + texts.text("climate.report.empty") + "\n";
    const SummaryRow total = summarize(days, totalBy, units, first, last).front();

    const auto& columns = reportColumns(yearly);
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> titles;
    for (const ReportColumn& c : columns) titles.push_back(texts.text(c.title));
    table.push_back(std::move(titles));
    for (const SummaryRow& row : rows) table.push_back(cellsOf(row, rowsBy, units, columns, row.period.substr(row.period.size() - 2)));
    table.push_back(cellsOf(total, totalBy, units, columns, texts.text("climate.report.total")));
    out += alignedTable(table, table.size() - 1);

    const auto thresholds = rainDayThresholds(units);
    out += '\n';
    for (std::size_t i = 0; i < thresholds.size(); ++i)
        out += texts.text("climate.report.rain_days",
                          {fixedText(thresholds[i], rainDecimals(units)) + " " + units.rain, std::to_string(total.rainDays[i])}) +
               "\n";
    return out;
}

bool saveClimateReport(const std::string& target, std::string_view text, const std::filesystem::path& dataFolder,
                       std::string& failure) {
    failure.clear();
    for (const char* own : {"Nimbrel.dat", "Nimbrel.ini"})
        if (isSameFile(target, (dataFolder / own).string())) return false;
    ReplacingFile file(target, ".report-");
    if (file.open() && file.write(text) && file.commit()) return true;
    failure = file.failure();
    return false;
}

std::vector<NamedRecord> namedRecords(const ClimateRecords& r, const UnitSelection& units, const LanguageTable& texts) {
    const int t = temperatureDecimals();
    const int mm = rainDecimals(units);
    const std::string temperature = units.outdoorTemperature;
    const std::string rain = units.rain;
    const std::string wind = speedUnitText(units);
    const std::string pressure(pressureUnitText(units));
    struct Row {
        const char* key;
        const ClimateRecord* record;
        int decimals;
        const std::string* unit;
    };
    const std::string percent(unit::percent);
    const Row rows[] = {
        {"climate.record.temp_high", &r.tempHigh, t, &temperature},   {"climate.record.temp_low", &r.tempLow, t, &temperature},
        {"climate.record.mean_high", &r.meanHigh, t, &temperature},   {"climate.record.mean_low", &r.meanLow, t, &temperature},
        {"climate.record.gust_high", &r.gustHigh, 1, &wind},          {"climate.record.wind_high", &r.windHigh, 1, &wind},
        {"climate.record.hour_rain", &r.hourRainHigh, mm, &rain},     {"climate.record.day_rain", &r.dayRainHigh, mm, &rain},
        {"climate.record.month_rain", &r.monthRainHigh, mm, &rain},   {"climate.record.pres_high", &r.presHigh, pressureDecimals(units), &pressure},
        {"climate.record.pres_low", &r.presLow, pressureDecimals(units), &pressure},
        {"climate.record.hum_high", &r.humHigh, 0, &percent},         {"climate.record.hum_low", &r.humLow, 0, &percent},
        {"climate.record.dew_high", &r.dewHigh, t, &temperature},     {"climate.record.chill_low", &r.chillLow, t, &temperature},
    };
    std::vector<NamedRecord> out;
    for (const Row& row : rows) {
        const ClimateRecord& c = *row.record;
        // A sample time ("YYYY-MM-DD HH:MM:SS") is shown to the minute; a date or a month as it is.
        out.push_back({texts.text(row.key), climateNumber(c.value, row.decimals), *row.unit,
                       c.at.size() >= 19 ? c.at.substr(0, 16) : c.at});
    }
    return out;
}

std::string recordLines(const std::vector<NamedRecord>& records) {
    std::string out;
    for (const NamedRecord& r : records) {
        out += r.name + ": " + r.value;
        if (!r.when.empty()) out += " " + r.unit + " (" + r.when + ")";
        out += '\n';
    }
    return out;
}

} // namespace nimbrel
