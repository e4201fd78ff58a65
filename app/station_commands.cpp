#include "app/station_commands.h"

#include "app/language_table.h"
#include "station/station_access.h"
#include "station/station_busy.h"

namespace nimbrel {

std::string stationCommandQuestion(StationCommand command, const LanguageTable& texts) {
    return texts.text(command == StationCommand::loadDefaults ? TextRow::askLoadDefaults
                                                              : TextRow::askClearStationMemory);
}

FormOutcome runStationCommand(StationCommand command, StationAccess& station, Clock& clock,
                              const LanguageTable& texts) {
    StationBusyLock busy(station.busy());
    if (!busy.acquire(clock)) return FormOutcome::failure(texts.text(TextRow::cannotCommunicate));
    if (command == StationCommand::loadDefaults) {
        if (!station.resetStation()) return FormOutcome::failure(texts.text(TextRow::setupInitFailed));
    } else if (!station.clearHistory()) {
        // The station has no text of its own for a failed clear.
        return FormOutcome::failure(texts.text(TextRow::cannotCommunicate));
    }
    return FormOutcome::success();
}

} // namespace nimbrel
