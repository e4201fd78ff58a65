// nimbrel-cli log [--dir DIR]: the window's connection watch and acquisition thread without a window,
// until SIGINT or SIGTERM.
#include "acquisition/connection_watch.h"
#include "acquisition/monitor_thread.h"
#include "app/output_configuration.h"
#include "nimbrel_version.h"
#include "outputs/output_setup.h"
#include "station/local_stamp.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/logger_session.h"
#include "tools/nimbrel-cli/station_setup.h"

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

// One second of the watch's rhythm, cut short by a stop signal.
void waitOneTick() {
    for (int i = 0; i < 10 && !stopSignalled.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

int runLog(const FolderOption& dir) {
    LoggerSession session;
    if (const int status = openLoggerSession("log", dir, session); status != kExitOk) return status;

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);

    say("logging into " + (session.folder / "Nimbrel.dat").string() + " (stop with Ctrl+C)");
    const bool searchData = session.config.searchDataOn();
    ConnectionWatch watch(*session.station, *session.store, searchData);
    ConsoleListener listener(true);
    // Made before the monitor, which hands them its readings, so they outlive it.
    const OutputConfiguration outputConfig = readOutputConfiguration(session.folder);
    for (const std::string& warning : outputConfig.warnings) warn("log", warning);
    std::unique_ptr<OutputQueue> outputs =
        searchData ? makeOutputQueue(outputConfig.settings, kNimbrelVersion, say) : nullptr;
    MonitorThread monitor(*session.station, *session.store, listener, session.texts,
                          session.config.testMode(), session.station->clock());

    if (outputs) {
        outputs->start();
        monitor.setOutputSink(outputs.get());
    }
    if (!searchData)
        say("SearchData is off in Nimbrel.ini: the station is looked for but not read");
    else if (!monitor.start())
        return fail(kExitUnreachable, "log", "the acquisition thread could not be started");

    bool deniedSaid = false;
    while (!stopSignalled.load()) {
        const ConnectionWatch::TickResult tick = watch.tick();
        if (tick.connectionChanged) say(tick.connected ? "station connected" : "station not connected");
        // Said once each time it starts: a station this user may not open stays so until the rule is in.
        if (tick.accessDenied && !deniedSaid)
            warn("log", noStationText(*session.station, session.config, StationSearch::continues));
        deniedSaid = tick.accessDenied;
        waitOneTick();
    }

    // The thread ends the station command it is in without waiting out a silent station, gives up
    // a download (nothing of it is stored; the next start fetches it again) and ends; records it has
    // already handed to the history file are written whole. Measured: well under a second.
    say("stopping");
    monitor.requestStop();
    monitor.join();
    if (outputs) {
        outputs->stop();
        if (outputs->dropped() > 0)
            say("outputs: " + std::to_string(outputs->dropped()) + " readings dropped while the network lagged");
    }
    say("stopped");
    return kExitOk;
}

} // namespace

void addLogCommand(CLI::App& app) {
    auto dir = std::make_shared<FolderOption>();
    CLI::App& command =
        *app.add_subcommand("log", "keep polling and storing new records until Ctrl+C or SIGTERM");
    addDirOption(command, *dir);
    setRun(command, [dir] { return runLog(*dir); });
}

} // namespace nimbrel::cli
