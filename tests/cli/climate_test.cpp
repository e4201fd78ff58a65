// nimbrel-cli summary, records and report from the outside: the units of --settings, the language of
// the folder, the cache under XDG_CACHE_HOME, refused input.
#include "tests/support/cli_run.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>

namespace nimbrel {
namespace {

using testing::runShell;
using testing::TempDir;

std::string lineAt(const std::string& time, const std::string& temp, const std::string& wind) {
    return "   1, " + time + ", " + time + ",   5,     44,  20.0,   64, " + temp +
           ",   ---,   0.0,    1000.0,  1013.2, " + wind + ",    1,  2.0,    2,      8,      S,    2, \t\t37000,  3700.0,"
           "       0.5,     0.5,     0.0,     0.0,     0.0,      0.0,     ,   ,   ,   ,  0,  0,  0,  0,   000100\r\n";
}

// °F outdoors and km/h (as in the history tests' settings area).
const std::string kSettings = "55AA" + std::string(28, '0') + "05030284" + std::string(24, '0');

TEST(CliClimate, SummaryRecordsAndReportShowTheFolderInItsUnitsAndLanguage) {
    TempDir dir;
    dir.write("Nimbrel.dat", lineAt("2026-03-01 10:00:00", "10.0", "10.0") + lineAt("2026-03-01 11:00:00", "20.0", "0.0") +
                                 lineAt("2026-04-02 10:00:00", "-5.0", "---"));
    const std::string run = "XDG_CACHE_HOME=" + (dir / "cache").string() + " " + testing::cliProgram() + " ";
    const std::string in = " --dir " + dir.path().string() + " --settings " + kSettings;

    const auto months = runShell(run + "summary --by month --from 2026-03-15" + in);
    ASSERT_EQ(months.status, 0) << months.out;
    // The bound inside March still takes all of March; 59 °F and 36 km/h.
    const std::string header = "date\trecords\ttemp_mean\ttemp_high\ttemp_high_time\ttemp_low\ttemp_low_time\thdd\tcdd\t"
                               "hum_high\thum_low\tpres_high\tpres_low\tdew_high\tdew_low\tchill_low\train\t"
                               "hour_rain_max\thour_rain_max_time\twind_mean\twind_high\twind_high_time\tgust_high\t"
                               "gust_high_time\tgust_dir\twind_run\tdom_dir\train_day_max\train_day_max_date\n";
    EXPECT_EQ(months.out.substr(0, header.size()), header);
    EXPECT_NE(months.out.find("\n2026-03\t2\t59.0\t68.0\t2026-03-01\t50.0\t2026-03-01\t6.0\t0.0\t"), std::string::npos)
        << months.out;
    EXPECT_NE(months.out.find("\t36.0\t2026-03-01\t"), std::string::npos) << months.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "cache" / "nimbrel"));

    dir.write("Nimbrel.ini", "[config]\nlanguage=German\n");
    const auto records = runShell(run + "records --month 4" + in);
    ASSERT_EQ(records.status, 0) << records.out;
    EXPECT_NE(records.out.find("Höchste Temperatur: 23.0 °F (2026-04-02 10:00)\n"), std::string::npos) << records.out;

    const auto saved = runShell(run + "report --year 2026 --out " + (dir / "r.txt").string() + in);
    ASSERT_EQ(saved.status, 0) << saved.out;
    EXPECT_TRUE(dir.read("r.txt").starts_with("JÄHRLICHER KLIMABERICHT 2026\n")) << dir.read("r.txt");

    EXPECT_EQ(runShell(run + "report --month 2026-13" + in).status, 2);
    EXPECT_EQ(runShell(run + "summary --from 2026-3-1" + in).status, 2);
    EXPECT_EQ(runShell(run + "report --month 2026-03 --out " + (dir / "Nimbrel.dat").string() + in).status, 2);
    TempDir empty;
    EXPECT_EQ(runShell(run + "summary --settings " + kSettings + " --dir " + empty.path().string()).status, 1);
}

} // namespace
} // namespace nimbrel
