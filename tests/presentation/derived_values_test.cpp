#include "presentation/decimal_text.h"
#include "presentation/derived_values.h"
#include "presentation/rain_totals.h"
#include "presentation/time_text.h"
#include "tests/support/fake_clock.h"
#include "tests/support/stamp_text.h"
#include "tests/support/time_zone_scope.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace nimbrel {
namespace {

using P = WeatherSample::Position;

WeatherSample rawSample(const char* outTemp, const char* outHumi, const char* winds) {
    WeatherSample s;
    s[P::outTemp] = outTemp;
    s[P::outHumi] = outHumi;
    s[P::winds] = winds;
    s[P::absPres] = "10000";
    s[P::rain] = "100";
    return s;
}

TEST(PresentationDerivedValues, DewPoint) {
    WeatherSample s = rawSample("215", "50", "0");
    computeSampleValues(s, "10132", "10000");
    EXPECT_NEAR(numberValue(s[P::dewPoint]), 10.7, 0.05);

    s = rawSample("-250", "80", "0");
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::dewPoint], "-40.000000");

    for (const char* humidity : {"255", "", "---"}) {
        s = rawSample("215", humidity, "0");
        computeSampleValues(s, "10132", "10000");
        EXPECT_EQ(s[P::dewPoint], "") << humidity;
    }
    // A humidity of 0 has no dew point; the formula alone would write "nan" into the history.
    s = rawSample("215", "0", "0");
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::dewPoint], "");

    s = rawSample("-32767", "50", "0");
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::dewPoint], "");
    EXPECT_EQ(s[P::windChill], "");
}

TEST(PresentationDerivedValues, WindChill) {
    WeatherSample s = rawSample("50", "50", "100");
    computeSampleValues(s, "10132", "10000");
    EXPECT_NEAR(numberValue(s[P::windChill]), -6.6, 0.05);

    s = rawSample("50", "50", "17");
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::windChill], "5.000000");

    s = rawSample("340", "50", "300");
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::windChill], "34.000000");

    s = rawSample("50", "50", "---"); // a missing wind reads as calm
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::windChill], "5.000000");
}

TEST(PresentationDerivedValues, RelativePressureAndRainCounter) {
    WeatherSample s = rawSample("215", "50", "0");
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::relPres], "1013.200000");
    EXPECT_EQ(s[P::rainMm], "10.0");
    // Each record: its own absolute pressure plus the station's offset (1013.2 - 1000.0).
    s[P::absPres] = "9875";
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::relPres], "1000.700000");
    // Without the station's absolute pressure, its relative pressure is all there is.
    computeSampleValues(s, "10132", "---");
    EXPECT_EQ(s[P::relPres], "1013.200000");

    s[P::absPres] = "-32767";
    s[P::rain] = "-32767";
    computeSampleValues(s, "10132", "10000");
    EXPECT_EQ(s[P::relPres], "");
    EXPECT_EQ(s[P::rain], "");
    EXPECT_EQ(s[P::rainMm], "");
}

// Rain walk fixtures: a record with its sample time, rain counter, interval rain and running total.
WeatherSample record(const std::string& time, const std::string& counter, const std::string& increment,
                     const std::string& total = "100.0") {
    WeatherSample r;
    r[P::sampleTime] = time;
    r[P::rainMm] = counter;
    r[P::increment] = increment;
    r[P::totalRain] = total;
    return r;
}

std::vector<std::string> totals(const WeatherSample& s) {
    return {s[P::increment], s[P::hourRain], s[P::dayRain], s[P::weekRain], s[P::monthRain], s[P::totalRain]};
}

using Totals = std::vector<std::string>;

TEST(PresentationRainTotals, WindowsOfTheWalk) {
    // Records one, two and three hours old with 1.0 mm each; 0.5 mm since the newest.
    const SampleList history = {
        record("2009-01-10 09:00:00", "10.0", "1.0"),
        record("2009-01-10 10:00:00", "11.0", "1.0"),
        record("2009-01-10 11:00:00", "12.0", "1.0", "50.0"),
    };
    WeatherSample s = record("2009-01-10 12:00:00", "12.5", "");
    EXPECT_TRUE(computeRainTotals(s, history));
    EXPECT_EQ(totals(s), (Totals{"0.5", "0.5", "2.5", "2.5", "2.5", "50.5"}));

    // The month window stops the walk at the first record 30 days back; older rain is not counted.
    const SampleList longHistory = {
        record("2008-11-01 12:00:00", "1.0", "7.0"),
        record("2008-12-11 12:00:00", "5.0", "4.0"), // exactly 30 days: stops here
        record("2009-01-03 12:00:00", "9.0", "2.0"), // a week old
        record("2009-01-10 11:00:00", "12.0", "3.0"),
    };
    s = record("2009-01-10 12:00:00", "12.5", "");
    EXPECT_TRUE(computeRainTotals(s, longHistory));
    EXPECT_EQ(totals(s), (Totals{"0.5", "0.5", "3.5", "3.5", "5.5", "100.5"}));

    // Records without a counter are passed over.
    const SampleList withGaps = {
        record("2009-01-10 10:00:00", "11.0", "1.0"),
        record("2009-01-10 11:00:00", "---", "9.0"),
        record("2009-01-10 11:30:00", "", "9.0"),
    };
    s = record("2009-01-10 12:00:00", "12.0", "");
    EXPECT_TRUE(computeRainTotals(s, withGaps));
    EXPECT_EQ(totals(s), (Totals{"1.0", "1.0", "1.0", "1.0", "1.0", "101.0"}));
}

// Each window against one record at its edge: one second inside, its interval rain (2.0 mm) counts;
// exactly at the edge or one second past, it does not. An older record (4.0 mm) lies past every edge.
TEST(PresentationRainTotals, EachWindowEndsExactlyAtItsEdge) {
    const testing::TimeZoneScope utc("UTC");
    const std::time_t now = 1231588800; // 2009-01-10 12:00:00
    const struct {
        std::int64_t age;
        Totals expected; // increment, hour, 24 hours, week, month, total
    } cases[] = {
        {3599, {"0.5", "2.5", "2.5", "2.5", "2.5", "100.5"}},
        {3600, {"0.5", "0.5", "2.5", "2.5", "2.5", "100.5"}},
        {3601, {"0.5", "0.5", "2.5", "2.5", "2.5", "100.5"}},
        {86399, {"0.5", "0.5", "2.5", "2.5", "2.5", "100.5"}},
        {86400, {"0.5", "0.5", "0.5", "2.5", "2.5", "100.5"}},
        {86401, {"0.5", "0.5", "0.5", "2.5", "2.5", "100.5"}},
        {604799, {"0.5", "0.5", "0.5", "2.5", "2.5", "100.5"}},
        {604800, {"0.5", "0.5", "0.5", "0.5", "2.5", "100.5"}},
        {604801, {"0.5", "0.5", "0.5", "0.5", "2.5", "100.5"}},
        {2591999, {"0.5", "0.5", "0.5", "0.5", "2.5", "100.5"}},
        {2592000, {"0.5", "0.5", "0.5", "0.5", "0.5", "100.5"}},
        {2592001, {"0.5", "0.5", "0.5", "0.5", "0.5", "100.5"}},
    };
    for (const auto& c : cases) {
        const SampleList history = {
            record(testing::utcStampText(now - c.age - 1000), "8.0", "4.0", "90.0"),
            record(testing::utcStampText(now - c.age), "10.0", "2.0", "100.0"),
        };
        WeatherSample s = record(testing::utcStampText(now), "10.5", "");
        EXPECT_TRUE(computeRainTotals(s, history));
        EXPECT_EQ(totals(s), c.expected) << c.age;
    }
}

// The rain since midnight ends at the local midnight of the sample's day, found like the other edges:
// a record exactly at midnight or before it closes the day. On the day clocks go forward that
// midnight is 11 hours before noon, not 12.
TEST(PresentationRainTotals, RainSinceMidnightEndsAtLocalMidnight) {
    const testing::TimeZoneScope berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    const struct {
        const char* sampleTime;
        const char* recordTime;
        double expected;
    } cases[] = {
        {"2009-01-10 12:00:00", "2009-01-10 00:00:01", 2.5},
        {"2009-01-10 12:00:00", "2009-01-10 00:00:00", 0.5},
        {"2009-01-10 12:00:00", "2009-01-09 23:59:59", 0.5},
        {"2009-03-29 12:00:00", "2009-03-29 00:00:01", 2.5},
        {"2009-03-29 12:00:00", "2009-03-29 00:00:00", 0.5},
        {"2009-03-29 12:00:00", "2009-03-28 23:59:59", 0.5},
        {"2009-01-10 00:00:00", "2009-01-09 23:55:00", 0.5}, // the interval spanning midnight counts
    };
    for (const auto& c : cases) {
        const SampleList history = {
            record("2009-01-01 00:00:00", "8.0", "4.0", "90.0"),
            record(c.recordTime, "10.0", "2.0", "100.0"),
        };
        WeatherSample s = record(c.sampleTime, "10.5", "");
        std::optional<double> sinceMidnight;
        RainFactsOfList facts(history);
        EXPECT_TRUE(computeRainTotals(s, facts, systemClock(), &sinceMidnight));
        ASSERT_TRUE(sinceMidnight.has_value());
        EXPECT_DOUBLE_EQ(*sinceMidnight, c.expected) << c.sampleTime << " / " << c.recordTime;
    }
}

TEST(PresentationRainTotals, CounterWrapAndImplausibleIncrease) {
    SampleList history = {record("2009-01-10 11:55:00", "6550.0", "0.0")};
    WeatherSample s = record("2009-01-10 12:00:00", "5.0", "");
    EXPECT_TRUE(computeRainTotals(s, history));
    EXPECT_EQ(s[P::increment], "8.6");
    EXPECT_EQ(s[P::rainMm], "6558.6");
    EXPECT_EQ(s[P::totalRain], "108.6");

    // A step of 3686.4 mm is the largest believed; 0.1 mm more is not.
    for (const auto& [counter, increment] :
         {std::pair{"3786.4", "3686.4"}, {"3786.5", "0.0"}, {"4100.0", "0.0"}}) {
        history = {record("2009-01-10 11:55:00", "100.0", "0.0")};
        s = record("2009-01-10 12:00:00", counter, "");
        EXPECT_TRUE(computeRainTotals(s, history));
        EXPECT_EQ(s[P::increment], increment) << counter;
        EXPECT_EQ(s[P::rainMm], counter);
    }
    EXPECT_EQ(s[P::totalRain], "100.0");

    // A counter that went back a little is a reset, not a wrap: no rain.
    history = {record("2009-01-10 11:55:00", "100.0", "0.0")};
    s = record("2009-01-10 12:00:00", "10.0", "");
    EXPECT_TRUE(computeRainTotals(s, history));
    EXPECT_EQ(s[P::increment], "0.0");
    EXPECT_EQ(s[P::rainMm], "10.0");
}

TEST(PresentationRainTotals, NoCounterZeroCounterAndEmptyHistory) {
    const SampleList history = {record("2009-01-10 11:00:00", "12.0", "1.0")};
    for (const char* counter : {"", "---", "-32767"}) {
        WeatherSample s = record("2009-01-10 12:00:00", counter, "");
        EXPECT_FALSE(computeRainTotals(s, history)) << counter;
        EXPECT_EQ(s[P::rainMm], "---");
        EXPECT_EQ(totals(s), Totals(6, "---"));
    }
    WeatherSample s = record("2009-01-10 12:00:00", "0.0", "");
    EXPECT_TRUE(computeRainTotals(s, history));
    EXPECT_EQ(totals(s), Totals(6, "0.0"));

    s = record("2009-01-10 12:00:00", "12.5", "");
    EXPECT_TRUE(computeRainTotals(s, SampleList{}));
    EXPECT_EQ(totals(s), Totals(6, "0.0"));

    // A record whose counter is 0 (a reset station) ends the walk once it has been counted.
    const SampleList reset = {
        record("2009-01-10 11:20:00", "5.0", "1.0"),
        record("2009-01-10 11:30:00", "0.0", "3.0"),
        record("2009-01-10 11:40:00", "0.5", "0.5"),
    };
    s = record("2009-01-10 12:00:00", "1.0", "");
    EXPECT_TRUE(computeRainTotals(s, reset));
    EXPECT_EQ(totals(s), (Totals{"0.5", "1.0", "1.0", "1.0", "1.0", "100.5"}));
}

TEST(PresentationRainTotals, MissingSampleStampMeansNow) {
    testing::FakeClock clock;
    clock.set(std::chrono::system_clock::from_time_t(parseLocalTime("2009-01-10 12:00:00")));
    const SampleList history = {record("2009-01-10 10:00:00", "11.0", "1.0"),
                                record("2009-01-10 11:00:00", "12.0", "1.0")};
    WeatherSample s = record("", "12.5", "");
    EXPECT_TRUE(computeRainTotals(s, history, clock));
    EXPECT_EQ(totals(s), (Totals{"0.5", "0.5", "1.5", "1.5", "1.5", "100.5"}));
}

// A small generated history: 40 days of half-hourly records with showers, a counter wrap, records
// without a counter and one out-of-order stamp.
SampleList generatedHistory() {
    SampleList list;
    double counter = 6400.0;
    double total = 900.0;
    unsigned seed = 12345;
    for (int i = 0; i < 40 * 48; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int minutes = i * 30 - (i == 700 ? 45 : 0);
        const int day = 1 + minutes / 1440, hour = minutes / 60 % 24, minute = minutes % 60;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2009-01-%02d %02d:%02d:00", day, hour, minute);
        if (day > 31) std::snprintf(stamp, sizeof stamp, "2009-02-%02d %02d:%02d:00", day - 31, hour, minute);
        const double rain = (seed >> 16) % 7 == 0 ? ((seed >> 8) % 40) * 0.1 : 0.0;
        counter += rain;
        if (counter >= 6553.6) counter -= 6553.6;
        total += rain;
        const bool gap = (seed >> 20) % 97 == 0;
        list.push_back(
            record(stamp, gap ? "---" : fixedText(counter, 1), fixedText(rain, 1), fixedText(total, 1)));
    }
    return list;
}

// The facts of a list handed out a few at a time, counting how far back the walk asked.
class FewAtATime final : public RainFacts {
public:
    explicit FewAtATime(const SampleList& l) : inner_(l) {}
    std::span<const RainWalkRecord> from(std::size_t k) override {
        const std::span<const RainWalkRecord> some = inner_.from(k);
        const std::size_t n = std::min<std::size_t>(some.size(), 3);
        asked = std::max(asked, k + n);
        return some.first(n);
    }
    std::size_t asked = 0;

private:
    RainFactsOfList inner_;
};

TEST(PresentationRainTotals, EveryWayOfWalkingGivesTheSameTotals) {
    const SampleList history = generatedHistory();
    for (const char* counter : {"6410.0", "20.0", "0.0", "---"}) {
        WeatherSample fromList = record("2009-02-09 23:45:00", counter, "");
        WeatherSample fromFacts = fromList;
        const bool a = computeRainTotals(fromList, history);
        FewAtATime facts(history);
        const bool b = computeRainTotals(fromFacts, facts);
        EXPECT_EQ(a, b);
        EXPECT_EQ(fromList, fromFacts) << counter;
        // The walk reads no further than the month window.
        EXPECT_LT(facts.asked, history.size());
    }

    // Records from before 2000 count alike when the walk takes them in several spans.
    const SampleList turnOfTheYear = {
        record("1999-12-31 23:00:00", "10.0", "1.0"), record("1999-12-31 23:30:00", "11.0", "1.0"),
        record("2000-01-01 00:00:00", "12.0", "1.0"), record("2000-01-01 00:30:00", "13.0", "1.0")};
    WeatherSample whole = record("2000-01-01 01:00:00", "13.5", "");
    WeatherSample inSpans = whole;
    EXPECT_TRUE(computeRainTotals(whole, turnOfTheYear));
    FewAtATime facts(turnOfTheYear);
    EXPECT_TRUE(computeRainTotals(inSpans, facts));
    EXPECT_EQ(totals(whole), (Totals{"0.5", "1.5", "3.5", "3.5", "3.5", "100.5"}));
    EXPECT_EQ(totals(inSpans), totals(whole));
}

TEST(PresentationRainTotals, NewRecordsAreMeasuredAgainstStoreAndEarlierNewRecords) {
    SampleList all = generatedHistory();
    const SampleList stored(all.begin(), all.end() - 12);
    SampleList fresh; // newest first, as the station lists them
    for (auto it = all.rbegin(); it != all.rbegin() + 12; ++it) {
        WeatherSample s = *it;
        for (int p = P::increment; p <= P::totalRain; ++p) s[p] = "";
        fresh.push_back(s);
    }

    // What the working table of the station program gives: each record against all before it.
    SampleList expected = fresh;
    SampleList working = stored;
    for (std::size_t i = expected.size(); i-- > 0;) {
        computeRainTotals(expected[i], working);
        working.push_back(expected[i]);
    }

    std::vector<std::string> texts;
    RainFactsOfList facts(stored);
    computeRainTotalsForNewRecords(fresh, facts, "Compute history rain data",
                                   [&](const std::string& text) { texts.push_back(text); });
    EXPECT_EQ(fresh, expected);
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts.front(), "Compute history rain data 12 : 8% ...");
    EXPECT_EQ(texts.back(), "Compute history rain data 12 : 100% ...");
}

} // namespace
} // namespace nimbrel
