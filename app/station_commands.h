// The two station commands that change the station's state at once: loading its default settings
// (the main window's load-default button, the Setup window's Default, `nimbrel-cli defaults`) and
// emptying its history memory (the History window's Clear Memory, `nimbrel-cli clear-memory`).
// Each is asked first with its own question and runs under stationBusy.
#pragma once

#include "app/form_outcome.h"

#include <string>

namespace nimbrel {

class Clock;
class LanguageTable;
class StationAccess;

enum class StationCommand {
    loadDefaults, // the station reloads its defaults (0x55 written to 0x1A)
    clearMemory,  // the station's record count goes to 0
};

// The Yes/No question asked before the command.
std::string stationCommandQuestion(StationCommand command, const LanguageTable& texts);

// Takes stationBusy (three one-second waits at most), runs the command and gives the flag back
// before returning, so the caller shows the message with the station free.
FormOutcome runStationCommand(StationCommand command, StationAccess& station, Clock& clock,
                              const LanguageTable& texts);

} // namespace nimbrel
