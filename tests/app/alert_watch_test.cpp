// When alerts begin and end: once per episode, under the lamps' own rule, and the silence of a station
// that is held back while the station problem says why.
#include "app/alert_watch.h"
#include "station/alarm_thresholds.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using W = WeatherSample;

struct Recorder final : AlertSink {
    std::vector<Alert> said;
    void alert(const Alert& a) override { said.push_back(a); }
    // "id on", "id off" of every change, initial states left out.
    std::vector<std::string> changes() const {
        std::vector<std::string> out;
        for (const Alert& a : said)
            if (!a.initial) out.push_back(a.id + (a.on ? " on" : " off"));
        return out;
    }
};

struct Watch {
    LanguageTable texts;
    Recorder sink;
    AlertWatch watch{texts, 10min, {&sink}};
    StationSettings settings;
    AlarmThresholds alarms;
    AlertWatch::Steady start{};

    Watch() {
        settings.outTempHighAlarmFlag = "1";
        alarms.outTempHighAlarm = "300"; // 30.0 °C, held in tenths
    }
    void read(const std::string& outdoor, std::chrono::seconds at = 0s) {
        WeatherSample reading;
        reading.clear();
        reading[W::outTemp] = outdoor;
        watch.reading(alarms, settings, reading, start + at, 1000);
    }
};

TEST(AlertWatch, AnAlarmCrossedThreeTimesBeginsAndEndsThreeTimesInTheUsersUnitAndLanguage) {
    Watch w;
    // At the threshold the lamp stays dark; a tenth above it lights it.
    for (const char* outdoor : {"30.0", "30.1", "31.0", "29.9", "30.2", "30.2", "12.0", "35.0", "20.0"})
        w.read(outdoor);
    const std::vector<std::string> expected = {"outdoor_temperature_high on",  "outdoor_temperature_high off",
                                               "outdoor_temperature_high on",  "outdoor_temperature_high off",
                                               "outdoor_temperature_high on",  "outdoor_temperature_high off"};
    EXPECT_EQ(w.sink.changes(), expected);

    // The first reading told the state of every alert but the failed save (that comes with a save) once:
    // off, as a state rather than a change.
    std::size_t initial = 0;
    for (const Alert& a : w.sink.said) initial += a.initial ? 1 : 0;
    EXPECT_EQ(initial, alertKinds().size() - 1);

    const Alert& on = w.sink.said[initial];
    EXPECT_EQ(on.title, "Outdoor Temperature High");
    EXPECT_EQ(on.message, "30.1 °C, above the threshold of 30.0 °C");
    EXPECT_EQ(on.value, "30.1");
    EXPECT_EQ(on.threshold, "30.0");
    EXPECT_EQ(on.unit, "°C");
    EXPECT_EQ(on.time, 1000);
    const Alert& off = w.sink.said[initial + 1];
    EXPECT_EQ(off.title, "Back to normal: Outdoor Temperature High");
    EXPECT_EQ(off.message, "Now 29.9 °C");

    // In German, and an alarm the station does not watch is never raised.
    Watch german;
    german.texts = LanguageTable(1);
    german.settings.outTempHighAlarmFlag = "0";
    german.read("40.0");
    german.settings.outTempHighAlarmFlag = "1";
    german.read("40.0");
    ASSERT_EQ(german.sink.changes(), std::vector<std::string>{"outdoor_temperature_high on"});
    EXPECT_EQ(german.sink.said.back().message, "40.0 °C, über dem Grenzwert von 30.0 °C");
}

TEST(AlertWatch, NoNewReadingComesAfterItsTimeOnceAndNeverWhileTheStationProblemSaysWhy) {
    Watch w;
    w.watch.tick(w.start, 0);
    w.read("12.0", 60s);
    w.watch.tick(w.start + 60s + 10min - 1s, 0);
    EXPECT_TRUE(w.sink.changes().empty());
    w.watch.tick(w.start + 60s + 10min, 0);
    const Alert& stale = w.sink.said.back();
    EXPECT_EQ(stale.value + " " + stale.threshold + " " + stale.unit + ": " + stale.message,
              "10 10 min: Nothing new from the station for 10 minutes.");
    w.watch.tick(w.start + 60s + 30min, 0);
    w.read("12.0", 31min);
    ASSERT_EQ(w.sink.changes(), (std::vector<std::string>{"no_new_reading on", "no_new_reading off"}));

    // The station stops answering: one alert for one cause, however long it lasts.
    w.watch.stationProblem(true, 0);
    w.watch.tick(w.start + 5h, 0);
    w.watch.stationProblem(false, 0);
    w.watch.tick(w.start + 5h + 1s, 0);
    EXPECT_EQ(w.sink.changes(),
              (std::vector<std::string>{"no_new_reading on", "no_new_reading off", "station_problem on",
                                        "station_problem off", "no_new_reading on"}));

    // Without any reading the time counts from the start of the watch.
    Watch silent;
    silent.watch.tick(silent.start, 0);
    silent.watch.tick(silent.start + 10min, 0);
    EXPECT_EQ(silent.sink.changes(), std::vector<std::string>{"no_new_reading on"});
}

TEST(AlertWatch, AFailedSaveLastsUntilASaveWorks) {
    Watch w;
    w.watch.saveOutcome(true, 0);
    w.watch.saveOutcome(false, 0);
    w.watch.saveOutcome(false, 0);
    w.watch.saveOutcome(true, 0);
    EXPECT_EQ(w.sink.changes(), (std::vector<std::string>{"save_failed on", "save_failed off"}));
    EXPECT_EQ(w.sink.said[1].title, "The history could not be saved");
}

} // namespace
} // namespace nimbrel
