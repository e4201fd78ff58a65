// The history download over a scripted station: ring walk, wrap, counts, matching the last stored
// record, re-anchoring, failed reads and progress texts.
#include "acquisition/history_sync.h"
#include "station/local_stamp.h"
#include "store/history_store.h"
#include "tests/support/test_station.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using testing::taggedRecord;
using testing::tagOfPressure;

class HistorySyncTest : public ::testing::Test {
protected:
    HistorySyncTest() : store((dir / "Nimbrel.dat").string(), station.clock) {
        station.connect();
        station.usb.sent.clear();
        station.access->setMargin(0);
    }

    // Unless a test says otherwise, the station is known to have logged its newest record, on its
    // minute, at the second the fetch starts: the stamps count from there.
    void knowLoggingMomentIsNow() {
        const double now = static_cast<double>(station.clock.nowSeconds());
        TimingSnapshot known;
        known.minuteMoment = known.loggingMoment = now;
        known.minuteKept = true;
        known.intervalMinutes = 5;
        known.learnedAt = now + ++primings; // newer than whatever the last fetch saw, so it is taken
        station.access->timing().adopt(known, now);
    }

    int sync(SampleList& list) {
        if (momentKnown) knowLoggingMomentIsNow();
        HistorySync s{*station.access,
                      store,
                      station.clock,
                      texts,
                      [this](const std::string& t, long long done, long long total) {
                          statuses.push_back(t);
                          if (duringFetch) std::exchange(duringFetch, nullptr)();
                          progress.emplace_back(done, total);
                      },
                      nullptr,
                      &failed};
        return syncHistory(s, list);
    }

    std::vector<std::string> addresses(const SampleList& list) {
        std::vector<std::string> out;
        for (const auto& r : list) out.push_back(r[WeatherSample::hexAdd]);
        return out;
    }

    // Moves the clock to the next whole second and returns it, so that a fetch that follows at once
    // (its reads take fractions of a second) still stamps its newest record with this second.
    std::time_t alignClock() {
        const std::time_t next = station.clock.nowSeconds() + 1;
        station.clock.set(std::chrono::system_clock::from_time_t(next));
        return next;
    }
    static std::string stampAt(std::time_t base, std::chrono::minutes offset) {
        return localStampText(base + static_cast<std::time_t>(offset.count() * 60));
    }

    // A stored last record for the slot at `address`, stamped `stamp`.
    void storeLast(unsigned address, const std::string& stamp) {
        WeatherSample r;
        r[WeatherSample::hexAdd] = recordAddressHex(address);
        r[WeatherSample::sampleTime] = stamp;
        r[WeatherSample::sampleCircle] = "5";
        SampleList one{r};
        store.appendRecords(one);
    }
    static std::string recordAddressHex(unsigned a) {
        char text[8];
        std::snprintf(text, sizeof text, "%06X", a);
        return text;
    }

    testing::TestStation station;
    testing::TempDir dir;
    HistoryStore store;
    AcquisitionTexts texts;
    std::vector<std::string> statuses;
    // Records read of records expected, per progress text.
    std::vector<std::pair<long long, long long>> progress;
    bool failed = false;
    bool momentKnown = true;
    int primings = 0;
    // Run once at the first progress of a fetch, while its walk is under way.
    std::function<void()> duringFetch;
};

TEST_F(HistorySyncTest, WalksTheRingBackwardsAcrossTheWrap) {
    station.fillRing();

    // A = 0x0110: the first read is the pair at 0x00F0, of which only 0x0100 is a record;
    // the next pair is 0xFFE0/0xFFF0.
    station.setStackAddr(0x0110);
    station.setRecordCount(4);
    SampleList list;
    EXPECT_EQ(sync(list), 4);
    EXPECT_EQ(addresses(list), (std::vector<std::string>{"000100", "00FFF0", "00FFE0", "00FFD0"}));
    EXPECT_EQ(station.readAddresses(), (std::vector<unsigned>{0x0000, 0x00F0, 0xFFE0, 0xFFC0, 0x0000}));
    for (const auto& r : list) EXPECT_EQ(r[WeatherSample::stackAddr], "000110");

    // A = 0x0100: the first pair read is 0xFFE0/0xFFF0.
    station.usb.sent.clear();
    station.setStackAddr(0x0100);
    station.setRecordCount(3);
    EXPECT_EQ(sync(list), 3);
    EXPECT_EQ(addresses(list), (std::vector<std::string>{"00FFF0", "00FFE0", "00FFD0"}));
    // The pointer moved where no logging moment was due: what was known of the station's minute is in
    // doubt, and the newest stamp comes from byte 0 of the current record, read until two reads agree.
    EXPECT_EQ(station.readAddresses(), (std::vector<unsigned>{0x0000, 0x0100, 0x0100, 0xFFE0, 0xFFC0, 0x0000}));

    // historyRecords 1: one pair read, only its newer record taken.
    station.usb.sent.clear();
    station.setStackAddr(0x0800);
    station.setRecordCount(1);
    EXPECT_EQ(sync(list), 1);
    EXPECT_EQ(addresses(list), std::vector<std::string>{"0007F0"});
    EXPECT_EQ(station.readAddresses(), (std::vector<unsigned>{0x0000, 0x0800, 0x0800, 0x07E0, 0x0000}));

    // historyRecords 0: nothing is read beyond the settings.
    station.usb.sent.clear();
    station.setRecordCount(0);
    EXPECT_EQ(sync(list), 0);
    EXPECT_EQ(station.readAddresses(), std::vector<unsigned>{0x0000});
}

TEST_F(HistorySyncTest, TakesAtMostTheWholeRingStampedBackFromNow) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(5000);
    // The newest record says 10 minutes since the one before.
    station.putRecord(0x07F0, taggedRecord((0x07F0 - 0x100) / 16, 10));

    const auto now = alignClock();
    SampleList list;
    EXPECT_EQ(sync(list), 4080);
    ASSERT_EQ(list.size(), 4080u);
    EXPECT_EQ(station.readAddresses().size(), 1u + 2040u + 1u); // the settings again at the end
    EXPECT_EQ(list.front()[WeatherSample::hexAdd], "0007F0");
    EXPECT_EQ(list.back()[WeatherSample::hexAdd], "000800"); // 4,080 back reaches the current slot
    // Newest at the time of the fetch; each older one earlier by the interval of the one after it.
    EXPECT_EQ(list[0][WeatherSample::sampleTime], localStampText(now));
    EXPECT_EQ(list[1][WeatherSample::sampleTime], localStampText(now - 600));
    EXPECT_EQ(list[2][WeatherSample::sampleTime], localStampText(now - 900));
    for (std::size_t i = 1; i < list.size(); ++i) {
        const unsigned newer = tagOfPressure(list[i - 1][WeatherSample::absPres]);
        const unsigned older = tagOfPressure(list[i][WeatherSample::absPres]);
        ASSERT_EQ(older, newer == 0 ? 4079u : newer - 1) << i;
    }
    // Pairs are announced by the number of records they bring the count to.
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses[0], "2 Data has been read. ...");
    EXPECT_EQ(statuses[1], "4 Data has been read. ...");
    EXPECT_EQ(statuses[2], "6 Data has been read. ...");
    EXPECT_EQ(statuses.back(), "4080 Data has been read. ...");
    // Nothing stored yet: every record the station holds is expected.
    EXPECT_EQ(progress.front(), std::make_pair(2LL, 4080LL));
    EXPECT_EQ(progress.back(), std::make_pair(4080LL, 4080LL));
}

// Before the station's minute is known, the newest record is stamped at the present time less byte 0's
// minutes of the current record and half a minute.
TEST_F(HistorySyncTest, WithTheMinuteUnknownTheNewestIsStampedFromByteZero) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(2);
    station.putRecord(0x0800, taggedRecord(0, 3)); // three minutes into the record being filled
    momentKnown = false;
    const auto now = alignClock();
    SampleList list;
    ASSERT_EQ(sync(list), 2);
    EXPECT_EQ(list[0][WeatherSample::sampleTime], localStampText(now - 210));
    EXPECT_EQ(list[1][WeatherSample::sampleTime], localStampText(now - 510));
}

// A fetch that began before the station's minute was known, and learned it while it ran, moves every
// stamp from byte 0's estimate onto the logging moment's own second.
TEST_F(HistorySyncTest, AMinuteLearnedDuringTheFetchMovesItsStampsOntoTheLoggingMoment) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(2);
    station.putRecord(0x0800, taggedRecord(0, 3));
    momentKnown = false;
    const auto now = alignClock();
    duringFetch = [&] {
        TimingSnapshot learned;
        learned.minuteMoment = learned.loggingMoment = static_cast<double>(now - 200);
        learned.minuteKept = true;
        learned.intervalMinutes = 5;
        learned.learnedAt = static_cast<double>(now);
        station.access->timing().adopt(learned, static_cast<double>(now));
    };
    SampleList list;
    ASSERT_EQ(sync(list), 2);
    EXPECT_EQ(list[0][WeatherSample::sampleTime], localStampText(now - 200)); // not now - 210
    EXPECT_EQ(list[1][WeatherSample::sampleTime], localStampText(now - 500));
}

TEST_F(HistorySyncTest, StopsAtTheLastStoredRecordAndReanchorsOnIt) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(100);

    // The last stored record is the third newest (0x07D0), stored 15 minutes ago; it is met with a
    // computed time 10 minutes ago, inside two intervals.
    auto base = alignClock();
    storeLast(0x07D0, stampAt(base, -15min));
    station.usb.sent.clear();
    SampleList list;
    progress.clear();
    EXPECT_EQ(sync(list), 2);
    EXPECT_EQ(addresses(list), (std::vector<std::string>{"0007F0", "0007E0"}));
    // Two slots lie after the stored one: three records expected, the stored one included; the count
    // ends at the two fetched.
    EXPECT_EQ(progress, (std::vector<std::pair<long long, long long>>{{2, 3}, {3, 3}, {2, 2}}));
    EXPECT_EQ(station.readAddresses().size(), 1u + 2u + 1u); // the walk ends in the pair that matched
    // Stamped forwards from the stored time, an interval each.
    EXPECT_EQ(list[1][WeatherSample::sampleTime], stampAt(base, -10min));
    EXPECT_EQ(list[0][WeatherSample::sampleTime], stampAt(base, -5min));

    // The same address met with a computed time more than two intervals after the stored one is
    // a later pass of the ring over that slot: no match, everything is fetched. Exactly two intervals
    // (10 minutes) after it is still the same record; one second more is not.
    store.clearAllRecords();
    base = alignClock();
    storeLast(0x07D0, stampAt(base, -20min));
    EXPECT_EQ(sync(list), 2);
    EXPECT_EQ(list[0][WeatherSample::sampleTime], stampAt(base, -10min));
    store.clearAllRecords();
    base = alignClock();
    storeLast(0x07D0, localStampText(base - 20 * 60 - 1));
    progress.clear();
    EXPECT_EQ(sync(list), 100);
    // Three expected; a pair may end one record past them, the third pair goes further: all 100 of
    // the station are expected from then on.
    ASSERT_EQ(progress.size(), 50U);
    EXPECT_EQ(progress[0], std::make_pair(2LL, 3LL));
    EXPECT_EQ(progress[1], std::make_pair(3LL, 3LL));
    EXPECT_EQ(progress[2], std::make_pair(6LL, 100LL));
    EXPECT_EQ(progress[49], std::make_pair(100LL, 100LL));
    store.clearAllRecords();
    base = alignClock();
    storeLast(0x07D0, stampAt(base, -40min));
    EXPECT_EQ(sync(list), 100);

    // The interval shortened to 5 minutes while the ring still holds records 30 minutes apart: two
    // intervals are those of the records (met 15 minutes after the stored time, it still matches).
    for (unsigned a = 0x07D0; a <= 0x07F0; a += 16) station.putRecord(a, taggedRecord((a - 0x100) / 16, 30));
    store.clearAllRecords();
    base = alignClock();
    storeLast(0x07D0, stampAt(base, -75min));
    EXPECT_EQ(sync(list), 2);
    EXPECT_EQ(list[1][WeatherSample::sampleTime], stampAt(base, -45min));
    EXPECT_EQ(list[0][WeatherSample::sampleTime], stampAt(base, -15min));
}

// The last stored record (0x07D0) stored ahead of the PC clock by `ahead` minutes; the two new records
// are 0x07E0 (computed 5 minutes ago) and 0x07F0 (now). Up to two intervals (10 minutes) between the
// oldest new record and the stored one they are re-anchored on it, and are void when the newest would
// then lie more than two intervals in the future; with a wider gap the stamps counted back are kept.
TEST_F(HistorySyncTest, ReanchoredStampsInTheFutureVoidTheFetch) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(100);
    const struct {
        int ahead;
        std::vector<int> stamps; // of 0x07F0 and 0x07E0, minutes from now; none when void
    } cases[] = {
        {0, {10, 5}},  // re-anchored, the newest exactly two intervals ahead
        {1, {}},       // re-anchored 11 minutes ahead
        {5, {}},       // the gap exactly two intervals: re-anchored, 15 minutes ahead
        {6, {0, -5}},  // the gap one minute wider: counted back from now
        {60, {0, -5}}, // stored an hour ahead: still the same record, counted back
    };
    for (const auto& c : cases) {
        store.clearAllRecords();
        const auto base = alignClock();
        storeLast(0x07D0, stampAt(base, std::chrono::minutes(c.ahead)));
        SampleList list;
        EXPECT_EQ(sync(list), static_cast<int>(c.stamps.size())) << c.ahead;
        if (list.size() != c.stamps.size()) continue;
        for (std::size_t i = 0; i < list.size(); ++i)
            EXPECT_EQ(list[i][WeatherSample::sampleTime], stampAt(base, std::chrono::minutes(c.stamps[i])))
                << c.ahead;
    }
}

TEST_F(HistorySyncTest, AFailedReadGivesUpTheWholeFetchAndAnInvalidRecordIsSkipped) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(10);

    station.failReadsAt = {0x07A0}; // the third pair
    SampleList list;
    EXPECT_EQ(sync(list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(failed);

    station.failReadsAt.clear();
    EXPECT_EQ(sync(list), 10);
    EXPECT_FALSE(failed);

    // A record that stays invalid after its re-read is bad data: skipped, and the records before
    // it are stamped without its interval.
    auto bad = taggedRecord(0);
    bad[1] = 100; // indoor humidity 100 %: not a reading the station can make
    station.putRecord(0x07E0, bad);
    station.usb.sent.clear();
    const auto now = alignClock();
    EXPECT_EQ(sync(list), 9);
    EXPECT_EQ(addresses(list).at(1), "0007D0");
    EXPECT_EQ(list[1][WeatherSample::sampleTime], localStampText(now - 300));
    // The pair holding it was read twice.
    const auto reads = station.readAddresses();
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 0x07E0u), 2);
}

TEST_F(HistorySyncTest, AFailedReadIsTriedFourTimesInAllBeforeTheFetchIsGivenUp) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(10);
    const auto readsAt = [&](unsigned address) {
        const auto reads = station.readAddresses();
        return std::count(reads.begin(), reads.end(), address);
    };

    // Three failures of the third pair: the fourth read brings it, and nothing is lost.
    station.failReadsTimes[0x07A0] = 3;
    SampleList list;
    EXPECT_EQ(sync(list), 10);
    EXPECT_FALSE(failed);
    EXPECT_EQ(readsAt(0x07A0), 1); // failed frames are not among those sent

    // Armed for five failures: four attempts are made, then the fetch is given up whole.
    station.usb.sent.clear();
    station.failReadsTimes[0x07A0] = 5;
    EXPECT_EQ(sync(list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(failed);
    EXPECT_EQ(station.failReadsTimes[0x07A0], 1);
    EXPECT_EQ(readsAt(0x0780), 0);

    // Settings that fail all four times are read once more after 100 ms, and the download goes on.
    station.failReadsTimes.clear();
    station.failReadsTimes[0x0000] = 4;
    const auto sleeps = station.clock.sleeps().size();
    EXPECT_EQ(sync(list), 10);
    EXPECT_FALSE(failed);
    const auto slept = station.clock.sleeps();
    EXPECT_EQ(std::count(slept.begin() + static_cast<long>(sleeps), slept.end(), 100ms), 1);
}

TEST_F(HistorySyncTest, AStationThatWentAwayIsNotLookedForTwice) {
    station.fillRing();
    station.setStackAddr(0x0800);
    station.setRecordCount(10);

    // Unplugged: the command frame fails, the handle is gone and the station is not found again. Each
    // read of the settings (the download reads them twice before it gives up) looks for it once
    // and does not try again.
    station.usb.attached = false;
    station.usb.handleToReturn = -1;
    station.usb.failWrites(1000);
    const long writesBefore = station.usb.writeCalls;
    SampleList list;
    EXPECT_EQ(sync(list), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(station.usb.findCalls, 1 + 2);
    EXPECT_EQ(station.usb.writeCalls - writesBefore, 1); // later reads have no handle to send with
}

} // namespace
} // namespace nimbrel
