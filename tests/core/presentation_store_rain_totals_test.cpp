#include "presentation/decimal_text.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"
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

} // namespace
} // namespace nimbrel
