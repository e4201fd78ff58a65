// StationSession: what the commands of the station windows open (data folder, configuration, texts,
// station), without the data folder's lock.
//
// These commands work while the window or the logger runs on the same folder, as the window's own
// Setup or History window would: they never touch Nimbrel.dat, and the USB library's exclusion between
// programs keeps their exchanges with the station apart from the other program's. Within this process
// they still take the station's busy flag around their operations, like every caller.
#pragma once

#include "app/configuration.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/station_setup.h"

#include <filesystem>
#include <memory>
#include <string>

namespace nimbrel::cli {

struct StationSession {
    std::filesystem::path folder;
    Configuration config;
    LanguageTable texts; // in the configured language
    std::unique_ptr<StationAccess> station;
};

// Chooses the data folder, reads its configuration and loads the USB library it names; the station is
// not looked for yet, so a command may still refuse its input first. Returns kExitOk with `session`
// filled, or the status of a failure after printing "<command>: why".
int openStationSession(const std::string& command, const FolderOption& dir, StationSession& session);

// Looks for the station. Returns kExitOk when it is attached, or kExitUnreachable after saying, in the
// configured language, that none was found or that this user may not open it.
int findStation(const std::string& command, StationSession& session);

} // namespace nimbrel::cli
