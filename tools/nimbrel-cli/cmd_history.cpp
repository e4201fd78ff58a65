// nimbrel-cli history / export: the History window's grid as text, and the file its Export writes.
#include "app/history_export.h"
#include "presentation/history_row.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/history_source.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace nimbrel::cli {

namespace {

struct ExportOptions {
    HistoryOptions history;
    std::optional<std::string> columns;
    std::string separator = "TAB";
    bool header = false;
    std::string out;
};

int runHistory(const HistoryOptions& options) {
    HistorySource source;
    if (const int status = openHistorySource("history", options, source); status != kExitOk) return status;
    HistoryRowBuilder builder(source.units);
    std::string line;
    std::string cell;
    const bool read = source.rows.visit(0, source.rows.size(), [&](const WeatherSample& record, std::size_t row) {
        line.clear();
        for (int c = 0; c < kHistoryGridColumns; ++c) {
            if (c) line += '\t';
            builder.cell(cell, c, record, row);
            line += cell;
        }
        line += '\n';
        return std::fwrite(line.data(), 1, line.size(), stdout) == line.size();
    });
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(kExitUnreachable, "history", "cannot write the rows");
    if (!read) return fail(kExitUnreachable, "history", "the history file could not be read to its end");
    return kExitOk;
}

int runExport(const ExportOptions& options) {
    ExportChoice choice = defaultExportChoice();
    if (options.columns) {
        std::string error;
        auto columns = parseExportColumns(*options.columns, error);
        if (!columns) return fail(kExitBadInput, "export", "--columns: " + error);
        choice.columns = std::move(*columns);
    }
    choice.separator = separatorFromText(options.separator);
    choice.header = options.header;

    HistorySource source;
    if (const int status = openHistorySource("export", options.history, source); status != kExitOk) return status;
    ExportJob job;
    job.rows = &source.rows;
    job.units = source.units;
    job.titles = &source.titles;
    job.choice = choice;
    job.target = options.out;
    job.protectedFiles = {(source.folder / "Nimbrel.dat").string(), (source.folder / "Nimbrel.ini").string()};
    if (isatty(STDERR_FILENO)) {
        job.progress = [](std::size_t done, std::size_t total) {
            std::fprintf(stderr, "\rexport: %zu / %zu rows", done, total);
            if (done == total) std::fputc('\n', stderr);
            return true;
        };
    }
    const ExportResult result = exportHistory(job);
    switch (result.status) {
    case ExportStatus::written: return kExitOk;
    case ExportStatus::ownFile:
        return fail(kExitBadInput, "export", source.texts.text("export.own_file", {options.out}));
    case ExportStatus::cancelled:
    case ExportStatus::failed: break;
    }
    return fail(kExitUnreachable, "export", source.texts.text("export.failed", {options.out, result.reason}));
}

} // namespace

void addHistoryCommand(CLI::App& app) {
    auto options = std::make_shared<HistoryOptions>();
    CLI::App& command = *app.add_subcommand(
        "history", "print the History window's grid for a range of save times: one row a line, cells "
                   "separated by TAB");
    command.footer("The 35 cells of each row as the window shows them, in the units and date and time "
                   "formats of --settings, else of the station when one answers, else the history file's "
                   "own. Reads Nimbrel.dat only; works while the window or the logger runs. Exits 2 for "
                   "an end before the start, 1 when the file cannot be read.");
    addHistoryOptions(command, *options);
    setRun(command, [options] { return runHistory(*options); });
}

void addExportCommand(CLI::App& app) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App& command = *app.add_subcommand(
        "export", "write the file that the History window's Export writes for a range of save times");
    command.footer("Columns are numbered as in the Export dialog's list (1 is No); the default is the "
                   "dialog's own choice, every shown column in grid order. The separator's TAB and BLANK "
                   "become a tab and a blank; any other text is written as it stands. Lines end in CR LF. "
                   "The file is replaced only once it is whole on disk. Exits 2 for refused input (an "
                   "end before the start, a bad column, Nimbrel's own files as --out), 1 when a read or "
                   "write failed (the old file is then kept).");
    addHistoryOptions(command, options->history);
    command.add_option("--columns", options->columns, "the columns to write, in order, e.g. 1,2,4,3");
    command.add_option("--separator", options->separator, "the separator text (default TAB)");
    command.add_flag("--header", options->header, "start with a line of the column titles");
    command.add_option("--out", options->out, "the file to write")->required();
    setRun(command, [options] { return runExport(*options); });
}

} // namespace nimbrel::cli
