// AcquisitionSession: one data folder opened for the station, and the work that keeps its history.
//
// The window and every command of nimbrel-cli open a folder through here: the folder's claim, its
// configuration and texts, the station over the USB library that the configuration names (none in
// the test mode), the history file and the outputs' settings. A writer then starts the work: the
// connection watch on a thread of its own (once a second), the outputs' queue and the polling thread.
// Nothing here waits for a window: what the threads say reaches the owner through the callbacks.
#pragma once

#include "acquisition/connection_watch.h"
#include "acquisition/link_health.h"
#include "acquisition/monitor_listener.h"
#include "app/configuration.h"
#include "app/folder_access.h"
#include "app/language_table.h"
#include "app/output_configuration.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace nimbrel {

class AlertCommand;
class AlertSink;
class AlertWatch;
class Clock;
class HistoryStore;
class MonitorThread;
class OutputQueue;
class StationAccess;
struct StationSettings;

// How a program takes its data folder.
enum class FolderUse {
    writer,         // sync, log: a folder that another program holds, or that may not be written, is refused
    writerOrReader, // the window: such a folder is opened to be read only
    beside,         // the station commands and publish: no claim at all; the history file is only read
};

// What the session's threads say to its owner. Each is called from a thread of the session's, never
// from the owner's; none may wait for a window.
struct SessionCallbacks {
    // The polling thread's texts, readings and progress. Must outlive stop().
    MonitorListener* listener = nullptr;
    // Every tick of the connection watch, once a second.
    std::function<void(const ConnectionWatch::TickResult&)> connection;
    // The outputs' status texts (MQTT, upload). Their start-up warnings are the owner's to say:
    // outputConfiguration().warnings.
    std::function<void(const std::string&)> outputText;
    // The desktop's notifications of alerts, when the owner has them. Must outlive stop().
    AlertSink* desktop = nullptr;
};

// What one polling cycle on the caller's thread came to (nimbrel-cli sync).
struct CycleOutcome {
    bool found = false;      // the station was there to be read
    bool complete = false;   // every area and the whole download were read and stored
    bool saveFailed = false; // new records could not be written to the history file
};

class AcquisitionSession {
public:
    // Why open() gave no session.
    enum class Failure {
        none,
        folderBusy,        // another program holds the folder (FolderUse::writer)
        folderNotWritable, // this user may not write it (FolderUse::writer)
        libraryMissing,    // the configured USB library could not be loaded
        historyUnopenable, // the history file could not be made or opened (FolderUse::writer)
    };
    struct Opening {
        std::unique_ptr<AcquisitionSession> session;
        Failure failure = Failure::none;
        std::string message; // in the configured language where the window has the text
    };

    // Opens a folder that chooseDataFolder accepted. A missing USB library is a failure only for
    // `writer` and `beside` (the commands); the window runs on and finds no station.
    static Opening open(const std::filesystem::path& folder, FolderUse use);

    // A session over parts the caller owns and keeps alive for the session's life (tests, tools).
    AcquisitionSession(std::filesystem::path folder, FolderAccess access, const Configuration& config,
                       StationAccess& station, HistoryStore& store);
    // Stops the work and waits for its threads.
    ~AcquisitionSession();
    AcquisitionSession(const AcquisitionSession&) = delete;
    AcquisitionSession& operator=(const AcquisitionSession&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    FolderAccess access() const { return access_; }
    bool reader() const { return access_ != FolderAccess::writer; }
    const Configuration& config() const { return config_; }
    const LanguageTable& texts() const { return texts_; }
    StationAccess& station() { return station_; }
    HistoryStore& store() { return store_; }
    Clock& clock();
    const OutputConfiguration& outputConfiguration() const { return outputConfig_; }
    // Why the USB library could not be loaded; "" when it was, or in the test mode.
    const std::string& libraryError() const { return libraryError_; }

    // Starts the connection watch's thread, and with SearchData on the outputs and the polling thread.
    // A reader starts nothing. False when the polling thread could not be started (the watch runs on).
    bool start(SessionCallbacks callbacks);
    // Whether the polling thread runs.
    bool polling() const;
    // Ends the work: the watch, the polling thread (a download in progress is given up; nothing of it
    // is stored), then the outputs. Safe to call more than once.
    void stop();
    // How many readings the outputs dropped while the network lagged (after stop()).
    long long outputsDropped() const { return outputsDropped_; }

    // One tick of the connection watch on the caller's thread, in turn with the watch's own thread.
    ConnectionWatch::TickResult tick();
    // One whole polling cycle on the caller's thread, after a tick that looks for the station.
    CycleOutcome runOneCycle(MonitorListener& listener);

    // The station's settings as the polling thread last read them; nothing before that.
    std::optional<StationSettings> stationSettings() const;

    // Whether the station answers: the "station problem" and the lock-ups suspected.
    const LinkHealth& health() const { return health_; }

    // The watch's rhythm.
    static constexpr std::chrono::milliseconds kWatchInterval{1000};

private:
    struct Owned;
    AcquisitionSession(std::unique_ptr<Owned> owned, std::filesystem::path folder, FolderAccess access);
    void watchLoop();
    void stopAlerts();

    std::unique_ptr<Owned> owned_; // what open() made; empty for a session over borrowed parts
    std::filesystem::path folder_;
    FolderAccess access_;
    const Configuration& config_;
    LanguageTable texts_;
    StationAccess& station_;
    HistoryStore& store_;
    OutputConfiguration outputConfig_;
    std::string libraryError_;

    std::mutex watchMutex_; // one tick at a time, whichever thread asks
    ConnectionWatch watch_;
    SessionCallbacks callbacks_;
    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    std::thread watchThread_;
    std::unique_ptr<OutputQueue> outputs_;
    // The alerts: what decides them, the command that hears of them, and the listener between the
    // polling thread and the owner's that feeds them.
    class AlertingListener;
    std::unique_ptr<AlertCommand> alertCommand_;
    std::unique_ptr<AlertWatch> alerts_;
    std::unique_ptr<AlertingListener> alertingListener_;
    std::unique_ptr<MonitorThread> monitor_;
    LinkHealth health_;
    long long outputsDropped_ = 0;
};

} // namespace nimbrel
