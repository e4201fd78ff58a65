// DebugLog: the Debug window without its window. It writes the dumps of the station's memory areas and
// records (on request, or when the station operations report their traffic), holds the log they go
// into and the three options that say which traffic is logged. `nimbrel-cli debug` prints the same
// dumps.
#pragma once

#include "app/form_outcome.h"
#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_observer.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

class Clock;
class LanguageTable;
class StationAccess;

// Whether a dump shows bytes read from the station ("->") or written to it ("<-").
enum class DumpDirection { read, write };

// The dumps, one line per field, each line ending in "\n". The area dumps are empty when the area's
// hex text is (nothing was read or written). Raw values print signed (-392, never 4294966904).
std::string settingsDump(const StationSettings& settings, DumpDirection direction,
                         const LanguageTable& texts);
std::string alarmDump(const AlarmThresholds& alarms, DumpDirection direction, const LanguageTable& texts);
std::string minMaxDump(const MinMaxTable& minMax, DumpDirection direction, const LanguageTable& texts);
std::string recordDump(const WeatherSample& record, DumpDirection direction, const LanguageTable& texts);

// The dump that a station notice asks for, whatever the options say ("" for a payload that does
// not fit its code).
std::string noticeDump(StationNotice code, const StationPayload& payload, const LanguageTable& texts);

class DebugLog final : public StationObserver {
public:
    // The log keeps at most this many characters, older dumps dropped whole: with every option ticked
    // that is about the last 23 minutes of the station's traffic, longer with fewer. A window left
    // hidden for a week does not fill the memory.
    static constexpr std::size_t kDefaultCapacity = 512 * 1024;
    // Record numbers count back from the newest (0) through the ring: 4079 is the oldest slot.
    static constexpr int kLastRecordNumber = 4079;

    explicit DebugLog(const LanguageTable& texts, std::size_t capacity = kDefaultCapacity);

    // The options: set from the check boxes on the window's thread, read by whichever thread talks to
    // the station (the acquisition thread), so each is an atomic of its own.
    void setOptions(DebugOptions options);
    DebugOptions debugOptions() const override;

    // A station operation's notice: appends the dump when the code's option is ticked. Safe from any
    // thread; never waits for the window.
    void notify(StationNotice code, const StationPayload& payload) override;

    // Called after every change of the log text, on the thread that changed it. The window sets one
    // that queues a refresh onto its own thread; an empty function removes it.
    void setChangeHandler(std::function<void()> handler);

    // Appends "\n\n" and the dump (nothing for an empty dump), then drops the oldest dumps while the
    // log is longer than its capacity.
    void append(std::string_view dump);
    void clear();
    std::string text() const;

    // The buttons' work: done, or the message to show (the station is already free when it comes
    // back).
    // "&SetupRead": reads the three areas and appends their dumps, or none when one read failed.
    FormOutcome readSetup(StationAccess& station, Clock& clock);
    // "&DataRead": reads the record n back from the newest and appends its dump. n must be a number
    // of the ring (parseRecordNumber); one past the stored records fails like a failed read.
    FormOutcome readRecord(StationAccess& station, Clock& clock, int n);

    // The record number box's text: whole digits from 0 to kLastRecordNumber, blanks around allowed.
    static std::optional<int> parseRecordNumber(std::string_view text);
    // The prompt for any other text ("Please enter an integer between 0 and 4079.").
    std::string recordNumberPrompt() const;

private:
    void changed();

    const LanguageTable& texts_;
    const std::size_t capacity_;
    std::atomic<bool> read_{false};
    std::atomic<bool> write_{false};
    std::atomic<bool> data_{false};
    mutable std::mutex textMutex_;
    std::string text_;
    std::deque<std::size_t> entries_; // length of each dump in text_ with its separator, oldest first
    std::mutex handlerMutex_;
    std::function<void()> handler_;
};

} // namespace nimbrel
