// nimbrel-cli status [--dir DIR]: how the link to the station is doing, as this program can tell it
// from one short exchange and from what the programs on the station learned of its timing.
#include "app/link_report.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace nimbrel::cli {

namespace {

int runStatus(const FolderOption& dir) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession("status", dir, FolderUse::beside, session); status != kExitOk)
        return status;
    if (const int status = findStation("status", *session); status != kExitOk) return status;

    StationAccess& station = session->station();
    bool answered = false;
    {
        StationBusyLock busy(station.busy());
        answered = busy.acquire(station.clock()) && station.probe();
    }
    for (const std::string& line : linkReportLines(session->texts(), station, session->health()))
        std::printf("%s\n", line.c_str());
    if (!answered) return fail(kExitUnreachable, "status", session->texts().text("acquisition.station_stopped"));
    return kExitOk;
}

} // namespace

void addStatusCommand(CLI::App& app) {
    auto dir = std::make_shared<FolderOption>();
    CLI::App& command = *app.add_subcommand(
        "status", "how the link to the station is doing: its learned moments, the link's counts, the last good read");
    command.footer("Reads the station once, with one short exchange, and prints what this program and the "
                   "others on the same station (the window, the logger) learned of its timing. "
                   "Exits 1 when the station could not be found or did not answer.");
    addBurstRiskNote(command);
    addDirOption(command, *dir);
    setRun(command, [dir] { return runStatus(*dir); });
}

} // namespace nimbrel::cli
