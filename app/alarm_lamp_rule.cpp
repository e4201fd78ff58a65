#include "app/alarm_lamp_rule.h"

#include "presentation/decimal_text.h"

namespace nimbrel {

LampState lampState(std::string_view enabledFlag, std::string_view reading, std::string_view threshold,
                    LampLimit limit) {
    if (enabledFlag != "1") return LampState::Disabled;
    const double value = numberValue(reading);
    const double bound = numberValue(threshold);
    const bool met = value > 0.0 && (limit == LampLimit::High ? value > bound : value < bound);
    return met ? LampState::Lit : LampState::Armed;
}

LampState directionLampState(std::string_view enabledFlag, std::string_view winds, std::string_view windDir,
                             std::string_view alarmDirection) {
    if (enabledFlag != "1") return LampState::Disabled;
    const bool met = numberValue(winds) > 0.0 && windDir == alarmDirection;
    return met ? LampState::Lit : LampState::Armed;
}

} // namespace nimbrel
