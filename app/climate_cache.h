// The daily summaries of a history file, kept between runs in a cache file outside the data folder, so
// that ten years are summed up once and afterwards only what was appended is read.
#pragma once

#include "app/climate_day.h"

#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel {

// $XDG_CACHE_HOME/nimbrel (by default ~/.cache/nimbrel)/climate-<hash of the folder>.days; empty when
// there is no home folder to put it in.
std::filesystem::path climateCachePath(const std::filesystem::path& dataFolder);

struct ClimateDays {
    std::vector<ClimateDay> days; // by date, one per day that has a record
    bool read = false;            // false when the history file could not be read
    std::string failure;          // why, as the system says it
    // How the cache served: every line read again, only the appended ones, or none.
    enum class Source { wholeFile, appendedLines, cacheOnly } source = Source::wholeFile;
};

// The days of the history file at `historyPath`. A cache that matches the file (the same file, no
// shorter, the same first line and the same line where the cache ended) gives the days it holds, and
// lines appended since are folded in; any other cache (a rewritten file, a damaged cache) is dropped
// and the file read whole. The cache is written again after a whole read and once the lines appended
// since reach a megabyte; an empty `cachePath` or a cache that cannot be written only costs time. A
// file that does not exist has no days.
ClimateDays loadClimateDays(const std::string& historyPath, const std::filesystem::path& cachePath);

} // namespace nimbrel
