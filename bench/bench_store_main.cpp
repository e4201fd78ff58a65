// nimbrel-bench-store: times the history store's per-cycle and query paths on one file
// against `wc -l` on the same file, and reports the peak memory of the process.
#include "bench/bench_support.h"
#include "presentation/history_row.h"
#include "station/weather_sample.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel::bench {
namespace {

// Builds the 35 cells of each history-grid row the way the grid does, with its row builder.
class FormattingRows : public HistoryRowView {
public:
    void removeAllRows() override { rows_ = 0; }
    void addRow(const WeatherSample& record, int row) override {
        builder_.cells(cells_, record, static_cast<std::size_t>(row));
        for (const std::string& cell : cells_) checksum_ += cell.size();
        rows_ = row + 1;
    }
    int rows() const { return rows_; }
    std::size_t checksum() const { return checksum_; }

private:
    HistoryRowBuilder builder_{gridUnits()};
    std::array<std::string, kHistoryGridColumns> cells_;
    int rows_ = 0;
    std::size_t checksum_ = 0;
};

// Fetched records as the station hands them over: newest first, 5 minutes apart.
SampleList fetchedAfter(const WeatherSample& last, int count, double rainPerRecord) {
    SampleList list;
    const double counter = std::atof(last.text(WeatherSample::rainMm).c_str());
    for (int k = count; k >= 1; --k) {
        WeatherSample s = last;
        s.text(WeatherSample::sampleTime) = secondsBefore(last.text(WeatherSample::sampleTime), -300L * k);
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", counter + rainPerRecord * k);
        s.text(WeatherSample::rainMm) = text;
        list.push_back(s);
    }
    return list;
}

struct Result {
    std::string what;
    double seconds;
    double target; // largest ratio to wc -l allowed, 0 for none
};

} // namespace
} // namespace nimbrel::bench

int main(int argc, char** argv) {
    using namespace nimbrel;
    using namespace nimbrel::bench;
    std::string file;
    const std::optional<double> baseline = wordCountBaseline(argc, argv, "nimbrel-bench-store", file);
    if (!baseline) return 2;
    const double wc = *baseline;
    std::vector<Result> results;

    // The first query of a freshly opened store builds the index; run each on its own store.
    const std::optional<WeatherSample> newestStored = newestRecord(file);
    if (!newestStored) return 1;
    const WeatherSample last = *newestStored;
    const std::string newest = last.text(WeatherSample::saveTime);
    const std::string hourAgo = secondsBefore(newest, 3600);
    int firstRows = 0;
    const double first = timeBest(3, [&] {
        HistoryStore fresh(file);
        FormattingRows rows;
        firstRows = fresh.listRecordsInRange(rows, hourAgo, newest);
    });
    results.push_back({"first query after opening (last hour, builds the index)", first, 3.0});

    HistoryStore store(file);
    FormattingRows warm;
    store.listRecordsInRange(warm, hourAgo, newest);

    // The rain walks, first on a store just opened (they read the file's end) and then as each
    // cycle of the monitor runs them on the store it keeps open (they use the facts kept since).
    const auto oneSample = [&](HistoryStore& on) {
        SampleList one = fetchedAfter(last, 1, 0.3);
        computeRainTotalsFromStore(one[0], on);
    };
    const auto twelveRecords = [&](HistoryStore& on) {
        SampleList fetched = fetchedAfter(last, 12, 0.2);
        computeRainTotalsForNewRecords(fetched, on, "Compute history rain data", [](const std::string&) {});
    };
    results.push_back({"computeRainTotalsFromStore, one new sample, store just opened",
                       timeBest(7,
                                [&] {
                                    HistoryStore fresh(file);
                                    oneSample(fresh);
                                }),
                       0.05});
    results.push_back({"computeRainTotalsForNewRecords, 12 new records, store just opened",
                       timeBest(7,
                                [&] {
                                    HistoryStore fresh(file);
                                    twelveRecords(fresh);
                                }),
                       0.05});
    results.push_back({"computeRainTotalsFromStore, one new sample, later cycles",
                       timeBest(7, [&] { oneSample(store); }), 0.05});
    results.push_back({"computeRainTotalsForNewRecords, 12 new records, later cycles",
                       timeBest(7, [&] { twelveRecords(store); }), 0.05});

    struct Window {
        const char* what;
        long seconds;
        double target;
    };
    std::vector<int> rowCounts;
    for (const Window& window : {Window{"listRecordsInRange, last hour", 3600, 0.05},
                                 Window{"listRecordsInRange, last 24 hours", 86400, 0.05},
                                 Window{"listRecordsInRange, last 30 days", 2592000, 0.3}}) {
        const std::string from = secondsBefore(newest, window.seconds);
        int rows = 0;
        results.push_back({window.what,
                           timeBest(5,
                                    [&] {
                                        FormattingRows view;
                                        rows = store.listRecordsInRange(view, from, newest);
                                    }),
                           window.target});
        rowCounts.push_back(rows);
    }
    const std::string monthAgo = secondsBefore(newest, 2592000);
    results.push_back({"forEachRecordInRange, last 30 days, rows not formatted",
                       timeBest(5,
                                [&] {
                                    std::size_t seen = 0;
                                    store.forEachRecordInRange(
                                        monthAgo, newest, [&](const WeatherSample& record) {
                                            seen += record.text(WeatherSample::ID).size();
                                            return true;
                                        });
                                }),
                       0.0});
    std::size_t lazyRows = 0;
    results.push_back({"findRecordsInRange, last 30 days, first page of 50 rows",
                       timeBest(5,
                                [&] {
                                    RecordRange range = store.findRecordsInRange(monthAgo, newest);
                                    lazyRows = range.size();
                                    FormattingRows view;
                                    int row = 0;
                                    for (const WeatherSample& s : range.records(0, 50)) view.addRow(s, row++);
                                }),
                       0.0});

    // The append works on a copy, so the benchmark leaves the generated file as it was.
    const std::string copy = file + ".bench-append";
    std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
    {
        HistoryStore appending(copy);
        FormattingRows view;
        appending.listRecordsInRange(view, hourAgo,
                                     newest); // the index exists, as after the grid's first query
        WeatherSample tail = last;
        results.push_back({"appendRecords, 12 records",
                           timeBest(5,
                                    [&] {
                                        SampleList fetched = fetchedAfter(tail, 12, 0.1);
                                        appending.appendRecords(fetched);
                                        tail = fetched.front();
                                    }),
                           0.05});
    }
    std::filesystem::remove(copy);

    const double peakMb = peakMegabytes();

    std::printf("file: %s (%.1f MB)\n", file.c_str(),
                static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0));
    std::printf(
        "newest saveTime %s; rows: last hour %d, 24 hours %d, 30 days %d (first query %d, lazy %zu)\n",
        newest.c_str(), rowCounts[0], rowCounts[1], rowCounts[2], firstRows, lazyRows);
    std::printf("%-68s %10.2f ms\n", "wc -l (baseline, child process)", wc * 1000);
    for (const Result& r : results) {
        std::printf("%-68s %10.2f ms  ratio %7.4f", r.what.c_str(), r.seconds * 1000, r.seconds / wc);
        if (r.target > 0)
            std::printf("  target <= %-5g %s", r.target, r.seconds / wc <= r.target ? "ok" : "MISSED");
        std::printf("\n");
    }
    std::printf("%-68s %10.1f MB  target < 100 %s\n", "peak resident memory", peakMb,
                peakMb < 100 ? "ok" : "MISSED");
    return 0;
}
