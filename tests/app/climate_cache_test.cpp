// The cache of daily summaries: appended lines folded into it, anything else (a rewritten file, a
// damaged cache) read from the file again, and never a different result than the file itself gives.
#include "app/climate_cache.h"
#include "tests/support/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <gtest/gtest.h>
#include <string>

namespace nimbrel {
namespace {

using testing::TempDir;
using Source = ClimateDays::Source;

std::string lineAt(const std::string& time, const std::string& temp) {
    return "   1, " + time + ", " + time + ",   5,     44,  20.0,   64, " + temp +
           ",   ---,   0.0,    1000.0,  1013.2,   1.0,    1,  2.0,    2,      8,      S,    2, \t\t37000,  3700.0,"
           "       0.1,     0.1,     0.0,     0.0,     0.0,      0.0,     ,   ,   ,   ,  0,  0,  0,  0,   000100\r\n";
}

class ClimateCache : public ::testing::Test {
protected:
    std::string history() const { return (dir / "Nimbrel.dat").string(); }
    std::filesystem::path cache() const { return dir / "cache" / "days"; }
    void append(const std::string& text) const { std::ofstream(history(), std::ios::app | std::ios::binary) << text; }
    ClimateDays load() const { return loadClimateDays(history(), cache()); }
    // What the file alone gives, without any cache.
    std::vector<ClimateDay> fromFile() const { return loadClimateDays(history(), {}).days; }

    TempDir dir;
};

TEST_F(ClimateCache, AppendedLinesAreFoldedIntoTheCachedDays) {
    dir.write("Nimbrel.dat", lineAt("2026-03-01 23:50:00", "1.0") + lineAt("2026-03-02 00:10:00", "2.0"));
    EXPECT_EQ(load().source, Source::wholeFile);
    EXPECT_EQ(load().source, Source::cacheOnly);

    // A line still being written (no line end) waits for its end.
    append(lineAt("2026-03-02 00:20:00", "4.0") + lineAt("2026-03-03 00:00:00", "-1.0").substr(0, 60));
    ClimateDays days = load();
    EXPECT_EQ(days.source, Source::appendedLines);
    ASSERT_EQ(days.days.size(), 2u);
    EXPECT_EQ(days.days[1].records, 2);
    EXPECT_DOUBLE_EQ(days.days[1].tempMean(), 3.0);

    append(lineAt("2026-03-03 00:00:00", "-1.0").substr(60));
    days = load();
    EXPECT_EQ(days.source, Source::appendedLines);
    EXPECT_EQ(days.days, fromFile());
    EXPECT_EQ(days.days.size(), 3u);
    // A few appended lines are folded again each time; a megabyte of them is written into the cache.
    EXPECT_EQ(load().source, Source::appendedLines);
    std::string many;
    while (many.size() <= (1u << 20)) many += lineAt("2026-03-04 00:00:00", "0.0");
    append(many);
    EXPECT_EQ(load().source, Source::appendedLines);
    EXPECT_EQ(load().source, Source::cacheOnly);
    EXPECT_EQ(load().days, fromFile());
}

TEST_F(ClimateCache, ARewrittenFileOrADamagedCacheIsReadAgainWhole) {
    const std::string first = lineAt("2026-03-01 10:00:00", "1.0");
    const std::string second = lineAt("2026-03-02 10:00:00", "2.0");
    dir.write("Nimbrel.dat", first + second);
    ASSERT_EQ(load().source, Source::wholeFile);

    // A delete writes a new file and renames it into place, even when it ends up as long as before.
    dir.write("new.dat", lineAt("2026-03-01 10:00:00", "5.0") + second);
    std::filesystem::rename(dir / "new.dat", history());
    ClimateDays days = load();
    EXPECT_EQ(days.source, Source::wholeFile);
    EXPECT_DOUBLE_EQ(days.days[0].tempMean(), 5.0);

    // The same file written again in place, longer and with another first line.
    dir.write("Nimbrel.dat", lineAt("2026-03-01 10:00:00", "7.0") + second + second);
    days = load();
    EXPECT_EQ(days.source, Source::wholeFile);
    EXPECT_EQ(days.days, fromFile());

    // A cache cut short, or with a byte changed, is not trusted.
    const std::string whole = [&] {
        std::ifstream in(cache(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    std::string changed = whole;
    changed[whole.size() / 2] ^= 0x01;
    for (const std::string& damaged : {whole.substr(0, whole.size() / 2), changed, std::string()}) {
        std::ofstream(cache(), std::ios::binary | std::ios::trunc) << damaged;
        days = load();
        EXPECT_EQ(days.source, Source::wholeFile);
        EXPECT_EQ(days.days, fromFile());
    }

    // Lines cut off the end (a torn line repaired, a file shortened): read whole.
    dir.write("Nimbrel.dat", first);
    EXPECT_EQ(load().source, Source::wholeFile);
    EXPECT_EQ(load().days.size(), 1u);
}

TEST_F(ClimateCache, AMissingFileHasNoDaysAndAnUnreadableOneSaysWhy) {
    ClimateDays days = load();
    EXPECT_TRUE(days.read);
    EXPECT_TRUE(days.days.empty());
    std::filesystem::create_directory(dir / "Nimbrel.dat");
    days = load();
    EXPECT_FALSE(days.read);
    EXPECT_FALSE(days.failure.empty());
}

// A long file is read in two halves at once; what comes out is what one pass over its lines gives, the
// earlier of two equal highs kept on the day that the halves share. Its readings are exact in binary
// (rain 0.5, wind from the north), so that sums in another order are the same to the last bit.
TEST_F(ClimateCache, AFileReadInTwoHalvesGivesWhatOnePassGives) {
    std::string text;
    std::map<std::string, ClimateDay> expected;
    for (int i = 0; text.size() < (9u << 20); ++i) {
        char time[20];
        std::snprintf(time, sizeof time, "2026-03-%02d %02d:%02d:00", 1 + i / 1440 % 28, i / 60 % 24, i % 60);
        std::string line = lineAt(time, std::to_string(i % 40 / 2) + ".5");
        line.replace(line.find("      8,      S"), 15, "      0,      N").replace(line.find("0.1,     0.1"), 12, "0.5,     0.5");
        addRecordLine(expected[std::string(time, 10)], line);
        text += line;
    }
    dir.write("Nimbrel.dat", text);
    const std::vector<ClimateDay> days = load().days;
    ASSERT_EQ(days.size(), expected.size());
    auto day = days.begin();
    for (auto& [date, summed] : expected) {
        summed.date.assign(date);
        EXPECT_EQ(*day++, summed) << date;
    }
}

} // namespace
} // namespace nimbrel
