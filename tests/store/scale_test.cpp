#include "store/history_file.h"
#include "store/history_line.h"
#include "store/history_store.h"
#include "tests/support/fake_clock.h"
#include "tests/support/stamp_text.h"
#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace nimbrel {
namespace {

using testing::FakeClock;
using testing::TempDir;

// The plain way: the whole file in memory, every line looked at.
SampleList wholeFileScan(const std::string& bytes) {
    SampleList records;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        std::size_t lf = bytes.find('\n', begin);
        const bool ended = lf != std::string::npos;
        if (!ended) lf = bytes.size();
        const std::string line = bytes.substr(begin, lf - begin);
        begin = lf + 1;
        if (!ended && !isCompleteFragment(line)) continue;
        const std::string_view text = stripLineEnd(line);
        if (isRecordLine(text)) records.push_back(parseHistoryLine(text));
    }
    return records;
}

SampleList inRange(const SampleList& all, const std::string& from, const std::string& to) {
    SampleList out;
    for (const auto& r : all)
        if (r.text(WeatherSample::saveTime) >= from && r.text(WeatherSample::saveTime) <= to)
            out.push_back(r);
    return out;
}


// A store of some thousand lines with everything a real one collects over the years: a clock
// set back by two days, a repeated night hour, deleted IDs, comments, blank and malformed
// lines, debug lines, LF-only line ends.
std::string generatedStore(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::string bytes = historyHeaderLine();
    std::time_t t = 1700000000;
    int id = 0;
    for (int i = 0; i < count; ++i) {
        t += 300;
        if (i == count / 3) t -= 2 * 86400;  // the PC clock set back
        if (i == (2 * count) / 3) t -= 3600; // a daylight-saving night
        ++id;
        if (random() % 97 == 0) id += 1 + static_cast<int>(random() % 5); // deleted records
        WeatherSample s;
        s.text(WeatherSample::ID) = std::to_string(id);
        s.text(WeatherSample::saveTime) = testing::utcStampText(t);
        s.text(WeatherSample::sampleTime) = testing::utcStampText(t - 60);
        s.text(WeatherSample::outTemp) = std::to_string(static_cast<int>(random() % 300) - 100);
        s.text(WeatherSample::rainMm) = std::to_string(i / 10) + ".0";
        s.text(WeatherSample::totalRain) = std::to_string(i) + ".5";
        s.text(WeatherSample::hexAdd) = "000100";
        s.text(WeatherSample::hexValue) = "01 02";
        s.text(WeatherSample::stackAddr) = "0008C0";
        std::string line = formatHistoryLine(s, random() % 5 == 0);
        switch (random() % 60) {
        case 0:
            bytes += "# a note\r\n";
            break;
        case 1:
            bytes += "\r\n \t \r\n";
            break;
        case 2:
            line = "  " + std::to_string(id) + ", " + testing::utcStampText(t) + ", broken\r\n";
            break; // malformed
        case 3:
            line = "no columns at all\r\n";
            break;
        case 4:
            line.erase(line.size() - 2, 1);
            break; // LF only
        default:
            break;
        }
        bytes += line;
    }
    return bytes;
}

struct Store {
    TempDir dir;
    FakeClock clock{std::chrono::system_clock::from_time_t(1700000000)};
    HistoryStore store{(dir / "Nimbrel.dat").string(), clock};
};

void expectSameAsWholeFileScan(HistoryStore& store, const std::string& bytes, unsigned seed) {
    const SampleList all = wholeFileScan(bytes);
    ASSERT_GT(all.size(), 0u);

    SampleList loaded;
    store.loadAllRecords(loaded);
    EXPECT_TRUE(loaded == all);

    SampleList backward;
    store.readBackward([&](const WeatherSample& r) {
        backward.push_back(r);
        return true;
    });
    EXPECT_TRUE(SampleList(all.rbegin(), all.rend()) == backward);
    SampleList firstTen;
    store.readBackward([&](const WeatherSample& r) {
        firstTen.push_back(r);
        return firstTen.size() < 10;
    });
    EXPECT_TRUE(SampleList(all.rbegin(), all.rbegin() + 10) == firstTen);
    EXPECT_EQ(store.lastStoredId(), leadingNumber(all.back().text(WeatherSample::ID)));

    // Ranges picked around stored times, both orders, single seconds, everything and nothing.
    std::mt19937 random(seed);
    std::vector<std::pair<std::string, std::string>> ranges = {{"", "9999"}, {"9999", ""}, {"", ""}};
    for (int i = 0; i < 12; ++i) {
        const std::string a = all[random() % all.size()].text(WeatherSample::saveTime);
        const std::string b = all[random() % all.size()].text(WeatherSample::saveTime);
        ranges.emplace_back(std::min(a, b), std::max(a, b));
        ranges.emplace_back(a, a);
        ranges.emplace_back(a.substr(0, 13), a.substr(0, 13) + "~");
    }
    ranges.emplace_back(std::max(ranges[5].first, ranges[5].second),
                        std::min(ranges[5].first, ranges[5].second));
    for (const auto& [from, to] : ranges) {
        const SampleList expected = inRange(all, from, to);
        SampleList list{WeatherSample{}};
        store.loadRecordsInRange(list, from, to);
        EXPECT_TRUE(list == expected) << from << " .. " << to;

        const RecordRange lazy = store.findRecordsInRange(from, to);
        ASSERT_EQ(lazy.size(), expected.size());
        EXPECT_TRUE(lazy.records(0, lazy.size()) == expected);
        if (!expected.empty()) {
            EXPECT_EQ(lazy.record(expected.size() / 2), expected[expected.size() / 2]);
        }
    }
}

TEST(StoreScale, FastPathsEqualAWholeFileScan) {
    Store s;
    std::string bytes = generatedStore(7, 2600);
    s.dir.write("Nimbrel.dat", bytes);
    expectSameAsWholeFileScan(s.store, bytes, 1);

    // Appends extend the index; the clock is set back before the second one.
    SampleList fetched(12);
    ASSERT_TRUE(s.store.appendRecords(fetched));
    s.clock.advance(-std::chrono::hours(24 * 400));
    SampleList more(3);
    ASSERT_TRUE(s.store.appendRecords(more));
    bytes = s.dir.read("Nimbrel.dat");
    expectSameAsWholeFileScan(s.store, bytes, 2);

    SampleList doomed(3);
    doomed[0].text(WeatherSample::ID) = "5";
    doomed[1].text(WeatherSample::ID) = fetched[3].text(WeatherSample::ID);
    doomed[2].text(WeatherSample::ID) = "2000";
    s.store.deleteRecords(doomed);
    bytes = s.dir.read("Nimbrel.dat");
    expectSameAsWholeFileScan(s.store, bytes, 3);
}

TEST(StoreScale, AFileChangedBehindTheStoresBackIsReadAfresh) {
    Store s;
    const std::string path = (s.dir / "Nimbrel.dat").string();
    std::string bytes = generatedStore(11, 2200);
    s.dir.write("Nimbrel.dat", bytes);
    expectSameAsWholeFileScan(s.store, bytes, 4);

    // Lines added by another program.
    bytes += generatedStore(12, 200);
    s.dir.write("Nimbrel.dat", bytes);
    expectSameAsWholeFileScan(s.store, bytes, 5);

    // Rewritten in place to the same length, its modification time put back.
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    std::string shifted = bytes;
    for (std::size_t at = shifted.find(", 2023-"); at != std::string::npos;
         at = shifted.find(", 2023-", at + 1))
        shifted[at + 4] = '3'; // 2023 becomes 2033: outside every block the old index knew
    ASSERT_EQ(shifted.size(), bytes.size());
    {
        FileHandle file(::open(path.c_str(), O_WRONLY));
        ASSERT_TRUE(writeAll(file.get(), shifted));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::futimens(file.get(), times), 0);
    }
    expectSameAsWholeFileScan(s.store, shifted, 6);

    // Replaced by another, shorter file, ending in a torn line.
    const std::string other = generatedStore(13, 1300) + "  99, 2023-11";
    s.dir.write("other.dat", other);
    std::filesystem::rename(s.dir / "other.dat", path);
    expectSameAsWholeFileScan(s.store, other, 7);

    // Then a line that is whole but lost its line end.
    std::string unended = generatedStore(14, 1200);
    unended.erase(unended.size() - 2);
    s.dir.write("Nimbrel.dat", unended);
    expectSameAsWholeFileScan(s.store, unended, 8);
}

} // namespace
} // namespace nimbrel
