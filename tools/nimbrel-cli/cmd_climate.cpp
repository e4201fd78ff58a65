// nimbrel-cli summary / records / report: the Climate window's grids, records and reports as text.
#include "app/climate_cache.h"
#include "app/climate_report.h"
#include "app/climate_table.h"
#include "app/language_table.h"
#include "presentation/record_builders.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/history_source.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace nimbrel::cli {

namespace {

struct ClimateOptions {
    FolderOption dir;
    std::optional<std::string> settings;
};

struct ClimateSource {
    std::filesystem::path folder;
    LanguageTable texts{0};
    UnitSelection units;
    std::vector<ClimateDay> days;
};

void addClimateOptions(CLI::App& command, ClimateOptions& options) {
    addDirOption(command, options.dir);
    command.add_option("--settings", options.settings,
                       "the station's settings area 0x00-0x1F as 64 hex digits (as decode-settings takes and dump "
                       "prints): its units are used");
}

// The folder's days, summed up from Nimbrel.dat through the cache, and the units to show them in.
int openClimateSource(const std::string& command, const ClimateOptions& options, ClimateSource& source) {
    if (const int status = chooseFolder(command, options.dir, source.folder); status != kExitOk) return status;
    source.texts = LanguageTable(loadConfiguration(source.folder).languageIndex);
    std::optional<StationSettings> settings;
    if (const int status = settingsForUnits(command, options.dir, options.settings, settings); status != kExitOk)
        return status;
    if (settings) source.units = unitSelectionOf(*settings);
    const std::filesystem::path history = source.folder / "Nimbrel.dat";
    // As for history: a folder without a history file is a failed read, not an empty history.
    if (!std::filesystem::exists(history)) return fail(kExitUnreachable, command, "cannot read " + history.string() + ": no such file");
    ClimateDays loaded = loadClimateDays(history.string(), climateCachePath(source.folder));
    if (!loaded.read) return fail(kExitUnreachable, command, "cannot read " + history.string() + ": " + loaded.failure);
    source.days = std::move(loaded.days);
    return kExitOk;
}

int print(const std::string& command, const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return fail(kExitUnreachable, command, "cannot write the output");
    return kExitOk;
}

bool isDateOption(const std::optional<std::string>& text) {
    return !text || isClimateDate(*text);
}

struct SummaryOptions {
    ClimateOptions climate;
    std::string by = "day";
    std::optional<std::string> from, to;
};

int runSummary(const SummaryOptions& options) {
    const SummaryBy by = options.by == "year" ? SummaryBy::year : options.by == "month" ? SummaryBy::month : SummaryBy::day;
    if (!isDateOption(options.from) || !isDateOption(options.to))
        return fail(kExitBadInput, "summary", "--from and --to are dates of the form YYYY-MM-DD");
    ClimateSource source;
    if (const int status = openClimateSource("summary", options.climate, source); status != kExitOk) return status;
    // A bound inside a month or a year still takes that whole month or year.
    const std::string from = options.from.value_or("");
    std::string to = options.to.value_or("");
    if (by != SummaryBy::day && !to.empty()) to = to.substr(0, by == SummaryBy::month ? 7 : 4) + "-99";
    std::string first = from;
    if (by != SummaryBy::day && !first.empty()) first = first.substr(0, by == SummaryBy::month ? 7 : 4);

    const auto& columns = summaryColumns(by);
    std::string out;
    for (std::size_t c = 0; c < columns.size(); ++c) out += (c ? "\t" : "") + std::string(columns[c]);
    out += '\n';
    for (const SummaryRow& row : summarize(source.days, by, source.units, first, to)) {
        for (std::size_t c = 0; c < columns.size(); ++c) out += (c ? "\t" : "") + summaryCell(row, c, by, source.units);
        out += '\n';
    }
    return print("summary", out);
}

struct RecordsOptions {
    ClimateOptions climate;
    int month = 0;
};

int runRecords(const RecordsOptions& options) {
    ClimateSource source;
    if (const int status = openClimateSource("records", options.climate, source); status != kExitOk) return status;
    const ClimateRecords records = climateRecords(source.days, source.units, options.month);
    return print("records", recordLines(namedRecords(records, source.units, source.texts)));
}

struct ReportOptions {
    ClimateOptions climate;
    std::optional<std::string> month, year;
    std::string out;
};

bool isDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

int runReport(const ReportOptions& options) {
    const std::string period = options.month.value_or(options.year.value_or(""));
    const bool valid = options.month ? period.size() == 7 && period[4] == '-' && isDigits(period.substr(0, 4)) &&
                                           isDigits(period.substr(5)) && period.substr(5) >= "01" && period.substr(5) <= "12"
                                     : period.size() == 4 && isDigits(period);
    if (!valid) return fail(kExitBadInput, "report", "give --month YYYY-MM or --year YYYY");
    ClimateSource source;
    if (const int status = openClimateSource("report", options.climate, source); status != kExitOk) return status;
    const std::string text =
        climateReport(source.days, period, source.units, source.texts, readReportStation(source.folder));
    if (options.out.empty()) return print("report", text);
    std::string failure;
    if (saveClimateReport(options.out, text, source.folder, failure)) return kExitOk;
    if (failure.empty()) return fail(kExitBadInput, "report", source.texts.text("export.own_file", {options.out}));
    return fail(kExitUnreachable, "report", "cannot write " + options.out + ": " + failure);
}

} // namespace

void addClimateCommands(CLI::App& app) {
    {
        auto options = std::make_shared<SummaryOptions>();
        CLI::App& command = *app.add_subcommand(
            "summary", "print the daily, monthly or yearly summaries of the history: a header row of column names, "
                       "then one row each, separated by TAB");
        command.footer("Days are the local calendar days of the records' sample times. Values are in the units of "
                       "--settings, else of the station when one answers, else the history file's own. The sums "
                       "are kept in a cache under $XDG_CACHE_HOME/nimbrel, which only ever saves time. Exits 2 for "
                       "refused input, 1 when the history file cannot be read.");
        addClimateOptions(command, options->climate);
        command.add_option("--by", options->by, "day, month or year (default day)")
            ->check(CLI::IsMember({"day", "month", "year"}));
        command.add_option("--from", options->from, "first day, YYYY-MM-DD (default: the history's first)");
        command.add_option("--to", options->to, "last day, YYYY-MM-DD (default: the history's last)");
        setRun(command, [options] { return runSummary(*options); });
    }
    {
        auto options = std::make_shared<RecordsOptions>();
        CLI::App& command = *app.add_subcommand(
            "records", "print the records of the history (the highest and lowest values, with when) as "
                       "\"Name: value unit (date time)\" lines");
        command.footer("Named as the Climate window names them, in the configured language. Exits 1 when the "
                       "history file cannot be read.");
        addClimateOptions(command, options->climate);
        command.add_option("--month", options->month, "only this calendar month of every year, 1 to 12")
            ->check(CLI::Range(1, 12));
        setRun(command, [options] { return runRecords(*options); });
    }
    {
        auto options = std::make_shared<ReportOptions>();
        CLI::App& command =
            *app.add_subcommand("report", "print or save the monthly or yearly climate report as fixed-width text");
        command.footer("The header names the station from the optional section [reports] of Nimbrel.ini (name, "
                       "latitude, longitude, altitude). --out writes UTF-8 through a temporary file renamed into "
                       "place. Exits 2 for refused input, 1 when a file cannot be read or written.");
        addClimateOptions(command, options->climate);
        auto* month = command.add_option("--month", options->month, "the month, YYYY-MM");
        auto* year = command.add_option("--year", options->year, "the year, YYYY");
        month->excludes(year);
        command.add_option("--out", options->out, "the file to write (default: standard output)");
        setRun(command, [options] { return runReport(*options); });
    }
}

} // namespace nimbrel::cli
