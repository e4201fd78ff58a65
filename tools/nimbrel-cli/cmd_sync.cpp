// nimbrel-cli sync [--dir DIR]: one whole polling cycle, as the window's acquisition thread runs it.
#include "acquisition/connection_watch.h"
#include "acquisition/monitor_thread.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/logger_session.h"
#include "tools/nimbrel-cli/station_setup.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

namespace nimbrel::cli {

namespace {

int runSync(const FolderOption& dir) {
    LoggerSession session;
    if (const int status = openLoggerSession("sync", dir, session); status != kExitOk) return status;

    // The first tick of the connection watch finds the station and marks it synchronised, as it
    // does for the window; SearchData only matters to a watch that keeps running.
    ConnectionWatch watch(*session.station, *session.store, true);
    if (!watch.tick().connected)
        return fail(kExitUnreachable, "sync",
                    noStationText(*session.station, session.config, StationSearch::givenUp));

    ConsoleListener listener(false);
    MonitorThread monitor(*session.station, *session.store, listener, session.texts,
                          session.config.testMode(), session.station->clock());
    monitor.runCycle();
    if (monitor.lastSaveFailed())
        return fail(kExitUnreachable, "sync", session.texts.saveFailed + " (" + session.store->path() + ")");
    if (!monitor.lastCycleComplete())
        return fail(
            kExitUnreachable, "sync",
            "the station did not answer every read; the records not stored will be fetched by the next sync");
    return kExitOk;
}

} // namespace

void addSyncCommand(CLI::App& app) {
    auto dir = std::make_shared<FolderOption>();
    CLI::App& command = *app.add_subcommand(
        "sync", "one polling cycle: read the station, store its new history records in Nimbrel.dat");
    command.footer("Exits 1 when the station could not be found or read or the records could not be saved; "
                   "nothing is lost then: the next sync fetches them.");
    addDirOption(command, *dir);
    setRun(command, [dir] { return runSync(*dir); });
}

} // namespace nimbrel::cli
