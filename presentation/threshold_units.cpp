#include "presentation/threshold_units.h"

#include "presentation/decimal_text.h"
#include "presentation/formatting.h"

#include <cmath>

namespace nimbrel {

namespace {

using Q = ThresholdQuantity;
using A = AlarmThresholds;

constexpr UnitThreshold kUnitThresholds[] = {
    {&A::indTempHighAlarm, Q::indoorTemperature},
    {&A::indTempLowAlarm, Q::indoorTemperature},
    {&A::outTempHighAlarm, Q::outdoorTemperature},
    {&A::outTempLowAlarm, Q::outdoorTemperature},
    {&A::windchillHighAlarm, Q::outdoorTemperature},
    {&A::windchillLowAlarm, Q::outdoorTemperature},
    {&A::dewpointHighAlarm, Q::outdoorTemperature},
    {&A::dewpointLowAlarm, Q::outdoorTemperature},
    {&A::absPresHighAlarm, Q::pressure},
    {&A::absPresLowAlarm, Q::pressure},
    {&A::relPresHighAlarm, Q::pressure},
    {&A::relPresLowAlarm, Q::pressure},
    {&A::windAlarm, Q::wind},
    {&A::gustAlarm, Q::wind},
    {&A::hourRainAlarm, Q::rain},
    {&A::dayRainAlarm, Q::rain},
};

// A stored threshold in the old unit as the new unit's text; "---" when it holds no value.
std::string convertedText(const std::string& raw, Q quantity, std::string_view from, std::string_view to) {
    const float scale = thresholdStorageFactor(quantity, from) == 100.0 ? 0.01f : 0.1f;
    switch (quantity) {
    case Q::indoorTemperature:
    case Q::outdoorTemperature:
        return temperatureText(raw, scale, from, to);
    case Q::pressure:
        return pressureText(raw, scale, from, to);
    case Q::wind:
        return windSpeedText(raw, scale, from, to);
    case Q::rain:
        return rainText(raw, scale, from, to);
    case Q::count:
        break;
    }
    return raw;
}

} // namespace

std::string_view thresholdUnit(const UnitSelection& units, ThresholdQuantity quantity) {
    switch (quantity) {
    case Q::indoorTemperature:
        return units.indoorTemperature;
    case Q::outdoorTemperature:
        return units.outdoorTemperature;
    case Q::pressure:
        return units.pressure;
    case Q::wind:
        return units.wind;
    case Q::rain:
        return units.rain;
    case Q::count:
        break;
    }
    return {};
}

double thresholdStorageFactor(ThresholdQuantity quantity, std::string_view unit) {
    if (quantity == Q::count) return 1.0;
    if (quantity == Q::pressure && unit == unit::inHg) return 100.0;
    if (quantity == Q::rain && unit == unit::inch) return 100.0;
    return 10.0;
}

bool thresholdFits(AlarmFieldKind kind, long long raw) {
    switch (kind) {
    case AlarmFieldKind::u8:
        return raw >= 0 && raw <= 0xFF;
    case AlarmFieldKind::u16:
        return raw >= 0 && raw <= 0xFFFF;
    case AlarmFieldKind::s16sm:
        return raw > kNoReading && raw <= 0x7FFF;
    case AlarmFieldKind::bcdByte:
        return raw >= 0 && raw <= 99;
    case AlarmFieldKind::reserved:
        break;
    }
    return false;
}

std::optional<long long> thresholdRawValue(std::string AlarmThresholds::*field, ThresholdQuantity quantity,
                                           std::string_view unit, double value) {
    const double scaled = std::nearbyint(value * thresholdStorageFactor(quantity, unit));
    // Beyond any field: also keeps the conversion to an integer defined.
    if (!std::isfinite(scaled) || std::fabs(scaled) > 1e9) return std::nullopt;
    const auto raw = static_cast<long long>(scaled);
    for (const AlarmFieldInfo& f : alarmFields())
        if (f.text == field) return thresholdFits(f.kind, raw) ? std::optional<long long>(raw) : std::nullopt;
    return std::nullopt;
}

std::span<const UnitThreshold> unitThresholds() {
    return kUnitThresholds;
}

std::optional<ThresholdRewriteRefusal> rewriteThresholds(AlarmThresholds& alarms, const UnitSelection& from,
                                                         const UnitSelection& to) {
    for (const UnitThreshold& t : kUnitThresholds) {
        const std::string_view oldUnit = thresholdUnit(from, t.quantity);
        const std::string_view newUnit = thresholdUnit(to, t.quantity);
        if (oldUnit == newUnit) continue;
        std::string& raw = alarms.*(t.field);
        const std::string converted = convertedText(raw, t.quantity, oldUnit, newUnit);
        if (isMarkerText(converted)) continue; // no alarm value set: left as it is
        const auto stored = thresholdRawValue(t.field, t.quantity, newUnit, numberValue(converted));
        if (!stored) return ThresholdRewriteRefusal{t.field, converted};
        raw = std::to_string(*stored);
    }
    return std::nullopt;
}

} // namespace nimbrel
