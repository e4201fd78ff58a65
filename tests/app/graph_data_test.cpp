// The Graph window's data without a window: values in the user's units as the History grid shows them,
// gaps, the axes of each quantity, the rain axis's widening, an empty time span; and nimbrel-cli graph.
#include "app/graph_data.h"
#include "presentation/time_text.h"
#include "store/history_line.h"
#include "store/history_store.h"
#include "tests/support/cli_run.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace nimbrel {
namespace {

using P = WeatherSample::Position;

WeatherSample record(const char* sampleTime) {
    WeatherSample s;
    s[P::sampleTime] = sampleTime;
    return s;
}

UnitSelection imperialUnits() {
    UnitSelection u;
    u.indoorTemperature = "°F";
    u.outdoorTemperature = "°F";
    u.pressure = "inHg";
    u.wind = "km/h";
    u.rain = "inch";
    return u;
}

TEST(GraphData, ValuesInTheUsersUnitsWithGapsWhereTheGridShowsDashes) {
    const LanguageTable english(0);
    GraphData data(imperialUnits(), 1);
    WeatherSample r = record("2026-03-01 13:04:00");
    r[P::indHumi] = "45";
    r[P::outHumi] = "255"; // the station's no-reading byte
    r[P::outTemp] = "-10.0";
    r[P::dewPoint] = "---";
    r[P::absPres] = "1000.0";
    r[P::relPres] = "0"; // no pressure reads 0
    r[P::winds] = "10.0";
    r[P::gust] = "-32767";
    data.add(r);
    data.add(record("2026-03-01")); // no full sample time: no point in any series
    ASSERT_EQ(data.size(), 1u);

    const ChartModel humidity = data.model({0, ChartType::line, false}, english);
    EXPECT_EQ(humidity.title, "Weather--Humidity");
    EXPECT_EQ(humidity.value.caption, "Humidity (Unit:%)");
    EXPECT_EQ(humidity.value.min, 0.0);
    EXPECT_EQ(humidity.value.max, 100.0);
    ASSERT_EQ(humidity.series.size(), 2u);
    EXPECT_EQ(humidity.series[0].name, "Indoor Humidity");
    EXPECT_EQ(humidity.series[0].colour, 0xFF0000u);
    EXPECT_EQ(humidity.series[1].colour, 0x00FF00u);
    EXPECT_EQ(humidity.series[0].lineWidth, 2);
    EXPECT_EQ((*humidity.series[0].y)[0], 45.0f);
    EXPECT_TRUE(std::isnan((*humidity.series[1].y)[0]));
    EXPECT_EQ((*humidity.series[0].x)[0], parseChartTime("2026-03-01 13:04:00"));

    const ChartModel outdoor = data.model({2, ChartType::line, true}, english);
    EXPECT_EQ(outdoor.value.caption, "Outdoor Temperature (Unit:°F)");
    EXPECT_EQ(outdoor.value.min, -40.0);
    EXPECT_NEAR(outdoor.value.max, 140.0, 1e-4);
    EXPECT_EQ(outdoor.series[0].lineWidth, 1); // width 2 only for a flat line
    EXPECT_FLOAT_EQ((*outdoor.series[0].y)[0], 14.0f);
    EXPECT_TRUE(std::isnan((*outdoor.series[1].y)[0])); // the dew point's gap only
    EXPECT_EQ(outdoor.series[1].name, "Dewpoint");

    const ChartModel pressure = data.model({4, ChartType::bar, false}, english);
    EXPECT_EQ(pressure.value.caption, "Pressure (Unit:inHg)");
    EXPECT_NEAR(pressure.value.min, 26.577, 1e-4);       // 900 hPa
    EXPECT_NEAR(pressure.value.max, 31.0065, 1e-4);      // 1050 hPa
    EXPECT_FLOAT_EQ((*pressure.series[0].y)[0], 29.53f); // 1000 hPa at the grid's two decimals
    EXPECT_TRUE(std::isnan((*pressure.series[1].y)[0]));
    EXPECT_EQ(pressure.series[0].lineWidth, 1);

    const ChartModel wind = data.model({5, ChartType::point, false}, english);
    EXPECT_FLOAT_EQ((*wind.series[0].y)[0], 36.0f);
    EXPECT_TRUE(std::isnan((*wind.series[1].y)[0]));
    EXPECT_NEAR(wind.value.max, 180.0, 1e-3); // 50 m/s

    const ChartModel chill = data.model({3, ChartType::line, false}, english);
    EXPECT_EQ(chill.title, "Weather--Wind Chill");
    EXPECT_EQ(chill.series.size(), 1u);
    EXPECT_EQ(chill.series[0].name, "Windchill");
    // The 12-hour axis of the settings, dates as the units say.
    EXPECT_EQ(timeLabelFormat(chill.time), "yyyy-mm-dd hh:nn:ssAM/PM");
}

// The rain axis of a history whose largest total is `total` (text as stored, mm).
double rainTop(const char* total, const char* unit = "mm") {
    UnitSelection units;
    units.rain = unit;
    GraphData data(units, 0, 6);
    WeatherSample r = record("2026-03-01 13:04:00");
    r[P::totalRain] = "12.0";
    data.add(r);
    r[P::totalRain] = total;
    data.add(r);
    return data.model({6, ChartType::line, false}, LanguageTable(0)).value.max;
}

TEST(GraphData, TheRainAxisWidensByWholeStepsAndSkipsWhatIsNotFinite) {
    EXPECT_EQ(rainTop("80.0"), 100.0);
    EXPECT_EQ(rainTop("100.0"), 100.0); // exactly at the top: kept
    EXPECT_EQ(rainTop("100.1"), 200.0); // one step past it: twice
    EXPECT_EQ(rainTop("250.0"), 300.0);
    EXPECT_EQ(rainTop("1e39"), 100.0);                      // beyond a float: no value, so no widening
    EXPECT_NEAR(rainTop("254.0", "inch"), 3 * 3.937, 1e-4); // 10.0 inch over a 3.937 inch top
    // Computed, not counted: a total of 1e300 takes no time and covers the total.
    const double top = widenedRainTop(100.0, 1e300);
    EXPECT_GE(top, 1e300);
    EXPECT_LT(top, 1.01e300);
    EXPECT_EQ(widenedRainTop(100.0, std::numeric_limits<double>::quiet_NaN()), 100.0);
}

TEST(GraphData, AnEmptyTimeSpanIsWidenedAroundItsMiddle) {
    GraphData data(UnitSelection{}, 0);
    data.setRange("2026-03-01 13:04:00", "2026-03-01 13:04:00");
    const ChartModel m = data.model({0, ChartType::line, false}, LanguageTable(0));
    const double at = parseChartTime("2026-03-01 13:04:00");
    EXPECT_EQ(m.time.min, at - 30);
    EXPECT_EQ(m.time.max, at + 30);
    // 59 seconds are widened too (around 29.5 s), 60 are kept.
    data.setRange("2026-03-01 13:04:00", "2026-03-01 13:04:59");
    EXPECT_EQ(data.model({0, ChartType::line, false}, LanguageTable(0)).time.max - at, 29.5 + 30);
    data.setRange("2026-03-01 13:04:00", "2026-03-01 13:05:00");
    EXPECT_EQ(data.model({0, ChartType::line, false}, LanguageTable(0)).time.min, at);

    // A load keeps the range of its search, even one with no record in it.
    testing::TempDir dir;
    testing::FakeClock clock;
    HistoryStore store((dir.path() / "Nimbrel.dat").string(), clock);
    GraphData loaded(UnitSelection{}, 0);
    loaded.load(store, "2026-03-01 13:04:00", "2026-03-01 14:04:00");
    const ChartModel searched = loaded.model({0, ChartType::line, false}, LanguageTable(0));
    EXPECT_EQ(searched.time.min, at);
    EXPECT_EQ(searched.time.max, at + 3600);

    // Every record of the range is loaded, and only those.
    std::string lines;
    for (const char* saved : {"2026-03-01 13:00:00", "2026-03-01 13:05:00", "2026-03-01 13:10:00"}) {
        WeatherSample r = record("2026-03-01 13:04:00");
        r[P::saveTime] = saved;
        lines += formatHistoryLine(r, false);
    }
    dir.write("Nimbrel.dat", lines);
    EXPECT_EQ(loaded.load(store, "2026-03-01 13:04:00", "2026-03-01 14:04:00"), 2u);
    // A second load starts afresh: as many values as times.
    EXPECT_EQ(loaded.load(store, "2026-03-01 13:04:00", "2026-03-01 14:04:00"), 2u);
    EXPECT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded.model({0, ChartType::line, false}, LanguageTable(0)).series[0].y->size(), 2u);
}

TEST(GraphData, NamesOfTheBoxes) {
    EXPECT_EQ(graphQuantityNamed("Wind Chill"), 3);
    EXPECT_EQ(graphQuantityNamed("Windchill"), std::nullopt);
    EXPECT_EQ(chartTypeNamed("Bar3D"), ChartType::bar3D);
    EXPECT_EQ(chartTypeNamed("bar3d"), std::nullopt);
    EXPECT_EQ(graphQuantityText(LanguageTable(1), 0), "Luftfeuchte");
}

// Two stored lines (base units) a minute apart; the dew point missing.
const std::string kStore =
    "   1, 2026-03-01 13:05:00, 2026-03-01 13:04:00,   5,     44,  20.0,   64, -10.0,   ---,   0.0,"
    "    1000.0,  1013.2,   10.0,    5,  0.0,    0,      8,      S,    2, \t\t37000,  3700.0,"
    "       0.3,    25.4,     1.0,     ---,     0.0,     12.7,     ,   ,   ,   ,  1,  0,  0,  1,   000100\r\n"
    "   2, 2026-03-01 13:06:00, 2026-03-01 13:05:00,   5,     45,  21.0,   64,  -9.5,   ---,   0.0,"
    "    1000.0,  1013.2,   10.0,    5,  0.0,    0,      8,      S,    2, \t\t37000,  3700.0,"
    "       0.3,    25.4,     1.0,     ---,     0.0,     12.7,     ,   ,   ,   ,  1,  0,  0,  1,   "
    "000100\r\n";

// Both temperatures in °F, dates day-month-year, the 12-hour clock.
const std::string kSettings = "55AA" + std::string(28, '0') + "05030284" + std::string(24, '0');

TEST(CliGraph, DescribePrintsTheChartAndRefusedInputDrawsNothing) {
#ifndef NIMBREL_HAVE_CHART
    GTEST_SKIP() << "this build has no chart layer (no Qt 6 Gui)";
#endif
    testing::TempDir dir;
    dir.write("Nimbrel.dat", kStore);
    const std::string cli = std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli graph --dir " + dir.path().string() +
                            " --settings " + kSettings;
    const auto described = testing::runShell(cli + " --series 'Outdoor Temperature' --type Bar --describe");
    ASSERT_EQ(described.status, 0) << described.out;
    EXPECT_EQ(described.out, "Title: Weather--Outdoor Temperature\n"
                             "Type: Bar\n"
                             "3D: off\n"
                             "Time axis: Sample Time\n"
                             "Time range: 2026-03-01 13:04:00 to 2026-03-01 13:05:00\n"
                             "Time labels: dd-mm-yyyy hh:nn:ssAM/PM\n"
                             "Value axis: Outdoor Temperature (Unit:°F)\n"
                             "Value range: -40 to 140\n"
                             "Series: Outdoor Temperature\n"
                             "Colour: 0xFF0000\n"
                             "Line width: 1\n"
                             "Point: 2026-03-01 13:04:00 14\n"
                             "Point: 2026-03-01 13:05:00 14.9\n"
                             "Series: Dewpoint\n"
                             "Colour: 0x00FF00\n"
                             "Line width: 1\n"
                             "Point: 2026-03-01 13:04:00 ---\n"
                             "Point: 2026-03-01 13:05:00 ---\n");

    const std::string out = " --out " + (dir / "g.png").string();
    EXPECT_EQ(testing::runShell(cli + " --series Humidity --type Pie" + out).status, 2);
    EXPECT_EQ(testing::runShell(cli + " --series humidity --type Line" + out).status, 2);
    EXPECT_EQ(testing::runShell(cli + " --series Humidity --type Line --size 10x10" + out).status, 2);
    const auto inverted = testing::runShell(
        cli + " --series Humidity --type Line --from '2026-03-01 13:06:01' --to '2026-03-01 13:06:00'" + out);
    EXPECT_EQ(inverted.status, 2);
    EXPECT_NE(inverted.out.find("End time earlier than start time!"), std::string::npos) << inverted.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "g.png"));

    const auto drawn = testing::runShell(cli + " --series Humidity --type Line --size 640x480" + out);
    ASSERT_EQ(drawn.status, 0) << drawn.out;
    EXPECT_EQ(dir.read("g.png").substr(0, 4), "\x89PNG");
    // A picture that cannot be written: said, exit 1, no file.
    dir.write("plain", "x");
    EXPECT_EQ(
        testing::runShell(cli + " --series Humidity --type Line --out " + (dir / "plain" / "g.jpg").string())
            .status,
        1);
}

} // namespace
} // namespace nimbrel
