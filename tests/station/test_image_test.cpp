// The test mode's station: the image in memory keeps what the Setup and Alarm windows write for the rest
// of the run, so they can be tried without a station.
#include "station/station_access.h"
#include "station/test_image.h"
#include "tests/support/fake_clock.h"

#include <array>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using testing::FakeClock;

TEST(StationTestMode, WritesAreReadBackForTheRestOfTheRun) {
    FakeClock clock;
    StationAccess access(loadUsbLibrary("/nonexistent/libnimbrel.so"), clock, true);
    ASSERT_TRUE(access.pollConnection());

    StationSettings settings;
    ASSERT_TRUE(access.readSettingsBlock(settings));
    settings.historyCircle = "30"; // 0x10: 0x05 -> 0x1E
    settings.windUnit = "m/s";     // 0x12: km/h 0x02 -> 0x01
    ASSERT_TRUE(access.writeSettingsBlock(settings));
    AlarmThresholds alarms;
    ASSERT_TRUE(access.readAlarmBlock(alarms));
    alarms.outTempHighAlarm = "-150"; // 0x38: 2C 01 (300) -> 96 80
    ASSERT_TRUE(access.writeAlarmBlock(alarms));

    // The connection watch ticks on; it must not bring the first image back.
    for (int tick = 0; tick < 5; ++tick) ASSERT_TRUE(access.pollConnection());

    std::array<std::uint8_t, 0x60> expected{};
    std::copy(fixedTemplate.begin(), fixedTemplate.begin() + 0x60, expected.begin());
    expected[0x10] = 0x1E;
    expected[0x12] = 0x01;
    expected[0x1A] = 0xAA; // changed by the PC
    expected[0x38] = 0x96;
    expected[0x39] = 0x80;
    std::array<std::uint8_t, 0x60> bytes{};
    ASSERT_TRUE(access.readBytes(0, bytes.data(), 0x60));
    EXPECT_EQ(bytes, expected);
    StationSettings again;
    ASSERT_TRUE(access.readSettingsBlock(again));
    EXPECT_EQ(again.windUnit, "m/s");
    EXPECT_EQ(again.historyCircle, "30");

    // The history is the test mode's own: 15 records, the newest at 0x01F0, the minima and maxima as
    // they were.
    unsigned address = 0;
    int count = 0;
    ASSERT_TRUE(access.readPointers(address, count));
    EXPECT_EQ(address, 0x01F0u);
    EXPECT_EQ(count, 15);
    std::array<std::uint8_t, 0xA0> minMax{};
    ASSERT_TRUE(access.readBytes(0x60, minMax.data(), 0xA0));
    EXPECT_TRUE(std::equal(minMax.begin(), minMax.end(), fixedTemplate.begin() + 0x60));

    // Byte writes stay too: an emptied history is empty until the run ends.
    ASSERT_TRUE(access.clearHistory());
    ASSERT_TRUE(access.pollConnection());
    ASSERT_TRUE(access.readPointers(address, count));
    EXPECT_EQ(count, 0);
}

} // namespace
} // namespace nimbrel
