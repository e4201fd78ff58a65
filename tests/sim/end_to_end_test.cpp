// The program's own station path over the simulated station: the library loaded with dlopen, the link's
// frames, reports, acknowledgements and retries against a station that answers (or fails) for real.
#include "acquisition/history_sync.h"
#include "station/history_record.h"
#include "station/station_access.h"
#include "station/station_link.h"
#include "station/usb_library.h"
#include "store/history_store.h"
#include "tests/sim/sim_library.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

namespace nimbrel::testing {
namespace {

constexpr const char* kLibraryPath = NIMBREL_BIN_DIR "/libnimbrel-sim.so";

class SimEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.loaded()) << "libnimbrel-sim.so not found in " NIMBREL_BIN_DIR; }

    // Keeps the simulator loaded, so the link's dlopen reaches the same station.
    SimLibrary sim;
    FakeClock clock;
};

TEST_F(SimEndToEnd, LinkReadsTheWholeMemoryAndWritesThroughTheSimulator) {
    sim.reset("seed=4 start=1700000000 speed=0");
    StationLink link(loadUsbLibrary(kLibraryPath), clock, false);
    ASSERT_EQ(link.library().loadError(), "");
    EXPECT_FALSE(link.findStation(0x0713, 0x0819));
    ASSERT_TRUE(link.findStation(0x0713, 0x0818));
    EXPECT_TRUE(link.checkStation());

    // The whole memory: 2,048 read commands, costing nothing but the link's own 50 ms waits.
    std::vector<std::uint8_t> memory(0x10000);
    int length = 0x10000;
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(link.readMemory(0, memory.data(), length));
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_EQ(length, 0x10000);
    EXPECT_EQ(memory, sim.peek(0, 0x10000));
    EXPECT_EQ(clock.totalSlept(), std::chrono::milliseconds(2048 * 50));
    EXPECT_LT(took, std::chrono::seconds(2));

    // A 16-byte read near the top of memory reports 32 and fills only what was asked.
    std::vector<std::uint8_t> record(16, 0xEE);
    length = 16;
    ASSERT_TRUE(link.readMemory(0xFFF0, record.data(), length));
    EXPECT_EQ(length, 32);
    EXPECT_EQ(record, sim.peek(0xFFF0, 16));

    // Writes: an alarm block, then the request to load the defaults.
    std::vector<std::uint8_t> thresholds(64);
    for (int i = 0; i < 64; ++i) thresholds[i] = static_cast<std::uint8_t>(i * 3);
    length = 64;
    ASSERT_TRUE(link.writeMemory(0x60, thresholds.data(), length));
    EXPECT_EQ(sim.peek(0x60, 64), thresholds);
    ASSERT_TRUE(link.writeByte(0x1A, 0x55));
    EXPECT_EQ(sim.peek(0x00, 2), (std::vector<std::uint8_t>{0x00, 0x00}));
    EXPECT_EQ(sim.peek(0x12, 1)[0], 0x01); // m/s again

    // Pulled out: the link notices and drops its handle; plugged in, it finds the station again.
    sim.setPlugged(0);
    EXPECT_FALSE(link.checkStation());
    EXPECT_FALSE(link.findStation(0x0713, 0x0818));
    length = 32;
    EXPECT_FALSE(link.readMemory(0, memory.data(), length));
    sim.setPlugged(1);
    EXPECT_TRUE(link.findStation(0x0713, 0x0818));
    EXPECT_TRUE(link.checkStation());
}

TEST_F(SimEndToEnd, LinkSurvivesEveryKindOfFaultAndNeverHangs) {
    // Each refused, silent or unplugged command costs the link at most pollBound quick calls into the
    // simulator (a few milliseconds); the whole run takes well under a second on a loaded machine.
    sim.reset("seed=8 start=1700000000 speed=600 ack_faults=0.2 silent_faults=0.2 unplug_faults=0.05");
    StationLink link(loadUsbLibrary(kLibraryPath), clock, false);
    int succeeded = 0, failed = 0, lost = 0;
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < 90; ++i) {
        if (!link.checkStation() && !link.findStation(0x0713, 0x0818)) continue;
        std::vector<std::uint8_t> buffer(64, static_cast<std::uint8_t>(i));
        int length = 64;
        bool ok = false;
        switch (i % 3) {
        case 0:
            ok = link.readMemory(0x0100 + 64u * i, buffer.data(), length);
            break;
        case 1:
            ok = link.writeMemory(0x0040, buffer.data(), length);
            break;
        default:
            ok = link.writeByte(0x0019, static_cast<std::uint8_t>(i));
            break;
        }
        ok ? ++succeeded : ++failed;
        if (!link.checkStation()) ++lost;
    }
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
    EXPECT_GT(succeeded, 10);
    EXPECT_GT(failed, 10);
    EXPECT_GT(lost, 0);
    EXPECT_LT(took, std::chrono::seconds(20));
    RecordProperty("fault_run_ms", static_cast<int>(took.count()));
    std::printf("fault run: %d succeeded, %d failed, %d unplugged, %lld ms\n", succeeded, failed, lost,
                static_cast<long long>(took.count()));
}

TEST_F(SimEndToEnd, StationAccessReadsWritesResetsAndClearsTheSimulatedStation) {
    sim.reset("seed=6 start=1700000000 speed=0");
    StationAccess access(loadUsbLibrary(kLibraryPath), clock, false);
    ASSERT_TRUE(access.pollConnection());
    EXPECT_TRUE(access.hasConnectionChanged());

    // The three areas decode as the station holds them.
    StationSettings settings;
    AlarmThresholds alarms;
    MinMaxTable minmax;
    ASSERT_TRUE(access.readSettingsBlock(settings));
    ASSERT_TRUE(access.readAlarmBlock(alarms));
    ASSERT_TRUE(access.readMinMaxBlock(minmax));
    EXPECT_EQ(settings.windUnit, "km/h");
    EXPECT_EQ(settings.historyRecords, "4079");
    EXPECT_EQ(alarms.outTempHighAlarm, "300");
    EXPECT_NE(minmax.outTempMax.time, "---");
    EXPECT_GE(std::stoi(minmax.outTempMax.value), std::stoi(minmax.outTempMin.value));

    // Records: the newest and the oldest of the full ring decode valid.
    unsigned newest = 0;
    int count = 0;
    ASSERT_TRUE(access.readPointers(newest, count));
    EXPECT_EQ(count, 4079);
    WeatherSample sample;
    ASSERT_TRUE(access.readRecordBack(sample, 0));
    EXPECT_EQ(sample.text(WeatherSample::hexAdd), recordAddressText(newest));
    ASSERT_TRUE(access.readRecordBack(sample, 4079));
    EXPECT_EQ(sample.text(WeatherSample::hexAdd), recordAddressText(recordAddressBack(newest, 4079)));
    EXPECT_FALSE(sample.text(WeatherSample::outTemp).empty());
    EXPECT_FALSE(access.readRecordBack(sample, 4080));

    // Settings written come back; the station's own pointer stays where the station keeps it.
    settings.windUnit = "bft";
    settings.timeZone = "-5";
    settings.historyCircle = "10";
    ASSERT_TRUE(access.writeSettingsBlock(settings));
    StationSettings back;
    ASSERT_TRUE(access.readSettingsBlock(back));
    EXPECT_EQ(back.windUnit, "bft");
    EXPECT_EQ(back.timeZone, "-5");
    EXPECT_EQ(back.historyCircle, "10");
    EXPECT_EQ(back.updateFlag, "1");
    EXPECT_EQ(back.historyStackAddr, settings.historyStackAddr);
    alarms.outTempHighAlarm = "315";
    ASSERT_TRUE(access.writeAlarmBlock(alarms));
    AlarmThresholds alarmsBack;
    ASSERT_TRUE(access.readAlarmBlock(alarmsBack));
    EXPECT_EQ(alarmsBack.outTempHighAlarm, "315");

    // The station's defaults.
    ASSERT_TRUE(access.resetStation());
    ASSERT_TRUE(access.readSettingsBlock(back));
    EXPECT_EQ(back.initFlag1, "0");
    EXPECT_EQ(back.windUnit, "m/s");
    EXPECT_EQ(back.timeZone, "0");
    EXPECT_EQ(back.historyCircle, "5");

    // An empty history count: no record to read back until the next one is completed.
    ASSERT_TRUE(access.clearHistory());
    ASSERT_TRUE(access.readPointers(newest, count));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(access.readRecordBack(sample, 0));
    sim.advance(600);
    ASSERT_TRUE(access.readPointers(newest, count));
    EXPECT_GE(count, 1);
    EXPECT_TRUE(access.readRecordBack(sample, 1));
    EXPECT_TRUE(access.pollConnection());
    EXPECT_FALSE(access.hasConnectionChanged());
}

TEST_F(SimEndToEnd, StationAccessWithFaultsOnlyEverSucceedsOrFails) {
    // Every operation returns; a lost station is found again by the connection poll.
    sim.reset("seed=12 start=1700000000 speed=300 ack_faults=0.15 silent_faults=0.15 unplug_faults=0.05");
    StationAccess access(loadUsbLibrary(kLibraryPath), clock, false);
    int succeeded = 0, failed = 0, polls = 0;
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) {
        ++polls;
        if (!access.pollConnection()) continue;
        StationSettings settings;
        AlarmThresholds alarms;
        MinMaxTable minmax;
        WeatherSample sample;
        bool ok = false;
        switch (i % 6) {
        case 0:
            ok = access.readSettingsBlock(settings) && access.writeSettingsBlock(settings);
            break;
        case 1:
            ok = access.readAlarmBlock(alarms) && access.writeAlarmBlock(alarms);
            break;
        case 2:
            ok = access.readMinMaxBlock(minmax);
            break;
        case 3:
            ok = access.readRecordBack(sample, i);
            break;
        case 4:
            ok = access.clearHistory();
            break;
        default:
            ok = access.resetStation();
            break;
        }
        ok ? ++succeeded : ++failed;
    }
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
    EXPECT_GT(succeeded, 5);
    EXPECT_GT(failed, 5);
    EXPECT_LT(took, std::chrono::seconds(20));
    std::printf("access fault run: %d succeeded, %d failed in %d polls, %lld ms\n", succeeded, failed, polls,
                static_cast<long long>(took.count()));
}

TEST_F(SimEndToEnd, HistoryDownloadTakesTheWholeRingThenOnlyWhatCameSince) {
    sim.reset("seed=21 start=1700000000 speed=0");
    StationAccess access(loadUsbLibrary(kLibraryPath), clock, false);
    ASSERT_TRUE(access.pollConnection());
    TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), clock);
    AcquisitionTexts texts;
    HistorySync sync{access, store, clock, texts, [](const std::string&, long long, long long) {}};

    // An empty PC file: all 4,079 completed records, newest first, every one valid weather.
    SampleList list;
    ASSERT_EQ(syncHistory(sync, list), 4079);
    const unsigned newest = sim.peekU16(0x1E);
    EXPECT_EQ(list.front()[WeatherSample::hexAdd], recordAddressText(recordAddressBack(newest, 1)));
    EXPECT_EQ(list.back()[WeatherSample::hexAdd], recordAddressText(recordAddressBack(newest, 4079)));
    for (const auto& r : list) ASSERT_FALSE(r[WeatherSample::outTemp].empty());
    ASSERT_TRUE(store.appendRecords(list));

    // Half an hour later (for the station and the PC alike): six new records and no more.
    sim.advance(1800);
    clock.advance(std::chrono::seconds(1800));
    ASSERT_EQ(syncHistory(sync, list), 6);
    EXPECT_EQ(list.back()[WeatherSample::hexAdd], recordAddressText(newest));
}

} // namespace
} // namespace nimbrel::testing
