// What the main window's current-conditions view shows in each of its boxes: the current values,
// the minimum and maximum texts, the alarm lamps, the thermometers and the rain gauges. The lamps are
// the Alarm window's boxes (alarmBoxes()) and the minimum and maximum texts the Scope window's
// (scopeBoxes()), so each box is named once and the view only adds what it shows beside it.
#pragma once

#include "app/alarm_lamp_rule.h"
#include "app/box_unit.h"
#include "station/alarm_thresholds.h"
#include "station/station_settings.h"

#include <span>
#include <string>

namespace nimbrel {

// A current value: its control, its field of the reading, and the unit that follows it.
struct CurrentValueBox {
    int id;
    int position;
    BoxUnit unit;
};
std::span<const CurrentValueBox> currentValueBoxes();

// One lamp: the Alarm window's box of its threshold (the lamp has the box's control number), the
// settings flag that arms it, the reading it watches, and whether a reading above or below lights it.
struct LampRule {
    int id;
    std::string StationSettings::*flag;
    int reading;
    std::string AlarmThresholds::*threshold;
    LampLimit limit;
};
// Every alarm box but the time of day; the wind-direction lamp (kAlarmDirectionControl) has its own rule.
std::span<const LampRule> lampRules();

// The unit of a value box of the view (a current value or a minimum or maximum); none for any other.
BoxUnit viewBoxUnit(int id);

// The thermometers span -40 to 60 °C in ten divisions, in the unit the station shows.
inline constexpr double kThermometerLowC = -40.0;
inline constexpr double kThermometerHighC = 60.0;
inline constexpr int kThermometerDivisions = 10;

// The five rain gauges: hour, 24 hours, week, month, total; their readings and full scales in mm.
struct RainGauge {
    int reading;
    double fullMm;
};
inline constexpr int kRainGaugeCount = 5;
inline constexpr int kRainGaugeDivisions = 2;
std::span<const RainGauge> rainGauges();

} // namespace nimbrel
