// nimbrel-bench-climate: the climate summaries' figures on one (ten-year) file, as the user meets them
// (nimbrel-cli summary run as a program), each as a ratio to `wc -l` of the same file in the same run:
// the first summary by year (no cache), the next ones (from the cache), and a summary by day of the
// last month after an append of 15 records; and the peak memory of those runs.
#include "bench/bench_support.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace nimbrel::bench {
namespace {

// The settings area with every unit converted (°F, inHg, km/h, inch): no station is asked.
const std::string kSettings = "55AA" + std::string(28, '0') + "05030284" + std::string(24, '0');

struct ChildRun {
    double seconds = 0;
    double peakMb = 0;
    bool ok = false;
};

// A program as a child process, quiet: how long it took and its peak memory.
ChildRun measureChild(const std::vector<std::string>& words) {
    ChildRun run;
    rusage usage{};
    run.seconds = timeOnce([&] { run.ok = runChild(words, &usage, true); });
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

// The best of `runs` runs, each after `before`; the peak memory of them all.
ChildRun bestOf(int runs, const std::function<void()>& before, const std::vector<std::string>& words) {
    ChildRun best;
    for (int i = 0; i < runs; ++i) {
        before();
        const ChildRun run = measureChild(words);
        if (!run.ok) return run;
        best.peakMb = std::max(best.peakMb, run.peakMb);
        if (i == 0 || run.seconds < best.seconds) best.seconds = run.seconds;
        best.ok = true;
    }
    return best;
}

bool report(const char* what, const ChildRun& run, double baseline, double target) {
    const double ratio = run.seconds / baseline;
    const bool met = run.ok && ratio <= target;
    std::printf("%-64s %9.2f ms  ratio %7.3f  target <= %-4g %s\n", what, run.seconds * 1000, ratio, target,
                !run.ok ? "FAILED" : met ? "ok" : "MISSED");
    return met;
}

} // namespace
} // namespace nimbrel::bench

int main(int argc, char** argv) {
    using namespace nimbrel;
    using namespace nimbrel::bench;
    std::string file;
    const std::optional<double> baseline = wordCountBaseline(argc, argv, "nimbrel-bench-climate", file);
    if (!baseline) return 2;
    const double wc = *baseline;

    // A folder of its own with a copy of the file (the append changes it) and a cache of its own.
    const std::filesystem::path folder = std::filesystem::path(file).parent_path() / "bench-climate";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "cache");
    std::filesystem::copy_file(file, folder / "Nimbrel.dat");
    setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
    const std::string cli = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "nimbrel-cli").string();
    const auto summary = [&](const std::string& by, const std::string& from = {}) {
        std::vector<std::string> words = {cli, "summary", "--by", by, "--dir", folder.string(), "--settings", kSettings};
        if (!from.empty()) words.insert(words.end(), {"--from", from});
        return words;
    };
    const auto dropCache = [&] {
        std::filesystem::remove_all(folder / "cache" / "nimbrel");
    };

    const ChildRun cold = bestOf(2, dropCache, summary("year"));
    const ChildRun warm = bestOf(5, [] {}, summary("year"));

    // Fifteen records after the newest, five minutes apart, through the store's own append.
    const std::optional<WeatherSample> last = newestRecord((folder / "Nimbrel.dat").string());
    if (!last) return 1;
    std::string newest = last->text(WeatherSample::sampleTime);
    HistoryStore store((folder / "Nimbrel.dat").string());
    const auto appendFifteen = [&] {
        SampleList records;
        for (int i = 0; i < 15; ++i) {
            newest = secondsBefore(newest, -300);
            WeatherSample r = *last;
            r[WeatherSample::saveTime] = newest;
            r[WeatherSample::sampleTime] = newest;
            records.push_back(r);
        }
        store.appendRecords(records);
    };
    const ChildRun appended = bestOf(3, appendFifteen, summary("day", secondsBefore(newest, 30L * 86400).substr(0, 10)));
    std::filesystem::remove_all(folder);

    std::printf("file: %s (%.1f MB)\n", file.c_str(), static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0));
    std::printf("%-64s %9.2f ms\n", "wc -l (baseline)", wc * 1000);
    bool met = report("summary --by year, no cache", cold, wc, 8);
    met &= report("summary --by year, from the cache", warm, wc, 0.1);
    met &= report("15 records appended, then summary --by day of the last month", appended, wc, 0.1);
    const double peak = std::max({cold.peakMb, warm.peakMb, appended.peakMb});
    std::printf("%-64s %9.1f MB  target <= 100 %s\n", "peak memory of those runs", peak, peak <= 100 ? "ok" : "MISSED");
    return cold.ok && warm.ok && appended.ok ? 0 : 1;
}
