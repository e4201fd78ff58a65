// StationAccess: the one object through which the program uses the station (areas, records, commands).
#pragma once

#include "station/alarm_thresholds.h"
#include "station/clock.h"
#include "station/min_max_table.h"
#include "station/station_busy.h"
#include "station/station_clock.h"
#include "station/station_link.h"
#include "station/station_observer.h"
#include "station/station_settings.h"
#include "station/station_timing.h"
#include "station/timing_share.h"
#include "station/weather_sample.h"

#include <array>
#include <cstdint>
#include <atomic>
#include <memory>
#include <mutex>

namespace nimbrel {

// The USB ids the station is looked for by (configuration UsbDeviceVid / UsbDevicePid).
struct StationIds {
    int vendorId = 0x0713;
    int productId = 0x0818;
};

// What happened on the link since the program started, for the report of how it is doing.
struct LinkCounters {
    std::atomic<std::uint64_t> exchanges{0};        // command frames sent
    std::atomic<std::uint64_t> retries{0};          // reads tried again after a failed attempt
    std::atomic<std::uint64_t> failedReads{0};      // reads that failed at every attempt
    std::atomic<std::uint64_t> tornReads{0};        // current-record reads that two reads did not agree on
    std::atomic<std::uint64_t> movedOutOfMargin{0}; // exchanges that waited for a busy moment to pass
    std::atomic<double> lastGoodRead{0};            // when a read last succeeded; 0 before any
};

// Exists from program start to program end and owns the link. Every operation returns whether all
// of its transfers succeeded and never shows a message; the caller tells the user. Callers hold
// busy() (see station_busy.h) around their operations; pollConnection does not need it.
class StationAccess {
public:
    StationAccess(std::unique_ptr<UsbLibrary> library, Clock& clock, bool testMode, StationIds ids = {});

    StationLink& link() { return link_; }
    StationBusy& busy() { return busy_; }
    // The program's "now": the station's own time when the library keeps one (the simulated
    // station), otherwise the clock given at construction. Stamps of records come from here.
    Clock& clock() { return clock_; }

    // Connection watch, called by the main window's 1-second timer: looks for the station while none
    // is connected and checks it while one is. connectionChanged is true exactly after the poll that
    // found or lost it; synchronised drops each time the station is found.
    bool pollConnection();
    // Whether the last look that found no station found one that this user may not open (its device
    // node lacks the udev rule's permissions). Libraries that cannot tell always say no.
    bool lastFindWasRefused() const;
    bool isConnected() const { return link_.connected(); }
    bool isSynchronised() const { return synchronised_; }
    void markSynchronised() { synchronised_ = true; }
    bool hasConnectionChanged() const { return connectionChanged_; }
    // How many times the connection poll has found the station since the start: a reader that
    // waits can tell that the station came (back) while it slept.
    std::uint64_t timesFound() const { return timesFound_; }

    // Area reads and writes. quiet = true: debug texts always filled, no notification (the Debug
    // window asked itself). quiet = false: debug texts and a notification only while the observer's
    // matching option is on. A failed read leaves the object as it was.
    bool readSettingsBlock(StationSettings& settings, bool quiet = false);
    bool readAlarmBlock(AlarmThresholds& alarms, bool quiet = false);
    bool readMinMaxBlock(MinMaxTable& minmax, bool quiet = false);
    // Writes with updateFlag "1", so byte 0x1A goes to the station as 0xAA.
    bool writeSettingsBlock(StationSettings& settings, bool quiet = false);
    // Writes the area, then byte 0x1A = 0xAA only when the area was written; true when both were.
    bool writeAlarmBlock(AlarmThresholds& alarms, bool quiet = false);
    // Writes the area, then byte 0x1A = 0xAA; true when both were written.
    bool writeMinMaxBlock(MinMaxTable& minmax, bool quiet = false);

    // Station bytes [address, address + length) read into dst. A read that fails is tried again up to
    // kReadAttempts times in all; when the station's handle is gone it is looked for again first (a
    // poor cable drops a report or the whole device now and then). False when every attempt failed.
    // Every read of an area or a record goes through here.
    static constexpr int kReadAttempts = 4;
    bool readBytes(unsigned address, std::uint8_t* dst, int length);

    // historyStackAddr and historyRecords, from a fresh read of the settings area.
    bool readPointers(unsigned& address, int& count);
    // The record n back from the newest (0 = the current one). Fails without reading a record when
    // n < 0, no record is stored, n is beyond the stored count, or the station's pointer is not a
    // record address.
    bool readRecordBack(WeatherSample& sample, int n, bool quiet = false);
    // Reads and decodes the record at address, reading it once more when it decodes as invalid (the
    // second result is kept as it comes). Sets hexAdd and stackAddr to the address and sampleTime to
    // the PC's local time now.
    bool readRecordAt(unsigned address, WeatherSample& sample, bool quiet = false);

    // The station's timing, learned from the reads (station_timing.h). Every command frame keeps the
    // margin from the moments it knows; while it knows none, reads that teach them are slipped in
    // between the caller's reads once a second (and by learnIfDue while nothing else is read).
    StationTiming& timing() { return timing_; }
    const LinkCounters& counters() const { return counters_; }
    // Seconds every exchange keeps from the station's busy moments once they are known (default 3).
    void setMargin(double seconds) { timing_.setMargin(seconds); }
    // Turns on the reads made only to learn the moments (off by default, so that a caller that scripts
    // every read sees only its own), and shares what is learned with the other programs on the
    // station in `folder` (timing_share.h; "" learns alone). Set before the station is first found.
    void enableLearning(std::string folder);
    // Learning reads while a moment is unknown, this far apart on the PC's clock; after kQuickLearning
    // of them with nothing learned (a station whose memory stands still, or a simulator that runs
    // much faster than time), ten times as far.
    static constexpr std::chrono::milliseconds kLearningStep{1000};
    static constexpr int kQuickLearning = 60;
    // Makes a learning read when one is due; the caller holds busy(). False when it failed.
    bool learnIfDue();
    // One short exchange, read once and never tried again: whether a station that stopped answering
    // answers again. The caller holds busy().
    bool probe();
    // Waits until a burst of exchanges lasting `seconds` fits before the next busy moment; false when
    // the wait was given up (the program is stopping).
    bool waitForClearance(double seconds);
    // The program's clock in seconds since the epoch.
    double nowSeconds();

    // Asks the station to load its default values (byte 0x1A = 0x55).
    bool resetStation(bool quiet = false);
    // Empties the station's history count: bytes 0x1B, 0x1C = 0, then 0x1A = 0xAA; stops at the
    // first refused write.
    bool clearHistory(bool quiet = false);

    // The Debug window sets itself here while it exists; nullptr clears it.
    void setObserver(std::shared_ptr<StationObserver> observer);

private:
    std::shared_ptr<StationObserver> observer() const;
    DebugOptions debugOptions() const;
    // After a failed transfer: true when the station can be used again (its handle still holds, or it
    // was found again). Holds findMutex_, so the connection poll does not look for it at the same time.
    bool recoverConnection();
    template <std::size_t N> bool readArea(unsigned address, std::array<std::uint8_t, N>& bytes);
    void notify(StationNotice code, StationPayload payload);
    // Before each command frame: counts it, takes what other programs learned, keeps the margins.
    bool guardExchange();
    // What a successful read of [address, address + length), made over [start, end], shows of the
    // station's timing.
    void observe(unsigned address, const std::uint8_t* bytes, int length, double start, double end);
    bool learningRead();
    // Once learned: the two reads round a turn of the station's minute that follow its drift.
    bool watchMinute();
    // One attempt each, observed: the settings area (pointer and interval), the record at the pointer.
    bool readPointerArea();
    bool readCurrentRecord();
    // One attempt at a read, observed when it succeeds.
    bool readOnce(unsigned address, std::uint8_t* dst, int length);
    void openTimingShare();
    void shareTiming();

    StationLink link_;
    StationClock clock_;
    StationIds ids_;
    StationBusy busy_;
    std::atomic<bool> synchronised_{true};
    std::atomic<bool> connectionChanged_{false};
    std::atomic<std::uint64_t> timesFound_{0};
    // Held while the handle is checked or looked for, by the connection poll (which skips a tick
    // rather than wait) and by a read that finds the station again.
    std::mutex findMutex_;
    mutable std::mutex observerMutex_;
    std::shared_ptr<StationObserver> observer_;

    StationTiming timing_;
    LinkCounters counters_;
    Clock& baseClock_;
    bool learning_ = false;
    std::string timingFolder_;
    Clock::TimePoint lastLearningRead_{};
    int learningReads_ = 0; // since the moments were last known
    double watchAfter_ = 0; // the second read of a minute watched for the drift, from this time on
    std::mutex shareMutex_;
    std::unique_ptr<TimingShare> share_;
    double shareLookedAt_ = -1e18;
    TimingSnapshot shared_; // as last saved or taken
    std::atomic<double> lastFrameAt_{0}; // when the last command frame went out
};

} // namespace nimbrel
