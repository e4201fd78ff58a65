// What nimbrel-cli history and export share: the range options, the units of the grid, and the rows of
// the history file that the History window would list for the same range.
#pragma once

#include "app/configuration.h"
#include "app/history_export.h"
#include "app/language_table.h"
#include "presentation/units.h"
#include "station/station_settings.h"
#include "store/record_range.h"
#include "tools/nimbrel-cli/station_setup.h"

#include <filesystem>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace nimbrel::cli {

struct HistoryOptions {
    FolderOption dir;
    std::optional<std::string> from;
    std::optional<std::string> to;
    std::optional<std::string> settings; // the settings area 0x00-0x1F as 64 hex digits
};

// Adds --dir, --from, --to and --settings.
void addHistoryOptions(CLI::App& command, HistoryOptions& options);

struct HistorySource {
    std::filesystem::path folder;
    Configuration config;
    LanguageTable texts{0}; // in the configured language
    UnitSelection units;
    int axisClockIndex = 0; // the chart's time axis: 0 24-hour, 1 12-hour
    HistoryTitles titles;
    RecordRange rows;
};

// The settings whose units a command shows: decoded from --settings (`hex`), else read from the station
// when one answers, else none (said on standard error: the history file's own base units are shown).
// kExitBadInput for hex digits that are no settings area.
int settingsForUnits(const std::string& command, const FolderOption& dir, const std::optional<std::string>& hex,
                     std::optional<StationSettings>& settings);

// Checks the range (an inverted one gets the window's own message and kExitBadInput), finds the units
// (from --settings, else from the station when one answers, else the store's own base units, said on
// standard error) and lists the matching rows of the folder's history file, which it never changes.
// Returns kExitOk with `source` filled, or the status of a failure after saying why.
int openHistorySource(const std::string& command, const HistoryOptions& options, HistorySource& source);

} // namespace nimbrel::cli
