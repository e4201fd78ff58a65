#include "presentation/decimal_text.h"
#include "store/history_store.h"
#include "store/store_rain_totals.h"
#include "tests/support/temp_dir.h"

#include <cstdio>
#include <gtest/gtest.h>

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

} // namespace
} // namespace nimbrel
