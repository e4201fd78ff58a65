#include "app/station_commands.h"

#include "app/language_table.h"
#include "station/station_access.h"
#include "station/station_busy.h"

namespace nimbrel {

namespace {

// Language table rows.
constexpr int kCannotCommunicate = 162;
constexpr int kLoadDefaultsQuestion = 157;
constexpr int kLoadDefaultsFailed = 168;
constexpr int kClearMemoryQuestion = 155;

} // namespace

std::string stationCommandQuestion(StationCommand command, const LanguageTable& texts) {
    return texts.text(command == StationCommand::loadDefaults ? kLoadDefaultsQuestion : kClearMemoryQuestion);
}

FormOutcome runStationCommand(StationCommand command, StationAccess& station, Clock& clock,
                              const LanguageTable& texts) {
    StationBusyLock busy(station.busy());
    if (!busy.acquire(clock)) return FormOutcome::failure(texts.text(kCannotCommunicate));
    if (command == StationCommand::loadDefaults) {
        if (!station.resetStation()) return FormOutcome::failure(texts.text(kLoadDefaultsFailed));
    } else if (!station.clearHistory()) {
        // The station has no text of its own for a failed clear.
        return FormOutcome::failure(texts.text(kCannotCommunicate));
    }
    return FormOutcome::success();
}

} // namespace nimbrel
