// nimbrel-cli defaults / clear-memory: the station's two commands that change its state, asked first
// as the main window's load-default-values button and the History window's Clear Memory ask.
#include "app/station_commands.h"
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

int runAsked(const char* name, StationCommand asked, const AskedOptions& options) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession(name, options.dir, FolderUse::beside, session); status != kExitOk)
        return status;
    bool agreed = false;
    if (const int status = confirm(name, stationCommandQuestion(asked, session->texts()), options.yes,
                                   session->texts(), agreed);
        status != kExitOk || !agreed)
        return status; // answered no: nothing done, as the window does nothing
    if (const int status = findStation(name, *session); status != kExitOk) return status;

    StationAccess& station = session->station();
    const FormOutcome done = runStationCommand(asked, station, station.clock(), session->texts());
    return done.done ? kExitOk : failWith(name, done);
}

void addAskedCommand(CLI::App& app, const char* name, StationCommand asked, const std::string& description,
                     const std::string& yesDescription) {
    auto options = std::make_shared<AskedOptions>();
    CLI::App& command = *app.add_subcommand(name, description);
    command.footer("Asks first on a terminal; without one it needs --yes. Works while the window or the "
                   "logger runs on the same folder. Exits 1 when the station could not be reached or the "
                   "command failed.");
    addDirOption(command, options->dir);
    command.add_flag("-y,--yes", options->yes, yesDescription);
    addBurstRiskNote(command);
    setRun(command, [name, asked, options] { return runAsked(name, asked, *options); });
}

} // namespace

void addDefaultsCommand(CLI::App& app) {
    addAskedCommand(app, "defaults", StationCommand::loadDefaults,
                    "make the station load its default settings",
                    "answer \"Do you want to load default value?\" yes");
}

void addClearMemoryCommand(CLI::App& app) {
    addAskedCommand(app, "clear-memory", StationCommand::clearMemory,
                    "empty the station's history memory (its record count goes to 0)",
                    "answer \"Do you want to clear memory on the device?\" yes");
}

} // namespace nimbrel::cli
