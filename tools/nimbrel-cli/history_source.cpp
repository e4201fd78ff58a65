#include "tools/nimbrel-cli/history_source.h"

#include "app/history_columns.h"
#include "app/history_search.h"
#include "presentation/record_builders.h"
#include "station/station_busy.h"
#include "store/history_store.h"
#include "tools/nimbrel-cli/folder_session.h"
#include "tools/nimbrel-cli/hex_input.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <span>

namespace nimbrel::cli {

namespace {

// Past every save time the file can hold: the end of an open range.
constexpr const char* kAfterEveryTime = "~";

bool rangeBoundIsValid(const std::string& command, const char* name, const std::optional<std::string>& bound) {
    if (!bound || isRangeStamp(*bound)) return true;
    fail(kExitBadInput, command,
         std::string(name) + " \"" + *bound + "\" is not a time of the form YYYY-MM-DD HH:MM:SS");
    return false;
}

// The settings that the station shows now, read as the window's thread reads them; nothing when no
// station answers.
std::optional<StationSettings> settingsFromStation(const std::string& command, const FolderOption& dir) {
    std::unique_ptr<AcquisitionSession> session;
    if (openSession(command, dir, FolderUse::beside, session) != kExitOk) return std::nullopt;
    StationAccess& station = session->station();
    if (!station.pollConnection()) return std::nullopt;
    StationBusyLock busy(station.busy());
    StationSettings settings;
    if (!busy.acquire(station.clock()) || !station.readSettingsBlock(settings)) return std::nullopt;
    return settings;
}

} // namespace

void addHistoryOptions(CLI::App& command, HistoryOptions& options) {
    addDirOption(command, options.dir);
    command.add_option("--from", options.from,
                       "first save time, \"YYYY-MM-DD HH:MM:SS\" (default: the history's beginning)");
    command.add_option("--to", options.to, "last save time, \"YYYY-MM-DD HH:MM:SS\" (default: the history's end)");
    command.add_option("--settings", options.settings,
                       "the station's settings area 0x00-0x1F as 64 hex digits (as decode-settings takes "
                       "and dump prints): its units and date and time formats are used");
}

int settingsForUnits(const std::string& command, const FolderOption& dir, const std::optional<std::string>& hex,
                     std::optional<StationSettings>& settings) {
    if (hex) {
        std::string error;
        const auto bytes = parseHexBytes({*hex}, kSettingsLength, error);
        if (!bytes) return fail(kExitBadInput, command, "--settings: " + error);
        settings.emplace();
        decodeSettings(std::span<const std::uint8_t, kSettingsLength>(bytes->data(), kSettingsLength), *settings);
        return kExitOk;
    }
    settings = settingsFromStation(command, dir);
    if (!settings)
        warn(command, "no settings given and no station answered: values are in the history file's own "
                      "units (°C, %, "
                      "Hpa, m/s, mm) and times year-month-day, 24 hours");
    return kExitOk;
}

int openHistorySource(const std::string& command, const HistoryOptions& options, HistorySource& source) {
    if (const int status = chooseFolder(command, options.dir, source.folder); status != kExitOk) return status;
    source.config = loadConfiguration(source.folder);
    source.texts = LanguageTable(source.config.languageIndex);

    if (!rangeBoundIsValid(command, "--from", options.from) || !rangeBoundIsValid(command, "--to", options.to))
        return kExitBadInput;
    HistoryRange range;
    if (!range.accept(options.from.value_or(""), options.to.value_or(kAfterEveryTime)))
        return fail(kExitBadInput, command, source.texts.text(TextRow::endBeforeStart));

    std::optional<StationSettings> settings;
    if (const int status = settingsForUnits(command, options.dir, options.settings, settings); status != kExitOk)
        return status;
    if (settings) {
        source.units = unitSelectionOf(*settings);
        source.axisClockIndex = settings->formats.axisClockIndex;
    }
    source.titles = historyColumnTitles(source.texts, source.units);

    // Read only: the store is not opened for writing (no file made, no leftovers cleaned), as the
    // History window of another program would read it.
    const std::string path = (source.folder / "Nimbrel.dat").string();
    HistoryStore store(path);
    source.rows = store.findRecordsInRange(range.from(), range.to());
    if (!source.rows.failure().empty())
        return fail(kExitUnreachable, command, "cannot read " + path + ": " + source.rows.failure());
    return kExitOk;
}

} // namespace nimbrel::cli
