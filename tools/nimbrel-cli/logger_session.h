// LoggerSession: what `sync` and `log` set up before they poll: data folder, lock, configuration,
// station, history file and texts, exactly as the window does.
#pragma once

#include "acquisition/acquisition_texts.h"
#include "acquisition/monitor_listener.h"
#include "app/configuration.h"
#include "app/folder_lock.h"
#include "station/station_access.h"
#include "store/history_store.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/station_setup.h"

#include <filesystem>
#include <memory>
#include <string>

namespace nimbrel::cli {

struct LoggerSession {
    std::filesystem::path folder;
    std::unique_ptr<FolderLock> lock;
    Configuration config;
    std::unique_ptr<StationAccess> station;
    std::unique_ptr<HistoryStore> store;
    AcquisitionTexts texts;
};

// Chooses the data folder, takes its lock and opens everything. Returns the exit status of a failure
// (after printing why), or kExitOk with `session` filled.
int openLoggerSession(const std::string& command, const FolderOption& dir, LoggerSession& session);

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
