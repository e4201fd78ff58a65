#include "tools/nimbrel-cli/station_session.h"

#include "station/clock.h"
#include "station/usb_library.h"

namespace nimbrel::cli {

int openStationSession(const std::string& command, const FolderOption& dir, StationSession& session) {
    if (const int status = chooseFolder(command, dir, session.folder); status != kExitOk) return status;
    session.config = loadConfiguration(session.folder);
    session.texts = LanguageTable(session.config.languageIndex);

    if (const int status = openStation(command, session.config, session.station); status != kExitOk)
        return status;
    return kExitOk;
}

int findStation(const std::string& command, StationSession& session) {
    if (session.station->pollConnection()) return kExitOk;
    return fail(kExitUnreachable, command,
                noStationText(*session.station, session.config, StationSearch::givenUp));
}

} // namespace nimbrel::cli
