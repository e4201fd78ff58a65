// nimbrel-cli setup over the simulated station kept in a state file, as a user's station over
// several runs: the settings printed as the window shows them, a refused value changing nothing,
// and a save printing the bytes it changed.
#include "tests/support/cli_run.h"
#include "tests/support/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace nimbrel {
namespace {

using testing::CliRun;

class CliSetupCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(testing::cliProgram()) ||
            !std::filesystem::exists(std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so"))
            GTEST_SKIP() << "nimbrel-cli or the simulated station is not built";
        folder.write("Nimbrel.ini", "[communication]\nUsbLibrary=libnimbrel-sim.so\n");
    }
    CliRun setup(const std::string& arguments) {
        return testing::runShell("NIMBREL_SIM_SEED=1 NIMBREL_SIM_SPEED=0 NIMBREL_SIM_STATE=" + state().string() + " " +
                                     testing::cliProgram() + " setup --dir " + folder.path().string() + " " + arguments,
                                 folder / "stderr.txt");
    }
    std::filesystem::path state() const { return folder / "station.state"; }
    static bool says(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    testing::TempDir folder;
};

TEST_F(CliSetupCommand, PrintsRefusesAndSavesLikeTheWindow) {
    const CliRun shown = setup("");
    ASSERT_EQ(shown.status, 0) << shown.err;
    for (const char* line : {"Recording interval: 5 Minute\n", "Indoor temperature unit: °C\n",
                             "Pressure unit: Hpa\n", "Alarm enable Indoor Temperature High: off\n"})
        EXPECT_TRUE(says(shown.out, line)) << line << shown.out;
    EXPECT_TRUE(says(shown.out, "\nRelative pressure: ")) << shown.out;
    EXPECT_FALSE(says(shown.out, "Console date display")) << "no station byte keeps it";

    // The window's own prompt, exit 2, and not one write (the state file is written on a write).
    for (const char* refused : {"\"Recording interval=241\"", "Recording-Interval=4",
                                "pressure-unit=inHg \"relative pressure=32.484\"", "\"wind unit=furlongs\"",
                                "nosuchsetting=1", "\"Absolute pressure=1000\""}) {
        const CliRun run = setup(refused);
        EXPECT_EQ(run.status, 2) << refused << run.err;
        EXPECT_EQ(run.out, "") << refused;
    }
    EXPECT_TRUE(says(setup("recording_interval=241").err,
                     "nimbrel-cli: setup: Recording interval: Please enter an integer between 5 and 240.\n"));
    EXPECT_TRUE(says(setup("pressure-unit=inHg relativepressure=33").err,
                     "Please enter a number between 14.765 and 32.483."));
    EXPECT_FALSE(std::filesystem::exists(state())) << "a refused setup wrote to the station";

    // Interval, a unit and a box in one save.
    const CliRun saved = setup("recordinginterval=240 \"INDOOR TEMPERATURE UNIT=°f\" "
                               "\"alarm enable: indoor temperature high=on\"");
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_TRUE(says(saved.out, "0x0010: 05 -> F0\n")) << saved.out;
    EXPECT_TRUE(says(saved.out, "0x0011: 20 -> 21\n")) << saved.out;
    EXPECT_TRUE(says(saved.out, "0x001A: 00 -> AA\n")) << saved.out;
    // The indoor alarms in °F: 28.0 °C high (0x0118) is 82.4 °F (0x0338), 15.0 °C low is 59.0 °F.
    EXPECT_TRUE(says(saved.out, "0x0032: 18 -> 38\n0x0033: 01 -> 03\n0x0034: 96 -> 4E\n0x0035: 00 -> 02\n"))
        << saved.out;

    const CliRun after = setup("");
    EXPECT_TRUE(says(after.out, "Recording interval: 240 Minute\n")) << after.out;
    EXPECT_TRUE(says(after.out, "Indoor temperature unit: °F\n")) << after.out;
    EXPECT_TRUE(says(after.out, "Alarm enable Indoor Temperature High: on\n")) << after.out;

    // The bound the prompt prints is taken (the simulated station keeps its current pressures
    // itself, so only the unit is seen changing).
    const CliRun bound = setup("pressure-unit=inHg \"relative pressure=14.765\"");
    EXPECT_EQ(bound.status, 0) << bound.err;
    EXPECT_TRUE(says(bound.out, "0x0011: 21 -> 41\n")) << bound.out;
}

// With several assignments on one line, the message names the one that was refused: by the window's
// check when the save is asked for, or when the value is taken.
TEST_F(CliSetupCommand, NamesTheRefusedField) {
    const struct {
        const char* words;
        const char* err;
    } cases[] = {
        {"\"Recording interval=4\" \"Wind unit=knot\"",
         "nimbrel-cli: setup: Recording interval: Please enter an integer between 5 and 240.\n"},
        {"\"Recording interval=10\" \"Relative pressure=2000\"",
         "nimbrel-cli: setup: Relative pressure: Please enter a number between 300 and 1500.\n"},
        {"\"Pressure unit=inHg\" \"Wind unit=furlongs\"",
         "nimbrel-cli: setup: Wind unit: \"furlongs\" is none of m/s, km/h, knot, m/h, bft\n"},
        {"\"Recording interval=10\" \"Alarm enable Indoor Temperature High=maybe\"",
         "nimbrel-cli: setup: Alarm enable Indoor Temperature High: \"maybe\" is neither on nor off\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = setup(c.words);
        EXPECT_EQ(run.status, 2) << c.words;
        EXPECT_EQ(run.err, c.err) << c.words;
    }
    EXPECT_FALSE(std::filesystem::exists(state())) << "a refused setup wrote to the station";
}

} // namespace
} // namespace nimbrel
