// The acquisition under the faults a user's machine brings: a poor cable, a station that completes a
// record in the middle of a long download, a full disk, a window that asks for the store while the
// thread reports progress, and a test mode that runs for an hour.
#include "acquisition/connection_watch.h"
#include "acquisition/history_sync.h"
#include "acquisition/monitor_thread.h"
#include "station/station_access.h"
#include "store/history_store.h"
#include "tests/support/test_station.h"
#include "tests/sim/sim_library.h"
#include "tests/support/fake_clock.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

class Listener final : public MonitorListener {
public:
    void showReading(const StationSettings&, const WeatherSample&) override {}
    void showAlarmLamps(const AlarmThresholds&, const StationSettings&, const WeatherSample&) override {}
    void showMinMax(const StationSettings&, const MinMaxTable&) override {}
    void setTitle(const std::string&) override {}
    void postStatus(const std::string& text) override {
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
    bool windowExists() override { return true; }
    std::vector<std::string> statuses;
    std::function<void(const std::string&)> onStatus;
};

// What a download brought: each record's station address, bytes and time, in list order.
std::vector<std::string> contentOf(const SampleList& list) {
    std::vector<std::string> out;
    for (const auto& r : list)
        out.push_back(r[WeatherSample::hexAdd] + " " + r[WeatherSample::hexValue] + " " +
                      r[WeatherSample::sampleTime]);
    return out;
}

std::vector<WeatherSample> storedRecords(HistoryStore& store) {
    std::vector<WeatherSample> out;
    store.forEachRecord([&](const WeatherSample& r) {
        out.push_back(r);
        return true;
    });
    return out;
}

// One first download of a whole ring over the simulated station, its clock stopped.
SampleList firstDownload(testing::SimLibrary& sim, const std::string& settings, std::time_t start) {
    sim.reset(settings.c_str());
    testing::FakeClock clock(std::chrono::system_clock::from_time_t(start));
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), clock);
    StationAccess station(loadUsbLibrary(NIMBREL_BIN_DIR "/libnimbrel-sim.so"), clock, false);
    station.pollConnection();
    AcquisitionTexts texts;
    bool failed = true;
    HistorySync sync{station, store, clock, texts, nullptr, nullptr, &failed};
    SampleList list;
    syncHistory(sync, list);
    EXPECT_FALSE(failed) << settings;
    return list;
}

TEST(AcquisitionFaults, APoorCableBringsTheSameWholeRingAsAGoodOne) {
    testing::SimLibrary sim;
    ASSERT_TRUE(sim.loaded());
    for (const char* seed : {"seed=1", "seed=2"}) {
        const std::string clean = std::string(seed) + " start=1700600000 speed=0";
        const SampleList good = firstDownload(sim, clean, 1700600000);
        ASSERT_EQ(good.size(), 4079u);
        // Lost answers, refused acknowledgements and unplugs, several times the rates of a bad cable.
        const SampleList poor =
            firstDownload(sim, clean + " silent_faults=0.03 ack_faults=0.03 unplug_faults=0.02", 1700600000);
        EXPECT_EQ(contentOf(poor), contentOf(good)) << seed;
    }
}

TEST(AcquisitionFaults, ARecordCompletedDuringTheDownloadIsLeftForTheNextCycle) {
    testing::SimLibrary sim;
    ASSERT_TRUE(sim.loaded());
    constexpr std::time_t kStart = 1700600000;
    sim.reset("seed=4 start=1700600000 speed=0");
    const unsigned stackAtStart = sim.peekU16(0x1E);

    testing::FakeClock clock(std::chrono::system_clock::from_time_t(kStart));
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), clock);
    StationAccess station(loadUsbLibrary(NIMBREL_BIN_DIR "/libnimbrel-sim.so"), clock, false);
    ConnectionWatch watch(station, true);
    ASSERT_TRUE(watch.tick().connected);
    Listener listener;
    // Half way through the ring the station completes its current record: the pointer moves on over
    // the oldest slot, which the download reads last.
    bool moved = false;
    std::string lastCount;
    listener.onStatus = [&](const std::string& text) {
        if (text.find(" Data has been read.") == std::string::npos) return;
        lastCount = text;
        if (!moved && std::stoi(text) >= 2000) {
            moved = true;
            sim.advance(300);
        }
    };
    MonitorThread monitor(station, store, listener, AcquisitionTexts{}, false, clock);
    monitor.runCycle();
    ASSERT_TRUE(moved);
    ASSERT_EQ(sim.peekU16(0x1E), stackAtStart + 16);
    EXPECT_TRUE(monitor.lastCycleComplete());
    EXPECT_EQ(monitor.lastFetchCount(), 4078); // the record read from the overwritten slot is left out
    EXPECT_EQ(lastCount, "4078 Data has been read. ..."); // the count ends at the number the summary gives

    clock.advance(5min);
    monitor.runCycle();
    EXPECT_EQ(monitor.lastFetchCount(), 1);

    // Every completed record of the ring once, the new one last, times running forwards.
    const auto stored = storedRecords(store);
    ASSERT_EQ(stored.size(), 4079u);
    std::set<std::string> addresses;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        addresses.insert(stored[i][WeatherSample::hexAdd]);
        if (i == 0) continue;
        ASSERT_LT(stored[i - 1][WeatherSample::sampleTime], stored[i][WeatherSample::sampleTime]) << i;
    }
    EXPECT_EQ(addresses.size(), 4079u);
    char newest[8];
    std::snprintf(newest, sizeof newest, "%06X", stackAtStart);
    EXPECT_EQ(stored.back()[WeatherSample::hexAdd], newest);
    std::snprintf(newest, sizeof newest, "%06X", stackAtStart + 16);
    EXPECT_EQ(addresses.count(newest), 0u); // the station's new current record
}

TEST(AcquisitionFaults, TheSimulatedStationsTimeIsTheProgramsNow) {
    testing::SimLibrary sim;
    ASSERT_TRUE(sim.loaded());
    sim.reset("seed=1 start=1700600000 speed=0");
    testing::FakeClock pc(std::chrono::system_clock::from_time_t(1714557600));
    StationAccess simulated(loadUsbLibrary(NIMBREL_BIN_DIR "/libnimbrel-sim.so"), pc, false);
    EXPECT_EQ(simulated.clock().nowSeconds(), 1700600000);
    sim.advance(300);
    EXPECT_EQ(simulated.clock().nowSeconds(), 1700600300);
    simulated.clock().sleepFor(2s); // waits stay the PC's
    EXPECT_EQ(pc.nowSeconds(), 1714557602);

    StationAccess real(nullptr, pc, false); // a library that keeps no time of its own
    EXPECT_EQ(real.clock().nowSeconds(), 1714557602);
}

TEST(AcquisitionFaults, TheTestModeStoresItsRecordsOnceHoweverLongItRuns) {
    testing::FakeClock clock(std::chrono::system_clock::from_time_t(1714557600));
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), clock);
    StationAccess station(nullptr, clock, true);
    ConnectionWatch watch(station, true);
    ASSERT_TRUE(watch.tick().connected);
    Listener listener;
    MonitorThread monitor(station, store, listener, AcquisitionTexts{}, true, clock);
    for (int minute = 0; minute <= 60; ++minute) {
        const auto pause = monitor.runCycle();
        ASSERT_EQ(monitor.lastFetchCount(), minute == 0 ? 15 : 0) << "cycle at minute " << minute;
        clock.advance(pause);
    }
    EXPECT_EQ(storedRecords(store).size(), 15u);

    // A last line that lost its line end is mended by the next cycle, though it brings nothing new.
    const std::string whole = dir.read("Nimbrel.dat");
    dir.write("Nimbrel.dat", whole.substr(0, whole.size() - 2));
    monitor.runCycle();
    EXPECT_EQ(monitor.lastFetchCount(), 0);
    EXPECT_EQ(dir.read("Nimbrel.dat"), whole);
}

TEST(AcquisitionFaults, TheStoreIsFreeWheneverTheThreadWaitsForTheWindow) {
    testing::TestStation station;
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(20);
    station.connect();
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), station.clock);
    Listener listener;
    // A status text waits until the window has shown it; the window may be asking the store for its
    // last record just then. Were the store held here, the window would wait for the thread and the
    // thread for the window: the watchdog below would fire instead of a hang.
    int heldWhileWaiting = 0;
    listener.onStatus = [&](const std::string&) {
        auto window = std::async(std::launch::async, [&] { return store.lastStoredId(); });
        if (window.wait_for(5s) != std::future_status::ready) ++heldWhileWaiting;
    };
    MonitorThread monitor(*station.access, store, listener, AcquisitionTexts{}, false, station.clock);
    monitor.runCycle();
    EXPECT_EQ(monitor.lastFetchCount(), 20);
    EXPECT_GT(listener.statuses.size(), 40u); // the rain progress of every record among them
    EXPECT_EQ(heldWhileWaiting, 0);
}

using testing::FileSizeLimit;

TEST(AcquisitionFaults, AFullDiskIsReportedAndTheRecordsAreFetchedAgain) {
    testing::TestStation station;
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(3);
    station.connect();
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), station.clock);
    Listener listener;
    AcquisitionTexts texts;
    texts.saveFailed = "NOT SAVED";
    MonitorThread monitor(*station.access, store, listener, texts, false, station.clock);
    {
        const FileSizeLimit full(400); // one line and a half
        monitor.runCycle();
    }
    EXPECT_TRUE(monitor.lastSaveFailed());
    EXPECT_FALSE(monitor.lastCycleComplete());
    EXPECT_EQ(listener.statuses.back(), "NOT SAVED");
    EXPECT_EQ(dir.read("Nimbrel.dat"), ""); // no half line left behind

    station.clock.advance(15s);
    monitor.runCycle();
    EXPECT_FALSE(monitor.lastSaveFailed());
    EXPECT_TRUE(monitor.lastCycleComplete());
    EXPECT_EQ(storedRecords(store).size(), 3u);
}

} // namespace
} // namespace nimbrel
