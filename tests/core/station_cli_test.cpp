#include "tests/support/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace nimbrel {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

// Runs nimbrel-cli with its stderr folded into the output.
CliRun cli(const std::string& arguments) {
    const std::string program = std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli";
    CliRun run;
    FILE* pipe = popen((program + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

bool has(const std::string& text, const std::string& line) {
    return text.find(line + "\n") != std::string::npos;
}

class StationCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli"))
            GTEST_SKIP() << "nimbrel-cli is not built";
    }
};

TEST_F(StationCli, DumpOfTheTestImage) {
    testing::TempDir dir;
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=TRUE\n");
    CliRun run = cli("dump --dir " + dir.path().string());
    ASSERT_EQ(run.status, 0) << run.out;
    for (const char* line :
         {"initFlag1: 1", "initFlag2: 1", "historyCircle: 5", "presUnit: Hpa", "windUnit: km/h",
          "timeZone: +1", "historyRecords: 15", "historyStackAddr: 496 (0x01F0)",
          "[record 0 (newest) at 0x01F0]", "hexValue: 05 39 50 02 40 88 81 0A 27 34 C0 00 30 01 0A 04",
          "outTemp: -392", "[record 4 at 0x01B0]", "totalRainMaxTime: 2007-01-01 12:00"})
        EXPECT_TRUE(has(run.out, line)) << line;
}

TEST_F(StationCli, NoStationAndBadInput) {
    testing::TempDir dir;
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=yes\nUsbLibrary=libnothing-here.so\n");
    CliRun run = cli("dump --dir " + dir.path().string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("no station can be reached"), std::string::npos) << run.out;

    EXPECT_EQ(cli("decode-record 05 41 E3").status, 2);
    EXPECT_EQ(cli("decode-record 05G1E300000000000000000000000000").status, 2);
    EXPECT_EQ(cli("decode-minmax").status, 2);
    EXPECT_EQ(cli("dump --dir").status, 2);
    CliRun record = cli("decode-record 0541E3003C08016A2760CC0020942A02");
    EXPECT_EQ(record.status, 0);
    EXPECT_TRUE(has(record.out, "rain: 37930"));
    EXPECT_TRUE(record.out.ends_with("valid: true\n"));
    EXPECT_TRUE(cli("decode-record 0564E3003C08016A2760CC0020942A02").out.ends_with("valid: false\n"));
}

} // namespace
} // namespace nimbrel
