#include "app/acquisition_session.h"

#include "acquisition/monitor_thread.h"
#include "app/acquisition_texts_from_table.h"
#include "app/alert_command.h"
#include "app/alert_watch.h"
#include "app/data_folder.h"
#include "station/timing_share.h"
#include "nimbrel_version.h"
#include "outputs/output_setup.h"
#include "station/station_access.h"
#include "station/usb_library.h"
#include "store/history_store.h"

#include <cstring>

namespace nimbrel {

// What open() makes and the session then owns, declared in the order it is made.
struct AcquisitionSession::Owned {
    std::optional<FolderLock> lock;
    Configuration config;
    std::unique_ptr<StationAccess> station;
    std::unique_ptr<HistoryStore> store;
    std::string libraryError;
};

// Between the polling thread and the owner's listener: every call goes on to the owner's, and what the
// alerts are made of goes to the watch too.
class AcquisitionSession::AlertingListener final : public MonitorListener {
public:
    AlertingListener(MonitorListener& owner, AlertWatch& alerts, Clock& clock)
        : owner_(owner), alerts_(alerts), clock_(clock) {}

    void showReading(const StationSettings& settings, const WeatherSample& reading) override {
        owner_.showReading(settings, reading);
    }
    void showAlarmLamps(const AlarmThresholds& alarms, const StationSettings& settings,
                        const WeatherSample& reading) override {
        owner_.showAlarmLamps(alarms, settings, reading);
        alerts_.reading(alarms, settings, reading, std::chrono::steady_clock::now(), clock_.nowSeconds());
    }
    void showMinMax(const StationSettings& settings, const MinMaxTable& table) override {
        owner_.showMinMax(settings, table);
    }
    void setTitle(const std::string& title) override { owner_.setTitle(title); }
    void postStatus(const std::string& text) override { owner_.postStatus(text); }
    void showProgress(const std::string& text, long long done, long long total) override {
        owner_.showProgress(text, done, total);
    }
    void endProgress() override { owner_.endProgress(); }
    void stationProblem(bool on) override {
        owner_.stationProblem(on);
        alerts_.stationProblem(on, clock_.nowSeconds());
    }
    void saveOutcome(bool saved) override {
        owner_.saveOutcome(saved);
        alerts_.saveOutcome(saved, clock_.nowSeconds());
    }
    bool windowExists() override { return owner_.windowExists(); }

private:
    MonitorListener& owner_;
    AlertWatch& alerts_;
    Clock& clock_;
};

AcquisitionSession::Opening AcquisitionSession::open(const std::filesystem::path& folder, FolderUse use) {
    Opening opening;
    auto owned = std::make_unique<Owned>();
    FolderAccess access = FolderAccess::writer;
    if (use != FolderUse::beside) {
        // One program per data folder: the window or the logger may be downloading into it. A folder that
        // is not ours to write is left exactly as it is, Nimbrel.ini included.
        FolderClaim claim = claimDataFolder(folder);
        access = claim.access;
        if (access != FolderAccess::writer && use == FolderUse::writer) {
            const LanguageTable texts(readConfiguration(folder).languageIndex);
            opening.failure =
                access == FolderAccess::readerLocked ? Failure::folderBusy : Failure::folderNotWritable;
            opening.message =
                access == FolderAccess::readerLocked
                    ? texts.text("app.folder_busy", {folder.string()})
                    : texts.text("app.folder_not_writable", {folder.string(), std::strerror(claim.reason)});
            return opening;
        }
        owned->lock = std::move(claim.lock);
    }
    const bool writes = use != FolderUse::beside && access == FolderAccess::writer;
    owned->config = writes ? loadConfiguration(folder) : readConfiguration(folder);

    // The test mode needs no station and so no library. The library comes from the program's own folder
    // (installed: its private library folder), never from the data folder.
    std::unique_ptr<UsbLibrary> library;
    if (!owned->config.testMode()) {
        library = loadUsbLibrary(usbLibraryPath(owned->config.usbLibrary).string());
        owned->libraryError = library->loadError();
        if (!owned->libraryError.empty() && use != FolderUse::writerOrReader) {
            opening.failure = Failure::libraryMissing;
            opening.message = "no station can be reached: " + owned->libraryError;
            return opening;
        }
    }
    owned->station =
        std::make_unique<StationAccess>(std::move(library), systemClock(), owned->config.testMode(),
                                        StationIds{owned->config.usbDeviceVid, owned->config.usbDevicePid});
    owned->station->setMargin(owned->config.margin);
    owned->station->enableLearning(timingFolder());
    owned->store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), owned->station->clock());
    owned->store->setDebugFlag(owned->config.debugMode());
    // Only the folder's writer makes the file and clears what an interrupted rewrite left; a reader
    // takes a missing file as an empty history.
    if (writes && !owned->store->open() && use == FolderUse::writer) {
        opening.failure = Failure::historyUnopenable;
        opening.message = "cannot open " + owned->store->path();
        return opening;
    }
    opening.session.reset(new AcquisitionSession(std::move(owned), folder, access));
    return opening;
}

AcquisitionSession::AcquisitionSession(std::unique_ptr<Owned> owned, std::filesystem::path folder,
                                       FolderAccess access)
    : AcquisitionSession(std::move(folder), access, owned->config, *owned->station, *owned->store) {
    libraryError_ = owned->libraryError;
    owned_ = std::move(owned);
}

AcquisitionSession::AcquisitionSession(std::filesystem::path folder, FolderAccess access,
                                       const Configuration& config, StationAccess& station,
                                       HistoryStore& store)
    : folder_(std::move(folder)), access_(access), config_(config), texts_(config.languageIndex),
      station_(station), store_(store), outputConfig_(readOutputConfiguration(folder_)),
      watch_(station, config.searchDataOn()) {}

AcquisitionSession::~AcquisitionSession() {
    stop();
}

Clock& AcquisitionSession::clock() {
    return station_.clock();
}

bool AcquisitionSession::start(SessionCallbacks callbacks) {
    if (reader() || watchThread_.joinable()) return true;
    callbacks_ = std::move(callbacks);
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = false;
    }
    bool started = true;
    if (config_.searchDataOn() && callbacks_.listener) {
        // Made before the thread that feeds them, and stopped after it.
        outputs_ = makeOutputQueue(outputConfig_.settings, kNimbrelVersion, callbacks_.outputText, clock());
        MonitorListener* listener = callbacks_.listener;
        std::vector<AlertSink*> sinks;
        if (callbacks_.desktop) sinks.push_back(callbacks_.desktop);
        if (outputs_ && outputConfig_.settings.mqtt.enabled()) sinks.push_back(outputs_.get());
        if (!outputConfig_.alerts.command.empty()) {
            alertCommand_ = std::make_unique<AlertCommand>(outputConfig_.alerts.command, callbacks_.outputText);
            sinks.push_back(alertCommand_.get());
        }
        if (!sinks.empty()) {
            alerts_ = std::make_unique<AlertWatch>(texts_, std::chrono::minutes(outputConfig_.alerts.staleMinutes),
                                                   std::move(sinks));
            alertingListener_ = std::make_unique<AlertingListener>(*listener, *alerts_, clock());
            listener = alertingListener_.get();
        }
        monitor_ = std::make_unique<MonitorThread>(station_, store_, *listener, acquisitionTextsFrom(texts_),
                                                   config_.testMode(), clock());
        monitor_->setLinkHealth(&health_);
        if (outputs_) {
            outputs_->start();
            monitor_->setOutputSink(outputs_.get());
        }
        if (!monitor_->start()) {
            monitor_.reset();
            stopAlerts();
            outputs_.reset();
            started = false;
        }
    }
    watchThread_ = std::thread([this] { watchLoop(); });
    return started;
}

void AcquisitionSession::watchLoop() {
    std::unique_lock lock(stopMutex_);
    while (!stopping_) {
        lock.unlock();
        const ConnectionWatch::TickResult result = tick();
        if (callbacks_.connection) callbacks_.connection(result);
        if (alerts_) alerts_->tick(std::chrono::steady_clock::now(), clock().nowSeconds());
        lock.lock();
        stopSignal_.wait_for(lock, kWatchInterval, [this] { return stopping_; });
    }
}

ConnectionWatch::TickResult AcquisitionSession::tick() {
    std::lock_guard lock(watchMutex_);
    return watch_.tick();
}

bool AcquisitionSession::polling() const {
    return monitor_ != nullptr;
}

void AcquisitionSession::stop() {
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    if (watchThread_.joinable()) watchThread_.join();
    if (monitor_) {
        monitor_->requestStop();
        monitor_->join();
        monitor_.reset();
    }
    stopAlerts();
    if (outputs_) {
        outputs_->stop(); // MQTT says offline
        outputsDropped_ = static_cast<long long>(outputs_->dropped());
        outputs_.reset();
    }
}

void AcquisitionSession::stopAlerts() {
    alertingListener_.reset();
    alerts_.reset();
    alertCommand_.reset(); // a command under way is stopped
}

CycleOutcome AcquisitionSession::runOneCycle(MonitorListener& listener) {
    CycleOutcome outcome;
    // The first tick of the watch finds the station and marks it synchronised; SearchData only matters
    // to a watch that keeps running.
    {
        std::lock_guard lock(watchMutex_);
        outcome.found = ConnectionWatch(station_, true).tick().connected;
    }
    if (!outcome.found) return outcome;
    MonitorThread monitor(station_, store_, listener, acquisitionTextsFrom(texts_), config_.testMode(),
                          clock());
    monitor.setLinkHealth(&health_);
    monitor.runCycle();
    outcome.saveFailed = monitor.lastSaveFailed();
    outcome.complete = monitor.lastCycleComplete();
    return outcome;
}

std::optional<StationSettings> AcquisitionSession::stationSettings() const {
    if (!monitor_) return std::nullopt;
    return monitor_->settingsCopy();
}

} // namespace nimbrel
