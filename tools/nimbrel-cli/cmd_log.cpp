// nimbrel-cli log [--dir DIR]: the window's acquisition session without a window, until SIGINT or
// SIGTERM.
#include "station/local_stamp.h"
#include "store/history_store.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/desktop_notifier_loader.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <iostream>
#include <memory>
#include <thread>

namespace nimbrel::cli {
namespace {

std::atomic<bool> stopSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int) {
    stopSignalled.store(true);
}

// The outputs' threads and the acquisition thread say things too: each line goes out in one piece.
void say(const std::string& text) {
    std::cout << (localStampText(std::time(nullptr)) + "  " + text + '\n') << std::flush;
}

int runLog(const FolderOption& dir) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession("log", dir, FolderUse::writer, session); status != kExitOk)
        return status;

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);

    say("logging into " + session->store().path() + " (stop with Ctrl+C)");
    for (const std::string& warning : session->outputConfiguration().warnings) warn("log", warning);
    if (!session->config().searchDataOn())
        say("SearchData is off in Nimbrel.ini: the station is looked for but not read");

    // The watch's ticks come from the session's thread; what changed is said from there.
    ConsoleListener listener(true);
    std::atomic<bool> deniedSaid{false};
    SessionCallbacks callbacks;
    callbacks.listener = &listener;
    callbacks.outputText = say;
    callbacks.connection = [&session, &deniedSaid](const ConnectionWatch::TickResult& tick) {
        if (tick.connectionChanged) say(tick.connected ? "station connected" : "station not connected");
        // Said once each time it starts: a station this user may not open stays so until the rule is in.
        if (tick.accessDenied && !deniedSaid)
            warn("log", noStationText(session->station(), session->config(), StationSearch::continues));
        deniedSaid = tick.accessDenied;
    };
    // The desktop hears of alerts only when Nimbrel.ini asks for it: a logger usually runs where nobody
    // looks at a desktop.
    std::unique_ptr<AlertSink> notifier;
    if (session->outputConfiguration().alerts.notify.value_or(false)) {
        std::string why;
        notifier = loadDesktopNotifier(say, why);
        if (!notifier) warn("log", "no desktop notifications: " + why);
        callbacks.desktop = notifier.get();
    }
    if (!session->start(std::move(callbacks)))
        return fail(kExitUnreachable, "log", "the acquisition thread could not be started");

    while (!stopSignalled.load()) std::this_thread::sleep_for(std::chrono::milliseconds(100));

    // The thread ends the station command it is in without waiting out a silent station, gives up
    // a download (nothing of it is stored; the next start fetches it again) and ends; records it has
    // already handed to the history file are written whole. Measured: well under a second.
    say("stopping");
    session->stop();
    if (session->outputsDropped() > 0)
        say("outputs: " + std::to_string(session->outputsDropped()) +
            " readings dropped while the network lagged");
    say("stopped");
    return kExitOk;
}

} // namespace

void addLogCommand(CLI::App& app) {
    auto dir = std::make_shared<FolderOption>();
    CLI::App& command =
        *app.add_subcommand("log", "keep polling and storing new records until Ctrl+C or SIGTERM");
    addDirOption(command, *dir);
    addBurstRiskNote(command);
    setRun(command, [dir] { return runLog(*dir); });
}

} // namespace nimbrel::cli
