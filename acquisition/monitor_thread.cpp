#include "acquisition/monitor_thread.h"

#include "acquisition/history_sync.h"
#include "outputs/output_sink.h"
#include "presentation/min_max_repair.h"
#include "presentation/record_builders.h"
#include "presentation/time_text.h"
#include "station/byte_codec.h"
#include "station/local_stamp.h"
#include "station/station_access.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"

#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace nimbrel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWindowWait{1000};
constexpr milliseconds kBusyBeforeCycleWait{1000};
constexpr milliseconds kBusyInsideCycleWait{10000};
constexpr milliseconds kSettingsRereadWait{100};
constexpr milliseconds kStartWait{1000};

bool usableStackAddress(long long a) {
    return a >= 0x100 && a <= 0x10000 && a % 16 == 0;
}

// The thread runs one step below the other threads of the program, as the window's own work
// matters more than a poll that is a little late.
void lowerThisThreadsPriority() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0) ::setpriority(PRIO_PROCESS, tid, std::min(nice + 1, 19));
}

} // namespace

MonitorThread::MonitorThread(StationAccess& station, HistoryStore& store, MonitorListener& listener,
                             AcquisitionTexts texts, bool testMode, Clock& clock)
    : station_(station), store_(store), listener_(listener), texts_(std::move(texts)), testMode_(testMode),
      clock_(clock) {}

MonitorThread::~MonitorThread() {
    requestStop();
    join();
}

bool MonitorThread::start() {
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable()) return true;
    stopRequested_ = false;
    started_ = true;
    try {
        thread_ = std::thread([this] {
            runningId_ = std::this_thread::get_id();
            run();
        });
    } catch (const std::system_error&) {
        started_ = false;
        return false;
    }
    return true;
}

void MonitorThread::requestStop() {
    stopRequested_ = true;
    // A station that stopped answering would hold the thread in a transfer's retries for up to two
    // seconds a report; nothing the thread still reads is wanted now.
    if (started_) station_.link().abandonRetries();
}

void MonitorThread::join() {
    if (runningId_.load() == std::this_thread::get_id()) return; // the thread never waits for itself
    std::lock_guard lock(threadMutex_);
    if (!thread_.joinable()) return;
    thread_.join();
    started_ = false;
    runningId_ = std::thread::id{};
    station_.link().resumeRetries();
}

std::optional<StationSettings> MonitorThread::settingsCopy() const {
    std::lock_guard<std::mutex> lock(publishedMutex_);
    return published_;
}

std::string MonitorThread::title() const {
    return testMode_ ? texts_.applicationTitle + "(---TEST MODE---)" : texts_.applicationTitle;
}

void MonitorThread::run() {
    lowerThisThreadsPriority();
    pause(kStartWait);
    if (!stopRequested() && listener_.windowExists()) listener_.setTitle(title());
    while (!stopRequested()) pause(runCycle());
}

bool MonitorThread::stationFoundSinceLastLook() const {
    return station_.timesFound() != findsSeen_ && station_.isConnected() && station_.isSynchronised();
}

void MonitorThread::learnWhileIdle() {
    if (testMode_ || !station_.isConnected() || !station_.isSynchronised() || health_->silent()) return;
    StationBusyLock busy(station_.busy());
    if (busy.tryAcquire()) station_.learnIfDue();
}

void MonitorThread::pause(milliseconds duration) {
    while (duration.count() > 0 && !stopRequested() && !stationFoundSinceLastLook()) {
        learnWhileIdle();
        const milliseconds slice = std::min(duration, kWaitSlice);
        clock_.sleepFor(slice);
        duration -= slice;
    }
}

void MonitorThread::postStatus(const std::string& text) {
    listener_.postStatus(text);
}

void MonitorThread::tell(LinkHealth::Change change) {
    if (change == LinkHealth::Change::none) return;
    const bool began = change == LinkHealth::Change::began;
    if (outputs_) outputs_->stationProblem(began);
    listener_.stationProblem(began);
    if (began && health_->lockedUp()) postStatus(texts_.stationStopped);
}

milliseconds MonitorThread::runCycle() {
    const milliseconds cycleWait = testMode_ ? kTestModeCycleWait : kCycleWait;
    // Taken before the connection is looked at, so a station found from here on ends the next pause.
    findsSeen_ = station_.timesFound();
    if (!listener_.windowExists()) return kWindowWait;
    if (station_.busy().isBusy()) return kBusyBeforeCycleWait;

    const std::time_t now = clock_.nowSeconds();
    // Unplugged: nothing is read and nothing is said until the station is back (the outputs hear of it).
    if (!station_.isConnected()) {
        tell(health_->unplugged());
        return cycleWait;
    }
    // Just found: the connection watch marks it synchronised within the second; look again at once.
    if (!station_.isSynchronised()) return milliseconds{0};
    if (station_.busy().isBusy()) return kBusyInsideCycleWait;

    postStatus(texts_.readDataFrom + " " + texts_.applicationTitle + " ...");

    // The flag is taken in one step and held from the first read to the end of the download. A window
    // that waits for it gets it between two reads of the download and gives it back (history_sync.h).
    StationBusyLock busy(station_.busy());
    if (!busy.tryAcquire()) return kBusyInsideCycleWait;

    // A station that stopped answering is tried with one short exchange, not the whole cycle.
    if (health_->silent() && !station_.probe()) {
        tell(health_->unanswered());
        return cycleWait;
    }
    // The cycle's reads form one short burst between two of the station's busy moments.
    station_.waitForClearance(kBurstSeconds);
    bool settingsRead = station_.readSettingsBlock(settings_, false);
    if (!settingsRead && station_.isConnected() && !stopRequested()) {
        // Attached but silent, after every attempt: the rest of the cycle would be silence too.
        busy.release();
        lastFetchCount_ = 0;
        lastCycleComplete_ = lastSaveFailed_ = false;
        tell(health_->unanswered());
        return cycleWait;
    }
    if (settingsRead) tell(health_->answered());
    long long stackAddr = codec::parseInteger(settings_.historyStackAddr);
    if (settingsRead && !usableStackAddress(stackAddr) && !stopRequested()) {
        clock_.sleepFor(kSettingsRereadWait);
        settingsRead = station_.readSettingsBlock(settings_, false);
        stackAddr = codec::parseInteger(settings_.historyStackAddr);
    }
    if (settingsRead) {
        std::lock_guard<std::mutex> lock(publishedMutex_);
        published_ = settings_;
    }
    AlarmThresholds alarms;
    MinMaxTable minMax;
    // Stopping: what is not read yet is not read at all.
    const bool alarmsRead = !stopRequested() && station_.readAlarmBlock(alarms, false);
    const bool minMaxRead = !stopRequested() && station_.readMinMaxBlock(minMax, false);
    const bool areasRead = settingsRead && alarmsRead;

    if (areasRead && !stopRequested()) {
        WeatherSample reading;
        if (station_.readRecordAt(static_cast<unsigned>(stackAddr), reading, false))
            showCurrentReading(reading, alarms, minMaxRead ? &minMax : nullptr);
    }

    SampleList fetched;
    int count = 0;
    bool downloadFailed = true;
    if (!stopRequested()) {
        HistorySync sync{station_,
                         store_,
                         clock_,
                         texts_,
                         [this](const std::string& text, long long done, long long total) {
                             listener_.showProgress(text, done, total);
                         },
                         &stopRequested_,
                         &downloadFailed,
                         &busy,
                         settingsRead ? &settings_ : nullptr};
        count = syncHistory(sync, fetched);
    }
    busy.release();
    listener_.endProgress();
    lastFetchCount_ = count;
    lastCycleComplete_ = areasRead && !downloadFailed;

    // A save that fails (a full disk) stores nothing of this cycle: the records stay on the station and
    // the next cycle fetches them again. The user is told, and the cycle does not count as complete.
    // A cycle with nothing new still mends the file's end (a last line that lost its line end), so
    // the file is whole after every cycle.
    const bool saving = (areasRead && count >= 1) || lastCycleComplete_;
    if (areasRead && count >= 1)
        lastSaveFailed_ = !storeNewRecords(fetched, alarms);
    else
        lastSaveFailed_ = lastCycleComplete_ && !store_.appendRecords(fetched);
    if (lastSaveFailed_) lastCycleComplete_ = false;
    if (saving) listener_.saveOutcome(!lastSaveFailed_);
    fetched.clear();

    if (lastSaveFailed_)
        postStatus(texts_.saveFailed);
    else if (station_.isConnected() && !stopRequested())
        postSummary(now, count);
    return cycleWait;
}

void MonitorThread::showCurrentReading(WeatherSample& reading, const AlarmThresholds& alarms,
                                       MinMaxTable* minMax) {
    normaliseSample(reading, settings_, alarms);
    std::optional<double> sinceMidnight;
    computeRainTotalsFromStore(reading, store_, clock_, &sinceMidnight);
    // The outputs take base units; the window takes the user's.
    if (outputs_) outputs_->newReading(reading, clock_.nowSeconds(), sinceMidnight);
    sampleForDisplay(reading, settings_);
    listener_.showReading(settings_, reading);
    listener_.showAlarmLamps(alarms, settings_, reading);
    if (minMax) {
        minMaxForDisplay(*minMax, settings_);
        repairMinMax(*minMax, settings_, reading);
        listener_.showMinMax(settings_, *minMax);
    }
}

bool MonitorThread::storeNewRecords(SampleList& records, const AlarmThresholds& alarms) {
    const int n = static_cast<int>(records.size());
    for (int i = 0; i < n; ++i) {
        normaliseSample(records[static_cast<std::size_t>(i)], settings_, alarms);
        listener_.showProgress(std::to_string((i + 1) * 100 / n) + "% " + texts_.dataHasBeenProcessed, i + 1,
                               n);
    }
    // One progress text per record, oldest first.
    long long rained = 0;
    computeRainTotalsForNewRecords(
        records, store_, texts_.computeHistoryRain,
        [this, &rained, n](const std::string& text) { listener_.showProgress(text, ++rained, n); }, clock_);
    listener_.endProgress();
    postStatus(texts_.saveAllDataOnPc + " ...");
    if (!store_.appendRecords(records)) return false;
    if (outputs_) outputs_->newRecords(records);
    return true;
}

void MonitorThread::postSummary(std::time_t now, int fetched) {
    const std::string timeText = stationTimeText(localStampText(now), settings_.formats.dateFormatIndex,
                                                 settings_.formats.clockFormatIndex);
    WeatherSample last;
    store_.readLastRecord(last);
    const long long total = codec::parseInteger(last[WeatherSample::ID]);
    postStatus(texts_.lastReadTime + ": " + timeText + ", " + texts_.readRecords + ": " +
               std::to_string(fetched) + " (" + texts_.totalRecords + ": " + std::to_string(total) + ").");
}

} // namespace nimbrel
