// syncHistory: brings the station's history records that are not yet on the PC over, newest first.
#pragma once

#include "acquisition/acquisition_texts.h"
#include "station/clock.h"
#include "station/weather_sample.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

namespace nimbrel {

class StationAccess;
class StationBusyLock;
class HistoryStore;
struct StationSettings;

// What one download needs. The caller holds the station's busy flag for the whole call, through
// `busy` when it lets waiting callers in between two reads.
struct HistorySync {
    StationAccess& station;
    HistoryStore& store;
    Clock& clock;
    const AcquisitionTexts& texts;
    // Progress: its text, and the records read so far of those expected (both counted in records;
    // the expectation grows when the walk goes past it). Returns once the text is shown.
    std::function<void(const std::string& text, long long done, long long total)> progress;
    // Set when the program is ending: the download is given up between two reads, nothing kept.
    const std::atomic<bool>* stopRequested = nullptr;
    // Set to true when the station could not be read (or the download was stopped), so that a
    // 0 from a failed download is not taken for "nothing new".
    bool* failed = nullptr;
    // The caller's hold on the station's busy flag. When given, a window that waits for the station
    // gets it between two reads and the download goes on after; when that caller wrote to the station
    // meanwhile (its settings, its history cleared), the download is given up like a failed read.
    StationBusyLock* busy = nullptr;
    // The station's settings area as the caller has just read it in this cycle; read here when null.
    const StationSettings* settings = nullptr;
};

// How long a download waits for the station back from a caller it let in before giving up.
inline constexpr std::chrono::milliseconds kYieldPatience{10000};

// Fills `list` (emptied first) with every station record newer than the last stored one, newest
// first. The newest is stamped at the station's last logging moment (station_timing.h; the present
// time in the test mode), each older one an interval earlier, or they are re-anchored on the last
// stored record when that record is met again in the ring. Returns the number of records in the list.
//
// A 32-byte read that fails gives up the whole download of this call: the list comes back empty
// and 0 is returned, so the next call fetches those records again rather than leaving a hole
// between two stored ones. A record that is still invalid after its re-read is bad data and is
// skipped.
int syncHistory(const HistorySync& sync, SampleList& list);

// True when candidate is the last stored record met again: same station address, and its
// computed time no more than two intervals (minutes) after the stored time. Earlier always matches.
bool isLastStored(const WeatherSample& lastStored, const WeatherSample& candidate, int intervalMinutes,
                  Clock& clock);

} // namespace nimbrel
