// When an alarm lamp of the current-conditions view is off, armed or lit. Pure, no Qt.
#pragma once

#include <string_view>

namespace nimbrel {

enum class LampState {
    Disabled, // the station does not watch this alarm
    Armed,    // watched, not met
    Lit       // watched and met
};

enum class LampLimit { High, Low };

// enabledFlag is the station settings' flag for the alarm ("1" means on); reading and threshold are
// decimal texts in the same unit. A high lamp is met by a reading above the threshold, a low lamp by one
// below it; a reading of 0 or below (or none) never lights a lamp.
LampState lampState(std::string_view enabledFlag, std::string_view reading, std::string_view threshold,
                    LampLimit limit);

// The wind-direction lamp: met while the wind blows (winds above 0) from exactly the alarm's direction.
LampState directionLampState(std::string_view enabledFlag, std::string_view winds, std::string_view windDir,
                             std::string_view alarmDirection);

} // namespace nimbrel
