#include "presentation/decimal_text.h"
#include "store/history_line.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"
#include "tests/support/stamp_text.h"
#include "tests/support/temp_dir.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace nimbrel {
namespace {

using P = WeatherSample::Position;

WeatherSample stored(int minutes, double counter, double increment, double total) {
    WeatherSample r;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "2009-01-%02d %02d:%02d:00", 1 + minutes / 1440, minutes / 60 % 24,
                  minutes % 60);
    r[P::sampleTime] = stamp;
    r[P::rainMm] = fixedText(counter, 1);
    r[P::increment] = fixedText(increment, 1);
    r[P::totalRain] = fixedText(total, 1);
    return r;
}

TEST(PresentationStoreRainTotals, FileReadBackwardsGivesTheTotalsOfTheWholeTable) {
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string());
    ASSERT_TRUE(store.open());

    // Twenty days of hourly records, the newest last; the store takes a newest-first list.
    SampleList newestFirst;
    double counter = 6500.0, total = 10.0;
    for (int h = 0; h < 20 * 24; ++h) {
        const double rain = h % 5 == 0 ? 1.3 : 0.0;
        counter += rain;
        if (counter >= 6553.6) counter -= 6553.6;
        total += rain;
        newestFirst.insert(newestFirst.begin(), stored(h * 60, counter, rain, total));
    }
    ASSERT_TRUE(store.appendRecords(newestFirst));
    SampleList table;
    store.loadAllRecords(table);
    ASSERT_EQ(table.size(), newestFirst.size());

    WeatherSample fromStore = stored(20 * 24 * 60, counter + 0.7, 0, 0);
    WeatherSample fromTable = fromStore;
    EXPECT_TRUE(computeRainTotalsFromStore(fromStore, store));
    EXPECT_TRUE(computeRainTotals(fromTable, table));
    EXPECT_EQ(fromStore, fromTable);
    EXPECT_EQ(fromStore[P::increment], "0.7");

    // Fetched records: each against the file and the fetched records before it.
    SampleList fresh = {stored(20 * 24 * 60 + 120, counter + 2.0, 0, 0),
                        stored(20 * 24 * 60 + 60, counter + 1.0, 0, 0)};
    SampleList expected = fresh;
    SampleList working = table;
    for (std::size_t i = expected.size(); i-- > 0;) {
        computeRainTotals(expected[i], working);
        working.push_back(expected[i]);
    }
    std::vector<std::string> texts;
    computeRainTotalsForNewRecords(fresh, store, "Compute history rain data",
                                   [&](const std::string& t) { texts.push_back(t); });
    EXPECT_EQ(fresh, expected);
    EXPECT_EQ(texts, (std::vector<std::string>{"Compute history rain data 2 : 50% ...",
                                               "Compute history rain data 2 : 100% ..."}));
}

// The store's light column reader and the one-pass walks for new records against the plain forms
// over the whole table: a year of 5-minute records with showers, a counter wrap, records without a
// counter or stamp, a clock set back, a counter reset to zero and a hand-edited line.
TEST(PresentationStoreRainTotals, OnePassWalksEqualTheWalksOverTheWholeTable) {
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string());
    ASSERT_TRUE(store.open());
    std::mt19937 random(3);
    SampleList oldestFirst;
    double counter = 6400.0, total = 100.0;
    int minutes = 0;
    for (int k = 0; k < 40 * 288; ++k) {
        minutes += 5;
        if (k == 8000) minutes -= 3 * 1440; // the clock set back
        double rain = random() % 40 == 0 ? 0.1 * static_cast<double>(random() % 30) : 0.0;
        counter += rain;
        if (counter >= 6553.6) counter -= 6553.6;
        if (k == 500) counter = 0.0;
        total += rain;
        WeatherSample r = stored(minutes % (28 * 1440), counter, rain, total);
        if (k % 997 == 0) r[P::rainMm] = "---";
        if (k % 1999 == 0) r[P::sampleTime] = "2009-01-01";
        oldestFirst.push_back(r);
    }
    SampleList newestFirst(oldestFirst.rbegin(), oldestFirst.rend());
    ASSERT_TRUE(store.appendRecords(newestFirst));
    {
        std::ofstream out(dir / "Nimbrel.dat", std::ios::app | std::ios::binary);
        out << "# a note\r\n  9,  x, 2009-01-28 23:59:00,,,,,,,,,,,,,,,,,,  5.5 ,1.5,,,,, 7\r\n";
    }
    SampleList table;
    store.loadAllRecords(table);

    for (double reading : {counter + 0.7, counter, 0.0, counter - 5.0, counter + 4000.0, 6553.5}) {
        for (const char* stamp : {"2009-01-29 00:10:00", "2009-01-20 12:00:00", "1999-01-01 00:00:00", ""}) {
            WeatherSample fromStore = stored(0, reading, 0, 0);
            fromStore[P::sampleTime] = stamp;
            WeatherSample fromTable = fromStore;
            EXPECT_EQ(computeRainTotalsFromStore(fromStore, store), computeRainTotals(fromTable, table));
            EXPECT_EQ(fromStore, fromTable) << reading << " " << stamp;
        }
    }

    // Twelve fetched records, with a wrap among them and one without a counter.
    SampleList fresh;
    for (int k = 12; k >= 1; --k) {
        WeatherSample r = stored(28 * 1440 + 5 * k, counter + 0.3 * k, 0, 0);
        if (k == 7) r[P::rainMm] = "---";
        if (k >= 10) r[P::rainMm] = fixedText(0.2 * k, 1);
        fresh.push_back(r);
    }
    SampleList expected = fresh;
    SampleList working = table;
    for (std::size_t i = expected.size(); i-- > 0;) {
        computeRainTotals(expected[i], working);
        working.push_back(expected[i]);
    }
    SampleList fromStore = fresh;
    computeRainTotalsForNewRecords(fromStore, store, "Compute history rain data", {});
    EXPECT_EQ(fromStore, expected);
    SampleList fromList = fresh;
    RainFactsOfList facts(table);
    computeRainTotalsForNewRecords(fromList, facts, "Compute history rain data", {});
    EXPECT_EQ(fromList, expected);
}

// A record `minutes` after 2009-01-01 00:00, over as many days as a test needs.
WeatherSample storedAt(long minutes, double counter, double increment, double total) {
    WeatherSample r = stored(0, counter, increment, total);
    r[P::sampleTime] = testing::utcStampText(1230768000 + minutes * 60); // from 2009-01-01 00:00:00
    return r;
}

// The kept store's answer and a store just opened on the same file (which keeps nothing yet).
void expectSameAsAFreshStore(HistoryStore& kept, const WeatherSample& sample, const std::string& where) {
    WeatherSample fromKept = sample;
    WeatherSample fromFresh = sample;
    HistoryStore fresh(kept.path());
    EXPECT_EQ(computeRainTotalsFromStore(fromKept, kept), computeRainTotalsFromStore(fromFresh, fresh));
    EXPECT_EQ(fromKept, fromFresh) << where;
}

void expectSameNewRecordsAsAFreshStore(HistoryStore& kept, const SampleList& fetched,
                                       const std::string& where) {
    SampleList fromKept = fetched;
    SampleList fromFresh = fetched;
    HistoryStore fresh(kept.path());
    computeRainTotalsForNewRecords(fromKept, kept, "Compute history rain data", {});
    computeRainTotalsForNewRecords(fromFresh, fresh, "Compute history rain data", {});
    EXPECT_EQ(fromKept, fromFresh) << where;
}

// Forty days of 5-minute records with showers, a record without a counter now and then, and
// comment lines among them.
struct RainyStore {
    testing::TempDir dir;
    HistoryStore store{(dir / "Nimbrel.dat").string()};
    long minutes = 0;
    double counter = 6000.0, total = 50.0;
    std::mt19937 random{11};

    WeatherSample next(double shower = -1.0) {
        minutes += 5;
        double rain = random() % 30 == 0 ? 0.1 * static_cast<double>(1 + random() % 40) : 0.0;
        if (shower >= 0) rain = shower;
        counter += rain;
        if (counter >= 6553.6) counter -= 6553.6;
        total += rain;
        WeatherSample r = storedAt(minutes, counter, rain, total);
        if (random() % 150 == 0) r[P::rainMm] = "---";
        return r;
    }
    SampleList fetch(int n, double shower = -1.0) { // newest first, as the station hands them over
        SampleList list;
        for (int k = 0; k < n; ++k) list.insert(list.begin(), next(shower));
        return list;
    }
    void appendOutside(const std::string& bytes) {
        std::ofstream out(dir / "Nimbrel.dat", std::ios::app | std::ios::binary);
        out << bytes;
    }
    RainyStore() {
        for (int day = 0; day < 40; ++day) {
            SampleList list = fetch(288);
            EXPECT_TRUE(store.appendRecords(list));
            appendOutside("# day " + std::to_string(day) + "\r\n");
        }
    }
};

// Cycle after cycle the kept facts answer as a store just opened does: through the store's own
// appends, a torn line and a complete line without its end left by a crash, lines another program
// added, a rewritten file, deleted records and a cleared file.
TEST(PresentationStoreRainTotals, KeptFactsAnswerAsAStoreJustOpenedCycleAfterCycle) {
    RainyStore s;
    HistoryStore& kept = s.store;
    for (int cycle = 0; cycle < 24; ++cycle) {
        const std::string where = "cycle " + std::to_string(cycle);
        // After the torn line, a cycle that reads no history (the reading has no rain counter and
        // the showers fetched are stored as they are), so the append that cuts the line comes first.
        const bool readsNothing = cycle == 6;
        SampleList fetched = s.fetch(1 + cycle % 4, readsNothing ? 1.0 : -1.0);
        WeatherSample current = fetched.front();
        current[P::rainMm] = readsNothing ? "---" : fixedText(s.counter + 0.4, 1);
        expectSameAsAFreshStore(kept, current, where);
        if (!readsNothing) {
            expectSameNewRecordsAsAFreshStore(kept, fetched, where);
            computeRainTotalsForNewRecords(fetched, kept, "Compute history rain data", {});
        }
        EXPECT_TRUE(kept.appendRecords(fetched)) << where;
        switch (cycle) {
        case 5: // torn, and longer than the lines that will replace it
            s.appendOutside("  99, 2009-02-10 00:00:00, 2009-02-10 00:00:00," + std::string(700, ' ') + "1,");
            break;
        case 9: { // complete, without its line end
            const std::string line = formatHistoryLine(s.next(2.5), false);
            s.appendOutside(line.substr(0, line.size() - 2));
            break;
        }
        case 13: { // another program added a shower to the file
            SampleList more = s.fetch(3, 1.5);
            for (auto it = more.rbegin(); it != more.rend(); ++it)
                s.appendOutside(formatHistoryLine(*it, false));
            break;
        }
        case 16: { // the file rewritten by hand: the newest record's counter lowered
            WeatherSample last;
            ASSERT_TRUE(kept.readLastRecord(last));
            last[P::rainMm] = fixedText(s.counter - 3.0, 1);
            std::string text = s.dir.read("Nimbrel.dat");
            text.erase(text.rfind('\n', text.size() - 2) + 1);
            s.dir.write("Nimbrel.dat", text + formatHistoryLine(last, false) + "# edited\r\n");
            break;
        }
        case 19: {
            SampleList doomed;
            kept.loadRecordsInRange(doomed, "0", "9");
            doomed.erase(doomed.begin(), doomed.end() - 40);
            doomed.erase(doomed.begin() + 20, doomed.end() - 3); // a gap, and the newest three
            kept.deleteRecords(doomed);
            break;
        }
        case 22:
            EXPECT_TRUE(kept.clearAllRecords());
            break;
        }
    }
}

// A walk that goes back only a little lets the older facts go; the next month-long walk reads them
// from the file again, across comment lines and records without a counter.
TEST(PresentationStoreRainTotals, FactsLetGoAreReadAgainWhenAWalkGoesFurther) {
    RainyStore s;
    WeatherSample monthLong = s.next();
    WeatherSample short1 = monthLong, short2 = monthLong;
    short1[P::sampleTime] = "2009-04-01 00:00:00"; // a month past the newest record: one step back
    short2[P::rainMm] = "0.0";                     // a counter at zero walks nowhere
    expectSameAsAFreshStore(s.store, monthLong, "a month");
    EXPECT_GT(s.store.keptRainFacts(), 8000u); // a month of 5-minute records
    // An append adds its records to the kept facts: the month is not read again.
    const std::size_t beforeAppend = s.store.keptRainFacts();
    SampleList appended = s.fetch(2);
    ASSERT_TRUE(s.store.appendRecords(appended));
    EXPECT_EQ(s.store.keptRainFacts(), beforeAppend + 2);
    expectSameAsAFreshStore(s.store, short1, "one step");
    EXPECT_LE(s.store.keptRainFacts(), 256u); // what the short walk used, one span
    for (const WeatherSample& sample : {monthLong, short1, monthLong, short2, short1, short1, monthLong})
        expectSameAsAFreshStore(s.store, sample, sample[P::sampleTime] + " " + sample[P::rainMm]);
    SampleList fetched = s.fetch(12);
    expectSameNewRecordsAsAFreshStore(s.store, fetched, "after the short walks");
}

} // namespace
} // namespace nimbrel
