// The simulated station's timing: sensor messages every 48 s, records completed on the station's minute,
// byte 0 counting the minutes, new settings taken 3 s after the PC's request, and its timing settings.
#include "tests/sim/sim_library.h"
#include "tests/support/temp_dir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace nimbrel::testing {
namespace {

constexpr const char* kStill = "seed=4 start=1700000000 speed=0 ";

class SimTiming : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.loaded()) << "libnimbrel-sim.so not found in " NIMBREL_BIN_DIR; }
    void TearDown() override {
        if (sim.setWallClock) sim.setWallClock(-1);
    }

    int start(const std::string& settings) {
        const int handle = sim.start((kStill + settings).c_str());
        begun = sim.now();
        return handle;
    }
    // Moves simulated time on to `seconds` after the start.
    void at(double seconds) { sim.advance(begun + seconds - sim.now()); }
    int minutes() { return sim.peek(sim.peekU16(0x1E), 1)[0]; }
    // The live values: the current record but its byte 0, and the current pressures.
    std::vector<std::uint8_t> live() {
        auto bytes = sim.peek(sim.peekU16(0x1E) + 1, 15);
        auto pressures = sim.peek(0x20, 4);
        bytes.insert(bytes.end(), pressures.begin(), pressures.end());
        return bytes;
    }

    SimLibrary sim;
    double begun = 0;
};

TEST_F(SimTiming, ARecordIsCompletedOnTheStationsMinuteAndByteZeroCountsTheMinutesSince) {
    start("interval=5 log_phase=120");
    const unsigned newest = sim.peekU16(0x1E);
    sim.pokeU16(0x1B, 100);
    // The record being filled began at 120 - 300 s, so at the start it is 3 whole minutes old.
    const struct {
        double at;
        unsigned newest;
        int minutes;
    } cases[] = {{0, newest, 3},        {119, newest, 4},      {120, newest + 16, 0},
                 {179, newest + 16, 0}, {180, newest + 16, 1}, {419, newest + 16, 4}};
    for (const auto& c : cases) {
        at(c.at);
        EXPECT_EQ(sim.peekU16(0x1E), c.newest) << c.at;
        EXPECT_EQ(minutes(), c.minutes) << c.at;
    }
    EXPECT_EQ(sim.peekU16(0x1B), 101u);
    EXPECT_EQ(sim.peek(newest, 1)[0], 5); // a completed record holds its interval
}

TEST_F(SimTiming, LiveValuesChangeOnlyWhenASensorMessageArrives) {
    for (double phase : {0.0, 47.5}) {
        SCOPED_TRACE(phase);
        start("log_phase=200 sensor_phase=" + std::to_string(phase));
        auto before = live();
        int changes = 0;
        for (double t = 0.5; t <= 960; t += 0.5) {
            at(t);
            auto now = live();
            if (now == before) continue;
            ++changes;
            EXPECT_EQ(std::fmod(t - phase, 48.0), 0.0) << "changed at " << t; // also at the logging moments
            before = now;
        }
        EXPECT_GE(changes, 12); // of the 20 messages; a message may bring the same values again
    }
}

TEST_F(SimTiming, NewSettingsAreTakenThreeSecondsAfterTheRequest) {
    const int h = start("log_phase=100");
    const unsigned newest = sim.peekU16(0x1E);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x0010, 10)));
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x001A, 0xAA)));
    EXPECT_EQ(sim.peek(0x1A, 1)[0], 0xAA); // the clock stands still: the station has not taken them
    at(2.9);
    EXPECT_EQ(sim.peek(0x1A, 1)[0], 0xAA);
    at(3.1);
    EXPECT_EQ(sim.peek(0x1A, 1)[0], 0x00);
    // The record being filled keeps its 5 minutes; the next one takes the 10.
    at(100);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 16);
    at(699);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 16);
    EXPECT_EQ(minutes(), 9);
    at(700);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 32);
    EXPECT_EQ(sim.peek(newest + 16, 1)[0], 10);
}

TEST_F(SimTiming, AnIntervalWrittenWithoutTheRequestIsNotTaken) {
    const int h = start("log_phase=100");
    const unsigned newest = sim.peekU16(0x1E);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x0010, 10)));
    at(400);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 32);
}

TEST_F(SimTiming, SettingsAtTheirLimits) {
    const struct {
        const char* settings;
        double at;
        int historyCircle;
        int moves; // records completed since the start
        int minutes;
    } cases[] = {
        {"interval=1 log_phase=0", 59, 1, 0, 0},
        {"interval=1 log_phase=0", 60, 1, 1, 0},
        {"interval=240 log_phase=14399", 14398, 240, 0, 239},
        {"interval=240 log_phase=14399", 14399, 240, 1, 0},
        {"interval=5 log_phase=0", 0, 5, 0, 0},
        {"interval=5 log_phase=0", 299, 5, 0, 4},
        {"interval=5 log_phase=0", 300, 5, 1, 0},
        // A fast clock reaches its minute early, a slow one late: 1 % a day either way at most.
        {"interval=60 log_phase=0 drift=864", 59.5, 60, 0, 1},
        {"interval=60 log_phase=0 drift=-864", 60.5, 60, 0, 0},
        {"interval=60 log_phase=0 drift=0", 59.5, 60, 0, 0},
        {"interval=60 log_phase=0 drift=0", 60, 60, 0, 1},
        // 86.4 s a day: the station's minute comes 1 s early after 1000 s.
        {"interval=60 log_phase=0 drift=86.4", 1018.5, 60, 0, 16},
        {"interval=60 log_phase=0 drift=86.4", 1019.5, 60, 0, 17},
        {"interval=60 log_phase=0", 1019.5, 60, 0, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + " at " + std::to_string(c.at));
        start(c.settings);
        const unsigned newest = sim.peekU16(0x1E);
        at(c.at);
        EXPECT_EQ(sim.peek(0x10, 1)[0], c.historyCircle);
        EXPECT_EQ((sim.peekU16(0x1E) - newest) / 16, static_cast<unsigned>(c.moves));
        EXPECT_EQ(minutes(), c.minutes);
    }
}

TEST_F(SimTiming, ValuesOnePastTheLimitsAreRefused) {
    // A refused value leaves the station exactly as without it.
    auto story = [this](const std::string& settings) {
        start(settings);
        std::vector<std::uint8_t> bytes;
        for (double t = 0; t <= 1200; t += 7) {
            at(t);
            auto memory = sim.peek(0, 0x10000);
            bytes.insert(bytes.end(), memory.begin(), memory.end());
        }
        return bytes;
    };
    const auto plain = story("");
    EXPECT_NE(story("sensor_phase=47"), plain); // the story tells the settings apart
    for (const char* refused :
         {"interval=0", "interval=241", "sensor_phase=-1", "sensor_phase=48", "log_phase=-1", "log_phase=300",
          "log_phase=14400 interval=240", "drift=864.1", "drift=-864.1", "interval=5x", "drift=fast"}) {
        SCOPED_TRACE(refused);
        if (std::string(refused) == "log_phase=14400 interval=240") {
            EXPECT_EQ(story(refused), story("interval=240"));
        } else {
            EXPECT_EQ(story(refused), plain);
        }
    }
}

TEST_F(SimTiming, TakesTheTimingSettingsFromTheEnvironment) {
    setenv("NIMBREL_SIM_INTERVAL", "7", 1);
    setenv("NIMBREL_SIM_LOG_PHASE", "30", 1);
    setenv("NIMBREL_SIM_SENSOR_PHASE", "5", 1);
    setenv("NIMBREL_SIM_DRIFT", "-86.4", 1);
    setenv("NIMBREL_SIM_START", "1700000000", 1);
    setenv("NIMBREL_SIM_SPEED", "0", 1);
    sim.reset(nullptr);
    for (const char* name : {"INTERVAL", "LOG_PHASE", "SENSOR_PHASE", "DRIFT", "START", "SPEED"})
        unsetenv((std::string("NIMBREL_SIM_") + name).c_str());
    begun = sim.now();
    const unsigned newest = sim.peekU16(0x1E);
    EXPECT_EQ(sim.peek(0x10, 1)[0], 7);
    EXPECT_EQ(minutes(), 6); // begun 420 - 30 s ago
    // A slow clock: 30 s on it are 30.03 s of simulated time, 90 s are 90.09 s.
    at(30.02);
    EXPECT_EQ(sim.peekU16(0x1E), newest);
    at(30.04);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 16);
    at(90.08);
    EXPECT_EQ(minutes(), 0);
    at(90.1);
    EXPECT_EQ(minutes(), 1);
}

TEST_F(SimTiming, AKeptStationKeepsItsMomentsAndItsPendingSettings) {
    ASSERT_TRUE(sim.setWallClock);
    sim.setWallClock(1800000000); // the same real moment for both runs: at speed 0 no time passes anyway
    TempDir dir;
    const std::string file = " state=" + (dir / "station.state").string();
    int h = start("log_phase=100" + file);
    const unsigned newest = sim.peekU16(0x1E);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x001A, 0xAA))); // saved, with its request pending

    // The next run asks for other phases; the kept station has its own.
    h = start("log_phase=200" + file);
    EXPECT_EQ(sim.peekU16(0x1E), newest);
    EXPECT_EQ(minutes(), 3);
    at(2.9);
    EXPECT_EQ(sim.peek(0x1A, 1)[0], 0xAA);
    at(3.1);
    EXPECT_EQ(sim.peek(0x1A, 1)[0], 0x00);
    at(99);
    EXPECT_EQ(sim.peekU16(0x1E), newest);
    at(100);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 16);
}

} // namespace
} // namespace nimbrel::testing
