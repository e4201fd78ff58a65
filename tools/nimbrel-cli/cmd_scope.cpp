// nimbrel-cli scope: the Scope window's boxes, each extreme with its time, read as the window reads them.
#include "app/scope_form.h"
#include "store/history_store.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace nimbrel::cli {

namespace {

struct ScopeOptions {
    FolderOption dir;
};

int runScope(const ScopeOptions& options) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession("scope", options.dir, FolderUse::beside, session); status != kExitOk)
        return status;
    if (const int status = findStation("scope", *session); status != kExitOk) return status;

    // The rain totals of the current reading come from the history file, read only.
    StationAccess& station = session->station();
    HistoryStore& store = session->store();
    ScopeForm form;
    const FormOutcome outcome = form.open(station, store, station.clock(), session->texts());
    warnEach("scope", outcome.message);
    if (!outcome.done) return kExitUnreachable;

    const auto& boxes = scopeBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        std::printf("%s: %s\n", boxes[i].name, form.valueText(i).c_str());
        std::printf("%s Time: %s\n", boxes[i].name, form.timeText(i).c_str());
    }
    // The window opens after a failed read too, showing what it has; the command says so by its status.
    return outcome.message.empty() ? kExitOk : kExitUnreachable;
}

} // namespace

void addScopeCommand(CLI::App& app) {
    auto options = std::make_shared<ScopeOptions>();
    CLI::App& command =
        *app.add_subcommand("scope", "print the station's minimum and maximum records with their "
                                     "times, as the Scope window shows them");
    command.footer(
        "One \"Name: value\" line per box and one \"Name Time: time\" line for its time. Works while "
        "the window or the logger runs on the same folder. Exits 1 when the station could not be "
        "reached or a read failed (the lines then show what was read).");
    addDirOption(command, options->dir);
    addBurstRiskNote(command);
    setRun(command, [options] { return runScope(*options); });
}

} // namespace nimbrel::cli
