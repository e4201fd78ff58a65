// nimbrel-cli history and export from the outside: units from --settings, refused input, failed writes.
#include "tests/support/cli_run.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>

namespace nimbrel {
namespace {

using testing::runShell;
using testing::TempDir;

const std::string kCli = std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli";

// Two stored lines (base units) saved a minute apart.
const std::string kStore =
    "   1, 2026-03-01 13:05:00, 2026-03-01 13:04:00,   5,     44,  20.0,   64, -10.0,   ---,   0.0,"
    "    1000.0,  1013.2,   10.0,    5,  0.0,    0,      8,      S,    2, \t\t37000,  3700.0,"
    "       0.3,    25.4,     1.0,     ---,     0.0,     12.7,     ,   ,   ,   ,  1,  0,  0,  1,   000100\r\n"
    "   2, 2026-03-01 13:06:00, 2026-03-01 13:05:00,   5,     45,  21.0,   64, -10.0,   ---,   0.0,"
    "    1000.0,  1013.2,   10.0,    5,  0.0,    0,      8,      S,    2, \t\t37000,  3700.0,"
    "       0.3,    25.4,     1.0,     ---,     0.0,     12.7,     ,   ,   ,   ,  1,  0,  0,  1,   000100\r\n";

// The settings area with both temperatures in °F (0x11 bits 0 and 1), wind in km/h (0x12 bit 1),
// dates day-month-year (0x13 bit 7) and the 12-hour clock (0x13 bit 2).
const std::string kSettings = "55AA" + std::string(28, '0') + "05030284" + std::string(24, '0');

std::string inFolder(const TempDir& dir, const std::string& words) {
    return kCli + " " + words + " --dir " + dir.path().string() + " --settings " + kSettings;
}

TEST(CliHistory, RowsAndExportUseTheGivenSettingsAndTheRange) {
    TempDir dir;
    dir.write("Nimbrel.dat", kStore);
    const auto rows = runShell(inFolder(dir, "history --from '2026-03-01 13:06:00'"));
    ASSERT_EQ(rows.status, 0) << rows.out;
    const std::string row = "1\t01-03-2026 01:05PM\t5\t45\t69.8\t64\t14.0\t1000.0\t36.0\t0.0\tS\t";
    EXPECT_EQ(rows.out.substr(0, row.size()), row);
    EXPECT_EQ(rows.out.find('\n'), rows.out.size() - 1); // one row only

    const auto exported =
        runShell(inFolder(dir, "export --columns 5,1 --separator '; ' --header --out " + (dir / "e.xls").string()));
    ASSERT_EQ(exported.status, 0) << exported.out;
    EXPECT_EQ(dir.read("e.xls"), "Indoor Temperature(°F); No\r\n68.0; 1\r\n69.8; 2\r\n");
}

TEST(CliHistory, RefusedInputWritesNothingAndAFailedWriteKeepsTheOldFile) {
    TempDir dir;
    dir.write("Nimbrel.dat", kStore);
    const std::string out = " --out " + (dir / "e.txt").string();

    const auto inverted =
        runShell(inFolder(dir, "export --from '2026-03-01 13:06:01' --to '2026-03-01 13:06:00'" + out));
    EXPECT_EQ(inverted.status, 2);
    EXPECT_NE(inverted.out.find("End time earlier than start time!"), std::string::npos) << inverted.out;
    EXPECT_EQ(runShell(inFolder(dir, "export --from 2026-03-01" + out)).status, 2);
    EXPECT_EQ(runShell(inFolder(dir, "export --columns 36" + out)).status, 2);
    EXPECT_EQ(runShell(inFolder(dir, "export --out " + (dir / "Nimbrel.dat").string())).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "e.txt"));
    EXPECT_EQ(dir.read("Nimbrel.dat"), kStore);

    // The folder of the target is a file: nothing can be written there.
    dir.write("plain", "x");
    EXPECT_EQ(runShell(inFolder(dir, "export --out " + (dir / "plain" / "e.txt").string())).status, 1);
    // No history file at all is a failed read, not an empty history.
    TempDir empty;
    EXPECT_EQ(runShell(kCli + " history --settings " + kSettings + " --dir " + empty.path().string()).status, 1);
}

} // namespace
} // namespace nimbrel
