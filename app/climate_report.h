// The monthly and yearly climate reports as fixed-width plain text, and the records as named lines: what
// the Climate window's Report and Records tabs show and nimbrel-cli report and records print.
#pragma once

#include "app/climate_summary.h"

#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel {

class LanguageTable;

// The station as the optional section `reports` of Nimbrel.ini describes it; absent keys stay empty.
struct ReportStation {
    std::string name, latitude, longitude, altitude;
};
ReportStation readReportStation(const std::filesystem::path& dataFolder);

// The report of a month ("YYYY-MM": one row a day) or a year ("YYYY": one row a month), in the language
// of `texts` and the user's units, lines ending in LF.
std::string climateReport(const std::vector<ClimateDay>& days, const std::string& period, const UnitSelection& units,
                          const LanguageTable& texts, const ReportStation& station);

// Writes a report (UTF-8) through a temporary file renamed over `target`. The data folder's own files
// (Nimbrel.dat, Nimbrel.ini) are refused as targets: `failure` is then empty and false returned.
bool saveClimateReport(const std::string& target, std::string_view text, const std::filesystem::path& dataFolder,
                       std::string& failure);

// One record as the Records tab lists it.
struct NamedRecord {
    std::string name;  // in the language of `texts`
    std::string value; // the number, or "---"
    std::string unit;
    std::string when; // "YYYY-MM-DD HH:MM", "YYYY-MM-DD" or "YYYY-MM"; empty for no record
};
std::vector<NamedRecord> namedRecords(const ClimateRecords& records, const UnitSelection& units,
                                      const LanguageTable& texts);

// "Name: value unit (when)" lines, each ending in LF.
std::string recordLines(const std::vector<NamedRecord>& records);

} // namespace nimbrel
