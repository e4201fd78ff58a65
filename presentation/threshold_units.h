// The alarm thresholds as the station stores them in the user's units: the factor a typed value is
// stored with, the range each station field holds, and the rewrite when the user changes a unit.
#pragma once

#include "presentation/units.h"
#include "station/alarm_thresholds.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nimbrel {

// What a threshold measures, which decides the unit it follows and its storage factor.
enum class ThresholdQuantity {
    count, // hours, minutes, humidity, Beaufort levels: stored as typed
    indoorTemperature,
    outdoorTemperature,
    pressure,
    wind,
    rain,
};

// The unit a quantity is in ("" for a count).
std::string_view thresholdUnit(const UnitSelection& units, ThresholdQuantity quantity);

// The station keeps tenths of the unit, hundredths of inHg and of inches, counts as they are.
double thresholdStorageFactor(ThresholdQuantity quantity, std::string_view unit);

// Whether a raw value fits the station field of `kind`. A signed field holds sign and 15 bits of
// magnitude, but all ones (-32767) is the station's "no reading" marker, so -32766 is the lowest value
// a user may set.
bool thresholdFits(AlarmFieldKind kind, long long raw);

// The raw station integer for a value typed in `unit`: value × factor rounded to the nearest integer;
// none when it does not fit the field that holds `field`.
std::optional<long long> thresholdRawValue(std::string AlarmThresholds::*field, ThresholdQuantity quantity,
                                           std::string_view unit, double value);

// A threshold that follows a unit.
struct UnitThreshold {
    std::string AlarmThresholds::*field;
    ThresholdQuantity quantity;
};
// The sixteen, in the order the Setup window rewrites them.
std::span<const UnitThreshold> unitThresholds();

// A threshold the new unit cannot hold: which one, and its value as the new unit's text.
struct ThresholdRewriteRefusal {
    std::string AlarmThresholds::*field;
    std::string text;
};

// Rewrites every threshold whose unit differs between `from` and `to` into the new unit's raw
// integer; a threshold holding no value is left as it is. Stops at the first threshold that does not
// fit its field (the thresholds before it are already rewritten).
std::optional<ThresholdRewriteRefusal> rewriteThresholds(AlarmThresholds& alarms, const UnitSelection& from,
                                                         const UnitSelection& to);

} // namespace nimbrel
