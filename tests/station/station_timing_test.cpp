#include "station/station_timing.h"
#include "station/timing_share.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace nimbrel {
namespace {

constexpr unsigned kPointer = 0x1000;

std::array<std::uint8_t, 16> record(std::uint8_t minutes, std::uint8_t live) {
    std::array<std::uint8_t, 16> bytes{};
    bytes[0] = minutes;
    bytes[5] = live;
    return bytes;
}

// A sensor message placed at 100.5 (+- 0.5): its next one at 148.5 keeps a zone of 3 + 0.5 either side,
// [145, 152], that no exchange of 0.25 s may touch.
TEST(Beat, PlacedChangeKeepsExchangesOutOfItsZone) {
    Beat beat(48);
    EXPECT_FALSE(beat.kept());
    EXPECT_EQ(beat.clearStart(146, 0.25, 3), 146); // nothing known: nothing waits
    beat.changed(100, 101);
    ASSERT_TRUE(beat.kept());
    EXPECT_DOUBLE_EQ(*beat.anchor(), 100.5);
    struct Case {
        double start, expected;
    } cases[] = {{144.75, 144.75}, {144.76, 152}, {150, 152}, {152, 152}, {192.75, 192.75}, {192.8, 200}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(beat.clearStart(c.start, 0.25, 3), c.expected) << c.start;
}

TEST(Beat, ChangesThatDoNotFitThePeriodDropTheMargins) {
    Beat beat(48);
    beat.changed(100, 101);
    beat.changed(140, 150); // a wide window round 148.5: fits
    EXPECT_TRUE(beat.kept());
    beat.changed(120, 121); // none was due: placed anew but not kept until seen again
    EXPECT_FALSE(beat.kept());
    beat.changed(168, 169); // 120.5 + 48
    EXPECT_TRUE(beat.kept());
    beat.changed(180, 190); // a wide window where none was due: nothing is known any more
    EXPECT_FALSE(beat.anchor().has_value());

    Beat fast(48); // a station whose memory changes every second, as a simulator at high speed
    for (int t = 0; t < 10; ++t) fast.changed(t, t + 1);
    EXPECT_FALSE(fast.kept());
}

TEST(Beat, MomentsPassingWithoutAChangeDropIt) {
    Beat beat(48);
    beat.changed(100, 101);
    beat.unchanged(140, 157); // 148.5 passed, nothing changed
    beat.unchanged(190, 205); // 196.5
    EXPECT_TRUE(beat.kept());
    beat.unchanged(240, 250); // 244.5: the third in a row
    EXPECT_FALSE(beat.kept());
}

TEST(StationTiming, LoggingMomentFromByteZeroAndTheMinute) {
    StationTiming timing;
    timing.notePointer(0, 0.1, kPointer, 5);
    timing.noteCurrentRecord(10, 10.1, kPointer, record(2, 7));
    // Before the station's minute is known: the read's time, less byte 0's minutes and half a minute.
    EXPECT_DOUBLE_EQ(*timing.lastLoggingMoment(kPointer, 11), 10.05 - 150);
    EXPECT_FALSE(timing.lastLoggingMoment(kPointer + 16, 11).has_value());
    EXPECT_FALSE(timing.lastLoggingMoment(kPointer, 16).has_value()); // that read is too old now
    EXPECT_TRUE(timing.loggingMomentMayFall(0, 1));

    timing.noteCurrentRecord(11, 11.1, kPointer, record(3, 7)); // the minute turned at 10.55 (+- 0.55)
    timing.noteCurrentRecord(40, 40.1, kPointer, record(3, 7));
    // The minute that byte 0 counts from: 10.55 - 3 minutes; the record after it is due 5 minutes on.
    EXPECT_NEAR(*timing.lastLoggingMoment(kPointer, 41), -169.45, 1e-9);
    EXPECT_TRUE(timing.kept());
    EXPECT_FALSE(timing.loggingMomentMayFall(100, 125));
    EXPECT_TRUE(timing.loggingMomentMayFall(125, 131));
    // Its zone: 130.55 -+ (3 + 0.55).
    EXPECT_NEAR(timing.clearStart(126.7), 126.7, 1e-9);
    EXPECT_NEAR(timing.clearStart(126.8), 134.1, 1e-9);

    // The pointer moves on at that moment; the record at the new pointer counts from 0.
    timing.notePointer(100, 100.1, kPointer, 5);
    timing.notePointer(133, 135, kPointer + 16, 5);
    timing.noteCurrentRecord(135, 135.1, kPointer + 16, record(0, 7));
    EXPECT_NEAR(*timing.lastLoggingMoment(kPointer + 16, 136), 130.55, 1e-9);

    // Byte 0 unreadable (over 240): the pointer alone, seen to move with one turn of the minute between
    // the two looks, places the moment on that turn.
    StationTiming byPointer;
    byPointer.notePointer(0, 0.1, kPointer, 5);
    byPointer.noteCurrentRecord(10, 10.1, kPointer, record(250, 7));
    byPointer.noteCurrentRecord(11, 11.1, kPointer, record(251, 7)); // the minute turned at 10.55
    byPointer.notePointer(100, 100.1, kPointer, 5);
    byPointer.notePointer(133, 135, kPointer + 16, 5);
    const auto moment = byPointer.lastLoggingMoment(kPointer + 16, 136);
    ASSERT_TRUE(moment.has_value());
    EXPECT_NEAR(*moment, 130.55, 1e-9);
}

// A station clock that runs 1 s fast in an hour: the placing an hour on follows it, and tells the drift.
TEST(Beat, FollowsTheDriftOfTheStationsClock) {
    Beat minute(60);
    minute.changed(100, 101);
    minute.changed(3759, 3760); // 3760.5 was due
    EXPECT_DOUBLE_EQ(*minute.anchor(), 3759.5);
    EXPECT_NEAR(minute.driftPerDay(), -86400.0 / 3659, 1e-9);
}

// The turns of the minute watched to follow the drift: ten minutes after the last placing, 0.3 to 1.3 s
// ahead, and never a logging moment.
TEST(StationTiming, WatchesATurnOfTheMinuteEveryTenMinutes) {
    StationTiming timing; // the minute turns at 10.55 + 60 k, the station logs at 130.55 + 300 k
    timing.notePointer(0, 0.1, kPointer, 5);
    timing.noteCurrentRecord(10, 10.1, kPointer, record(2, 7));
    timing.noteCurrentRecord(11, 11.1, kPointer, record(3, 7));
    timing.noteCurrentRecord(40, 40.1, kPointer, record(3, 7));
    struct Case {
        double now;
        std::optional<double> tick;
    } cases[] = {{609.3, std::nullopt}, // the turn at 610.55 comes too soon after the placing at 10.55
                 {669.0, std::nullopt}, {669.3, 670.55}, {670.2, 670.55}, {670.3, std::nullopt},
                 {729.5, std::nullopt}}; // 730.55 is a logging moment
    for (const Case& c : cases) {
        const auto tick = timing.minuteToWatch(c.now);
        ASSERT_EQ(tick.has_value(), c.tick.has_value()) << c.now;
        if (tick) {
            EXPECT_NEAR(*tick, *c.tick, 1e-9) << c.now;
        }
    }
}

TEST(StationTiming, SharedLearningAdoptedWhenNewerAndCheckedWhenOld) {
    StationTiming learned;
    learned.notePointer(0, 0.1, kPointer, 5);
    learned.noteCurrentRecord(10, 10.1, kPointer, record(2, 7));
    learned.noteCurrentRecord(11, 11.1, kPointer, record(3, 8)); // both the minute and a message
    learned.noteCurrentRecord(40, 40.1, kPointer, record(3, 8));

    testing::TempDir dir;
    TimingShare writer(dir.path().string(), "sim-seed:1");
    TimingShare reader(dir.path().string(), "sim-seed:1");
    EXPECT_FALSE(TimingShare(dir.path().string(), "").active());
    ASSERT_TRUE(writer.save(learned.snapshot()));
    struct stat written {};
    ASSERT_EQ(::stat(writer.path().c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 0777, 0660u); // the logger service's group replaces it too, whatever the umask
    const auto taken = reader.loadIfChanged();
    ASSERT_TRUE(taken.has_value());
    EXPECT_GT(taken->sensorSpread, 0.0);
    EXPECT_NEAR(taken->sensorSpread, learned.snapshot().sensorSpread, 1e-6);
    EXPECT_NEAR(taken->minuteSpread, learned.snapshot().minuteSpread, 1e-6);
    EXPECT_FALSE(reader.loadIfChanged().has_value()); // unchanged since
    EXPECT_FALSE(timingFromText("sensor_moment=oops\nlearned_at=1\n").has_value());

    StationTiming elsewhere; // its clock has not reached the time it was learned at
    elsewhere.adopt(*taken, 11.1 - 61);
    EXPECT_FALSE(elsewhere.kept());

    StationTiming fresh;
    fresh.adopt(*taken, 60);
    EXPECT_TRUE(fresh.learned());
    EXPECT_NEAR(fresh.clearStart(126.8), 134.1, 1e-9); // the same zones as the program that learned them

    StationTiming old;
    old.adopt(*taken, 11.1 + 3601); // learned more than an hour ago: kept, but checked by the next change
    EXPECT_TRUE(old.kept());
    old.notePointer(4000, 4000.1, kPointer, 5);
    old.noteCurrentRecord(4000, 4000.1, kPointer, record(3, 8));
    old.noteCurrentRecord(4001, 4001.1, kPointer, record(3, 9)); // a message where none was due
    EXPECT_FALSE(old.snapshot().sensorKept);
}

// A file that cannot be put in place (a folder stands where it goes) is no success, and leaves nothing.
TEST(StationTiming, ASharedFileThatCannotBeReplacedIsNoSuccess) {
    testing::TempDir dir;
    TimingShare share(dir.path().string(), "sim-seed:1");
    std::filesystem::create_directories(share.path() + "/taken");
    EXPECT_FALSE(share.save(TimingSnapshot{}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

} // namespace
} // namespace nimbrel
