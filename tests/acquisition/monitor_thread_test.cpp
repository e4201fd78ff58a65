// One polling cycle over a scripted station with a fake clock, and the thread's start and stop.
#include "acquisition/monitor_thread.h"
#include "outputs/output_sink.h"
#include "station/station_busy.h"
#include "store/history_store.h"
#include "tests/support/test_station.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using testing::taggedRecord;

class RecordingListener final : public MonitorListener {
public:
    void showReading(const StationSettings&, const WeatherSample& reading) override {
        std::lock_guard lock(mutex);
        readings.push_back(reading);
    }
    void showAlarmLamps(const AlarmThresholds&, const StationSettings&, const WeatherSample&) override {
        std::lock_guard lock(mutex);
        ++lampUpdates;
    }
    void showMinMax(const StationSettings&, const MinMaxTable&) override {
        std::lock_guard lock(mutex);
        ++minMaxUpdates;
    }
    void setTitle(const std::string& text) override {
        std::lock_guard lock(mutex);
        title = text;
        titleThreadNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    }
    void postStatus(const std::string& text) override {
        std::lock_guard lock(mutex);
        statuses.push_back(text);
    }
    bool windowExists() override { return true; }

    std::mutex mutex;
    std::vector<WeatherSample> readings;
    int lampUpdates = 0, minMaxUpdates = 0;
    std::string title;
    int titleThreadNice = -100; // the nice value of the thread that set the title
    std::vector<std::string> statuses;
};

class MonitorCycleTest : public ::testing::Test {
protected:
    MonitorCycleTest()
        : store((dir / "Nimbrel.dat").string(), station.clock),
          monitor(*station.access, store, listener, AcquisitionTexts{}, false, station.clock) {
        station.fillRing();
        station.setStackAddr(0x0800);
    }

    std::vector<std::string> storedAddresses() {
        std::vector<std::string> out;
        store.forEachRecord([&](const WeatherSample& r) {
            out.push_back(r[WeatherSample::ID] + ":" + r[WeatherSample::hexAdd]);
            return true;
        });
        return out;
    }

    testing::TestStation station;
    testing::TempDir dir;
    HistoryStore store;
    RecordingListener listener;
    MonitorThread monitor;
};

TEST_F(MonitorCycleTest, FourNewRecordsAreShownProcessedAndStoredOnce) {
    station.setRecordCount(4);
    station.connect();

    EXPECT_EQ(monitor.runCycle(), 15000ms);
    const std::vector<std::string> expected = {
        "Read data from Nimbrel Radio Controlled ...",
        "2 Data has been read. ...",
        "4 Data has been read. ...",
        "25% Data has been processed.",
        "50% Data has been processed.",
        "75% Data has been processed.",
        "100% Data has been processed.",
        "Compute history rain data 4 : 25% ...",
        "Compute history rain data 4 : 50% ...",
        "Compute history rain data 4 : 75% ...",
        "Compute history rain data 4 : 100% ...",
        "Save all data on PC ...",
    };
    ASSERT_EQ(listener.statuses.size(), expected.size() + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(listener.statuses[i], expected[i]) << i;
    const std::string& summary = listener.statuses.back();
    EXPECT_EQ(summary.rfind("Last Read Time: ", 0), 0u) << summary;
    EXPECT_NE(summary.find(", Read Records: 4 (Total Records: 4)."), std::string::npos) << summary;

    // The current reading is the record at historyStackAddr, shown with its lamps and the min/max.
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_EQ(listener.readings[0][WeatherSample::hexAdd], "000800");
    EXPECT_EQ(listener.lampUpdates, 1);
    EXPECT_EQ(listener.minMaxUpdates, 1);

    // Oldest first in the file, IDs from 1.
    EXPECT_EQ(storedAddresses(), (std::vector<std::string>{"1:0007C0", "2:0007D0", "3:0007E0", "4:0007F0"}));
    EXPECT_FALSE(station.access->busy().isBusy());

    // The next cycle meets the newest stored record at once: nothing new.
    listener.statuses.clear();
    EXPECT_EQ(monitor.runCycle(), 15000ms);
    EXPECT_NE(listener.statuses.back().find(", Read Records: 0 (Total Records: 4)."), std::string::npos);
    EXPECT_EQ(storedAddresses().size(), 4u);
}

TEST_F(MonitorCycleTest, AFailedReadStoresNothingAndTheNextCycleFetchesEverything) {
    station.setRecordCount(10);
    station.connect();

    station.failReadsAt = {0x07A0};
    monitor.runCycle();
    EXPECT_TRUE(storedAddresses().empty());
    EXPECT_NE(listener.statuses.back().find("Read Records: 0 (Total Records: 0)."), std::string::npos);
    EXPECT_FALSE(monitor.lastCycleComplete());

    station.failReadsAt.clear();
    monitor.runCycle();
    const auto stored = storedAddresses();
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored.front(), "1:000760");
    EXPECT_EQ(stored.back(), "10:0007F0");
    EXPECT_TRUE(monitor.lastCycleComplete());
}

// The station problem as the outputs hear of it.
struct ProblemSink final : OutputSink {
    void newReading(const WeatherSample&, std::time_t, std::optional<double>) override {}
    void newRecords(const SampleList&) override {}
    void stationProblem(bool on) override { problems.push_back(on); }
    std::vector<bool> problems;
};

// Attached but silent: named at the second silent cycle, once, and tried with one exchange a cycle;
// unplugged, the outputs hear of it at once.
TEST_F(MonitorCycleTest, ASilentStationIsNamedOnceAndTriedWithOneExchangeACycle) {
    ProblemSink sink;
    monitor.setOutputSink(&sink);
    station.setRecordCount(4);
    station.connect();
    const std::string stopped = AcquisitionTexts{}.stationStopped;
    const auto exchanges = [&] { return station.access->counters().exchanges.load(); };

    station.failReadsAt = {0x0000};
    auto before = exchanges();
    monitor.runCycle();
    EXPECT_EQ(exchanges() - before, 4u); // the settings read, every attempt; nothing after it
    EXPECT_EQ(std::count(listener.statuses.begin(), listener.statuses.end(), stopped), 0);
    for (int cycle = 2; cycle <= 3; ++cycle) {
        before = exchanges();
        monitor.runCycle();
        EXPECT_EQ(exchanges() - before, 1u) << cycle;
        EXPECT_EQ(std::count(listener.statuses.begin(), listener.statuses.end(), stopped), 1) << cycle;
    }

    EXPECT_EQ(sink.problems, std::vector<bool>{true});

    station.failReadsAt.clear();
    monitor.runCycle();
    EXPECT_EQ(storedAddresses().size(), 4u);
    EXPECT_TRUE(monitor.lastCycleComplete());
    EXPECT_EQ(sink.problems, (std::vector<bool>{true, false}));

    station.usb.attached = false;
    station.access->pollConnection();
    monitor.runCycle();
    monitor.runCycle();
    EXPECT_EQ(sink.problems, (std::vector<bool>{true, false, true}));
}

TEST_F(MonitorCycleTest, WindowsGetACopyOfTheSettingsOfTheLastCycle) {
    EXPECT_FALSE(monitor.settingsCopy());
    station.setCircle(10);
    station.connect();
    monitor.runCycle();
    ASSERT_TRUE(monitor.settingsCopy());
    EXPECT_EQ(monitor.settingsCopy()->historyCircle, "10");

    station.setCircle(30);
    monitor.runCycle();
    EXPECT_EQ(monitor.settingsCopy()->historyCircle, "30");
}

TEST_F(MonitorCycleTest, ABadStackAddressIsReadOnceMoreAfter100Ms) {
    station.setRecordCount(4);
    station.setStackAddr(0x0FF8);
    station.connect();
    station.usb.sent.clear();

    monitor.runCycle();
    // Settings, settings again, then the alarm area (two commands) and the min/max area.
    const auto reads = station.readAddresses();
    ASSERT_GE(reads.size(), 4u);
    EXPECT_EQ(std::vector<unsigned>(reads.begin(), reads.begin() + 4),
              (std::vector<unsigned>{0x0000, 0x0000, 0x0020, 0x0040}));
    const auto sleeps = station.clock.sleeps();
    ASSERT_GE(sleeps.size(), 3u);
    EXPECT_EQ(sleeps[0], 50ms);  // after the first command
    EXPECT_EQ(sleeps[1], 100ms); // before the re-read
    EXPECT_EQ(sleeps[2], 50ms);
}

TEST_F(MonitorCycleTest, KeepsOffTheStationWhileBusyOrUnplugged) {
    station.setRecordCount(4);

    // Not found yet: nothing is read and nothing is said, then the usual pause.
    EXPECT_EQ(monitor.runCycle(), 15000ms);
    EXPECT_EQ(station.usb.writeCalls, 0);
    EXPECT_TRUE(listener.statuses.empty());

    // Just found, not yet marked synchronised by the connection watch: look again at once.
    station.access->pollConnection();
    EXPECT_EQ(monitor.runCycle(), 0ms);
    EXPECT_EQ(station.usb.writeCalls, 0);
    EXPECT_TRUE(listener.statuses.empty());

    // Another caller holds the station: no station call at all, a 1-second wait.
    station.access->markSynchronised();
    {
        StationBusyLock window(station.access->busy());
        ASSERT_TRUE(window.tryAcquire());
        EXPECT_EQ(monitor.runCycle(), 1000ms);
        EXPECT_EQ(station.usb.writeCalls, 0);
        EXPECT_TRUE(listener.statuses.empty());
    }
    EXPECT_EQ(monitor.runCycle(), 15000ms);
    EXPECT_GT(station.usb.writeCalls, 0);
}

// Sleeps move fake time; once the thread has slept `gate` in all, the sleep blocks until the test
// lets it go, so the test can ask for a stop while the thread is in the middle of a wait.
class GatedClock final : public Clock {
public:
    explicit GatedClock(std::chrono::milliseconds gate) : gate_(gate) {}
    TimePoint now() override {
        std::lock_guard lock(mutex_);
        return TimePoint{} + std::chrono::hours(24 * 365 * 50) + slept_;
    }
    void sleepFor(std::chrono::milliseconds d) override {
        std::unique_lock lock(mutex_);
        slept_ += d;
        if (!reached_ && slept_ >= gate_) {
            reached_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return released_; });
        }
    }
    bool waitUntilGate() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return reached_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        sleptAtRelease_ = slept_;
        changed_.notify_all();
    }
    std::chrono::milliseconds sleptSinceRelease() {
        std::lock_guard lock(mutex_);
        return slept_ - sleptAtRelease_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::chrono::milliseconds gate_, slept_{0}, sleptAtRelease_{0};
    bool reached_ = false, released_ = false;
};

TEST(MonitorThreadTest, SetsTheTitleAndStopsInTheMiddleOfAWait) {
    testing::TestStation station; // never found: every cycle only waits
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), station.clock);
    RecordingListener listener;
    GatedClock clock(5s); // 1 s start-up wait, then inside the first 60-second cycle wait
    {
        MonitorThread monitor(*station.access, store, listener, AcquisitionTexts{}, true, clock);
        ASSERT_TRUE(monitor.start());
        ASSERT_TRUE(clock.waitUntilGate());
        monitor.requestStop();
        clock.release();
        monitor.join();
    }
    EXPECT_EQ(listener.title, "Nimbrel Radio Controlled(---TEST MODE---)");
    // The thread runs one nice step below the one that started it (19 is the lowest there is).
    const int startedAt = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    EXPECT_EQ(listener.titleThreadNice, std::min(startedAt + 1, 19));
    EXPECT_EQ(clock.sleptSinceRelease(), 0ms);
    EXPECT_TRUE(listener.statuses.empty());
}

// Fake time for the thread alone; after each of its sleeps the test may act, on the thread's own
// stack, so whatever it does to the station happens while the thread waits.
class SteppedClock final : public Clock {
public:
    TimePoint now() override {
        std::lock_guard lock(mutex_);
        return TimePoint{} + std::chrono::hours(24 * 365 * 50) + slept_;
    }
    void sleepFor(std::chrono::milliseconds d) override {
        {
            std::lock_guard lock(mutex_);
            slept_ += d;
        }
        if (afterSleep) afterSleep(elapsed());
    }
    std::chrono::milliseconds elapsed() {
        std::lock_guard lock(mutex_);
        return slept_;
    }
    std::function<void(std::chrono::milliseconds)> afterSleep;

private:
    std::mutex mutex_;
    std::chrono::milliseconds slept_{0};
};

// Notes when each cycle began to read and when each summary came, in the thread's fake time.
class TimedListener final : public MonitorListener {
public:
    explicit TimedListener(SteppedClock& clock) : clock_(clock) {}
    void showReading(const StationSettings&, const WeatherSample&) override {}
    void showAlarmLamps(const AlarmThresholds&, const StationSettings&, const WeatherSample&) override {}
    void showMinMax(const StationSettings&, const MinMaxTable&) override {}
    void setTitle(const std::string&) override {}
    void postStatus(const std::string& text) override {
        if (text.rfind("Read data from", 0) == 0) readsBegan.push_back(clock_.elapsed());
        if (text.rfind("Last Read Time", 0) == 0) summaries.push_back(clock_.elapsed());
    }
    bool windowExists() override { return true; }

    std::vector<std::chrono::milliseconds> readsBegan, summaries;

private:
    SteppedClock& clock_;
};

TEST(MonitorThreadTest, AStationFoundWhileTheThreadWaitsIsReadWithinOneSlice) {
    testing::TestStation station;
    station.setRecordCount(4);
    station.fillRing();
    station.setStackAddr(0x0800);
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), station.clock);
    SteppedClock clock;
    TimedListener listener(clock);
    MonitorThread monitor(*station.access, store, listener, AcquisitionTexts{}, false, clock);

    // Plugged in 5 s after start, while the thread waits out the 15 s after its first (empty) look;
    // unplugged and plugged in again 2 s after the first cycle's summary, inside the next wait.
    std::chrono::milliseconds foundAt{-1}, foundAgainAt{-1};
    clock.afterSleep = [&](std::chrono::milliseconds now) {
        if (foundAt.count() < 0 && now >= 5s) {
            station.connect();
            foundAt = now;
        } else if (foundAgainAt.count() < 0 && !listener.summaries.empty() &&
                   now >= listener.summaries[0] + 2s) {
            station.usb.attached = false;
            station.access->pollConnection();
            ASSERT_FALSE(station.access->isConnected());
            station.usb.attached = true;
            station.connect();
            foundAgainAt = now;
        } else if (listener.readsBegan.size() >= 2) {
            monitor.requestStop();
        }
    };
    ASSERT_TRUE(monitor.start());
    EXPECT_TRUE(monitor.start()); // a second start while the thread runs is no failure
    monitor.join();

    ASSERT_EQ(listener.readsBegan.size(), 2U);
    EXPECT_GE(listener.readsBegan[0], foundAt);
    EXPECT_LE(listener.readsBegan[0], foundAt + MonitorThread::kWaitSlice);
    EXPECT_GE(listener.readsBegan[1], foundAgainAt);
    EXPECT_LE(listener.readsBegan[1], foundAgainAt + MonitorThread::kWaitSlice);
}

// Forwards to the scripted station until its answers stop at the silentFrom-th read; a lost answer
// can also be scripted.
class SilencingUsb final : public UsbLibrary {
public:
    explicit SilencingUsb(testing::ScriptedUsb& inner) : inner_(inner) {}
    int findHandle(int v, int p) override { return inner_.findHandle(v, p); }
    bool checkHandle(int h) override { return inner_.checkHandle(h); }
    FindFailure findFailure() const override { return inner_.findFailure(); }
    bool writeData(int h, const std::uint8_t* r) override { return inner_.writeData(h, r); }
    bool readData(int h, std::uint8_t* r) override {
        if (++reads == silentFrom) {
            silent = true;
            onSilence();
        }
        if (lost > 0) {
            --lost;
            return false;
        }
        return !silent && inner_.readData(h, r);
    }

    long reads = 0, silentFrom = -1;
    int lost = 0;
    bool silent = false;
    std::function<void()> onSilence;

private:
    testing::ScriptedUsb& inner_;
};

// SIGTERM to the logger: a station that goes silent in the middle of the first download must not
// hold the stop up by a transfer's retries (two seconds a report), and nothing of the download is kept.
TEST(MonitorThreadTest, AStopInADownloadIsNotHeldUpByAStationThatStoppedAnswering) {
    testing::TestStation station; // for its memory: a full ring
    station.setRecordCount(4079);
    station.fillRing();
    station.setStackAddr(0x0800);
    auto owned = std::make_unique<SilencingUsb>(station.usb);
    SilencingUsb& usb = *owned;
    testing::FakeClock clock;
    StationAccess access(std::move(owned), clock, false);
    access.pollConnection();
    access.markSynchronised();
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), clock);
    RecordingListener listener;
    MonitorThread monitor(access, store, listener, AcquisitionTexts{}, false, clock);

    // The areas take 40 answers, each pair of the ring 4: the 400th answer is some ninety pairs in.
    // It never comes, and the stop is asked for while the thread waits for it.
    usb.silentFrom = 400;
    std::chrono::steady_clock::time_point stoppedAt;
    usb.onSilence = [&] {
        stoppedAt = std::chrono::steady_clock::now();
        monitor.requestStop();
    };
    ASSERT_TRUE(monitor.start());
    monitor.join();

    EXPECT_LT(std::chrono::steady_clock::now() - stoppedAt, 1s);
    EXPECT_EQ(usb.reads, 400); // the lost answer is not asked for again, nor the read sent again
    WeatherSample last;
    EXPECT_FALSE(store.readLastRecord(last));
    EXPECT_TRUE(std::none_of(listener.statuses.begin(), listener.statuses.end(),
                             [](const std::string& s) { return s.rfind("Last Read Time", 0) == 0; }));

    // Once the thread is gone the station's transfers retry as before: one lost answer is asked again.
    usb.silent = false;
    usb.lost = 1;
    std::uint8_t byte = 0;
    int length = 1;
    EXPECT_TRUE(access.link().readMemory(0x20, &byte, length));
}

} // namespace
} // namespace nimbrel
