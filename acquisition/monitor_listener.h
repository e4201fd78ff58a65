// MonitorListener: how the acquisition thread reaches the window (or the headless logger).
#pragma once

#include "station/weather_sample.h"

#include <string>

namespace nimbrel {

struct StationSettings;
struct AlarmThresholds;
struct MinMaxTable;

// Every call comes from the acquisition thread. A window implements each one by queuing it
// onto its own thread; the arguments are only valid during the call, so copy what you keep.
class MonitorListener {
public:
    virtual ~MonitorListener() = default;

    // The current reading, already in the user's units.
    virtual void showReading(const StationSettings& settings, const WeatherSample& reading) = 0;
    virtual void showAlarmLamps(const AlarmThresholds& alarms, const StationSettings& settings,
                                const WeatherSample& reading) = 0;
    // The min/max table, already in the user's units and repaired against the current reading.
    virtual void showMinMax(const StationSettings& settings, const MinMaxTable& table) = 0;
    // The main window's title, set once when the thread starts.
    virtual void setTitle(const std::string& title) = 0;
    // A status-line text. Never waits for the window: texts are shown in the order they were said.
    virtual void postStatus(const std::string& text) = 0;
    // A step of a long job (a download, the processing of its records): the status-line text and
    // how far the job is, `done` of `total`. Never waits for the window, which may show only the
    // newest of several. Without a way to show the count, the text alone is a status text.
    virtual void showProgress(const std::string& text, long long /*done*/, long long /*total*/) {
        postStatus(text);
    }
    // The job that showProgress followed is over (done, failed or given up).
    virtual void endProgress() {}
    // The station stopped answering (true: a lock-up, or unplugged) or answers again; said once per change.
    virtual void stationProblem(bool /*on*/) {}
    // Whether a cycle that stored records (or mended the file's end) could write the history file.
    virtual void saveOutcome(bool /*saved*/) {}
    // False while the window does not exist yet or any more: the thread then only waits.
    virtual bool windowExists() = 0;
};

} // namespace nimbrel
