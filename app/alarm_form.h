// AlarmForm: what the Alarm window holds and decides, without a window: the thresholds it read, the
// ranges and prompts of its boxes, the linked speed and level boxes, and what a save writes.
#pragma once

#include "app/form_outcome.h"
#include "app/text_row.h"
#include "station/alarm_thresholds.h"
#include "station/station_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

class Clock;
class LanguageTable;
class StationAccess;

// What a box holds, which decides its range, its unit label and the factor a save scales it by.
enum class AlarmQuantity {
    hour,
    minute,
    humidity,
    indoorTemperature,
    outdoorTemperature,
    pressure,
    windSpeed,
    beaufortLevel,
    rain,
};

// One edit box of the window. The captions are texts of the language table, so the window, the prompts and
// the command line name a box alike.
struct AlarmBox {
    int control;              // the box's number, its objectName "c<number>"
    TextKey group;            // the group's caption ("Indoor Humidity")
    TextKey caption;          // the box's caption ("High"); the level boxes have none
    std::string_view name;    // English name for the command line: "Indoor Humidity High", "Wind Level"
    AlarmQuantity quantity;
    std::string AlarmThresholds::*field;
};

// The 24 boxes in the order of the window's groups.
std::span<const AlarmBox> alarmBoxes();
const AlarmBox* alarmBoxByControl(int control);

// The box linked to a speed box (its Beaufort level box) or to a level box (its speed box); 0 for any
// other box. Leaving one of a pair after an edit sets the other.
int alarmLinkedBox(int control);

// The direction list: control 1030, eight entries N, NE, ... NW; entry i is the station's code 2 i.
inline constexpr int kAlarmDirectionControl = 1030;
inline constexpr std::string_view kAlarmDirectionName = "Wind Direct";
inline constexpr TextKey kAlarmDirectionGroup = "alarm.wind_direct";
inline constexpr int kAlarmDirectionCount = 8;

// A box's permitted range in the unit selected on the station. The bounds are the ones the prompt
// prints ("%g"), so the value the user reads in a prompt is itself accepted.
struct AlarmRange {
    bool integer = false;
    double low = 0;
    double high = 0;
};

class AlarmForm {
public:
    explicit AlarmForm(const LanguageTable& texts);

    // Reads the alarm area and the settings under stationBusy (three one-second waits at most) and
    // fills the boxes as the window shows them. The flag is given back before this returns, so the
    // caller may show the message at once (one line per failed read). A failure leaves the form not
    // read: no save.
    FormOutcome load(StationAccess& station, Clock& clock);
    bool dataRead() const { return dataRead_; }

    const StationSettings& settings() const { return settings_; }
    const AlarmThresholds& thresholds() const { return thresholds_; }

    // Box texts by control number (1030 is the direction list: its entry's text, "" for none).
    std::string text(int control) const;
    // The user typed into a box: the text is taken and the box counts as edited until it is left.
    void edit(int control, std::string text);
    // The user left a box. A speed box edited since it was last left sets its level box, a level
    // box sets its speed box (the level's upper speed). Returns the control it changed, or 0.
    int leave(int control);

    // The direction list: index 0..7, or -1 when the station's code matches no entry.
    int directionIndex() const { return directionIndex_; }
    void selectDirection(int index);
    // The entry texts in the configured language ("N", "NO", ... in German).
    std::vector<std::string> directionEntries() const;
    // The entry whose text is `text` in the configured language or in English, or -1.
    int directionIndexOf(std::string_view text) const;

    AlarmRange range(int control) const;
    // The label beside a box: its unit, "%", "bft", or "" for the time boxes.
    std::string unitLabel(int control) const;
    // "Indoor Temperature High" in the configured language (group and box caption).
    std::string displayName(int control) const;

    // The first box whose text the station would refuse, with the window's prompt; done when none.
    // A box that shows "---" (the station holds no usable value there) is left as it is.
    FormOutcome validate() const;

    // The alarm area a save writes, made from the area as the station holds it now (`fresh`): every
    // box scaled into the station's integer in the selected unit, "---" boxes and an unchanged or
    // unmatched direction keeping the station's value, everything the window does not edit kept.
    // Fails, naming the box, when a value would not fit its station field.
    FormOutcome buildRecord(const AlarmThresholds& fresh, AlarmThresholds& out) const;

    // Save: validates, takes stationBusy, reads the alarm area afresh, writes the record built from
    // it and gives the flag back. A failed fresh read ends the save with its message, nothing written.
    // A done save lists every station byte it changed.
    FormOutcome save(StationAccess& station, Clock& clock);

private:
    std::size_t indexOf(int control) const;
    std::string rangePrompt(const AlarmRange& range) const;

    const LanguageTable& texts_;
    bool dataRead_ = false;
    StationSettings settings_;
    AlarmThresholds thresholds_; // as read, raw station integers
    std::vector<std::string> boxTexts_;
    std::vector<bool> edited_;
    int directionIndex_ = -1;
    int directionShown_ = -1; // the entry selected when the form was filled
};

// The raw station integer for a typed value: value × 10 (× 100 for inHg and inches, × 1 for counts)
// rounded to the nearest integer; nullopt when it does not fit the field that holds it.
std::optional<long long> alarmRawValue(const AlarmBox& box, double value, const StationSettings& settings);

} // namespace nimbrel
