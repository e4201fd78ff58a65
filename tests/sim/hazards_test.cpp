// The simulated station's hazards: a hang when a frame comes too near one of its moments, torn reads, and
// the files through which a check outside sees and steers it.
#include "tests/sim/sim_library.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace nimbrel::testing {
namespace {

namespace fs = std::filesystem;

// Sensor messages 34 s after the start and every 48 s on (82, 130, 178, ...); logging moments at 150 s
// and every 300 s on.
const std::string kAtOne = "seed=3 start=1700000000 speed=1 hazards=on sensor_phase=34 log_phase=150 ";
const std::string kStill = "seed=3 start=1700000000 speed=0 ";
const SimReport kReadSettings = SimLibrary::frame('R', 0x00);

class SimHazards : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.loaded() && sim.lockUp && sim.power && sim.locked && sim.deviceKey);
        sim.setWallClock(1800000000); // no real time passes: only the test moves the clock
    }
    void TearDown() override {
        if (!sim.loaded()) return;
        sim.reset("speed=0"); // the last station adds its counts while the folder is there
        sim.setWallClock(-1);
    }
    // A read frame `seconds` after the start; whether its answer came.
    bool readAt(int handle, double seconds) {
        sim.advance(1700000000 + seconds - sim.now());
        return sim.readBlock(handle, 0).has_value();
    }
    int find() { return sim.findHandle(SimLibrary::kVid, SimLibrary::kPid); }
    std::string path(const char* name) { return (dir / name).string(); }

    SimLibrary sim;
    TempDir dir;
};

TEST_F(SimHazards, AFrameWithinTheMarginOfASensorMessageOrALoggingMomentHangsTheStation) {
    const struct {
        const char* settings;
        double at;
        bool hangs;
    } cases[] = {// clang-format off
        {"", 32.5, true}, {"", 32.499, false}, {"", 35.5, true}, {"", 151.5, true}, {"", 151.501, false},
        // A clock 864 s a day fast reaches its logging moment, 202 s on it, at 200 s.
        {"drift=864 log_phase=202", 198.6, true}, {"drift=864 log_phase=202", 203.4, false},
        {"lockup_after=32.5", 32.5, true}, {"lockup_after=32.501", 32.5, false},
        {"lockup_chance=0", 34, false}, {"speed=2", 34, false}, {"hazards=off", 34, false}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + " at " + std::to_string(c.at));
        const int handle = sim.start((kAtOne + c.settings).c_str());
        EXPECT_EQ(readAt(handle, c.at), !c.hangs);
        EXPECT_EQ(sim.locked(), c.hangs ? 1 : 0);
    }
}

TEST_F(SimHazards, EveryProgramAddsWhatItMetToTheStatsFileAndTheEnvironmentNamesEverySetting) {
    dir.write("stats", "lockups=5\nframes=100\n");
    const std::pair<const char*, std::string> environment[] = {
        {"NIMBREL_SIM_HAZARDS", "on"},        {"NIMBREL_SIM_START", "1700000000"},
        {"NIMBREL_SIM_SENSOR_PHASE", "34"},   {"NIMBREL_SIM_LOCKUP_MARGIN", "3"},
        {"NIMBREL_SIM_LOCKUP_AFTER", "100"},  {"NIMBREL_SIM_LOCKUP_CHANCE", "0"},
        {"NIMBREL_SIM_STATS", path("stats")}, {"NIMBREL_SIM_CONTROL", path("control")}};
    for (const auto& [name, value] : environment) setenv(name, value.c_str(), 1);
    sim.reset(nullptr);
    for (const auto& [name, value] : environment) unsetenv(name);
    const int handle = find();
    EXPECT_TRUE(readAt(handle, 31));  // 3 s before a message, but still learning
    EXPECT_TRUE(readAt(handle, 60));  // outside every margin
    EXPECT_TRUE(readAt(handle, 127)); // inside one, but not hung at a chance of 0
    dir.write("control", "lockup\n");
    EXPECT_FALSE(readAt(handle, 140)); // to a hung station
    sim.reset("speed=0");              // the program ends
    EXPECT_EQ(dir.read("stats"),
              "lockups=5\nframes_in_margin=1\nframes_in_margin_learning=1\nframes_locked=1\n"
              "torn_reads=0\nframes=104\n");
    EXPECT_FALSE(readAt(sim.start((kAtOne + "stats=" + path("stats")).c_str()), 34)); // the next program
    sim.reset("speed=0");
    EXPECT_EQ(dir.read("stats"),
              "lockups=6\nframes_in_margin=2\nframes_in_margin_learning=1\nframes_locked=1\n"
              "torn_reads=0\nframes=105\n");
}

TEST_F(SimHazards, AHungStationKeepsItsHandleAndLogsButAnswersNothingUntilItsPowerIsRestored) {
    const int handle = sim.start((kStill + "log_phase=150 control=" + path("control")).c_str());
    const unsigned newest = sim.peekU16(0x1E);
    dir.write("control", "lockup\n");
    EXPECT_TRUE(sim.send(handle, kReadSettings));
    EXPECT_TRUE(sim.drain(handle).empty());
    EXPECT_TRUE(fs::is_empty(dir.path())); // the control file is read and removed
    EXPECT_TRUE(sim.checkHandle(handle));
    sim.advance(150);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 16);

    dir.write("control", "power\n");
    EXPECT_FALSE(sim.send(handle, kReadSettings)); // the handle went with the power
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_FALSE(sim.checkHandle(handle));
    const int again = find();
    EXPECT_TRUE(sim.readBlock(again, 0x00)); // and the line is not acted on twice
    EXPECT_EQ(sim.peekU16(0x1E), newest + 16);
    sim.send(again, kReadSettings); // asked before the power went: never answered
    sim.power();
    EXPECT_TRUE(sim.drain(find()).empty());
}

TEST_F(SimHazards, AReadOfTheCurrentRecordThatSpansASensorMessageMixesOldAndNewBytes) {
    const int handle = sim.start((kStill + "hazards=on sensor_phase=34 stats=" + path("stats")).c_str());
    const unsigned current = sim.peekU16(0x1E);
    const auto before = sim.peek(current, 16);
    ASSERT_TRUE(sim.send(handle, SimLibrary::frame('R', current)));
    SimReport first{};
    ASSERT_TRUE(sim.readData(handle, first.data()));
    sim.advance(34);
    const auto after = sim.peek(current, 16);
    ASSERT_FALSE(std::equal(before.begin() + 8, before.end(), after.begin() + 8));
    const auto rest = sim.drain(handle);
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), before.begin()));
    EXPECT_TRUE(std::equal(rest[0].begin(), rest[0].end(), after.begin() + 8));
    sim.send(handle, kReadSettings); // over the next message too, but not counted: no record in it
    sim.readData(handle, first.data());
    sim.advance(48);
    sim.drain(handle);
    sim.reset("speed=0");
    EXPECT_NE(dir.read("stats").find("\ntorn_reads=1\n"), std::string::npos) << dir.read("stats");
}

TEST_F(SimHazards, AHangAndARestoredPowerReachEveryProgramOnTheStation) {
    const std::string settings = kStill + "hazards=on state=" + path("station.state");
    const int handle = sim.start(settings.c_str());
    EXPECT_TRUE(fs::exists(dir / "station.state")); // kept from the start
    const auto otherProgram = [&](void (*act)()) {
        if (fork() == 0) {
            sim.start(settings.c_str());
            act();
            _exit(0);
        }
        int status = 1;
        wait(&status);
        ASSERT_EQ(status, 0);
    };
    otherProgram(sim.lockUp);
    EXPECT_TRUE(sim.send(handle, kReadSettings));
    EXPECT_TRUE(sim.drain(handle).empty());
    otherProgram(sim.power);
    EXPECT_FALSE(sim.send(handle, kReadSettings)); // the handle went with the power
    EXPECT_TRUE(sim.readBlock(find(), 0));
}

TEST_F(SimHazards, TheDeviceKeyNamesTheStateFileOrTheSeed) {
    EXPECT_STREQ(sim.deviceKey(sim.start("seed=7 speed=0")), "sim-seed:7");
    const std::string kept = sim.deviceKey(sim.start("seed=7 speed=0 state=kept/../station.state"));
    EXPECT_EQ(kept, "sim-state:" + (fs::current_path() / "station.state").string());
}

} // namespace
} // namespace nimbrel::testing
