// What every command that uses the station or the history opens first: its data folder, through the
// same acquisition session as the window, with a failure said on standard error.
#pragma once

#include "acquisition/monitor_listener.h"
#include "app/acquisition_session.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/station_setup.h"

#include <memory>
#include <string>

namespace nimbrel::cli {

// Chooses the data folder from `dir` and opens it for `use`: `writer` for the commands that store
// history (the folder's lock taken, the history file opened), `beside` for those that work beside the
// window or the logger (no lock; they never write Nimbrel.dat, and the USB library keeps two
// programs' exchanges with one station apart). The station is not looked for yet, so a command may
// still refuse its input first. Returns kExitOk with `session` set, or the status of a failure after
// printing "<command>: why".
int openSession(const std::string& command, const FolderOption& dir, FolderUse use,
                std::unique_ptr<AcquisitionSession>& session);

// Looks for the station. Returns kExitOk when it is attached, or kExitUnreachable after saying, in the
// configured language, that none was found or that this user may not open it.
int findStation(const std::string& command, AcquisitionSession& session);

// Prints the acquisition thread's status texts on standard output, each on its own line, with the
// local time in front when asked. The readings themselves are not printed. The progress of a long job
// (a first download takes minutes) is one line on standard error that keeps being rewritten, and only
// when standard error is a terminal: nothing of it reaches a file or a pipe.
class ConsoleListener final : public MonitorListener {
public:
    explicit ConsoleListener(bool stamped);
    void showReading(const StationSettings&, const WeatherSample&) override {}
    void showAlarmLamps(const AlarmThresholds&, const StationSettings&, const WeatherSample&) override {}
    void showMinMax(const StationSettings&, const MinMaxTable&) override {}
    void setTitle(const std::string&) override {}
    void postStatus(const std::string& text) override;
    void showProgress(const std::string& text, long long done, long long total) override;
    void endProgress() override;
    bool windowExists() override { return true; }

private:
    bool stamped_;
    bool progressShown_; // standard error is a terminal
    bool progressLineOpen_ = false;
};

} // namespace nimbrel::cli
