// StationObserver: what the station operations tell a listener (the Debug window) about their traffic.
#pragma once

#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

#include <string>
#include <variant>

namespace nimbrel {

// Notification codes and their payloads.
enum StationNotice : int {
    settingsRead = 1,    // StationSettings
    alarmsRead = 2,      // AlarmThresholds
    minMaxRead = 3,      // MinMaxTable
    settingsWritten = 4, // StationSettings, sent before the write
    alarmsWritten = 5,   // AlarmThresholds, sent before the writes
    minMaxWritten = 6,   // MinMaxTable, sent before the writes
    recordRead = 7,      // WeatherSample
    stationCommand = 8,  // text: "initFlag1:0x55->0x00, initFlag2:0xAA->0x00" or "historyRecords->0"
};

using StationPayload =
    std::variant<StationSettings, AlarmThresholds, MinMaxTable, WeatherSample, std::string>;

// The three options of the listener: "read" covers the area reads (1-3), "write" the area writes
// and the reset/clear commands (4-6, 8), "data" the record reads (7).
struct DebugOptions {
    bool read = false;
    bool write = false;
    bool data = false;
};

// Set on StationAccess by the Debug window. An operation called with quiet = false asks
// debugOptions(); when its option is on it fills the debug texts and calls notify. notify runs on
// the thread that called the operation (often the acquisition thread): an observer that lives on
// the user-interface thread must copy the payload and queue it there, never block.
class StationObserver {
public:
    virtual ~StationObserver() = default;
    virtual DebugOptions debugOptions() const = 0;
    virtual void notify(StationNotice code, const StationPayload& payload) = 0;
};

} // namespace nimbrel
