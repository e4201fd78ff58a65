// The simulated station kept in a state file: one station across program runs, as a user's would be.
#include "station/history_record.h"
#include "tests/sim/sim_library.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <span>
#include <string>

namespace nimbrel::testing {
namespace {

namespace fs = std::filesystem;

// The station's start; its logging moments fall where its seed puts them.
constexpr double kStart = 1700000250;
constexpr double kWall = 1800000000; // the real clock of the first run

class SimState : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.loaded() && sim.setWallClock) << "libnimbrel-sim.so not found in " NIMBREL_BIN_DIR;
        sim.setWallClock(kWall);
    }
    void TearDown() override {
        if (sim.setWallClock) sim.setWallClock(-1);
    }

    // A program run: a new station from settings that keep it in `file`, found as the program finds it.
    int run(const std::string& settings, const fs::path& file) {
        return sim.start((settings + " state=" + file.string()).c_str());
    }
    std::uint8_t byteAt(unsigned address) { return sim.peek(address, 1)[0]; }
    std::set<std::string> namesIn(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    SimLibrary sim;
    TempDir dir;
};

TEST_F(SimState, WritesAreKeptAndTheStationGoesOnWithTheSameStory) {
    const fs::path file = dir / "station.state";
    int handle = run("seed=5 start=1700000250 speed=0", file);
    ASSERT_GT(handle, 0);
    EXPECT_FALSE(fs::exists(file)); // nothing written, nothing kept

    // A settings byte (wind unit km/h -> m/s) and a block of alarm thresholds, through the protocol.
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x01)));
    SimBlock thresholds{};
    for (int i = 0; i < 32; ++i) thresholds[i] = static_cast<std::uint8_t>(0x90 + i);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeBlock(handle, 0x40, thresholds)));
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"station.state"});
    const auto saved = sim.peek(0, 0x10000);
    sim.advance(3000); // ten records on, not saved: no write came
    const auto tenRecordsOn = sim.peek(0, 0x10000);
    ASSERT_NE(tenRecordsOn, saved);

    // The next run, whatever seed and start it names, meets the kept station as it was saved...
    handle = run("seed=9 start=1600000000 speed=0", file);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(sim.now(), kStart);
    auto settingsBlock = sim.readBlock(handle, 0x00);
    ASSERT_TRUE(settingsBlock);
    EXPECT_EQ((*settingsBlock)[0x12], 0x01);
    EXPECT_EQ(sim.readBlock(handle, 0x40), thresholds);
    EXPECT_TRUE(sim.peek(0, 0x10000) == saved);
    // ...and its weather goes on exactly as the first run's did.
    sim.advance(3000);
    EXPECT_TRUE(sim.peek(0, 0x10000) == tenRecordsOn);

    // The environment names the file too.
    setenv("NIMBREL_SIM_STATE", file.c_str(), 1);
    setenv("NIMBREL_SIM_SPEED", "0", 1);
    sim.reset(nullptr);
    unsetenv("NIMBREL_SIM_STATE");
    unsetenv("NIMBREL_SIM_SPEED");
    EXPECT_GT(sim.findHandle(SimLibrary::kVid, SimLibrary::kPid), 0);
    EXPECT_EQ(sim.now(), kStart);
    EXPECT_EQ(byteAt(0x12), 0x01);
}

TEST_F(SimState, TimeGoesOnAtItsSpeedWhileNoProgramRuns) {
    const fs::path file = dir / "station.state";
    int handle = run("seed=5 start=1700000250 speed=60", file);
    const unsigned newest = sim.peekU16(0x1E);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x01)));

    // 100 real seconds later at speed 60: 6,000 simulated seconds, so 20 five-minute records fell due.
    sim.setWallClock(kWall + 100);
    handle = run("seed=5 start=1700000250 speed=60", file);
    ASSERT_GT(handle, 0);
    EXPECT_GE(sim.now(), kStart + 6000);
    EXPECT_LT(sim.now(), kStart + 6000 + 60); // the moments the test itself took
    EXPECT_EQ(sim.peekU16(0x1E), newest + 20 * 16);
    EXPECT_EQ(sim.peekU16(0x1B), 4079u);
    EXPECT_EQ(byteAt(0x12), 0x01);
    for (unsigned k = 0; k < 20; ++k) {
        auto bytes = sim.peek(newest + 16 * k, 16);
        WeatherSample record;
        EXPECT_TRUE(decodeRecord(std::span<const std::uint8_t, 16>(bytes.data(), 16), record)) << k;
        EXPECT_EQ(record.text(WeatherSample::sampleCircle), "5") << k;
    }

    // A real clock set back gives the station no time, and takes none from it.
    const double beforeSave = sim.now();
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x02)));
    sim.setWallClock(kWall - 100000);
    run("seed=5 start=1700000250 speed=60", file);
    EXPECT_GE(sim.now(), beforeSave);
    EXPECT_LT(sim.now(), beforeSave + 60);

    // At speed 0 the station stands still however long it was left.
    const fs::path still = dir / "still.state";
    handle = run("seed=5 start=1700000250 speed=0", still);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x01)));
    sim.setWallClock(kWall + 86400 * 365);
    run("seed=5 start=1700000250 speed=0", still);
    EXPECT_EQ(sim.now(), kStart);
    EXPECT_EQ(sim.peekU16(0x1E), newest);
}

TEST_F(SimState, ADamagedShortOrForeignFileGivesAFreshStation) {
    const fs::path file = dir / "station.state";
    int handle = run("seed=5 start=1700000250 speed=0", file);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x01)));
    const std::string good = dir.read("station.state");
    ASSERT_GT(good.size(), 0x10000u);

    std::string flippedInMemory = good, flippedInVersion = good;
    flippedInMemory[good.size() - 1000] ^= 0x01;
    flippedInVersion[16] ^= 0x01;
    const std::pair<const char*, std::string> damaged[] = {
        {"one byte short", good.substr(0, good.size() - 1)},
        {"one byte more", good + '\0'},
        {"a bit flipped in the memory", flippedInMemory},
        {"a bit flipped in the version", flippedInVersion},
        {"empty", ""},
        {"a settings text", "seed=5 start=1700000250 speed=0\n"},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        dir.write("station.state", bytes);
        handle = run("seed=5 start=1600000000 speed=0", file);
        ASSERT_GT(handle, 0);
        EXPECT_EQ(sim.now(), 1600000000.0); // a fresh station from the settings
        auto settingsBlock = sim.readBlock(handle, 0x00);
        ASSERT_TRUE(settingsBlock);
        EXPECT_EQ((*settingsBlock)[0x12], 0x02); // the owner's km/h

        // Its next write replaces the damaged file by one that loads.
        ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x04)));
        run("seed=5 start=1700000250 speed=0", file);
        EXPECT_EQ(sim.now(), 1600000000.0);
        EXPECT_EQ(byteAt(0x12), 0x04);
    }

    // The undamaged file loads: the cases above differ from it only in their damage.
    dir.write("station.state", good);
    run("seed=5 start=1600000000 speed=0", file);
    EXPECT_EQ(sim.now(), kStart);
    EXPECT_EQ(byteAt(0x12), 0x01);
}

TEST_F(SimState, ASaveThatFailsLeavesNoPartFileAndTheStationWorking) {
    // The file cannot be made where it is named: a folder stands there, or its folder is missing.
    fs::create_directory(dir / "taken");
    for (const fs::path& file : {dir / "taken", dir / "missing" / "station.state"}) {
        SCOPED_TRACE(file.string());
        const int handle = run("seed=5 start=1700000250 speed=0", file);
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x01)));
        EXPECT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x13, 0x00)));
        const std::string told = ::testing::internal::GetCapturedStderr();
        auto settingsBlock = sim.readBlock(handle, 0x00);
        ASSERT_TRUE(settingsBlock);
        EXPECT_EQ((*settingsBlock)[0x12], 0x01);
        EXPECT_EQ((*settingsBlock)[0x13], 0x00);
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"taken"});
        EXPECT_TRUE(fs::is_directory(dir / "taken"));
        // Said once, naming the file.
        EXPECT_NE(told.find(file.string()), std::string::npos) << told;
        EXPECT_EQ(told.find('\n'), told.size() - 1) << told;
    }

    // The disk fills in the middle of a save: the file saved before stays whole and no part is left.
    const fs::path file = dir / "station.state";
    const int handle = run("seed=5 start=1700000250 speed=0", file);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x01)));
    const std::string before = dir.read("station.state");
    {
        FileSizeLimit full(4096);
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x03)));
        ::testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(byteAt(0x12), 0x03);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"station.state", "taken"}));
    EXPECT_TRUE(dir.read("station.state") == before);
    run("seed=5 start=1700000250 speed=0", file);
    EXPECT_EQ(byteAt(0x12), 0x01);
}

TEST_F(SimState, TheStationThatAnotherProgramSavedIsTakenAtTheNextFindOrCommand) {
    const fs::path file = dir / "station.state";
    const int handle = run("seed=5 start=1700000250 speed=0", file);
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x01)));
    fs::copy_file(file, dir / "first.state");
    fs::copy_file(file, dir / "second.state");
    ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(handle, 0x12, 0x04)));

    // Nobody else saved: finds and commands keep the station as this program has it (a poke is not saved).
    const unsigned char poked = 0x08;
    sim.pokeRaw(0x12, &poked, 1);
    EXPECT_EQ(sim.findHandle(SimLibrary::kVid, SimLibrary::kPid), handle);
    auto settingsBlock = sim.readBlock(handle, 0x00);
    ASSERT_TRUE(settingsBlock);
    EXPECT_EQ((*settingsBlock)[0x12], 0x08);

    // Another program saved its station: the next command frame reads that one...
    fs::rename(dir / "first.state", file);
    settingsBlock = sim.readBlock(handle, 0x00);
    ASSERT_TRUE(settingsBlock);
    EXPECT_EQ((*settingsBlock)[0x12], 0x01);
    // ...and so does the next find.
    sim.pokeRaw(0x12, &poked, 1);
    fs::rename(dir / "second.state", file);
    EXPECT_EQ(sim.findHandle(SimLibrary::kVid, SimLibrary::kPid), handle);
    EXPECT_EQ(byteAt(0x12), 0x01);
}

} // namespace
} // namespace nimbrel::testing
