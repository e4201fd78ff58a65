// nimbrel-cli publish: the station's current reading, once, to every output configured in Nimbrel.ini,
// with what each answered: for users setting up MQTT or a weather network.
#include "app/scope_form.h"
#include "nimbrel_version.h"
#include "outputs/output_setup.h"
#include "presentation/record_builders.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace nimbrel::cli {

namespace {

struct PublishOptions {
    FolderOption dir;
};

int runPublish(const PublishOptions& options) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession("publish", options.dir, FolderUse::beside, session); status != kExitOk)
        return status;
    const OutputConfiguration& config = session->outputConfiguration();
    for (const std::string& warning : config.warnings) warn("publish", warning);
    if (!config.settings.anyEnabled()) {
        const std::string ini = (session->folder() / "Nimbrel.ini").string();
        return fail(kExitBadInput, "publish",
                    "no output is configured: give host in [mqtt] or url in [upload] of " + ini);
    }
    if (const int status = findStation("publish", *session); status != kExitOk) return status;

    // The current record as the Scope window reads it; its rain totals from the history file, read only.
    StationAccess& station = session->station();
    HistoryStore& store = session->store();
    ScopeForm form;
    const FormOutcome outcome = form.open(station, store, station.clock(), session->texts());
    if (!form.recordRead()) {
        warnEach("publish", outcome.message);
        return kExitUnreachable;
    }
    WeatherSample current = form.reading;
    normaliseSample(current, form.settings, form.alarms);
    std::optional<double> sinceMidnight;
    computeRainTotalsFromStore(current, store, station.clock(), &sinceMidnight);
    const OutputReading reading = outputReadingOf(current, station.clock().nowSeconds(), false, sinceMidnight);

    int status = kExitOk;
    for (const auto& [name, answer] : sendToEachOnce(config.settings, kNimbrelVersion, reading)) {
        std::printf("%s: %s, %s\n", name.c_str(), answer.ok ? "ok" : "failed", answer.text.c_str());
        if (!answer.ok) status = kExitUnreachable;
    }
    return status;
}

} // namespace

void addPublishCommand(CLI::App& app) {
    auto options = std::make_shared<PublishOptions>();
    CLI::App& command = *app.add_subcommand(
        "publish", "send the station's current reading once to every output configured in Nimbrel.ini "
                   "(MQTT, weather-network upload) and say what each answered");
    command.footer(
        "One \"Name: ok, answer\" or \"Name: failed, why\" line per output. MQTT gets the discovery "
        "messages too (unless discovery=off), but not the availability topic, which belongs to the "
        "logger or the window. The upload is sent whatever its interval. Passwords are never printed. "
        "Exits 1 when an output failed or the station could not be read, 2 when no output is configured.");
    addDirOption(command, options->dir);
    addBurstRiskNote(command);
    setRun(command, [options] { return runPublish(*options); });
}

} // namespace nimbrel::cli
