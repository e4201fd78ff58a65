// The files through which a check outside the programs sees and steers a simulated station: the counts
// that every program on the station adds to, and the lines it acts on at its next command frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nimbrel::sim {

// What one program met on the station since it last added to the stats file.
struct HazardCounts {
    std::uint64_t lockups = 0;                // hangs caused by frames inside a margin
    std::uint64_t framesInMargin = 0;         // frames inside a margin once hangs may come
    std::uint64_t framesInMarginLearning = 0; // frames inside a margin before that
    std::uint64_t framesLocked = 0;           // frames sent to a station already hung
    std::uint64_t tornReads = 0;              // reads of the current record that spanned a sensor message
    std::uint64_t frames = 0;                 // every command frame
};

// Adds `counts` to the "key=value" lines of the stats file (missing keys and a missing file count from 0)
// and writes every key back, under an exclusive flock on the file so that programs add up. On failure
// `error` says why.
bool addToStatsFile(const std::string& path, const HazardCounts& counts, std::string& error);

// The non-empty lines of the control file, blanks trimmed, taken so that one program alone acts on them:
// the file is moved aside, read and removed. None when there is no file or it is still empty.
std::vector<std::string> takeControlLines(const std::string& path);

} // namespace nimbrel::sim
