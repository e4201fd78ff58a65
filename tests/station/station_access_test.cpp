#include "station/history_record.h"
#include "station/station_access.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scripted_usb.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <cmath>
#include <thread>
#include <vector>

namespace nimbrel {
namespace {

using testing::FakeClock;
using testing::Report;
using testing::ScriptedUsb;
using namespace std::chrono_literals;

struct RecordingObserver : StationObserver {
    DebugOptions options;
    std::vector<std::pair<StationNotice, StationPayload>> seen;
    DebugOptions debugOptions() const override { return options; }
    void notify(StationNotice code, const StationPayload& payload) override {
        seen.emplace_back(code, payload);
    }
};

struct StationAccessTest : ::testing::Test {
    ScriptedUsb usb;
    FakeClock clock;
    StationAccess access{usb.library(), clock, false};

    void SetUp() override {
        std::vector<std::uint8_t> memory(0x10000);
        std::copy(fixedTemplate.begin(), fixedTemplate.end(), memory.begin());
        for (std::size_t page = 0x100; page < 0x10000; page += 0x100)
            std::copy(historyTemplate.begin(), historyTemplate.end(),
                      memory.begin() + static_cast<long>(page));
        usb.emulateStation(memory);
        ASSERT_TRUE(access.pollConnection());
    }
    std::vector<Report> byteWrites() const {
        std::vector<Report> out;
        for (const Report& f : usb.frames())
            if (f[0] == 0x42) out.push_back(f);
        return out;
    }
};

TEST(StationAccess, PollFlagsOverSeveralTicks) {
    ScriptedUsb usb;
    FakeClock clock;
    StationAccess access(usb.library(), clock, false, StationIds{0x1234, 0x5678});
    usb.handleToReturn = -1;
    EXPECT_TRUE(access.isSynchronised());
    EXPECT_FALSE(access.pollConnection());
    EXPECT_FALSE(access.isConnected());
    EXPECT_FALSE(access.hasConnectionChanged());
    EXPECT_TRUE(access.isSynchronised());

    usb.handleToReturn = 4; // plugged in
    EXPECT_TRUE(access.pollConnection());
    EXPECT_TRUE(access.isConnected());
    EXPECT_TRUE(access.hasConnectionChanged());
    EXPECT_FALSE(access.isSynchronised());
    EXPECT_EQ(usb.findCalls, 2);
    EXPECT_EQ(usb.checkCalls, 0);

    EXPECT_TRUE(access.pollConnection()); // checked, not searched
    EXPECT_FALSE(access.hasConnectionChanged());
    EXPECT_FALSE(access.isSynchronised());
    EXPECT_EQ(usb.checkCalls, 1);
    access.markSynchronised();

    usb.attached = false; // unplugged
    usb.handleToReturn = -1;
    EXPECT_FALSE(access.pollConnection());
    EXPECT_FALSE(access.isConnected());
    EXPECT_TRUE(access.hasConnectionChanged());
    EXPECT_TRUE(access.isSynchronised());
    EXPECT_FALSE(access.pollConnection());
    EXPECT_FALSE(access.hasConnectionChanged());
    EXPECT_EQ(usb.findCalls, 3);
}

TEST_F(StationAccessTest, AreaReadsAndWrites) {
    StationSettings settings;
    AlarmThresholds alarms;
    MinMaxTable minmax;
    ASSERT_TRUE(access.readSettingsBlock(settings));
    ASSERT_TRUE(access.readAlarmBlock(alarms));
    ASSERT_TRUE(access.readMinMaxBlock(minmax));
    EXPECT_EQ(settings.windUnit, "km/h");
    EXPECT_EQ(alarms.relPres, "10132");
    EXPECT_EQ(minmax.totalRainMax.value, "45020");
    EXPECT_TRUE(settings.debug.empty()); // no observer, not quiet: no debug texts

    // The settings write always carries updateFlag 0xAA.
    settings.updateFlag = "0";
    settings.historyCircle = "30";
    ASSERT_TRUE(access.writeSettingsBlock(settings));
    EXPECT_EQ(usb.memory()[0x10], 30);
    EXPECT_EQ(usb.memory()[0x1A], 0xAA);
    EXPECT_TRUE(byteWrites().empty());

    usb.memory()[0x1A] = 0;
    alarms.outTempLowAlarm = "-55";
    ASSERT_TRUE(access.writeAlarmBlock(alarms));
    EXPECT_EQ(usb.memory()[0x3A], 55);
    EXPECT_EQ(usb.memory()[0x3B], 0x80);
    ASSERT_EQ(byteWrites().size(), 1u);
    EXPECT_EQ(byteWrites()[0], (Report{0x42, 0x00, 0x1A, 0x20, 0x42, 0xAA, 0x00, 0x20}));

    // A refused 64-byte write does not touch byte 0x1A.
    usb.sent.clear();
    usb.refuseAck(usb.acksGiven() + 1); // the second block of the alarm area
    EXPECT_FALSE(access.writeAlarmBlock(alarms));
    EXPECT_EQ(usb.frames().size(), 2u);
    EXPECT_TRUE(byteWrites().empty());

    // A failed read leaves the object as it was.
    usb.handleToReturn = -1;
    usb.attached = false;
    access.pollConnection();
    StationSettings untouched;
    EXPECT_FALSE(access.readSettingsBlock(untouched));
    EXPECT_EQ(untouched, StationSettings{});
}

TEST_F(StationAccessTest, ClearHistoryStopsAtTheFirstRefusal) {
    const std::vector<Report> order = {{0x42, 0x00, 0x1B, 0x20, 0x42, 0x00, 0x00, 0x20},
                                       {0x42, 0x00, 0x1C, 0x20, 0x42, 0x00, 0x00, 0x20},
                                       {0x42, 0x00, 0x1A, 0x20, 0x42, 0xAA, 0x00, 0x20}};
    ASSERT_TRUE(access.clearHistory());
    EXPECT_EQ(byteWrites(), order);
    EXPECT_EQ(usb.memory()[0x1B], 0);
    for (std::size_t refused = 0; refused < 3; ++refused) {
        usb.sent.clear();
        usb.refuseAck(usb.acksGiven() + static_cast<int>(refused));
        EXPECT_FALSE(access.clearHistory());
        EXPECT_EQ(byteWrites(),
                  std::vector<Report>(order.begin(), order.begin() + static_cast<long>(refused) + 1));
    }
    usb.sent.clear();
    ASSERT_TRUE(access.resetStation());
    EXPECT_EQ(byteWrites(), (std::vector<Report>{{0x42, 0x00, 0x1A, 0x20, 0x42, 0x55, 0x00, 0x20}}));
}

TEST_F(StationAccessTest, RecordBackBoundsAndReRead) {
    WeatherSample sample;
    // 15 records stored, newest at 0x01F0.
    ASSERT_TRUE(access.readRecordBack(sample, 0));
    EXPECT_EQ(sample[WeatherSample::hexAdd], "0001F0");
    EXPECT_EQ(sample[WeatherSample::stackAddr], "0001F0");
    EXPECT_EQ(sample[WeatherSample::hexValue], "05 39 50 02 40 88 81 0A 27 34 C0 00 30 01 0A 04 ");
    ASSERT_TRUE(access.readRecordBack(sample, 15));
    EXPECT_EQ(sample[WeatherSample::hexAdd], "000100");

    for (int n : {-1, 16}) {
        usb.sent.clear();
        EXPECT_FALSE(access.readRecordBack(sample, n)) << n;
        EXPECT_EQ(usb.frames().size(), 2u); // only the pointers were read
    }
    usb.memory()[0x1B] = 0; // nothing stored
    EXPECT_FALSE(access.readRecordBack(sample, 0));
    usb.memory()[0x1B] = 15;
    usb.memory()[0x1E] = 0x80; // pointer 0x0180 is fine, 0x0080 is inside the fixed block
    EXPECT_TRUE(access.readRecordBack(sample, 0));
    usb.memory()[0x1F] = 0x00;
    EXPECT_FALSE(access.readRecordBack(sample, 0));

    // A valid record is read once; an invalid one once more, and kept as it comes.
    usb.sent.clear();
    ASSERT_TRUE(access.readRecordAt(0x0200, sample));
    EXPECT_EQ(usb.frames().size(), 1u);
    usb.memory()[0x0201] = 100; // indoor humidity out of range
    usb.sent.clear();
    ASSERT_TRUE(access.readRecordAt(0x0200, sample));
    EXPECT_EQ(usb.frames().size(), 2u);

    // The current record is read again, as the station may be writing it: a failed second read fails it.
    usb.memory()[0x1E] = 0xF0, usb.memory()[0x1F] = 0x01;
    ASSERT_TRUE(access.readRecordBack(sample, 0)); // the pointer, 0x01F0, is noted
    usb.failReadsFrom(usb.readCalls + 5);          // the first read's four reports come, then nothing
    EXPECT_FALSE(access.readRecordAt(0x01F0, sample));
    usb.failReadsFrom(-1);

    // The time stamp is the clock's local time.
    std::tm noon{};
    noon.tm_year = 2024 - 1900, noon.tm_mon = 2, noon.tm_mday = 9, noon.tm_hour = 12, noon.tm_min = 5;
    noon.tm_isdst = -1;
    clock.set(std::chrono::system_clock::from_time_t(std::mktime(&noon)));
    ASSERT_TRUE(access.readRecordAt(0x0210, sample));
    EXPECT_EQ(sample[WeatherSample::sampleTime], "2024-03-09 12:05:00");
}

TEST_F(StationAccessTest, NotificationsFollowTheOptionsAndQuiet) {
    auto observer = std::make_shared<RecordingObserver>();
    access.setObserver(observer);
    StationSettings settings;
    WeatherSample sample;

    ASSERT_TRUE(access.readSettingsBlock(settings)); // no option on
    EXPECT_TRUE(observer->seen.empty());
    EXPECT_TRUE(settings.debug.empty());

    ASSERT_TRUE(access.readSettingsBlock(settings, true)); // quiet: debug texts, no notification
    EXPECT_FALSE(settings.debug.empty());
    EXPECT_TRUE(observer->seen.empty());

    observer->options = {true, true, true};
    ASSERT_TRUE(access.readSettingsBlock(settings));
    ASSERT_TRUE(access.writeSettingsBlock(settings));
    ASSERT_TRUE(access.readRecordBack(sample, 0));
    ASSERT_TRUE(access.clearHistory());
    ASSERT_TRUE(access.resetStation());
    ASSERT_EQ(observer->seen.size(), 5u);
    EXPECT_EQ(observer->seen[0].first, settingsRead);
    EXPECT_FALSE(std::get<StationSettings>(observer->seen[0].second).debug.empty());
    EXPECT_EQ(observer->seen[1].first, settingsWritten);
    EXPECT_EQ(std::get<StationSettings>(observer->seen[1].second).debug.at("updateFlag").raw, 0xAA);
    EXPECT_EQ(observer->seen[2].first, recordRead);
    EXPECT_EQ(std::get<std::string>(observer->seen[3].second), "historyRecords->0");
    EXPECT_EQ(std::get<std::string>(observer->seen[4].second), "initFlag1:0x55->0x00, initFlag2:0xAA->0x00");

    access.setObserver(nullptr);
    ASSERT_TRUE(access.readSettingsBlock(settings));
    EXPECT_EQ(observer->seen.size(), 5u);
}

TEST(StationAccess, BusyHelperWaitsThreeTimesThenGivesUp) {
    FakeClock clock;
    StationBusy busy;
    {
        StationBusyLock first(busy);
        EXPECT_TRUE(first.acquire(clock));
        EXPECT_TRUE(clock.sleeps().empty()); // free: taken at once
        EXPECT_TRUE(busy.isBusy());

        StationBusyLock second(busy);
        EXPECT_FALSE(second.acquire(clock));
        EXPECT_EQ(clock.sleeps(), std::vector<std::chrono::milliseconds>(3, 1000ms));
        EXPECT_FALSE(second.tryAcquire());
        EXPECT_FALSE(second.owns());
    }
    EXPECT_FALSE(busy.isBusy()); // released when the holder went out of scope

    // The flag freed during the waits is taken on the next look.
    struct ReleasingClock : Clock {
        StationBusyLock* holder = nullptr;
        int sleeps = 0;
        TimePoint now() override { return {}; }
        void sleepFor(std::chrono::milliseconds) override {
            if (++sleeps == 2) holder->release();
        }
    } releasing;
    StationBusyLock holder(busy);
    ASSERT_TRUE(holder.tryAcquire());
    releasing.holder = &holder;
    StationBusyLock waiter(busy);
    EXPECT_TRUE(waiter.acquire(releasing));
    EXPECT_EQ(releasing.sleeps, 2);
    EXPECT_TRUE(waiter.owns());

    // Two threads racing for a free flag: exactly one wins.
    waiter.release();
    for (int round = 0; round < 200; ++round) {
        StationBusyLock a(busy), b(busy);
        bool wonA = false, wonB = false;
        std::thread ta([&] { wonA = a.tryAcquire(); });
        std::thread tb([&] { wonB = b.tryAcquire(); });
        ta.join();
        tb.join();
        ASSERT_NE(wonA, wonB);
    }
}

TEST(StationAccess, TestModeNeedsNoLibrary) {
    FakeClock clock;
    StationAccess access(loadUsbLibrary("/nonexistent/libnimbrel.so"), clock, true);
    ASSERT_TRUE(access.pollConnection());
    unsigned address = 0;
    int count = 0;
    ASSERT_TRUE(access.readPointers(address, count));
    EXPECT_EQ(address, 0x01F0u);
    EXPECT_EQ(count, 15);
    WeatherSample sample;
    ASSERT_TRUE(access.readRecordBack(sample, 0));
    EXPECT_EQ(sample[WeatherSample::outTemp], "-392");
}

TEST(StationAccess, MissingLibraryFailsEveryOperation) {
    FakeClock clock;
    StationAccess access(loadUsbLibrary("libm.so.6"), clock, false);
    EXPECT_FALSE(access.pollConnection());
    StationSettings settings;
    AlarmThresholds alarms;
    MinMaxTable minmax;
    WeatherSample sample;
    EXPECT_FALSE(access.readSettingsBlock(settings));
    EXPECT_FALSE(access.writeAlarmBlock(alarms));
    EXPECT_FALSE(access.writeMinMaxBlock(minmax));
    EXPECT_FALSE(access.readRecordBack(sample, 0));
    EXPECT_FALSE(access.resetStation());
    EXPECT_FALSE(access.clearHistory());
    EXPECT_EQ(clock.totalSlept(), 0ms);
}

// Once a moment is known, a read that would come within the margin of it waits until the margin has
// passed: the sensor message 1 s ahead keeps the frame back to 1 + 3 s from now.
TEST_F(StationAccessTest, AReadInsideAMarginWaitsUntilTheMarginHasPassed) {
    const double now = access.nowSeconds();
    TimingSnapshot known;
    known.sensorMoment = now + 1;
    known.sensorKept = true;
    known.learnedAt = now;
    access.timing().adopt(known, now);
    std::array<std::uint8_t, 32> bytes{};
    ASSERT_TRUE(access.readBytes(0x0000, bytes.data(), 32));
    EXPECT_EQ(access.counters().exchanges.load(), 1u);
    EXPECT_EQ(access.counters().movedOutOfMargin.load(), 1u);
    EXPECT_GE(access.nowSeconds(), now + 4.0);
    EXPECT_LT(access.nowSeconds(), now + 4.3); // the wait, then the frame's own 50 ms

    // A station whose time stands still (a simulator at speed 0) never holds a read back: one look.
    struct StillClock final : Clock {
        TimePoint now() override { return at; }
        void sleepFor(std::chrono::milliseconds) override { ++sleeps; }
        TimePoint at = TimePoint{} + std::chrono::hours(24 * 365 * 50);
        int sleeps = 0;
    } still;
    ScriptedUsb stillUsb;
    stillUsb.emulateStation();
    StationAccess stillAccess(stillUsb.library(), still, false);
    ASSERT_TRUE(stillAccess.pollConnection());
    const double at = stillAccess.nowSeconds();
    known.sensorMoment = at + 1;
    known.learnedAt = at;
    stillAccess.timing().adopt(known, at);
    const int sleepsBefore = still.sleeps;
    ASSERT_TRUE(stillAccess.readBytes(0x0000, bytes.data(), 32));
    EXPECT_EQ(still.sleeps - sleepsBefore, 2); // the one look, then the frame's own 50 ms

    // Clear of every moment, the next read goes at once.
    const double before = access.nowSeconds();
    ASSERT_TRUE(access.readBytes(0x0000, bytes.data(), 32));
    EXPECT_EQ(access.counters().movedOutOfMargin.load(), 1u);
    EXPECT_LT(access.nowSeconds() - before, 0.1);
}

// Once learned, the station's minute is placed again ten minutes on: 0.3 to 1.3 s before a turn of it, clear
// of the sensors' message and of the logging moment, the current record is read.
TEST_F(StationAccessTest, TheMinuteIsWatchedAgainTenMinutesAfterItWasPlaced) {
    const double now = access.nowSeconds();
    TimingSnapshot known;
    known.sensorMoment = now + 20; // messages at now + 20 - 48 k
    known.sensorKept = true;
    known.minuteMoment = now + 1 - 660; // turns at now + 1 + 60 k, placed 11 minutes ago
    known.minuteKept = true;
    known.loggingMoment = now + 1 - 540; // the station logs 60 s after the turn to watch
    known.intervalMinutes = 5;
    known.learnedAt = now - 660;
    access.enableLearning("");
    access.timing().adopt(known, now);
    access.timing().notePointer(now - 1, now - 0.9, 0x0100, 5);
    const auto exchanges = access.counters().exchanges.load();
    ASSERT_TRUE(access.learnIfDue());
    EXPECT_EQ(access.counters().exchanges.load(), exchanges + 1);
    const Report readOfTheRecord = {0x52, 0x01, 0x00, 0x20, 0x52, 0x01, 0x00, 0x20};
    EXPECT_EQ(usb.frames().back(), readOfTheRecord);
}

// Two programs on one station: what the first learned reaches the second through the shared timing file,
// opened when the station is found and looked at before an exchange.
TEST(StationAccess, TimingLearnedByOneProgramIsTakenByAnotherOnTheSameStation) {
    testing::TempDir folder;
    ScriptedUsb firstUsb, secondUsb;
    FakeClock firstClock, secondClock;
    StationAccess first(firstUsb.library(), firstClock, false), second(secondUsb.library(), secondClock, false);
    std::array<std::uint8_t, 32> bytes{};
    for (auto [usb, access] : {std::pair{&firstUsb, &first}, std::pair{&secondUsb, &second}}) {
        usb->key = "scripted:1";
        usb->emulateStation();
        access->enableLearning(folder.path().string());
        ASSERT_TRUE(access->pollConnection());
    }
    const double now = first.nowSeconds();
    TimingSnapshot known;
    known.sensorMoment = now + 20.5;
    known.sensorSpread = 0.25;
    known.sensorKept = true;
    known.learnedAt = now;
    first.timing().adopt(known, now);
    ASSERT_TRUE(first.readBytes(0x0000, bytes.data(), 32)); // the first program writes what it knows

    ASSERT_TRUE(second.readBytes(0x0000, bytes.data(), 32));
    const TimingSnapshot taken = second.timing().snapshot();
    ASSERT_TRUE(taken.sensorMoment.has_value());
    EXPECT_TRUE(taken.sensorKept);
    EXPECT_NEAR(std::fmod(*taken.sensorMoment - now, StationTiming::kSensorPeriod), 20.5, 1e-6);
}

} // namespace
} // namespace nimbrel
