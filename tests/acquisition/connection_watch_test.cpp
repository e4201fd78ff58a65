// The 1-second connection watch: when it polls, when it marks the station synchronised, what the
// connection picture shows.
#include "acquisition/connection_watch.h"
#include "tests/support/test_station.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

TEST(ConnectionWatchTest, WithSearchDataTheWatchGoesOnAndNoticesUnplugging) {
    testing::TestStation station;
    ConnectionWatch watch(*station.access, true);

    station.usb.handleToReturn = -1;
    auto tick = watch.tick();
    EXPECT_TRUE(tick.polled);
    EXPECT_FALSE(tick.connected);
    EXPECT_FALSE(tick.connectionChanged);

    station.usb.handleToReturn = 3;
    tick = watch.tick();
    EXPECT_TRUE(tick.newlyFound);
    EXPECT_TRUE(tick.connectionChanged);
    EXPECT_TRUE(tick.connected);
    EXPECT_TRUE(station.access->isSynchronised()); // marked on the same tick

    tick = watch.tick();
    EXPECT_TRUE(tick.polled);
    EXPECT_FALSE(tick.newlyFound);
    EXPECT_FALSE(tick.connectionChanged);

    station.usb.attached = false;
    tick = watch.tick();
    EXPECT_TRUE(tick.connectionChanged);
    EXPECT_FALSE(tick.connected);
}

TEST(ConnectionWatchTest, AStationThisUserMayNotOpenIsToldFromNone) {
    testing::TestStation station;
    ConnectionWatch watch(*station.access, true);

    station.usb.handleToReturn = -1;
    station.usb.failureToReport = FindFailure::accessDenied;
    EXPECT_TRUE(watch.tick().accessDenied);
    station.usb.failureToReport = FindFailure::noStation;
    EXPECT_FALSE(watch.tick().accessDenied);

    // Found at last (the rule is in): nothing to tell, whatever the library said before.
    station.usb.failureToReport = FindFailure::accessDenied;
    station.usb.handleToReturn = 3;
    const auto tick = watch.tick();
    EXPECT_TRUE(tick.connected);
    EXPECT_FALSE(tick.accessDenied);
}

TEST(ConnectionWatchTest, WithoutSearchDataTheWatchStopsOnceTheStationIsFound) {
    testing::TestStation station;
    ConnectionWatch watch(*station.access, false);

    auto tick = watch.tick();
    EXPECT_TRUE(tick.newlyFound);
    EXPECT_TRUE(tick.connected);
    EXPECT_FALSE(station.access->isSynchronised());

    // Unplugging is no longer noticed: the picture keeps showing the station connected.
    station.usb.attached = false;
    const long checks = station.usb.checkCalls;
    tick = watch.tick();
    EXPECT_FALSE(tick.polled);
    EXPECT_TRUE(tick.connected);
    EXPECT_EQ(station.usb.checkCalls, checks);
}

} // namespace
} // namespace nimbrel
