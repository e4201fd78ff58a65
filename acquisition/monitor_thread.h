// MonitorThread: the worker that polls the station, shows the current reading and stores new history.
#pragma once

#include "acquisition/acquisition_texts.h"
#include "acquisition/link_health.h"
#include "acquisition/monitor_listener.h"
#include "station/alarm_thresholds.h"
#include "station/clock.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace nimbrel {

class StationAccess;
class HistoryStore;
class OutputSink;

class MonitorThread {
public:
    // Pause between two polling cycles.
    static constexpr std::chrono::milliseconds kCycleWait{15000};
    static constexpr std::chrono::milliseconds kTestModeCycleWait{60000};
    // Long waits are taken in slices of this length, so a stop request ends them soon.
    static constexpr std::chrono::milliseconds kWaitSlice{250};

    // Everything passed in must outlive the thread. In test mode the cycles are 60 s apart and the
    // title says so.
    MonitorThread(StationAccess& station, HistoryStore& store, MonitorListener& listener,
                  AcquisitionTexts texts, bool testMode, Clock& clock = systemClock());
    // Asks the thread to stop and waits for it.
    ~MonitorThread();
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;

    // Starts the thread: a 1-second wait, the window title, then cycles until stopped. A station that
    // the connection watch finds (at start, or again after an unplug) ends the wait at once: its
    // first cycle does not wait for the cadence.
    // False when the thread could not be created (the program then carries on without polling).
    // start, requestStop and join may be called from any thread, the polling thread's own included
    // (its join then returns at once).
    bool start();
    // Where each new reading and each batch of stored records goes on (MQTT, upload); nothing by
    // default. Set before start; the sink must outlive the thread.
    void setOutputSink(OutputSink* sink) { outputs_ = sink; }
    // Where whether the station answers is kept (the session's, which the window and the status report
    // read); the thread's own by default. Set before start; it must outlive the thread.
    void setLinkHealth(LinkHealth* health) { health_ = health ? health : &ownHealth_; }
    // How long a cycle's reads take at most when nothing goes wrong; a cycle starts only where they
    // fit before the station's next busy moment.
    static constexpr double kBurstSeconds = 2.0;
    // Ends the thread soon: waits are cut short, a station that stopped answering is not waited
    // for, the areas not yet read are left, and a running download is given up between two station
    // reads (nothing of it is stored; the next start fetches it again).
    void requestStop();
    // Waits for the thread to end; does nothing when it never started. The station's transfers
    // retry again afterwards.
    void join();
    bool stopRequested() const { return stopRequested_.load(); }

    // One polling cycle, without the pause after it. Returns the pause the thread takes before the
    // next cycle (zero while a newly found station is not yet marked synchronised).
    std::chrono::milliseconds runCycle();
    // Records fetched from the station by the last cycle that downloaded.
    int lastFetchCount() const { return lastFetchCount_; }
    // Whether the last cycle that reached the station read all it needed: the settings and alarm
    // areas and the whole download.
    bool lastCycleComplete() const { return lastCycleComplete_; }
    // Whether the last cycle fetched new records that could not be saved in the history file.
    bool lastSaveFailed() const { return lastSaveFailed_; }

    // The settings of the last cycle that read them, for the windows that show stored records in the
    // user's units: a copy taken under a lock, never the thread's own while it rewrites them. Nothing
    // before the first read.
    std::optional<StationSettings> settingsCopy() const;

    // The window title the thread sets at start.
    std::string title() const;

private:
    void run();
    // A wait that a stop request cuts short, and a station found since the last cycle began.
    void pause(std::chrono::milliseconds duration);
    bool stationFoundSinceLastLook() const;
    void postStatus(const std::string& text);
    // Tells the outputs, and the user when the station stopped answering.
    void tell(LinkHealth::Change change);
    // While the station's moments are not known and nothing else is read: one learning read.
    void learnWhileIdle();
    void showCurrentReading(WeatherSample& reading, const AlarmThresholds& alarms, MinMaxTable* minMax);
    // False when the records could not be saved.
    bool storeNewRecords(SampleList& records, const AlarmThresholds& alarms);
    void postSummary(std::time_t now, int fetched);

    StationAccess& station_;
    HistoryStore& store_;
    MonitorListener& listener_;
    AcquisitionTexts texts_;
    bool testMode_;
    Clock& clock_;
    OutputSink* outputs_ = nullptr;
    LinkHealth ownHealth_;
    LinkHealth* health_ = &ownHealth_;

    // The settings as last read from the station; their date and time formats also shape the
    // summary line of a cycle whose settings read failed.
    StationSettings settings_;
    int lastFetchCount_ = 0;
    bool lastCycleComplete_ = false;
    bool lastSaveFailed_ = false;
    // The station's find count when the last cycle began (or the thread started).
    std::uint64_t findsSeen_ = 0;

    mutable std::mutex publishedMutex_;
    std::optional<StationSettings> published_;

    std::atomic<bool> stopRequested_{false};
    // Held while the thread is created or joined. requestStop does not take it: it reads started_, so
    // the new thread may ask for its own stop while start is still busy with thread_.
    std::mutex threadMutex_;
    std::thread thread_;
    std::atomic<bool> started_{false};         // from start until the thread is joined
    std::atomic<std::thread::id> runningId_{}; // the polling thread's id, set by the thread itself
};

} // namespace nimbrel
