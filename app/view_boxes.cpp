#include "app/view_boxes.h"

#include "app/alarm_form.h"
#include "app/scope_form.h"
#include "station/weather_sample.h"

#include <vector>

namespace nimbrel {

namespace {

using W = WeatherSample;
using S = StationSettings;
using A = AlarmThresholds;

const CurrentValueBox kValueBoxes[] = {
    {10009, W::indTemp, BoxUnit::indoorTemperature},
    {10041, W::indHumi, BoxUnit::humidity},
    {10015, W::outTemp, BoxUnit::outdoorTemperature},
    {10025, W::outHumi, BoxUnit::humidity},
    {10016, W::dewPoint, BoxUnit::outdoorTemperature},
    {10017, W::windChill, BoxUnit::outdoorTemperature},
    {10220, W::relPres, BoxUnit::pressure},
    {10221, W::absPres, BoxUnit::pressure},
    {10035, W::winds, BoxUnit::wind},
    {10034, W::gust, BoxUnit::wind},
    {10039, W::windDirDesc, BoxUnit::none},
    {10037, W::windsLevel, BoxUnit::beaufort},
    {10038, W::gustLevel, BoxUnit::beaufort},
    {1048, W::hourRain, BoxUnit::rain},
    {10019, W::dayRain, BoxUnit::rain},
    {10020, W::weekRain, BoxUnit::rain},
    {10033, W::monthRain, BoxUnit::rain},
    {1024, W::totalRain, BoxUnit::rain},
};

// What the lamp of each alarm threshold watches: its flag, its reading and its limit.
struct Watch {
    std::string A::*threshold;
    std::string S::*flag;
    int reading;
    LampLimit limit;
};
const Watch kWatches[] = {
    {&A::indHumiHighAlarm, &S::indHumiHighAlarmFlag, W::indHumi, LampLimit::High},
    {&A::indHumiLowAlarm, &S::indHumiLowAlarmFlag, W::indHumi, LampLimit::Low},
    {&A::indTempHighAlarm, &S::indTempHighAlarmFlag, W::indTemp, LampLimit::High},
    {&A::indTempLowAlarm, &S::indTempLowAlarmFlag, W::indTemp, LampLimit::Low},
    {&A::outHumiHighAlarm, &S::outHumiHighAlarmFlag, W::outHumi, LampLimit::High},
    {&A::outHumiLowAlarm, &S::outHumiLowAlarmFlag, W::outHumi, LampLimit::Low},
    {&A::outTempHighAlarm, &S::outTempHighAlarmFlag, W::outTemp, LampLimit::High},
    {&A::outTempLowAlarm, &S::outTempLowAlarmFlag, W::outTemp, LampLimit::Low},
    {&A::windchillHighAlarm, &S::windchillHighAlarmFlag, W::windChill, LampLimit::High},
    {&A::windchillLowAlarm, &S::windchillLowAlarmFlag, W::windChill, LampLimit::Low},
    {&A::dewpointHighAlarm, &S::dewpointHighAlarmFlag, W::dewPoint, LampLimit::High},
    {&A::dewpointLowAlarm, &S::dewpointLowAlarmFlag, W::dewPoint, LampLimit::Low},
    {&A::absPresHighAlarm, &S::absPresHighAlarmFlag, W::absPres, LampLimit::High},
    {&A::absPresLowAlarm, &S::absPresLowAlarmFlag, W::absPres, LampLimit::Low},
    {&A::relPresHighAlarm, &S::relPresHighAlarmFlag, W::relPres, LampLimit::High},
    {&A::relPresLowAlarm, &S::relPresLowAlarmFlag, W::relPres, LampLimit::Low},
    {&A::windsLevelAlarm, &S::windAlarmFlag, W::windsLevel, LampLimit::High},
    {&A::windAlarm, &S::windAlarmFlag, W::winds, LampLimit::High},
    {&A::gustLevelAlarm, &S::gustAlarmFlag, W::gustLevel, LampLimit::High},
    {&A::gustAlarm, &S::gustAlarmFlag, W::gust, LampLimit::High},
    {&A::hourRainAlarm, &S::hourRainAlarmFlag, W::hourRain, LampLimit::High},
    {&A::dayRainAlarm, &S::dayRainAlarmFlag, W::dayRain, LampLimit::High},
};

std::vector<LampRule> buildLampRules() {
    std::vector<LampRule> rules;
    for (const AlarmBox& box : alarmBoxes())
        for (const Watch& watch : kWatches)
            if (watch.threshold == box.field)
                rules.push_back({box.control, watch.flag, watch.reading, box.field, watch.limit});
    return rules;
}

constexpr RainGauge kRainGauges[kRainGaugeCount] = {
    {W::hourRain, 40.0},   {W::dayRain, 100.0},   {W::weekRain, 200.0},
    {W::monthRain, 300.0}, {W::totalRain, 400.0},
};

} // namespace

std::span<const CurrentValueBox> currentValueBoxes() {
    return kValueBoxes;
}

std::span<const LampRule> lampRules() {
    static const std::vector<LampRule> rules = buildLampRules();
    return rules;
}

BoxUnit viewBoxUnit(int id) {
    for (const CurrentValueBox& box : kValueBoxes)
        if (box.id == id) return box.unit;
    for (const ScopeBox& box : scopeBoxes())
        if (box.valueId == id) return box.unit;
    return BoxUnit::none;
}

std::span<const RainGauge> rainGauges() {
    return kRainGauges;
}

} // namespace nimbrel
