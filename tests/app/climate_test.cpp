// Days, months and years summed up from history lines, the records and the reports, against values
// worked out by hand.
#include "app/climate_report.h"
#include "app/climate_table.h"
#include "app/language_table.h"
#include "presentation/formatting.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace nimbrel {
namespace {

// One history line with the columns that the summaries read; every other column as the store fills it.
struct Reading {
    std::string time; // sample time
    std::string temp = "---", hum = "---", pres = "---", dew = "---", chill = "---";
    std::string wind = "---", gust = "---", dir = "---", incr = "0.0", hourRain = "0.0", interval = "5";
    std::string counter = "3700.0"; // the station's rain counter in mm
};

std::string lineOf(const Reading& r) {
    return "   1, " + r.time + ", " + r.time + ", " + r.interval + ",  44,  20.0, " + r.hum + ", " + r.temp + ", " +
           r.dew + ", " + r.chill + ", 1000.0, " + r.pres + ", " + r.wind + ", 2, " + r.gust + ", 3, " + r.dir +
           ", S, 2, \t\t37000, " + r.counter + ", " + r.incr + ", " + r.hourRain +
           ", 0.0, 0.0, 0.0, 0.0, , , , , 0, 0, 0, 0, 000100";
}

std::vector<ClimateDay> daysOf(const std::vector<Reading>& readings) {
    std::map<std::string, ClimateDay> days;
    for (const Reading& r : readings) {
        const std::string line = lineOf(r);
        ClimateDay& d = days[std::string(climateDateOf(line))];
        d.date = climateDateOf(line);
        addRecordLine(d, line);
    }
    std::vector<ClimateDay> out;
    for (auto& [date, d] : days) out.push_back(d);
    return out;
}

// The cells of a row by column name.
std::map<std::string, std::string> cells(const SummaryRow& row, SummaryBy by, const UnitSelection& units) {
    std::map<std::string, std::string> out;
    const auto& names = summaryColumns(by);
    for (std::size_t c = 0; c < names.size(); ++c) out[std::string(names[c])] = summaryCell(row, c, by, units);
    return out;
}

std::string timeOf(int day, int minutes) {
    char text[32];
    std::snprintf(text, sizeof text, "2026-03-%02d %02d:%02d:00", day, minutes / 60, minutes % 60);
    return text;
}

TEST(ClimateDay, OneDaySummedUpReadingByReading) {
    // Ties keep the first record's time; "---" and junk are skipped one reading at a time.
    const auto days = daysOf({
        {.time = "2026-03-01 06:00:00", .temp = "4.0", .hum = "80", .pres = "1010.0", .dew = "1.0", .chill = "3.0",
         .wind = "2.0", .gust = "5.0", .dir = "0", .incr = "0.3", .hourRain = "0.3"},
        {.time = "2026-03-01 12:00:00", .temp = "12.0", .hum = "abc", .pres = "1012.0", .wind = "4.0", .gust = "5.0",
         .dir = "8", .incr = "0.0", .hourRain = "0.3", .interval = "10"},
        {.time = "2026-03-01 18:00:00", .temp = "12.0", .hum = "60", .pres = "---", .chill = "-1.0", .wind = "---",
         .gust = "7.5", .dir = "---", .incr = "0.5", .hourRain = "0.5"},
    });
    ASSERT_EQ(days.size(), 1u);
    const SummaryRow row = summarize(days, SummaryBy::day, UnitSelection{}).front();
    const std::map<std::string, std::string> expected = {
        {"date", "2026-03-01"},     {"records", "3"},          {"temp_mean", "9.3"},      {"temp_high", "12.0"},
        {"temp_high_time", "12:00"}, {"temp_low", "4.0"},      {"temp_low_time", "06:00"}, {"hdd", "9.0"},
        {"cdd", "0.0"},             {"hum_high", "80"},        {"hum_low", "60"},         {"pres_high", "1012.0"},
        {"pres_low", "1010.0"},     {"dew_high", "1.0"},       {"dew_low", "1.0"},        {"chill_low", "-1.0"},
        {"rain", "0.8"},            {"hour_rain_max", "0.5"},  {"hour_rain_max_time", "18:00"},
        {"wind_mean", "3.0"},       {"wind_high", "4.0"},      {"wind_high_time", "12:00"}, {"gust_high", "7.5"},
        {"gust_high_time", "18:00"}, {"gust_dir", "---"},
        // 2 m/s for 5 minutes and 4 m/s for 10: 600 m + 2400 m.
        {"wind_run", "3.0"},
        // N at 2 and S at 4: south.
        {"dom_dir", "S"},
    };
    EXPECT_EQ(cells(row, SummaryBy::day, UnitSelection{}), expected);
}

TEST(ClimateDay, DominantDirectionByVectorSum) {
    struct Case {
        std::vector<std::pair<int, double>> winds; // direction code, speed
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{{0, 2.0}, {15, 4.0}}, "NNW"}, // wraps past north, never S
        {{{0, 2.0}, {8, 2.0}}, "---"},  // cancels out
        {{{0, 2.0}, {1, 2.0}}, "NNE"},  // halfway between N and NNE: clockwise
        {{{15, 3.0}, {0, 3.0}}, "N"},   // halfway between NNW and N: clockwise
        {{{4, 1.0}}, "E"},
    };
    for (const Case& c : cases) {
        WindVector v;
        for (auto [code, speed] : c.winds) v.add(code, speed);
        const std::string_view name = compassName(v.dominantCode());
        EXPECT_EQ(name.empty() ? "---" : std::string(name), c.expected) << c.expected;
    }
}

TEST(ClimateDay, DaysOfTwentyThreeAndTwentyFiveHoursAGapAndNoReadings) {
    std::vector<Reading> readings;
    // 29 March loses 02:00-02:59, 25 October repeats it: every five minutes at 1 m/s.
    for (int m = 0; m < 24 * 60; m += 5) {
        if (m / 60 != 2) readings.push_back({.time = timeOf(29, m), .temp = "10.0", .wind = "1.0", .dir = "4"});
    }
    for (int m = 0; m < 25 * 60; m += 5) {
        const int shown = m < 3 * 60 ? m : m - 60; // 02:00-02:55 twice
        readings.push_back({.time = "2026-10-25" + timeOf(1, shown).substr(10), .temp = "10.0", .wind = "1.0", .dir = "4"});
    }
    // A gap: ten readings of 0 °C in the morning, two of 12 °C at night; the mean is over readings.
    for (int i = 0; i < 10; ++i) readings.push_back({.time = timeOf(2, 60 + 5 * i), .temp = "0.0"});
    for (int i = 0; i < 2; ++i) readings.push_back({.time = timeOf(2, 22 * 60 + 5 * i), .temp = "12.0"});
    // A day whose every reading is "---".
    readings.push_back({.time = timeOf(3, 0)});

    const auto rows = summarize(daysOf(readings), SummaryBy::day, UnitSelection{});
    ASSERT_EQ(rows.size(), 4u);
    auto row = [&](const std::string& date) {
        for (const SummaryRow& r : rows)
            if (r.period == date) return cells(r, SummaryBy::day, UnitSelection{});
        return std::map<std::string, std::string>{};
    };
    EXPECT_EQ(row("2026-03-29")["records"], "276");
    EXPECT_EQ(row("2026-03-29")["wind_run"], "82.8"); // 276 x 300 m
    EXPECT_EQ(row("2026-10-25")["records"], "300");
    EXPECT_EQ(row("2026-10-25")["wind_run"], "90.0");
    EXPECT_EQ(row("2026-10-25")["dom_dir"], "E");
    EXPECT_EQ(row("2026-03-02")["temp_mean"], "2.0");
    const std::map<std::string, std::string> empty = row("2026-03-03");
    EXPECT_EQ(empty.at("records"), "1");
    for (const char* column : {"temp_mean", "temp_high", "temp_high_time", "hdd", "hum_high", "wind_mean", "gust_high",
                               "gust_dir", "dom_dir"})
        EXPECT_EQ(empty.at(column), "---") << column;
    EXPECT_EQ(empty.at("rain"), "0.0");
}

TEST(ClimateSummary, MonthsAndYearsAddUpTheirDays) {
    // Day 1: 0 and 10 °C (mean 5), 0.2 mm; day 2: one record of 20 °C, 25.0 mm; day 3 in April: 0.1 mm.
    // The rain counter goes back to 0 on day 1 (3700.0 at 00:30, 0.2 at 01:00): the interval rain counts.
    const auto days = daysOf({
        {.time = timeOf(1, 30)},
        {.time = timeOf(1, 60), .temp = "0.0", .wind = "1.0", .gust = "3.0", .dir = "2", .incr = "0.2", .counter = "0.2"},
        {.time = timeOf(1, 120), .temp = "10.0", .wind = "3.0", .gust = "9.0", .dir = "6", .counter = "0.2"},
        {.time = timeOf(2, 60), .temp = "20.0", .wind = "8.0", .gust = "9.0", .dir = "8", .incr = "25.0"},
        {.time = "2026-04-01 00:05:00", .temp = "5.0", .incr = "0.1"},
    });
    const UnitSelection metric;
    const auto months = summarize(days, SummaryBy::month, metric);
    ASSERT_EQ(months.size(), 2u);
    auto march = cells(months[0], SummaryBy::month, metric);
    EXPECT_EQ(march["date"], "2026-03");
    EXPECT_EQ(march["records"], "4");
    EXPECT_EQ(march["temp_mean"], "12.5"); // of the daily means, not of the three records (10.0)
    EXPECT_EQ(march["temp_high_time"], "2026-03-02");
    EXPECT_EQ(march["hdd"], "13.3"); // 18.3 - 5, and nothing for a mean of 20
    EXPECT_EQ(march["cdd"], "1.7");
    EXPECT_EQ(march["wind_mean"], "4.0"); // over the records, not of the daily means (5.0)
    EXPECT_EQ(march["gust_high_time"], "2026-03-01"); // the first of two equal gusts
    EXPECT_EQ(march["gust_dir"], "SE");                // and its record's direction, not the later S
    EXPECT_EQ(march["rain_day_max"], "25.0");
    EXPECT_EQ(march["rain_day_max_date"], "2026-03-02");
    EXPECT_EQ(months[0].rainDays, (std::array<int, 3>{2, 1, 1}));
    // April has one record only.
    auto april = cells(months[1], SummaryBy::month, metric);
    EXPECT_EQ(april["records"], "1");
    EXPECT_EQ(april["temp_mean"], "5.0");
    EXPECT_EQ(april["temp_low_time"], "2026-04-01");
    EXPECT_EQ(april["hdd"], "13.3");
    EXPECT_EQ(april["rain"], "0.1");
    EXPECT_EQ(months[1].rainDays, (std::array<int, 3>{0, 0, 0}));

    // °F: degree days from 65 °F, each day in °F unrounded (41 and 68 °F); mph runs in miles.
    UnitSelection imperial;
    imperial.outdoorTemperature = "°F";
    imperial.rain = "inch";
    imperial.wind = "m/h";
    auto year = cells(summarize(days, SummaryBy::year, imperial).front(), SummaryBy::year, imperial);
    EXPECT_EQ(year["date"], "2026");
    EXPECT_EQ(year["hdd"], "48.0"); // 24 + 0 + 24 (April, 41 °F)
    EXPECT_EQ(year["cdd"], "3.0");
    EXPECT_EQ(year["rain"], "1.00"); // 25.3 mm
    EXPECT_EQ(year["wind_run"], "2.2"); // 5 minutes each at 1, 3 and 8 m/s: 3600 m
}

TEST(ClimateSummary, RainDaysCountWhatIsShownAtEachThreshold) {
    // 0.2 mm is at the threshold (0.0079 in shows as 0.01); 0.14 mm shows as 0.1 mm but as 0.01 in;
    // 0.12 mm shows as 0.1 mm and 0.00 in.
    const auto days = daysOf({{.time = timeOf(1, 0), .incr = "0.2"}, {.time = timeOf(2, 0), .incr = "0.14"},
                              {.time = timeOf(3, 0), .incr = "0.12"}});
    UnitSelection inches;
    inches.rain = "inch";
    EXPECT_EQ(summarize(days, SummaryBy::month, UnitSelection{}).front().rainDays, (std::array<int, 3>{1, 0, 0}));
    EXPECT_EQ(summarize(days, SummaryBy::month, inches).front().rainDays, (std::array<int, 3>{2, 0, 0}));
}

TEST(ClimateRecords, AllTimeAndOfOneCalendarMonth) {
    const auto days = daysOf({
        {.time = "2025-01-10 03:00:00", .temp = "-8.0", .hum = "90", .pres = "1030.0", .dew = "-9.0", .chill = "-12.0",
         .wind = "2.0", .gust = "4.0", .incr = "1.0", .hourRain = "1.0"},
        {.time = "2025-07-04 15:30:00", .temp = "31.0", .hum = "30", .pres = "1001.5", .dew = "20.0", .chill = "31.0",
         .wind = "6.5", .gust = "14.0", .incr = "12.0", .hourRain = "9.0"},
        {.time = "2026-01-20 04:00:00", .temp = "-3.0", .incr = "3.0"},
        {.time = "2026-01-21 04:00:00", .temp = "-2.0", .incr = "3.0"},
    });
    const LanguageTable english;
    auto records = [&](int month) {
        return recordLines(namedRecords(climateRecords(days, UnitSelection{}, month), UnitSelection{}, english));
    };
    EXPECT_EQ(records(0), "Highest temperature: 31.0 °C (2025-07-04 15:30)\n"
                          "Lowest temperature: -8.0 °C (2025-01-10 03:00)\n"
                          "Warmest day (mean): 31.0 °C (2025-07-04)\n"
                          "Coldest day (mean): -8.0 °C (2025-01-10)\n"
                          "Highest gust: 14.0 m/s (2025-07-04 15:30)\n"
                          "Highest average wind: 6.5 m/s (2025-07-04 15:30)\n"
                          "Most rain in an hour: 9.0 mm (2025-07-04 15:30)\n"
                          "Most rain in a day: 12.0 mm (2025-07-04)\n"
                          "Most rain in a month: 12.0 mm (2025-07)\n"
                          "Highest pressure: 1030.0 hPa (2025-01-10 03:00)\n"
                          "Lowest pressure: 1001.5 hPa (2025-07-04 15:30)\n"
                          "Highest humidity: 90 % (2025-01-10 03:00)\n"
                          "Lowest humidity: 30 % (2025-07-04 15:30)\n"
                          "Highest dew point: 20.0 °C (2025-07-04 15:30)\n"
                          "Lowest wind chill: -12.0 °C (2025-01-10 03:00)\n");

    // January of both years: the warmest reading is this year's, the wettest month this year's.
    const std::string january = records(1);
    EXPECT_NE(january.find("Highest temperature: -2.0 °C (2026-01-21 04:00)\n"), std::string::npos) << january;
    EXPECT_NE(january.find("Most rain in a month: 6.0 mm (2026-01)\n"), std::string::npos) << january;
    EXPECT_NE(january.find("Most rain in an hour: 1.0 mm (2025-01-10 03:00)\n"), std::string::npos) << january;
    EXPECT_TRUE(records(3).starts_with("Highest temperature: ---\n")) << records(3);
}

TEST(ClimateReport, MonthlyReportLaidOutInFixedColumns) {
    const auto days = daysOf({
        {.time = "2026-03-01 06:00:00", .temp = "4.0", .wind = "2.0", .gust = "5.0", .dir = "0", .incr = "0.3"},
        {.time = "2026-03-01 14:00:00", .temp = "12.0", .wind = "4.0", .gust = "7.0", .dir = "2", .incr = "2.0"},
        {.time = "2026-03-02 09:00:00", .temp = "-1.5", .wind = "1.0", .gust = "2.0", .dir = "12"},
    });
    const ReportStation station{"Testhaven", "", "4.3", ""};
    const std::string expected =
        "MONTHLY CLIMATE REPORT 2026-03\n"
        "Station: Testhaven   Longitude: 4.3\n"
        "Temperature °C, rain mm, wind m/s, wind run km, pressure hPa\n"
        "\n"
        "  DAY  MEAN  HIGH        TIME   LOW        TIME  HEAT DD  COOL DD  RAIN  AVG WIND  HIGH GUST        TIME  DOM DIR\n"
        "-----------------------------------------------------------------------------------------------------------------\n"
        "   01   8.0  12.0       14:00   4.0       06:00     10.3      0.0   2.3       3.0        7.0       14:00      NNE\n"
        "   02  -1.5  -1.5       09:00  -1.5       09:00     19.8      0.0   0.0       1.0        2.0       09:00        W\n"
        "-----------------------------------------------------------------------------------------------------------------\n"
        "TOTAL   3.2  12.0  2026-03-01  -1.5  2026-03-02     30.1      0.0   2.3       2.3        7.0  2026-03-01      NNE\n"
        "\n"
        "Days with at least 0.2 mm of rain: 1\n"
        "Days with at least 2.0 mm of rain: 1\n"
        "Days with at least 20.0 mm of rain: 0\n";
    EXPECT_EQ(climateReport(days, "2026-03", UnitSelection{}, LanguageTable{}, station), expected);
    EXPECT_EQ(climateReport(days, "2025", UnitSelection{}, LanguageTable{}, {}),
              "YEARLY CLIMATE REPORT 2025\n"
              "Temperature °C, rain mm, wind m/s, wind run km, pressure hPa\n\nNo records in this period.\n");
}

} // namespace
} // namespace nimbrel
