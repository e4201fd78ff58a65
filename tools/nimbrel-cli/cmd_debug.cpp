// nimbrel-cli debug setup|record N: the Debug window's dumps of the station's memory areas and records.
#include "app/debug_log.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace nimbrel::cli {

namespace {

struct DebugCommandOptions {
    FolderOption dir;
    std::string number;
};

// Runs one of the Debug window's buttons and prints the log it wrote, without the window's leading
// blank lines.
int runDebug(const char* name, const DebugCommandOptions& options, bool record) {
    const std::string command = std::string("debug ") + name;
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession(command, options.dir, FolderUse::beside, session); status != kExitOk)
        return status;
    DebugLog log(session->texts());
    int n = 0;
    if (record) {
        const auto parsed = DebugLog::parseRecordNumber(options.number);
        if (!parsed) return fail(kExitBadInput, command, log.recordNumberPrompt());
        n = *parsed;
    }
    if (const int status = findStation(command, *session); status != kExitOk) return status;

    StationAccess& station = session->station();
    const FormOutcome result =
        record ? log.readRecord(station, station.clock(), n) : log.readSetup(station, station.clock());
    if (!result.done) return failWith(command, result);
    std::string text = log.text();
    text.erase(0, text.find_first_not_of('\n'));
    std::fputs(text.c_str(), stdout);
    return kExitOk;
}

} // namespace

void addDebugCommand(CLI::App& app) {
    auto options = std::make_shared<DebugCommandOptions>();
    CLI::App& debug = *app.add_subcommand("debug", "print the Debug window's dumps of the station's memory");
    debug.require_subcommand(1);
    debug.footer(
        "Works while the window or the logger runs on the same folder. Exits 1 when the station could "
        "not be reached or a read failed.");

    CLI::App& setup = *debug.add_subcommand("setup", "the settings, alarm and minimum/maximum areas, as "
                                                     "\"SetupRead\" logs them");
    addDirOption(setup, options->dir);
    addBurstRiskNote(setup);
    setRun(setup, [options] { return runDebug("setup", *options, false); });

    CLI::App& record = *debug.add_subcommand("record", "one history record, as \"DataRead\" logs it");
    addDirOption(record, options->dir);
    record
        .add_option("N", options->number,
                    "records back from the newest: 0 is the newest, 4079 the oldest "
                    "slot of the ring")
        ->required();
    addBurstRiskNote(record);
    setRun(record, [options] { return runDebug("record", *options, true); });
}

} // namespace nimbrel::cli
