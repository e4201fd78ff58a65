// ScopeForm: what the Scope window shows (the station's minimum and maximum records with their times)
// and how it gets it, without a window. The window and `nimbrel-cli scope` both fill one of these.
#pragma once

#include "app/box_unit.h"
#include "app/form_outcome.h"
#include "app/text_row.h"
#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

#include <array>
#include <string>
#include <vector>

namespace nimbrel {

class Clock;
class HistoryStore;
class LanguageTable;
class StationAccess;

// One of the window's 23 value boxes and the time box beside it.
struct ScopeBox {
    int valueId;      // control number of the value box
    int timeId;       // control number of its time box
    TextKey group;    // the group's caption
    TextKey label;    // the box's caption
    const char* name; // English name for the command line ("Indoor Humidity Maximum")
    MinMaxEntry MinMaxTable::*entry;
    BoxUnit unit; // the unit that follows its value
};

// The 23 boxes in the window's order. The main window's minimum and maximum texts are these boxes.
const std::array<ScopeBox, 23>& scopeBoxes();

class ScopeForm {
public:
    // Takes the station (three 1-second waits at most), reads the min/max block, the settings, the
    // alarm block and the current record, gives the station back and builds the texts. A failed read
    // does not stop the others, but a record is read only at an address the settings gave, and the
    // extremes are repaired from the current reading only when they were read. Done when the station
    // was taken (else "Can't communicate with device!" and nothing to show); the message tells each
    // failed read once, in the order they happened, for the caller to show after the station is free.
    FormOutcome open(StationAccess& station, HistoryStore& store, Clock& clock, const LanguageTable& texts);

    // Builds the box texts from what was read (open calls it; tests may call it on prepared data).
    void build(HistoryStore* store, Clock& clock);

    // After open: the value text (with a blank and its unit) and the time text of a box.
    const std::string& valueText(std::size_t box) const { return values_[box]; }
    const std::string& timeText(std::size_t box) const { return times_[box]; }
    // The same, by control number; "" for a number that is no box of the window.
    std::string textOf(int controlId) const;

    bool minMaxRead() const { return minMaxRead_; }
    bool settingsRead() const { return settingsRead_; }
    bool recordRead() const { return recordRead_; }

    // What was read, as read.
    StationSettings settings;
    AlarmThresholds alarms;
    MinMaxTable minMax;
    WeatherSample reading;

private:
    bool minMaxRead_ = false;
    bool settingsRead_ = false;
    bool alarmsRead_ = false;
    bool recordRead_ = false;
    std::array<std::string, 23> values_{};
    std::array<std::string, 23> times_{};
};

} // namespace nimbrel
