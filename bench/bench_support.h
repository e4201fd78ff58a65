// What the benchmarks share: timing, the baselines run as child processes, and the grid's units.
#pragma once

#include "presentation/units.h"
#include "station/weather_sample.h"
#include "store/history_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <initializer_list>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace nimbrel::bench {

using Seconds = std::chrono::duration<double>;

inline double timeOnce(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return Seconds(std::chrono::steady_clock::now() - start).count();
}

// The best of several runs, for the baseline and every measurement alike: the machine is
// shared, and the best run is the one that other work disturbed least.
inline double timeBest(int runs, const std::function<void()>& work) {
    double best = timeOnce(work);
    for (int i = 1; i < runs; ++i) best = std::min(best, timeOnce(work));
    return best;
}

// A program as a child process, its output (and with `quiet` its messages) thrown away; true when it
// exited 0. `usage`, when given, gets what the child used (its peak memory).
inline bool runChild(std::vector<std::string> words, rusage* usage = nullptr, bool quiet = false) {
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return false;
    int status = 0;
    rusage used{};
    wait4(child, &status, 0, &used);
    if (usage) *usage = used;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// `wc -l FILE`: the baseline of the store's figures.
inline bool runWordCount(const std::string& file) {
    return runChild({"wc", "-l", file});
}

// The one argument of a benchmark, FILE, and the best of five `wc -l` runs on it (the first also
// brings the file into the cache); nothing after saying what is wrong.
inline std::optional<double> wordCountBaseline(int argc, char** argv, const char* program, std::string& file) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", program);
        return std::nullopt;
    }
    file = argv[1];
    if (!std::filesystem::exists(file) || !runWordCount(file)) {
        std::fprintf(stderr, "cannot read %s with wc -l\n", file.c_str());
        return std::nullopt;
    }
    return timeBest(5, [&] { runWordCount(file); });
}

// The newest record of the file, read by a store of its own (so a benchmark's own store starts cold);
// nothing after saying the file holds none.
inline std::optional<WeatherSample> newestRecord(const std::string& file) {
    WeatherSample last;
    HistoryStore probe(file);
    if (probe.readLastRecord(last)) return last;
    std::fprintf(stderr, "%s holds no record\n", file.c_str());
    return std::nullopt;
}

// Save times are local-time texts; the windows count back from the newest one in plain
// calendar arithmetic, as the history window's pickers do.
inline std::string secondsBefore(const std::string& time, long seconds) {
    std::tm tm{};
    if (!strptime(time.c_str(), "%Y-%m-%d %H:%M:%S", &tm)) return time;
    const std::time_t t = timegm(&tm) - seconds;
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// Units that make every conversion of the grid work: none of them is a base unit.
inline UnitSelection gridUnits() {
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

// Peak resident memory of this process so far, in MB.
inline double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace nimbrel::bench
