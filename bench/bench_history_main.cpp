// nimbrel-bench-history: the History window's and the export's figures on one (ten-year) file, each
// as a ratio to a baseline measured in the same run: `wc -l` of the file for the searches, and a
// `cp` of the file to the same folder followed by `sync` of the copy for the export.
#include "app/history_export.h"
#include "app/history_columns.h"
#include "app/language_table.h"
#include "bench/bench_support.h"
#include "presentation/history_row.h"
#include "store/history_store.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace nimbrel::bench {
namespace {

// The rows a window shows at once.
constexpr std::size_t kScreenRows = 40;

// What the grid does for the rows in view: read them and build every cell.
std::size_t buildRows(const RecordRange& range, std::size_t first, std::size_t count) {
    HistoryRowBuilder builder(gridUnits());
    std::array<std::string, kHistoryGridColumns> cells;
    std::size_t bytes = 0;
    range.visit(first, count, [&](const WeatherSample& record, std::size_t row) {
        builder.cells(cells, record, row);
        for (const std::string& cell : cells) bytes += cell.size();
        return true;
    });
    return bytes;
}

void report(const char* what, double seconds, double baseline, double target) {
    const double ratio = seconds / baseline;
    std::printf("%-72s %9.2f ms  ratio %7.3f  target <= %-4g %s\n", what, seconds * 1000, ratio, target,
                ratio <= target ? "ok" : "MISSED");
}

} // namespace
} // namespace nimbrel::bench

int main(int argc, char** argv) {
    using namespace nimbrel;
    using namespace nimbrel::bench;
    std::string file;
    const std::optional<double> baseline = wordCountBaseline(argc, argv, "nimbrel-bench-history", file);
    if (!baseline) return 2;
    const double wc = *baseline;

    const std::optional<WeatherSample> last = newestRecord(file);
    if (!last) return 1;
    const std::string newest = last->text(WeatherSample::saveTime);
    HistoryStore store(file);

    // The window opens on the last hour; that first search builds the store's index.
    const double opening = timeOnce([&] {
        const RecordRange range = store.findRecordsInRange(secondsBefore(newest, 3600), newest);
        buildRows(range, range.size() > kScreenRows ? range.size() - kScreenRows : 0, kScreenRows);
    });

    // "a month" ending at each whole year back from the newest record: the slowest of them.
    double month = 0;
    std::size_t monthRows = 0;
    for (long years = 0; years < 10; ++years) {
        const std::string to = secondsBefore(newest, years * 31536000L);
        const std::string from = secondsBefore(to, 2592000);
        month = std::max(month, timeBest(3, [&] {
                             const RecordRange range = store.findRecordsInRange(from, to);
                             monthRows = range.size();
                             buildRows(range, range.size() > kScreenRows ? range.size() - kScreenRows : 0,
                                       kScreenRows);
                         }));
    }

    // "user defined" over everything, to the last screenful (the grid scrolls to its end).
    RecordRange all;
    const double everything = timeBest(3, [&] {
        all = RecordRange{};
        all = store.findRecordsInRange("", "~");
        buildRows(all, all.size() > kScreenRows ? all.size() - kScreenRows : 0, kScreenRows);
    });
    const double heldMb = peakMegabytes();

    // Scrolling: a screenful built at the start, the middle and the end of the ten-year result.
    double screenful = 0;
    for (std::size_t at : {std::size_t{0}, all.size() / 2, all.size() > kScreenRows ? all.size() - kScreenRows : 0})
        screenful = std::max(screenful, timeBest(5, [&] { buildRows(all, at, kScreenRows); }));

    // The export of every row with the dialog's default columns, against cp + sync of the file.
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    const std::string copy = (folder / "bench-copy.dat").string();
    const std::string exported = (folder / "bench-export.txt").string();
    const double copySync = timeBest(2, [&] {
        runChild({"cp", file, copy});
        runChild({"sync", copy});
    });
    std::filesystem::remove(copy);
    const HistoryTitles titles = historyColumnTitles(LanguageTable(0), gridUnits());
    ExportJob job;
    job.rows = &all;
    job.units = gridUnits();
    job.titles = &titles;
    job.choice = defaultExportChoice();
    job.target = exported;
    ExportResult result;
    const double exporting = timeBest(2, [&] { result = exportHistory(job); });
    const auto exportedBytes = std::filesystem::exists(exported) ? std::filesystem::file_size(exported) : 0;
    std::filesystem::remove(exported);
    const double peakMb = peakMegabytes();

    std::printf("file: %s (%.1f MB, %zu records)\n", file.c_str(),
                static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0), all.size());
    std::printf("%-72s %9.2f ms\n", "wc -l (baseline of the searches)", wc * 1000);
    std::printf("%-72s %9.2f ms\n", "cp + sync of the file (baseline of the export)", copySync * 1000);
    std::printf("%-72s %9.2f ms  ratio %7.3f\n", "window opens: last hour, index built, last screenful built",
                opening * 1000, opening / wc);
    std::printf("a month is %zu rows\n", monthRows);
    report("search \"a month\", slowest of 10 places in the years, to first rows shown", month, wc, 0.3);
    report("search \"user defined\" over all the years, to first rows shown", everything, wc, 3);
    std::printf("%-72s %9.2f ms  target <= 16 ms %s\n", "a screenful (40 rows x 35 cells) anywhere in the result",
                screenful * 1000, screenful <= 0.016 ? "ok" : "MISSED");
    std::printf("export of every row, 22 columns: %s, %.1f MB\n",
                result.status == ExportStatus::written ? "written" : result.reason.c_str(),
                static_cast<double>(exportedBytes) / (1024.0 * 1024.0));
    report("export of all the years (ratio to cp + sync)", exporting, copySync, 5);
    std::printf("%-72s %9.1f MB  target <= 150 %s\n", "peak memory holding the ten-year result", heldMb,
                heldMb <= 150 ? "ok" : "MISSED");
    std::printf("%-72s %9.1f MB  target <= 150 %s\n", "peak memory after the export", peakMb,
                peakMb <= 150 ? "ok" : "MISSED");
    return result.status == ExportStatus::written ? 0 : 1;
}
