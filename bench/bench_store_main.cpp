// nimbrel-bench-store: times the history store's per-cycle and query paths on one file
// against `wc -l` on the same file, and reports the peak memory of the process.
#include "presentation/record_builders.h"
#include "presentation/time_text.h"
#include "presentation/units.h"
#include "station/weather_sample.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace nimbrel::bench {
namespace {

using Seconds = std::chrono::duration<double>;

double timeOnce(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return Seconds(std::chrono::steady_clock::now() - start).count();
}

// The best of several runs, for the baseline and every measurement alike: the machine is
// shared, and the best run is the one that other work disturbed least.
double timeBest(int runs, const std::function<void()>& work) {
    double best = timeOnce(work);
    for (int i = 1; i < runs; ++i) best = std::min(best, timeOnce(work));
    return best;
}

// `wc -l FILE` as a child process, its output thrown away.
bool runWordCount(const std::string& file) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const char* args[] = {"wc", "-l", file.c_str(), nullptr};
    pid_t child = 0;
    const int failed = posix_spawnp(&child, "wc", &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return false;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Save times are local-time texts; the windows count back from the newest one in plain
// calendar arithmetic, as the history window's pickers do.
std::string secondsBefore(const std::string& time, long seconds) {
    std::tm tm{};
    if (!strptime(time.c_str(), "%Y-%m-%d %H:%M:%S", &tm)) return time;
    const std::time_t t = timegm(&tm) - seconds;
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// Builds the 35 cells of a history-grid row the way the grid does: the record rewritten in
// the user's units by the presentation's own builder, the row number, the sample time in the
// user's date and time format (a StationTimeFormatter per listing, as the grid's model keeps
// one), and every other cell taken from the rewritten record.
UnitSelection gridUnits() {
    UnitSelection units;
    units.indoorTemperature = unit::fahrenheit;
    units.outdoorTemperature = unit::fahrenheit;
    units.pressure = unit::inHg;
    units.wind = unit::kmPerHour;
    units.rain = unit::inch;
    units.dateFormat = 2;
    units.timeFormat = 1;
    return units;
}

class FormattingRows : public HistoryRowView {
public:
    void removeAllRows() override { rows_ = 0; }
    void addRow(const WeatherSample& record, int row) override {
        using S = WeatherSample;
        shown_ = record;
        sampleForDisplay(shown_, units_);
        std::size_t c = 0;
        cells_[c++] = std::to_string(row + 1);
        cells_[c++] = times_.text(shown_.text(S::sampleTime));
        for (int p : {S::sampleCircle, S::indHumi, S::indTemp,     S::outHumi,   S::outTemp,   S::absPres,
                      S::winds,        S::gust,    S::windDirDesc, S::relPres,   S::dewPoint,  S::windChill,
                      S::hourRain,     S::dayRain, S::weekRain,    S::monthRain, S::totalRain, S::windsLevel,
                      S::gustLevel,    S::windDir, S::condition,   S::rain,      S::rainMm,    S::increment})
            cells_[c++] = shown_.text(p);
        for (int p = S::f1; p <= S::totalRainOverflow; ++p) cells_[c++] = shown_.text(p);
        cells_[c++] = shown_.text(S::saveTime);
        for (std::size_t i = 0; i < c; ++i) checksum_ += cells_[i].size();
        rows_ = row + 1;
    }
    int rows() const { return rows_; }
    std::size_t checksum() const { return checksum_; }

private:
    UnitSelection units_ = gridUnits();
    StationTimeFormatter times_{units_.dateFormat, units_.timeFormat};
    WeatherSample shown_;
    std::array<std::string, 35> cells_;
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
    if (argc != 2) {
        std::fprintf(stderr, "usage: nimbrel-bench-store FILE\n");
        return 2;
    }
    const std::string file = argv[1];
    if (!std::filesystem::exists(file) || !runWordCount(file)) { // also brings the file into the cache
        std::fprintf(stderr, "cannot read %s with wc -l\n", file.c_str());
        return 1;
    }
    const double wc = timeBest(5, [&] { runWordCount(file); });
    std::vector<Result> results;

    // The first query of a freshly opened store builds the index; run each on its own store.
    WeatherSample last;
    {
        HistoryStore probe(file);
        if (!probe.readLastRecord(last)) {
            std::fprintf(stderr, "%s holds no record\n", file.c_str());
            return 1;
        }
    }
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

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;

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
