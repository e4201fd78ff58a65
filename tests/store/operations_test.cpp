#include "store/history_line.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"
#include "tests/support/text_lines.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace nimbrel {
namespace {

using testing::linesKeepingEnds;

using testing::FakeClock;
using testing::TempDir;

WeatherSample reading(const std::string& sampleTime, const std::string& rainMm) {
    WeatherSample s;
    s.text(WeatherSample::sampleTime) = sampleTime;
    s.text(WeatherSample::rainMm) = rainMm;
    s.text(WeatherSample::hexAdd) = "000100";
    return s;
}

// Station order: the newest first.
SampleList newestFirst(int count, int firstMinute = 0) {
    SampleList list;
    for (int i = count - 1; i >= 0; --i) {
        char time[32];
        std::snprintf(time, sizeof time, "2024-05-01 10:%02d:00", firstMinute + i);
        list.push_back(reading(time, std::to_string(i) + ".0"));
    }
    return list;
}

std::vector<std::string> idsOf(const SampleList& list) {
    std::vector<std::string> ids;
    for (const auto& s : list) ids.push_back(s.text(WeatherSample::ID));
    return ids;
}

struct Fixture {
    TempDir dir;
    FakeClock clock{std::chrono::system_clock::from_time_t(1714557600)};
    HistoryStore store{(dir / "Nimbrel.dat").string(), clock};
    std::string file() const { return dir.read("Nimbrel.dat"); }
};

TEST(StoreOperations, AppendNumbersRecordsOldestFirstAndStampsTheSaveTime) {
    Fixture f;
    ASSERT_TRUE(f.store.open());
    EXPECT_EQ(f.file(), "");
    SampleList fetched = newestFirst(3);
    ASSERT_TRUE(f.store.appendRecords(fetched));

    const auto written = linesKeepingEnds(f.file());
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0].substr(0, 4), "   1");
    EXPECT_EQ(written[2].substr(0, 4), "   3");
    for (const auto& line : written) EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    // The third list element is the oldest reading and goes first.
    EXPECT_EQ(parseHistoryLine(written[0]).text(WeatherSample::sampleTime), "2024-05-01 10:00:00");
    EXPECT_EQ(fetched[2].text(WeatherSample::ID), "   1");
    EXPECT_EQ(fetched[0].text(WeatherSample::ID), "   3");

    std::time_t now = f.clock.nowSeconds();
    std::tm local{};
    localtime_r(&now, &local);
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &local);
    EXPECT_EQ(parseHistoryLine(written[1]).text(WeatherSample::saveTime), expected);
    EXPECT_EQ(f.store.lastStoredId(), 3);

    WeatherSample last;
    last.text(WeatherSample::hexValue) = "kept";
    last.text(WeatherSample::stackAddr) = "kept";
    EXPECT_TRUE(f.store.readLastRecord(last));
    EXPECT_EQ(last.text(WeatherSample::ID), "3");
    EXPECT_EQ(last.text(WeatherSample::rainMm), "2.0");
    EXPECT_EQ(last.text(WeatherSample::hexValue), "");      // a column of the line, absent in non-debug lines
    EXPECT_EQ(last.text(WeatherSample::stackAddr), "kept"); // never read back
}

TEST(StoreOperations, DebugFlagStartsANewFileWithTheHeaderThatReadersSkip) {
    Fixture f;
    f.store.setDebugFlag(true);
    SampleList one = newestFirst(1);
    one[0].text(WeatherSample::hexValue) = "07 2D";
    one[0].text(WeatherSample::stackAddr) = "0008C0";
    ASSERT_TRUE(f.store.appendRecords(one));
    SampleList two = newestFirst(1, 5);
    ASSERT_TRUE(f.store.appendRecords(two));

    const auto written = linesKeepingEnds(f.file());
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0], historyHeaderLine());
    EXPECT_EQ(written[1].substr(0, 4), "   1");
    EXPECT_NE(written[1].find(",   000100,                                            07 2D, 0008C0\r\n"),
              std::string::npos);
    SampleList all;
    f.store.loadAllRecords(all);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].text(WeatherSample::hexValue), "07 2D");
    EXPECT_EQ(all[0].text(WeatherSample::stackAddr), "");
}

TEST(StoreOperations, DeleteLeavesGapsAndReplacesTheFileOnlyWhenTheNewOneIsComplete) {
    Fixture f;
    SampleList fetched = newestFirst(3);
    ASSERT_TRUE(f.store.appendRecords(fetched));
    const std::string before = f.file();

    struct stat oldInfo {};
    ASSERT_EQ(::stat((f.dir / "Nimbrel.dat").c_str(), &oldInfo), 0);
    // A reader that opened the file before the delete keeps seeing it whole: the old file is
    // never rewritten in place, a complete new one takes its name.
    RecordRange heldOpen = f.store.findRecordsInRange("", "9999");
    ASSERT_EQ(heldOpen.size(), 3u);

    SampleList doomed{reading("", "")};
    doomed[0].text(WeatherSample::ID) = "   2";
    f.store.deleteRecords(doomed);

    SampleList all;
    f.store.loadAllRecords(all);
    EXPECT_EQ(idsOf(all), (std::vector<std::string>{"1", "3"}));
    struct stat newInfo {};
    ASSERT_EQ(::stat((f.dir / "Nimbrel.dat").c_str(), &newInfo), 0);
    EXPECT_NE(newInfo.st_ino, oldInfo.st_ino);
    EXPECT_EQ(newInfo.st_mode, oldInfo.st_mode);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.path()), {}), 1); // no temporary left
    EXPECT_EQ(heldOpen.record(1).text(WeatherSample::ID), "2");

    // The kept lines are unchanged but for the blanks before the ID.
    const auto kept = linesKeepingEnds(f.file());
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ("   " + kept[1], linesKeepingEnds(before)[2]);

    SampleList more = newestFirst(1, 10);
    ASSERT_TRUE(f.store.appendRecords(more));
    EXPECT_EQ(f.store.lastStoredId(), 4);
}

// The rewrite of a file of some megabytes goes out a megabyte at a time: every kept line reaches the
// new file once, in its place.
TEST(StoreOperations, DeleteFromAFileOfSomeMegabytesKeepsEveryOtherLineOnce) {
    Fixture f;
    std::string bytes, expected;
    for (int id = 1000; id < 9000; ++id) {
        WeatherSample s = reading("2024-01-01 00:00:00", "1.0");
        s.text(WeatherSample::ID) = std::to_string(id); // four digits: no blanks for the rewrite to drop
        s.text(WeatherSample::saveTime) = "2024-01-01 00:05:00";
        const std::string line = formatHistoryLine(s, false);
        bytes += line;
        if (id != 1001) expected += line;
    }
    ASSERT_GT(bytes.size(), 1u << 21);
    f.dir.write("Nimbrel.dat", bytes);
    SampleList doomed{reading("", "")};
    doomed[0].text(WeatherSample::ID) = "1001";
    EXPECT_TRUE(f.store.deleteRecords(doomed));
    const std::string now = f.file();
    EXPECT_EQ(now.size(), expected.size());
    EXPECT_TRUE(now == expected);
}

TEST(StoreOperations, ClearEmptiesTheFileAndEmptyFilesReadAsNothing) {
    Fixture f;
    WeatherSample last = reading("2024-01-01 00:00:00", "5.0");
    last.text(WeatherSample::hexAdd) = "0001F0";
    EXPECT_FALSE(f.store.readLastRecord(last)); // no file at all
    EXPECT_EQ(f.store.lastStoredId(), 0);
    EXPECT_EQ(last.text(WeatherSample::ID), "0");
    EXPECT_EQ(last.text(WeatherSample::rainMm), "---");
    EXPECT_EQ(last.text(WeatherSample::hexAdd), "0001F0");

    SampleList fetched = newestFirst(5);
    ASSERT_TRUE(f.store.appendRecords(fetched));
    SampleList inverted;
    f.store.loadRecordsInRange(inverted, "2099-01-01 00:00:00", "2000-01-01 00:00:00");
    EXPECT_TRUE(inverted.empty());

    // A folder that went away: the records are not stored, and the store says so.
    HistoryStore lost((f.dir / "gone" / "Nimbrel.dat").string(), f.clock);
    SampleList one = newestFirst(1);
    EXPECT_FALSE(lost.appendRecords(one));

    ASSERT_TRUE(f.store.clearAllRecords());
    EXPECT_EQ(f.file(), "");
    EXPECT_EQ(f.store.lastStoredId(), 0);
    EXPECT_FALSE(f.store.readLastRecord(last));
    SampleList again = newestFirst(1);
    ASSERT_TRUE(f.store.appendRecords(again));
    EXPECT_EQ(f.store.lastStoredId(), 1);
    EXPECT_EQ(linesKeepingEnds(f.file())[0].substr(0, 4), "   1");
    // Its only record is found by a range query.
    SampleList found;
    f.store.loadRecordsInRange(found, "", "9999");
    EXPECT_EQ(idsOf(found), std::vector<std::string>{"1"});
}

TEST(StoreOperations, ReadersSkipCommentsAndBlankLinesAndAcceptLfOnlyFiles) {
    Fixture f;
    WeatherSample a = reading("2024-01-01 00:00:00", "1.0");
    a.text(WeatherSample::ID) = "1";
    a.text(WeatherSample::saveTime) = "2024-01-01 00:05:00";
    WeatherSample b = a;
    b.text(WeatherSample::ID) = "2";
    b.text(WeatherSample::saveTime) = "2024-01-01 00:10:00";
    std::string lineA = formatHistoryLine(a, false);
    std::string lineB = formatHistoryLine(b, false);
    lineA.erase(lineA.size() - 2, 1); // LF only
    lineB.erase(lineB.size() - 2, 1);
    f.dir.write("Nimbrel.dat", "# written by hand\n\n" + lineA + " \t \n" + lineB + "\n\n# end\n");

    SampleList all;
    f.store.loadAllRecords(all);
    EXPECT_EQ(idsOf(all), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(all[1].text(WeatherSample::hexAdd), "000100");
    EXPECT_EQ(f.store.lastStoredId(), 2);
    const auto any = [](const WeatherSample&) { return true; };
    EXPECT_EQ(f.store.forEachRecord(any), 2u);
    EXPECT_EQ(f.store.forEachRecordInRange("2024-01-01 00:05:00", "2024-01-01 00:05:00", any), 1u);

    struct Rows : HistoryRowView {
        std::vector<std::pair<std::string, int>> rows{{"old", 0}};
        void removeAllRows() override { rows.clear(); }
        void addRow(const WeatherSample& r, int row) override {
            rows.emplace_back(r.text(WeatherSample::ID), row);
        }
    } view;
    EXPECT_EQ(f.store.listRecordsInRange(view, "2024-01-01 00:10:00", "2024-01-01 00:10:00"), 1);
    EXPECT_EQ(view.rows, (std::vector<std::pair<std::string, int>>{{"2", 0}}));

    // A file with no record at all leaves the grid as it was.
    f.dir.write("Nimbrel.dat", "# nothing yet\r\n");
    view.rows = {{"old", 0}};
    EXPECT_EQ(f.store.listRecordsInRange(view, "", "9999"), 0);
    EXPECT_EQ(view.rows.size(), 1u);
}

TEST(StoreOperations, TornLastLineIsCutAndACompleteOneIsEndedBeforeTheNextWrite) {
    Fixture f;
    SampleList first = newestFirst(2);
    ASSERT_TRUE(f.store.appendRecords(first));
    const std::string intact = f.file();
    const std::string third = linesKeepingEnds(intact)[1];

    // A crash in the middle of the third line's writing.
    f.dir.write("Nimbrel.dat", intact + third.substr(0, 60));
    WeatherSample last;
    ASSERT_TRUE(f.store.readLastRecord(last));
    EXPECT_EQ(last.text(WeatherSample::ID), "2"); // the torn line is not a record
    EXPECT_EQ(f.store.lastStoredId(), 2);
    SampleList next = newestFirst(1, 30);
    ASSERT_TRUE(f.store.appendRecords(next));
    auto now = linesKeepingEnds(f.file());
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[2].substr(0, 4), "   3");
    EXPECT_EQ(now[1], linesKeepingEnds(intact)[1]);

    // A line that is whole but lost its line end (or only its LF) gets one.
    for (const std::string cut : {"\r\n", "\n"}) {
        std::string bytes = f.file();
        bytes.erase(bytes.size() - cut.size());
        f.dir.write("Nimbrel.dat", bytes);
        const long lastId = f.store.lastStoredId();
        SampleList more = newestFirst(1, 40);
        ASSERT_TRUE(f.store.appendRecords(more));
        now = linesKeepingEnds(f.file());
        EXPECT_EQ(now[now.size() - 2].substr(now[now.size() - 2].size() - 2), "\r\n");
        EXPECT_EQ(f.store.lastStoredId(), lastId + 1);
    }

    // A torn header comment of a debug file goes too, and the file starts over with a header.
    f.store.setDebugFlag(true);
    f.dir.write("Nimbrel.dat", historyHeaderLine().substr(0, 30));
    SampleList once = newestFirst(1);
    ASSERT_TRUE(f.store.appendRecords(once));
    now = linesKeepingEnds(f.file());
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[0], historyHeaderLine());

    // A delete drops a torn last line instead of saving it as a record.
    f.dir.write("Nimbrel.dat", f.file() + "   9, 2024");
    f.store.deleteRecords({});
    EXPECT_EQ(linesKeepingEnds(f.file()).size(), 2u);
}

// Every operation closes the files it opens: the program keeps one store for months, with a cycle
// every few minutes.
TEST(StoreOperations, EveryOperationClosesWhatItOpens) {
    Fixture f;
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    ASSERT_TRUE(f.store.open());
    const auto before = openFiles();

    SampleList fetched = newestFirst(3);
    ASSERT_TRUE(f.store.appendRecords(fetched));
    WeatherSample last;
    ASSERT_TRUE(f.store.readLastRecord(last));
    EXPECT_EQ(f.store.lastStoredId(), 3);
    SampleList some;
    f.store.loadRecordsInRange(some, "", "9999");
    EXPECT_EQ(f.store.findRecordsInRange("", "9999").size(), 3u);
    EXPECT_TRUE(computeRainTotalsFromStore(last, f.store, f.clock));
    EXPECT_TRUE(f.store.deleteRecords({fetched[0]}));
    EXPECT_TRUE(f.store.clearAllRecords());
    EXPECT_EQ(openFiles(), before);
}

TEST(StoreOperations, AppendWaitsForABusyStoreAndLosesNothing) {
    Fixture f;
    SampleList seed = newestFirst(2);
    ASSERT_TRUE(f.store.appendRecords(seed));

    std::promise<void> appendWaiting;
    f.store.setBusyObserver([&] { appendWaiting.set_value(); });
    std::promise<void> readerInside;
    std::promise<void> releaseReader;
    std::thread reader([&] {
        f.store.readBackward([&](const WeatherSample&) {
            readerInside.set_value();
            releaseReader.get_future().wait(); // a long query of the history window
            return false;
        });
    });
    readerInside.get_future().wait();

    bool appended = false;
    std::thread acquisition([&] {
        SampleList fetched = newestFirst(12, 20);
        appended = f.store.appendRecords(fetched);
    });
    appendWaiting.get_future().wait(); // the append found the store busy and is waiting
    releaseReader.set_value();
    reader.join();
    acquisition.join();

    EXPECT_TRUE(appended);
    EXPECT_EQ(f.store.lastStoredId(), 14);
    EXPECT_EQ(linesKeepingEnds(f.file()).size(), 14u);
    EXPECT_EQ(f.clock.totalSlept().count(), 0);
}

} // namespace
} // namespace nimbrel
