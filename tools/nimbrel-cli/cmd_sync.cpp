// nimbrel-cli sync [--dir DIR]: one whole polling cycle, as the window's acquisition thread runs it.
#include "store/history_store.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

namespace nimbrel::cli {

namespace {

int runSync(const FolderOption& dir) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession("sync", dir, FolderUse::writer, session); status != kExitOk)
        return status;

    ConsoleListener listener(false);
    const CycleOutcome outcome = session->runOneCycle(listener);
    if (!outcome.found)
        return fail(kExitUnreachable, "sync",
                    noStationText(session->station(), session->config(), StationSearch::givenUp));
    if (outcome.saveFailed)
        return fail(kExitUnreachable, "sync",
                    session->texts().text("acquisition.save_failed") + " (" + session->store().path() + ")");
    if (!outcome.complete)
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
    addBurstRiskNote(command);
    setRun(command, [dir] { return runSync(*dir); });
}

} // namespace nimbrel::cli
