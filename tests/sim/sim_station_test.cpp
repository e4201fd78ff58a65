// The simulated station's memory: a station logging for weeks, a valid ring, and time that moves it on.
#include "station/alarm_thresholds.h"
#include "station/history_record.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "tests/sim/sim_library.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <span>

namespace nimbrel::testing {
namespace {

constexpr double kStart = 1700000000; // 2023-11-14 22:13:20 UTC

class SimStation : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.loaded()) << "libnimbrel-sim.so not found in " NIMBREL_BIN_DIR; }

    WeatherSample record(unsigned address, bool* valid = nullptr) {
        auto bytes = sim.peek(address, 16);
        WeatherSample sample;
        bool ok = decodeRecord(std::span<const std::uint8_t, 16>(bytes.data(), 16), sample);
        if (valid) *valid = ok;
        return sample;
    }
    static int number(const WeatherSample& s, WeatherSample::Position p) { return std::stoi(s.text(p)); }

    SimLibrary sim;
};

TEST_F(SimStation, StartsLikeAStationThatHasBeenLoggingForWeeks) {
    sim.start("seed=11 start=1700000000 speed=0");
    auto fixed = sim.peek(0, 256);
    StationSettings settings;
    decodeSettings(std::span<const std::uint8_t, 32>(fixed.data(), 32), settings);
    EXPECT_EQ(settings.initFlag1, "1");
    EXPECT_EQ(settings.initFlag2, "1");
    EXPECT_EQ(settings.historyCircle, "5");
    EXPECT_EQ(settings.presUnit, "Hpa");
    EXPECT_EQ(settings.windUnit, "km/h");
    EXPECT_EQ(settings.timeZone, "+1");
    EXPECT_EQ(settings.dateFmt, "2");
    EXPECT_EQ(settings.outTempHighAlarmFlag, "1");
    EXPECT_EQ(settings.historyRecords, "4079");
    const unsigned newest = std::stoul(settings.historyStackAddr);
    EXPECT_TRUE(isRecordAddress(newest));
    EXPECT_GE(newest, 0x0100u + 1000 * 16);
    EXPECT_LE(newest, 0xFFF0u - 1000 * 16);

    AlarmThresholds alarms;
    decodeAlarms(std::span<const std::uint8_t, 64>(fixed.data() + 0x20, 64), alarms);
    EXPECT_EQ(alarms.outTempHighAlarm, "300");
    EXPECT_EQ(std::stoi(alarms.relPres) - std::stoi(alarms.absPres), 37);
    EXPECT_EQ(alarms.absPres, record(newest).text(WeatherSample::absPres));

    // Every extreme has a time in the fortnight before the start, and no minimum is above its maximum.
    MinMaxTable table;
    decodeMinMax(std::span<const std::uint8_t, 160>(fixed.data() + 0x60, 160), table);
    const std::regex stamp(R"(2023-1[01]-[0-3]\d [0-2]\d:[0-5]\d)");
    const std::pair<const MinMaxEntry*, const MinMaxEntry*> pairs[] = {
        {&table.indHumiMax, &table.indHumiMin},     {&table.outHumiMax, &table.outHumiMin},
        {&table.indTempMax, &table.indTempMin},     {&table.outTempMax, &table.outTempMin},
        {&table.windchillMax, &table.windchillMin}, {&table.dewpointMax, &table.dewpointMin},
        {&table.absPresMax, &table.absPresMin},     {&table.relPresMax, &table.relPresMin}};
    for (auto [max, min] : pairs) {
        EXPECT_TRUE(std::regex_match(max->time, stamp)) << max->time;
        EXPECT_TRUE(std::regex_match(min->time, stamp)) << min->time;
        EXPECT_GE(std::stoi(max->value), std::stoi(min->value));
    }
    EXPECT_GT(std::stoi(table.outTempMax.value), std::stoi(table.outTempMin.value) + 50);
    for (const MinMaxEntry* e : {&table.windMax, &table.gustMax, &table.hourRainMax, &table.dayRainMax,
                                 &table.weekRainMax, &table.monthRainMax, &table.totalRainMax}) {
        EXPECT_TRUE(std::regex_match(e->time, stamp)) << e->time;
        EXPECT_GT(std::stoi(e->value), 0);
    }
    EXPECT_LE(std::stoi(table.hourRainMax.value), std::stoi(table.dayRainMax.value));
    EXPECT_LE(std::stoi(table.dayRainMax.value), std::stoi(table.weekRainMax.value));
    EXPECT_GT(std::stoi(table.totalRainMax.value), 65535); // uses the counter's high nibble
}

TEST_F(SimStation, EveryRingRecordIsValidWeatherAndTheRainCounterWrapsOnce) {
    for (const char* settings : {"seed=1 start=1700000000 speed=0", "seed=77 start=1200000000 speed=0"}) {
        SCOPED_TRACE(settings);
        sim.start(settings);
        const unsigned newest = sim.peekU16(0x1E);
        double dayTemps = 0, nightTemps = 0;
        int days = 0, nights = 0, wraps = 0, rainy = 0, previousRain = -1, previousPres = -1;
        std::set<int> directions;
        const double now = sim.now();
        // Oldest first: 4,079 completed records, then the current one.
        for (int back = kRecordSlots - 1; back >= 0; --back) {
            const unsigned address = recordAddressBack(newest, back);
            bool valid = false;
            WeatherSample s = record(address, &valid);
            ASSERT_TRUE(valid) << std::hex << address;
            // A completed record holds its 5 minutes; the current one counts those since it began.
            if (back > 0) {
                ASSERT_EQ(s.text(WeatherSample::sampleCircle), "5");
            } else {
                ASSERT_LT(number(s, WeatherSample::sampleCircle), 5);
            }
            for (auto p : {WeatherSample::indHumi, WeatherSample::outHumi, WeatherSample::indTemp,
                           WeatherSample::outTemp, WeatherSample::absPres, WeatherSample::winds,
                           WeatherSample::gust, WeatherSample::rain})
                ASSERT_FALSE(s.text(p).empty()) << WeatherSample::nameOf(p) << " at " << std::hex << address;
            EXPECT_GE(number(s, WeatherSample::outHumi), 1);
            EXPECT_LE(number(s, WeatherSample::gust), 500);
            EXPECT_GE(number(s, WeatherSample::gust), number(s, WeatherSample::winds));
            const int dir = number(s, WeatherSample::windDir);
            EXPECT_TRUE(dir >= 0 && dir <= 14 && dir % 2 == 0) << dir;
            directions.insert(dir);
            EXPECT_EQ(s.text(WeatherSample::windsError) + s.text(WeatherSample::gustError) +
                          s.text(WeatherSample::rainError) + s.text(WeatherSample::totalRainOverflow),
                      "0000");

            const int pres = number(s, WeatherSample::absPres);
            EXPECT_TRUE(pres > 9500 && pres < 10600) << pres;
            if (previousPres >= 0) {
                EXPECT_LE(std::abs(pres - previousPres), 30);
            }
            previousPres = pres;

            const int rain = number(s, WeatherSample::rain);
            if (previousRain >= 0 && rain < previousRain) {
                ++wraps;
                EXPECT_GT(previousRain, 65000);
                EXPECT_LT(rain, 500);
            } else if (previousRain >= 0 && rain > previousRain) {
                ++rainy;
            }
            previousRain = rain;

            // Local hour of the interval's end (the weather follows UTC+1).
            const double end = now - back * 300.0;
            const int hour = static_cast<int>(std::fmod(end + 3600, 86400) / 3600);
            if (hour >= 12 && hour < 18) dayTemps += number(s, WeatherSample::outTemp), ++days;
            if (hour >= 0 && hour < 6) nightTemps += number(s, WeatherSample::outTemp), ++nights;
        }
        EXPECT_EQ(wraps, 1);
        EXPECT_GT(rainy, 20);
        EXPECT_GE(directions.size(), 3u);
        EXPECT_GT(dayTemps / days, nightTemps / nights + 40); // afternoons at least 4 °C warmer
    }
}

TEST_F(SimStation, TimeCompletesRecordsAndMovesTheRingOn) {
    sim.start("seed=2 start=1700000000 speed=0 log_phase=100");
    // The current record completes 100 s after the start.
    const unsigned newest = sim.peekU16(0x1E);
    auto completedBefore = sim.peek(recordAddressBack(newest, 1), 16);
    auto current = sim.peek(newest, 16);
    sim.advance(50);
    auto later = sim.peek(newest, 16);
    EXPECT_NE(later, current); // the current record follows the weather
    EXPECT_EQ(sim.peekU16(0x1E), newest);
    sim.advance(50);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 16);
    EXPECT_EQ(sim.peekU16(0x1B), 4079u); // a full ring stays full
    auto completed = sim.peek(newest, 16);
    sim.advance(200);
    EXPECT_EQ(sim.peek(newest, 16), completed); // completed records do not change
    EXPECT_EQ(sim.peek(recordAddressBack(newest, 1), 16), completedBefore);

    // The count grows when the ring is not full; the address wraps from 0xFFF0 to 0x0100.
    sim.pokeU16(0x1B, 100);
    sim.pokeU16(0x1E, 0xFFE0);
    sim.advance(300);
    EXPECT_EQ(sim.peekU16(0x1E), 0xFFF0u);
    sim.advance(300);
    EXPECT_EQ(sim.peekU16(0x1E), 0x0100u);
    EXPECT_EQ(sim.peekU16(0x1B), 102u);
    bool valid = false;
    record(0xFFF0, &valid);
    EXPECT_TRUE(valid);

    // A week later: 2,016 more records, every record still valid; a fortnight more fills the ring.
    sim.advance(7 * 86400);
    EXPECT_EQ(sim.peekU16(0x1E), 0x0100u + 2016 * 16);
    EXPECT_EQ(sim.peekU16(0x1B), 102u + 2016);
    for (unsigned a = kFirstRecordAddress; a <= kLastRecordAddress; a += 16) {
        record(a, &valid);
        ASSERT_TRUE(valid) << std::hex << a;
    }
    sim.advance(14 * 86400);
    EXPECT_EQ(sim.peekU16(0x1B), 4079u);
}

TEST_F(SimStation, SpeedMakesHoursPassInAMoment) {
    sim.start("seed=2 start=1700000000 speed=1000000");
    const unsigned newest = sim.peekU16(0x1E);
    const double start = sim.now();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sim.now() < start + 3600 && std::chrono::steady_clock::now() < deadline) {
    }
    ASSERT_GE(sim.now(), start + 3600);
    EXPECT_GE(sim.peekU16(0x1E), newest + 12 * 16);
}

TEST_F(SimStation, TimesThatWouldKeepTheStationBusyForEverAreRefused) {
    // A start that is no time, or past 2100, leaves the default ("now"); so does a speed that is not
    // finite or past a million. The last good values still count.
    const double beforeNow = static_cast<double>(std::time(nullptr));
    for (const char* start : {"start=1e999", "start=inf", "start=nan", "start=4102444801"}) {
        sim.reset((std::string("speed=0 ") + start).c_str());
        EXPECT_GE(sim.now(), beforeNow) << start;
        EXPECT_LT(sim.now(), beforeNow + 60) << start;
    }
    sim.reset("speed=0 start=1800000000");
    EXPECT_EQ(sim.now(), 1800000000.0); // a start years ahead is lived up to (2100 itself takes seconds)
    for (const char* speed : {"speed=inf", "speed=1000001"}) {
        sim.reset((std::string("start=1700000000 ") + speed).c_str());
        EXPECT_LT(sim.now(), 1700000000 + 60) << speed; // one simulated second per real one
    }
}

} // namespace
} // namespace nimbrel::testing
