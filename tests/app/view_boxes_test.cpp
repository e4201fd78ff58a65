// The current-conditions view's boxes without a window: which reading and alarm each lamp watches,
// which unit follows each value, and when a lamp is off, armed or lit.
#include "app/alarm_form.h"
#include "app/scope_form.h"
#include "app/view_boxes.h"
#include "station/weather_sample.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace nimbrel {
namespace {

using W = WeatherSample;
using S = StationSettings;
using A = AlarmThresholds;

TEST(ViewBoxes, EachAlarmBoxButTheTimeHasTheLampOfItsReading) {
    const LampRule expected[] = {
        {1005, &S::indHumiHighAlarmFlag, W::indHumi, &A::indHumiHighAlarm, LampLimit::High},
        {1006, &S::indHumiLowAlarmFlag, W::indHumi, &A::indHumiLowAlarm, LampLimit::Low},
        {1003, &S::indTempHighAlarmFlag, W::indTemp, &A::indTempHighAlarm, LampLimit::High},
        {1004, &S::indTempLowAlarmFlag, W::indTemp, &A::indTempLowAlarm, LampLimit::Low},
        {1009, &S::outHumiHighAlarmFlag, W::outHumi, &A::outHumiHighAlarm, LampLimit::High},
        {1010, &S::outHumiLowAlarmFlag, W::outHumi, &A::outHumiLowAlarm, LampLimit::Low},
        {1007, &S::outTempHighAlarmFlag, W::outTemp, &A::outTempHighAlarm, LampLimit::High},
        {1008, &S::outTempLowAlarmFlag, W::outTemp, &A::outTempLowAlarm, LampLimit::Low},
        {1014, &S::windchillHighAlarmFlag, W::windChill, &A::windchillHighAlarm, LampLimit::High},
        {1015, &S::windchillLowAlarmFlag, W::windChill, &A::windchillLowAlarm, LampLimit::Low},
        {1012, &S::dewpointHighAlarmFlag, W::dewPoint, &A::dewpointHighAlarm, LampLimit::High},
        {1013, &S::dewpointLowAlarmFlag, W::dewPoint, &A::dewpointLowAlarm, LampLimit::Low},
        {1023, &S::absPresHighAlarmFlag, W::absPres, &A::absPresHighAlarm, LampLimit::High},
        {1025, &S::absPresLowAlarmFlag, W::absPres, &A::absPresLowAlarm, LampLimit::Low},
        {1011, &S::relPresHighAlarmFlag, W::relPres, &A::relPresHighAlarm, LampLimit::High},
        {1021, &S::relPresLowAlarmFlag, W::relPres, &A::relPresLowAlarm, LampLimit::Low},
        {1016, &S::windAlarmFlag, W::windsLevel, &A::windsLevelAlarm, LampLimit::High},
        {1017, &S::windAlarmFlag, W::winds, &A::windAlarm, LampLimit::High},
        {1026, &S::gustAlarmFlag, W::gustLevel, &A::gustLevelAlarm, LampLimit::High},
        {1018, &S::gustAlarmFlag, W::gust, &A::gustAlarm, LampLimit::High},
        {1019, &S::hourRainAlarmFlag, W::hourRain, &A::hourRainAlarm, LampLimit::High},
        {1020, &S::dayRainAlarmFlag, W::dayRain, &A::dayRainAlarm, LampLimit::High},
    };
    const auto rules = lampRules();
    ASSERT_EQ(rules.size(), std::size(expected)); // the time boxes 1027 and 1022 have no lamp
    for (const LampRule& want : expected) {
        const auto found =
            std::find_if(rules.begin(), rules.end(), [&](const LampRule& r) { return r.id == want.id; });
        ASSERT_NE(found, rules.end()) << want.id;
        EXPECT_TRUE(found->flag == want.flag) << want.id;
        EXPECT_EQ(found->reading, want.reading) << want.id;
        EXPECT_TRUE(found->threshold == want.threshold) << want.id;
        EXPECT_EQ(found->limit, want.limit) << want.id;
    }
}

TEST(ViewBoxes, EachValueBoxHasTheUnitOfItsReading) {
    const std::pair<int, BoxUnit> cases[] = {
        {10009, BoxUnit::indoorTemperature},  // current indoor temperature
        {10017, BoxUnit::outdoorTemperature}, // current windchill
        {10037, BoxUnit::beaufort},           // current wind level
        {10039, BoxUnit::none},               // the direction's name
        {1024, BoxUnit::rain},                // current total rain
        {10050, BoxUnit::indoorTemperature},  // indoor temperature minimum
        {10084, BoxUnit::outdoorTemperature}, // windchill minimum
        {10076, BoxUnit::pressure},           // absolute pressure minimum
        {10173, BoxUnit::wind},               // gust maximum
        {10021, BoxUnit::rain},               // total rain maximum
        {1051, BoxUnit::none},                // a time box of the Scope window is no box of the view
    };
    for (const auto& [id, unit] : cases) EXPECT_EQ(viewBoxUnit(id), unit) << id;
}

// The windows, their tests and the user's scripts name a box by its number: no two boxes share one, and no
// two current values show the same reading.
TEST(ViewBoxes, NoTwoBoxesShareANumberOrAReading) {
    std::set<int> ids, readings;
    std::size_t boxes = 0;
    const auto add = [&](int id) { ids.insert(id), ++boxes; };
    for (const CurrentValueBox& b : currentValueBoxes()) add(b.id), readings.insert(b.position);
    EXPECT_EQ(readings.size(), currentValueBoxes().size());
    for (const ScopeBox& b : scopeBoxes()) add(b.valueId), add(b.timeId);
    for (const AlarmBox& b : alarmBoxes()) add(b.control);
    EXPECT_EQ(ids.size(), boxes);
}

TEST(AlarmLampRule, DisabledArmedAndLit) {
    // Disabled whatever the reading.
    EXPECT_EQ(lampState("0", "35.0", "30.0", LampLimit::High), LampState::Disabled);
    EXPECT_EQ(lampState("", "35.0", "30.0", LampLimit::High), LampState::Disabled);
    EXPECT_EQ(lampState("true", "35.0", "30.0", LampLimit::High), LampState::Disabled);
    // Enabled, not met, then met, for both limits.
    EXPECT_EQ(lampState("1", "25.0", "30.0", LampLimit::High), LampState::Armed);
    EXPECT_EQ(lampState("1", "30.0", "30.0", LampLimit::High), LampState::Armed);
    EXPECT_EQ(lampState("1", "30.1", "30.0", LampLimit::High), LampState::Lit);
    EXPECT_EQ(lampState("1", "12.0", "10.0", LampLimit::Low), LampState::Armed);
    EXPECT_EQ(lampState("1", "9.9", "10.0", LampLimit::Low), LampState::Lit);
    // A reading of 0 or below, or none at all, never lights a lamp.
    EXPECT_EQ(lampState("1", "-5.0", "0.0", LampLimit::Low), LampState::Armed);
    EXPECT_EQ(lampState("1", "0.0", "3.0", LampLimit::Low), LampState::Armed);
    EXPECT_EQ(lampState("1", "-5.0", "-10.0", LampLimit::High), LampState::Armed);
    EXPECT_EQ(lampState("1", "---", "10.0", LampLimit::Low), LampState::Armed);
    EXPECT_EQ(lampState("1", "", "10.0", LampLimit::Low), LampState::Armed);
}

TEST(AlarmLampRule, DirectionLampNeedsWindFromExactlyTheAlarmDirection) {
    EXPECT_EQ(directionLampState("1", "3.2", "NNE", "NNE"), LampState::Lit);
    EXPECT_EQ(directionLampState("1", "0.0", "NNE", "NNE"), LampState::Armed);
    EXPECT_EQ(directionLampState("1", "3.2", "NE", "NNE"), LampState::Armed);
    EXPECT_EQ(directionLampState("1", "3.2", "nne", "NNE"), LampState::Armed);
    EXPECT_EQ(directionLampState("0", "3.2", "NNE", "NNE"), LampState::Disabled);
}

} // namespace
} // namespace nimbrel
