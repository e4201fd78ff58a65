// nimbrel-cli alarms over one simulated station kept in a file across runs: the boxes shown, refused
// values writing nothing, and a change read back by the next run.
#include "tests/support/text_lines.h"
#include "tests/support/cli_run.h"
#include "tests/support/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace nimbrel {
namespace {

using testing::contains;

using testing::CliRun;

CliRun alarms(const testing::TempDir& folder, const std::string& arguments) {
    return testing::runShell("NIMBREL_SIM_SPEED=0 NIMBREL_SIM_STATE=" + (folder / "station.state").string() + " " +
                                 NIMBREL_BIN_DIR + "/nimbrel-cli alarms --dir " + folder.path().string() + " " +
                                 arguments,
                             folder / "stderr.txt");
}

class CliAlarms : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli") ||
            !std::filesystem::exists(std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so"))
            GTEST_SKIP() << "nimbrel-cli or the simulated station is not built";
        folder.write("Nimbrel.ini", "[communication]\nUsbLibrary=libnimbrel-sim.so\n");
    }
    bool stationWritten() const { return std::filesystem::exists(folder / "station.state"); }

    testing::TempDir folder;
};

TEST_F(CliAlarms, ShowsEveryBoxWithItsUnit) {
    const CliRun run = alarms(folder, "");
    ASSERT_EQ(run.status, 0) << run.err;
    int lines = 0;
    for (char c : run.out) lines += c == '\n';
    EXPECT_EQ(lines, 25);
    for (const char* line : {"\nIndoor Humidity High: ", "\nOutdoor Temperature Low: ", "\nRelative Pressure High: ",
                             "\nRain High 24 Hour: ", "\nWind Direct: "})
        EXPECT_TRUE(contains(run.out, line)) << line;
    EXPECT_TRUE(run.out.starts_with("Time Hour: "));
    EXPECT_TRUE(contains(run.out, " bft\nGust High: "));
    EXPECT_TRUE(contains(run.out, " %\nIndoor Humidity Low: "));
    EXPECT_FALSE(stationWritten());
}

TEST_F(CliAlarms, RefusedInputWritesNothing) {
    CliRun run = alarms(folder, "'Indoor Humidity High=100'");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.err, "Indoor Humidity High: Please enter an integer between 1 and 99.")) << run.err;
    run = alarms(folder, "time-minute=60");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.err, "Please enter an integer between 0 and 59.")) << run.err;
    run = alarms(folder, "'Wind Direct=NNE'");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.err, "\"NNE\" is not a direction")) << run.err;
    EXPECT_EQ(alarms(folder, "'Indoor Humidity=50'").status, 2);
    EXPECT_EQ(alarms(folder, "'Dewpoint Low=cold'").status, 2);
    EXPECT_FALSE(stationWritten());
}

TEST_F(CliAlarms, AChangeIsWrittenLinkedAndSeenByTheNextRun) {
    const CliRun changed = alarms(folder, "'indoor humidity high = 70' WINDHIGH=5.4 'wind direct=sw'");
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_TRUE(contains(changed.out, "0x0030: ")) << changed.out;
    EXPECT_TRUE(contains(changed.out, " -> 46\n")) << changed.out; // 70
    EXPECT_TRUE(stationWritten());

    const CliRun shown = alarms(folder, "");
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_TRUE(contains(shown.out, "Indoor Humidity High: 70 %\n")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "Wind Direct: SW\n")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "Wind High: 5.4 ")) << shown.out;

    // A level given with the speed is kept as given.
    ASSERT_EQ(alarms(folder, "'Gust High=5.4' 'Gust Level=7'").status, 0);
    EXPECT_TRUE(contains(alarms(folder, "").out, "Gust Level: 7 bft\n"));

    // Nothing changed: nothing printed.
    const CliRun again = alarms(folder, "'Indoor Humidity High=70'");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_FALSE(contains(again.out, "0x0030")) << again.out;
}

} // namespace
} // namespace nimbrel
