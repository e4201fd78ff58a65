// SetupForm: what the Setup window reads from the station, lets the user edit, checks and writes back.
//
// The window (ui/setup_dialog) and `nimbrel-cli setup` both sit on this class: it holds the settings
// and alarm block read at opening, the value of every control, the ranges with the window's own
// prompt texts, the rewrite of the alarm thresholds when a unit changes, and the writes of a save.
// Every station exchange takes stationBusy and gives it back before returning, so the caller shows
// its messages with the flag free.
#pragma once

#include "app/form_outcome.h"
#include "presentation/units.h"
#include "station/alarm_thresholds.h"
#include "station/station_settings.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

class Clock;
class LanguageTable;
class StationAccess;

enum class SetupFieldKind {
    list,    // a drop-down list: one of its entries, or none
    integer, // an edit box that takes a whole number (the recording interval)
    number,  // an edit box that takes a decimal number (the relative pressure)
    shown,   // a read-only box (the absolute pressure)
    check,   // a check box
};

// One control of the window with the English name that says which setting it edits; the name is also
// the key of the command line's assignments.
struct SetupFieldInfo {
    int control;
    std::string_view name;
    SetupFieldKind kind;
    // False only for the console's date display, which no station byte carries: shown, never written.
    bool stored = true;
};

// What a save writes, made from the areas read at the moment of saving.
struct SetupWrites {
    StationSettings settings;
    AlarmThresholds alarms;
    // The units the thresholds in `alarms` are in.
    UnitSelection thresholdUnits;
};

class SetupForm {
public:
    // Control numbers of the window that the form gives meaning to.
    static constexpr int kTimeZone = 10215, kInterval = 1233, kIndoorUnit = 1168, kOutdoorUnit = 1170,
                         kPressureUnit = 1158, kWindUnit = 1156, kRainUnit = 1159, kDateDisplay = 1177,
                         kDateFormat = 1185, kTimeFormat = 1183, kAxis = 1178, kOutdoorDisplay = 1160,
                         kPressureDisplay = 1179, kWindDisplay = 1181, kRainDisplay = 1176,
                         kRelativePressure = 10222, kAbsolutePressure = 10223, kRelativeHpa = 10220,
                         kAbsoluteHpa = 10221;

    static constexpr int kIntervalMin = 5, kIntervalMax = 240;

    SetupForm(StationAccess& station, Clock& clock, const LanguageTable& texts);

    // Every field in the window's order: time zone, interval, units, console displays, the 22
    // alarm enables ("Alarm enable " + the box's caption), relative and absolute pressure.
    static std::span<const SetupFieldInfo> fields();
    static const SetupFieldInfo* field(int control);
    // The check box of each alarm-enable flag of the settings (same order as settingsAlarmFlags()).
    static std::span<const int> alarmEnableControls();

    // Reads the settings and the alarm block and fills the controls. A failed read does not stop the
    // other: the message tells each failure (the flag is already free) and dataRead() stays false, so
    // the window must not save.
    FormOutcome open();
    bool dataRead() const { return dataRead_; }
    // Fills the controls from areas already read (open() does this after its reads).
    void load(const StationSettings& settings, const AlarmThresholds& alarms);

    // The entries of a list in the window's language.
    std::vector<std::string> choices(int control) const;
    // The selected entry of a list (-1: none), or 1/0 for a check box.
    int selection(int control) const;
    // Selects an entry and applies what the window links to it (a new pressure unit converts the
    // pressure boxes and their range). Out-of-range indices select nothing.
    void select(int control, int index);
    bool checked(int control) const { return selection(control) == 1; }
    void setChecked(int control, bool on) { select(control, on ? 1 : 0); }
    // The text of an edit box (also the hidden hPa boxes 10220 and 10221).
    std::string text(int control) const;
    // The user typed into an edit box.
    void setText(int control, std::string text);
    // The pressure unit beside the pressure boxes.
    const std::string& pressureUnit() const { return shownPressureUnit_; }
    // The permitted range of the relative pressure in the pressure unit shown.
    float pressureLow() const { return pressureLow_; }
    float pressureHigh() const { return pressureHigh_; }

    // A field as the window shows it, units included ("5 Minute", "1013.2 Hpa", "°C", "on").
    std::string shownValue(int control) const;
    // Sets a field from a value typed for it on the command line: a list's entry (in the window's
    // language or in English, any letter case), a number without its unit, on/off for a check box.
    // Ranges are checked by validate(), as in the window. A message in English when the value
    // cannot be taken; it does not repeat the field's name, which the caller shows with it.
    std::optional<std::string> assign(int control, std::string_view value);

    // The window's checks before it asks whether to save: the interval, and the relative pressure
    // when the user changed it. The first failure, with the window's range prompt and its box.
    FormOutcome validate() const;

    // The areas a save writes, from the settings and alarm block read just before: the controls
    // copied into the settings, the thresholds rewritten in every changed unit, the relative
    // pressure when the user changed it. A threshold that its field cannot hold in the new unit
    // refuses the save, with the focus on that unit's list.
    FormOutcome plan(const StationSettings& fresh, const AlarmThresholds& freshAlarms,
                     SetupWrites& out) const;

    // Save, after validate() and the user's yes: fresh reads, then the settings, then the alarm
    // block. When the alarm block is refused, the settings read just before are written back so
    // the units match the thresholds again; if that is refused too, the next save converts from
    // the units the thresholds are really in. Whatever happened, the outcome lists the station
    // bytes the writes changed.
    FormOutcome save();
    // "Default": asks the station to load its default values.
    FormOutcome loadDefaults();

    // The areas read at opening.
    const StationSettings& settings() const { return settings_; }
    const AlarmThresholds& alarms() const { return alarms_; }

private:
    std::string prompt(std::string_view key, double low, double high) const;
    FormOutcome saveWith(const StationSettings& fresh, const AlarmThresholds& freshAlarms);
    void setPressureRange(float lowHpa, float highHpa);

    StationAccess& station_;
    Clock& clock_;
    const LanguageTable& texts_;

    StationSettings settings_;
    AlarmThresholds alarms_;
    bool dataRead_ = false;

    std::map<int, int> selections_;
    std::map<int, std::string> editTexts_; // the boxes one may type in, all set again by every load
    std::string shownPressureUnit_;
    float pressureLow_ = 0, pressureHigh_ = 0;
    bool relativeEdited_ = false;
    // Set when a save left the station's units changed but its thresholds not: the units those
    // thresholds are still in.
    std::optional<UnitSelection> strandedThresholdUnits_;
};

} // namespace nimbrel
