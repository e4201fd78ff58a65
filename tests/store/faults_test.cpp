// The history file after what a user's machine does to it: a crash in the middle of a line, a full
// disk, a rewrite killed before its rename, running numbers past 32 bits, and junk without a line end.
#include "store/history_file.h"
#include "store/history_line.h"
#include "store/history_store.h"
#include "store/replacing_file.h"
#include "tests/support/text_lines.h"
#include "tests/support/fake_clock.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using testing::linesKeepingEnds;

using testing::FakeClock;
using testing::TempDir;

struct Fixture {
    TempDir dir;
    FakeClock clock{std::chrono::system_clock::from_time_t(1714557600)};
    HistoryStore store{(dir / "Nimbrel.dat").string(), clock};
    std::string file() const { return dir.read("Nimbrel.dat"); }
};

// A record as the station gives it, told apart by its address.
WeatherSample record(unsigned address) {
    WeatherSample s;
    char text[8];
    std::snprintf(text, sizeof text, "%06X", address);
    s[WeatherSample::hexAdd] = text;
    s[WeatherSample::stackAddr] = "000200"; // the station's pointer, which debug lines end with
    s[WeatherSample::sampleTime] = "2024-05-01 10:00:00";
    s[WeatherSample::sampleCircle] = "5";
    s[WeatherSample::indTemp] = "21.5";
    s[WeatherSample::rainMm] = "12.3";
    s[WeatherSample::hexValue] = "05 41 E3 00 3C 08 01 6A 27 60 CC 00 20 94 2A 02";
    return s;
}

TEST(StoreFaults, EveryCutOfTheLastLineIsRepairedBeforeTheNextAppend) {
    for (const bool debug : {false, true}) {
        Fixture f;
        f.store.setDebugFlag(debug);
        SampleList three = {record(0x0120), record(0x0110), record(0x0100)};
        ASSERT_TRUE(f.store.appendRecords(three));
        const std::string whole = f.file();
        const auto original = linesKeepingEnds(whole);
        const std::string& last = original.back();
        const std::size_t lastStart = whole.size() - last.size();
        // Every cut from the first byte of the last line to its CR: only a line with all of its last
        // address (the two cuts nearest the line end) is still the record; shorter ones are torn. A
        // debug line cut just after its 36 data columns (280 bytes here) is a whole line without
        // the debug part.
        for (std::size_t keep = 1; keep < last.size(); ++keep) {
            f.dir.write("Nimbrel.dat", whole.substr(0, lastStart + keep));
            const bool kept = keep >= last.size() - 2 || (debug && keep == 280);
            WeatherSample stored;
            ASSERT_TRUE(f.store.readLastRecord(stored));
            ASSERT_EQ(stored[WeatherSample::hexAdd], kept ? "000120" : "000110") << keep;

            SampleList next = {record(0x0130)};
            ASSERT_TRUE(f.store.appendRecords(next)) << keep;
            const auto now = linesKeepingEnds(f.file());
            std::vector<std::string> expected(original.begin(), original.end() - 1);
            if (kept) expected.push_back(last.substr(0, std::min(keep, last.size() - 2)) + "\r\n");
            ASSERT_EQ(std::vector<std::string>(now.begin(), now.end() - 1), expected) << keep;
            ASSERT_EQ(now.back().substr(0, 4), kept ? "   4" : "   3") << keep;
            ASSERT_EQ(now.back().substr(now.back().size() - 2), "\r\n") << keep;
        }
    }
}

// A last line without its line end is whole only when it closes with an address of exactly six hex
// digits, in either case; a character just outside 0-9, A-F or a-f, one digit fewer or more, or one
// column too many marks it torn.
TEST(StoreFaults, AnUnendedLineIsWholeOnlyWithSixHexDigitsAtItsEnd) {
    const struct {
        const char* address;
        bool whole;
    } cases[] = {
        {"09AFaf", true},  {"00000/", false}, {"00000:", false},  {"00000@", false},
        {"00000G", false}, {"00000`", false}, {"00000g", false}, {"0001F", false},
        {"0001F00", false},
    };
    for (const auto& c : cases) {
        WeatherSample s = record(0x0100);
        s[WeatherSample::hexAdd] = c.address;
        const std::string line = formatHistoryLine(s, false);
        const std::string unended = line.substr(0, line.size() - 2);
        EXPECT_EQ(isCompleteFragment(unended), c.whole) << c.address;
        EXPECT_EQ(recordTextOf(unended).has_value(), c.whole) << c.address;
        EXPECT_TRUE(recordTextOf(line).has_value()) << c.address; // with its line end, always a record
    }
    const std::string data = formatHistoryLine(record(0x0100), false);
    EXPECT_FALSE(isCompleteFragment(data.substr(0, data.size() - 2) + ", 0001F0")); // 37 columns
}

using testing::FileSizeLimit;

TEST(StoreFaults, AFailedAppendLeavesTheFileAsItWasAndSaysSo) {
    Fixture f;
    SampleList two = {record(0x0110), record(0x0100)};
    ASSERT_TRUE(f.store.appendRecords(two));
    const std::string before = f.file();
    SampleList three = {record(0x0140), record(0x0130), record(0x0120)};
    {
        const FileSizeLimit full(before.size() + 400); // room for one new line and a part of the next
        EXPECT_FALSE(f.store.appendRecords(three));
    }
    EXPECT_EQ(f.file(), before);
    EXPECT_EQ(f.store.lastStoredId(), 2);

    // A line that lost its end cannot get it on a full disk either: the append fails.
    f.dir.write("Nimbrel.dat", before.substr(0, before.size() - 2));
    {
        const FileSizeLimit full(before.size() - 2);
        EXPECT_FALSE(f.store.appendRecords(three));
    }
    ASSERT_TRUE(f.store.appendRecords(three));
    const auto now = linesKeepingEnds(f.file());
    ASSERT_EQ(now.size(), 5u);
    EXPECT_EQ(now[1], linesKeepingEnds(before)[1]);
    EXPECT_EQ(now[4].substr(0, 4), "   5");

    // A delete whose new file cannot be written keeps the old one whole, and says so.
    const std::string five = f.file();
    {
        const FileSizeLimit full(100);
        EXPECT_FALSE(f.store.deleteRecords({record(0x0100)}));
    }
    EXPECT_EQ(f.file(), five);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.path()), {}), 1); // no temporary left
}

TEST(StoreFaults, LeftoversOfAnInterruptedRewriteGoWhenTheStoreIsOpenedOrRewritten) {
    Fixture f;
    SampleList two = {record(0x0110), record(0x0100)};
    ASSERT_TRUE(f.store.appendRecords(two));
    const auto names = [&] {
        std::set<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(f.dir.path()))
            out.insert(entry.path().filename().string());
        return out;
    };
    const auto leaveBehind = [&] {
        f.dir.write("Nimbrel.dat.rewrite-a1B2c3", "   1, half a rewrite\r\n");
        f.dir.write("Nimbrel.dat.backup", "the user's own copy\r\n");
        f.dir.write("Nimbrel.dat.rewrite-a1B2c3d", "not one of ours\r\n");
    };
    leaveBehind();
    EXPECT_EQ(f.store.lastStoredId(), 2); // never read as history
    ASSERT_TRUE(f.store.open());
    const std::set<std::string> kept = {"Nimbrel.dat", "Nimbrel.dat.backup", "Nimbrel.dat.rewrite-a1B2c3d"};
    EXPECT_EQ(names(), kept);

    leaveBehind();
    f.store.deleteRecords({record(0x0100)});
    EXPECT_EQ(names(), kept);
}

// The count of bytes written is where the next line starts in the rewritten file's index; a write
// large enough to go straight to the file counts as much as the gathered ones.
TEST(StoreFaults, AReplacingFileCountsEveryByteWhicheverWayItGoes) {
    TempDir dir;
    ReplacingFile file((dir / "Nimbrel.dat").string(), ".rewrite-");
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write(std::string(1 << 20, 'x'))); // one MiB: straight to the file
    EXPECT_EQ(file.bytesWritten(), 1048576u);
    ASSERT_TRUE(file.write("ab\r\n"));
    EXPECT_EQ(file.bytesWritten(), 1048580u);
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(std::filesystem::file_size(dir / "Nimbrel.dat"), 1048580u);
}

TEST(StoreFaults, RunningNumbersGoOnPastThirtyTwoBits) {
    Fixture f;
    SampleList one = {record(0x0100)};
    ASSERT_TRUE(f.store.appendRecords(one));
    std::string line = f.file();
    f.dir.write("Nimbrel.dat", "2147483647" + line.substr(4));
    EXPECT_EQ(f.store.lastStoredId(), 2147483647);
    SampleList next = {record(0x0120), record(0x0110)};
    ASSERT_TRUE(f.store.appendRecords(next));
    EXPECT_EQ(f.store.lastStoredId(), 2147483649LL);
    EXPECT_EQ(linesKeepingEnds(f.file())[1].substr(0, 10), "2147483648");

    EXPECT_EQ(leadingNumber("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(leadingNumber("92233720368547758071"), 9223372036854775807LL); // one digit more is not taken
    EXPECT_EQ(leadingNumber("-4294967296"), -4294967296LL);
}

TEST(StoreFaults, JunkWithoutALineEndIsNeitherReadNorKept) {
    Fixture f;
    SampleList two = {record(0x0110), record(0x0100)};
    ASSERT_TRUE(f.store.appendRecords(two));
    const std::string before = f.file();
    std::string junk;
    for (int i = 0; i < 400000; ++i) junk += std::string("\0junk,", 6);
    f.dir.write("Nimbrel.dat", before + junk);

    WeatherSample last;
    ASSERT_TRUE(f.store.readLastRecord(last));
    EXPECT_EQ(last[WeatherSample::hexAdd], "000110");
    EXPECT_EQ(f.store.lastStoredId(), 2);
    SampleList next = {record(0x0120)};
    ASSERT_TRUE(f.store.appendRecords(next));
    const auto now = linesKeepingEnds(f.file());
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0] + now[1], before);

    // The same junk as a whole line between records is passed over by the backward readers, and
    // the records on both sides of it are read.
    f.dir.write("Nimbrel.dat", now[0] + now[1] + junk + "\r\n" + now[2]);
    std::vector<std::string> seen;
    f.store.readBackward([&](const WeatherSample& r) {
        seen.push_back(r[WeatherSample::hexAdd]);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"000120", "000110", "000100"}));
}

} // namespace
} // namespace nimbrel
