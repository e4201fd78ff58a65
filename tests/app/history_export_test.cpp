// The history grid's cells and titles, the search range, and the export file with its faults.
#include "app/history_columns.h"
#include "app/history_export.h"
#include "app/history_search.h"
#include "app/language_table.h"
#include "presentation/history_row.h"
#include "store/history_line.h"
#include "store/history_store.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace nimbrel {
namespace {

using testing::TempDir;

// Three stored lines as the store writes them (base units), the second with no outdoor reading.
const std::string kLine1 =
    "   7, 2026-03-01 13:05:00, 2026-03-01 13:04:00,   5,     44,  20.0,   64, -10.0,   ---,   0.0,"
    "    1000.0,  1013.2,   10.0,    5,  0.0,    0,      8,      S,    2, \t\t37000,  3700.0,"
    "       0.3,    25.4,     1.0,     ---,     0.0,     12.7,     ,   ,   ,   ,  1,  0,  0,  1,   000100\r\n";
const std::string kLine2 =
    "   8, 2026-03-01 13:10:00, 2026-03-01 13:09:00,   5,     45,  20.5,  ---,   ---,   ---,   ---,"
    "    1000.1,  1013.3,   ---,  ---,  ---,  ---,    ---,    ---,  ---, \t\t37000,  3700.0,"
    "       0.0,     0.0,     0.0,     0.0,     0.0,      0.0,     ,   ,   ,   ,  0,  0,  0,  0,   000110\r\n";
const std::string kLine3 =
    "   9, 2026-03-01 13:15:00, 2026-03-01 13:14:00,   5,     46,  21.0,   60,   5.0,   1.0,   5.0,"
    "    1000.2,  1013.4,    1.0,    1,  2.0,    2,      0,      N,    3, \t\t37001,  3700.1,"
    "       0.1,     0.1,     0.1,     0.1,     0.1,      0.1,     ,   ,   ,   ,  0,  0,  0,  0,   000120\r\n";

UnitSelection imperial() {
    UnitSelection u;
    u.indoorTemperature = "°F";
    u.outdoorTemperature = "°F";
    u.pressure = "inHg";
    u.wind = "knot";
    u.rain = "inch";
    u.dateFormat = 2;
    u.timeFormat = 1;
    return u;
}

TEST(HistoryGrid, ARowShowsEveryColumnInTheUsersUnitsTheRainCounterAndIncrementToo) {
    const WeatherSample record = parseHistoryLine(kLine1.substr(0, kLine1.size() - 2));
    HistoryRowBuilder builder(imperial());
    std::array<std::string, kHistoryGridColumns> cells;
    builder.cells(cells, record, 41);
    const std::array<std::string, kHistoryGridColumns> expected = {
        "42",    "01-03-2026 01:04PM", "5",    "44",   "68.0",   "64",    "14.0", "29.53", "19.4",
        "0.0",   "S",                  "29.92", "---", "32.0",   "1.00",  "0.04", "---",   "0.00",
        "0.50",  "5",                  "0",     "8",   "2",      "37000", "145.67", "0.01", "",
        "",      "",                   "",      "1",   "0",      "0",     "1",    "2026-03-01 13:05:00"};
    EXPECT_EQ(cells, expected);

    std::string out = "kept?";
    builder.cell(out, -1, record, 0);
    EXPECT_EQ(out, "");
    builder.cell(out, kHistoryGridColumns, record, 0);
    EXPECT_EQ(out, "");
}

TEST(HistoryGrid, TitlesCarryTheUnitsAndTheLanguagesNamesWholeDashesAndAll) {
    const auto english = historyColumnTitles(LanguageTable(0), imperial());
    EXPECT_EQ(english[0], "No");
    EXPECT_EQ(english[1], "Time");
    EXPECT_EQ(english[2], "Interval(mi)");
    EXPECT_EQ(english[4], "Indoor Temperature(°F)");
    EXPECT_EQ(english[7], "Absolute Pressure(inHg)");
    EXPECT_EQ(english[9], "Gust(knot)");
    EXPECT_EQ(english[19], "Wind Level(bft)");
    EXPECT_EQ(english[23], "Rain(Hz)");
    EXPECT_EQ(english[24], "Rain(inch)");
    EXPECT_EQ(english[25], "Increment(inch)");
    EXPECT_EQ(english[33], "flag8");
    EXPECT_EQ(english[34], "saveTime");

    const auto german = historyColumnTitles(LanguageTable(1), UnitSelection{});
    EXPECT_EQ(german[3], "Innen-Luftfeuchte(%)");
    const std::vector<ExportItem> items = exportItems(german, kHistoryColumnWidths);
    ASSERT_EQ(items.size(), 22u); // the 21 shown columns from No, and condition
    EXPECT_EQ(items[3].text, "4.Innen-Luftfeuchte(%)");
    EXPECT_EQ(items[4].text, "5.Innen-Temperatur(°C)");
    EXPECT_EQ(items.back().text, "23.condition");
    EXPECT_EQ(items.back().column, 22);
}

TEST(HistoryExport, TheListOffersTheColumnsOpenAtTheGridsPresentWidths) {
    HistoryTitles titles;
    for (int c = 0; c < kHistoryGridColumns; ++c)
        titles[static_cast<std::size_t>(c)] = "t" + std::to_string(c + 1);
    HistoryWidths widths{}; // every column closed but these
    widths[0] = 40;
    widths[3] = 1;  // one pixel open: offered
    widths[21] = 0; // closed: not offered
    widths[23] = 300;
    const std::vector<ExportItem> items = exportItems(titles, widths);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "1.t1");
    EXPECT_EQ(items[1].text, "4.t4");
    EXPECT_EQ(items[2].text, "24.t24");
    EXPECT_EQ(items[2].column, 23);
    EXPECT_TRUE(items[2].selected);
}

TEST(HistorySearch, AnInvertedRangeIsRefusedAndTheKeptRangeStays) {
    HistoryRange range;
    EXPECT_TRUE(range.accept("2026-03-01 13:05:00", "2026-03-01 13:05:00")); // the same second
    EXPECT_FALSE(range.accept("2026-03-01 13:05:01", "2026-03-01 13:05:00")); // one second inverted
    EXPECT_EQ(range.from(), "2026-03-01 13:05:00");
    EXPECT_EQ(range.to(), "2026-03-01 13:05:00");

    EXPECT_EQ(periodSeconds(0), 3600);
    EXPECT_EQ(periodSeconds(3), 2592000);
    EXPECT_EQ(periodSeconds(4), 3600); // user defined

    EXPECT_TRUE(isRangeStamp("2026-03-01 13:05:00"));
    EXPECT_FALSE(isRangeStamp("2026-03-01 13:05"));
    EXPECT_FALSE(isRangeStamp("2026-03-01T13:05:00"));
    EXPECT_FALSE(isRangeStamp("2026-03-01 13:05:0x"));
}

TEST(HistoryExport, TheSeparatorIsDataAndColumnNumbersAreChecked) {
    EXPECT_EQ(separatorFromText("TAB"), "\t");
    EXPECT_EQ(separatorFromText("TABTAB"), "\t\t");
    EXPECT_EQ(separatorFromText("BLANK"), " ");
    EXPECT_EQ(separatorFromText("x"), "x");
    EXPECT_EQ(separatorFromText(""), "");
    EXPECT_EQ(separatorFromText("%s%n"), "%s%n");

    std::string error;
    EXPECT_EQ(parseExportColumns("4,3,1", error), (std::vector<int>{3, 2, 0}));
    EXPECT_EQ(parseExportColumns("35", error), (std::vector<int>{34}));
    for (const char* refused : {"0", "36", "", "3,", "a", "-1", "2 "}) {
        EXPECT_FALSE(parseExportColumns(refused, error)) << refused;
        EXPECT_FALSE(error.empty());
    }
}

struct ExportFixture {
    TempDir dir;
    std::string store = (dir / "Nimbrel.dat").string();
    HistoryTitles titles = historyColumnTitles(LanguageTable(0), UnitSelection{});
    RecordRange rows;

    explicit ExportFixture(const std::string& lines = kLine1 + kLine2 + kLine3) {
        dir.write("Nimbrel.dat", lines);
        rows = HistoryStore(store).findRecordsInRange("", "~");
    }
    ExportResult run(const std::string& target, ExportChoice choice) {
        ExportJob job;
        job.rows = &rows;
        job.titles = &titles;
        job.choice = std::move(choice);
        job.target = target;
        job.protectedFiles = {store};
        return exportHistory(job);
    }
};

TEST(HistoryExport, ChosenColumnsInTheirOrderWithHeaderAndCrLf) {
    ExportFixture f;
    const ExportResult result = f.run((f.dir / "out.txt").string(), {{0, 3, 2, 10}, ";", true});
    EXPECT_EQ(result.status, ExportStatus::written);
    EXPECT_EQ(result.rows, 3u);
    EXPECT_EQ(f.dir.read("out.txt"), "No;Indoor Humidity(%);Interval(mi);Direction\r\n"
                                     "1;44;5;S\r\n"
                                     "2;45;5;---\r\n"
                                     "3;46;5;N\r\n");

    // The dialog's default: 22 columns joined by a tab, no header.
    ASSERT_EQ(f.run((f.dir / "all.txt").string(), defaultExportChoice()).status, ExportStatus::written);
    const std::string first = "1\t2026-03-01 13:04\t5\t44\t20.0\t64\t-10.0\t1000.0\t10.0\t0.0\tS\t1013.2\t---\t0.0\t"
                              "25.4\t1.0\t---\t0.0\t12.7\t5\t0\t2\r\n";
    EXPECT_EQ(f.dir.read("all.txt").substr(0, first.size()), first);
}

// Rows are formatted in pieces of 8192 on two threads: exactly one piece, and three pieces and one row
// more, come out whole and in order.
TEST(HistoryExport, ManyRowsComeOutInTheirOrder) {
    for (const std::size_t rows : {std::size_t{8192}, std::size_t{3 * 8192 + 1}}) {
        std::string lines, expected;
        for (std::size_t i = 1; i <= rows; ++i) {
            lines += kLine1;
            expected += std::to_string(i) + "\r\n";
        }
        ExportFixture f(lines);
        const ExportResult result = f.run((f.dir / "out.txt").string(), {{0}, ";", false});
        EXPECT_EQ(result.status, ExportStatus::written) << rows;
        EXPECT_EQ(result.rows, rows);
        EXPECT_TRUE(f.dir.read("out.txt") == expected) << rows;
    }
}

TEST(HistoryExport, AnEmptyGridGivesTheHeaderAloneOrNothing) {
    ExportFixture f("");
    ASSERT_EQ(f.run((f.dir / "h.txt").string(), {{3, 0}, "BLANK", true}).status, ExportStatus::written);
    EXPECT_EQ(f.dir.read("h.txt"), "Indoor Humidity(%)BLANKNo\r\n"); // the keyword is the dialog's to replace
    ASSERT_EQ(f.run((f.dir / "e.txt").string(), {{3, 0}, " ", false}).status, ExportStatus::written);
    EXPECT_TRUE(std::filesystem::exists(f.dir / "e.txt"));
    EXPECT_EQ(f.dir.read("e.txt"), "");
}

TEST(HistoryExport, OwnFilesAreRefusedByIdentityNotByName) {
    ExportFixture f;
    std::filesystem::create_hard_link(f.store, f.dir / "alias.dat");
    EXPECT_EQ(f.run((f.dir / "alias.dat").string(), defaultExportChoice()).status, ExportStatus::ownFile);
    EXPECT_EQ(f.run((f.dir / "." / "Nimbrel.dat").string(), defaultExportChoice()).status,
              ExportStatus::ownFile);
    EXPECT_EQ(f.dir.read("Nimbrel.dat"), kLine1 + kLine2 + kLine3);

    std::filesystem::copy_file(f.store, f.dir / "copy.dat");
    EXPECT_EQ(f.run((f.dir / "copy.dat").string(), defaultExportChoice()).status, ExportStatus::written);
}

TEST(HistoryExport, AFailedOrCancelledExportKeepsTheOldFileAndLeavesNothingBeside) {
    ExportFixture f;
    const std::string target = (f.dir / "old.txt").string();
    f.dir.write("old.txt", "the user's old export\r\n");
    const auto onlyOldFilesLeft = [&] {
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(f.dir.path())) {
            (void)entry;
            ++files;
        }
        return files == 2; // Nimbrel.dat and old.txt
    };

    {
        // A full disk: the export's file may not grow past 40 bytes.
        testing::FileSizeLimit full(40);
        const ExportResult result = f.run(target, defaultExportChoice());
        EXPECT_EQ(result.status, ExportStatus::failed);
        EXPECT_FALSE(result.reason.empty());
    }
    EXPECT_EQ(f.dir.read("old.txt"), "the user's old export\r\n");
    EXPECT_TRUE(onlyOldFilesLeft());

    ExportChoice choice = defaultExportChoice();
    ExportJob job;
    job.rows = &f.rows;
    job.titles = &f.titles;
    job.choice = choice;
    job.target = target;
    job.progress = [](std::size_t, std::size_t) { return false; };
    EXPECT_EQ(exportHistory(job).status, ExportStatus::cancelled);
    EXPECT_EQ(f.dir.read("old.txt"), "the user's old export\r\n");
    EXPECT_TRUE(onlyOldFilesLeft());

    EXPECT_EQ(f.run((f.dir / "no-such-folder" / "x.txt").string(), choice).status, ExportStatus::failed);
}

TEST(HistoryExport, RowsOfAFileThatShrankAfterTheSearchFailTheExport) {
    ExportFixture f;
    ASSERT_EQ(::truncate(f.store.c_str(), static_cast<off_t>(kLine1.size())), 0);
    EXPECT_EQ(f.run((f.dir / "out.txt").string(), defaultExportChoice()).status, ExportStatus::failed);
    EXPECT_FALSE(std::filesystem::exists(f.dir / "out.txt"));
}

} // namespace
} // namespace nimbrel
