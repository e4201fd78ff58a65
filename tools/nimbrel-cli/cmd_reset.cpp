// nimbrel-cli defaults / clear-memory: the station's two commands that change its state, asked first
// as the main window's load-default-values button and the History window's Clear Memory ask.
#include "station/station_busy.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/confirmation.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <memory>

namespace nimbrel::cli {

namespace {

struct AskedOptions {
    FolderOption dir;
    bool yes = false;
};

// Language table rows.
constexpr int kCannotCommunicate = 162;

// What one asked station command says and does.
struct AskedCommand {
    const char* name;
    int question;    // row of the Yes/No question
    int failureText; // row of the message when the operation fails
    bool (StationAccess::*operation)(bool quiet);
};

int runAsked(const AskedCommand& asked, const AskedOptions& options) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession(asked.name, options.dir, FolderUse::beside, session);
        status != kExitOk)
        return status;
    bool agreed = false;
    if (const int status =
            confirm(asked.name, session->texts().text(asked.question), options.yes, session->texts(), agreed);
        status != kExitOk || !agreed)
        return status; // answered no: nothing done, as the window does nothing
    if (const int status = findStation(asked.name, *session); status != kExitOk) return status;

    StationAccess& station = session->station();
    StationBusyLock busy(station.busy());
    if (!busy.acquire(station.clock()))
        return fail(kExitUnreachable, asked.name, session->texts().text(kCannotCommunicate));
    const bool done = (station.*asked.operation)(false);
    busy.release();
    if (!done) return fail(kExitUnreachable, asked.name, session->texts().text(asked.failureText));
    return kExitOk;
}

void addAskedCommand(CLI::App& app, const AskedCommand& asked, const std::string& description,
                     const std::string& yesDescription) {
    auto options = std::make_shared<AskedOptions>();
    CLI::App& command = *app.add_subcommand(asked.name, description);
    command.footer("Asks first on a terminal; without one it needs --yes. Works while the window or the "
                   "logger runs on the same folder. Exits 1 when the station could not be reached or the "
                   "command failed.");
    addDirOption(command, options->dir);
    command.add_flag("-y,--yes", options->yes, yesDescription);
    addBurstRiskNote(command);
    setRun(command, [asked, options] { return runAsked(asked, *options); });
}

} // namespace

void addDefaultsCommand(CLI::App& app) {
    addAskedCommand(app, {"defaults", 157, 168, &StationAccess::resetStation},
                    "make the station load its default settings",
                    "answer \"Do you want to load default value?\" yes");
}

void addClearMemoryCommand(CLI::App& app) {
    addAskedCommand(app, {"clear-memory", 155, kCannotCommunicate, &StationAccess::clearHistory},
                    "empty the station's history memory (its record count goes to 0)",
                    "answer \"Do you want to clear memory on the device?\" yes");
}

} // namespace nimbrel::cli
