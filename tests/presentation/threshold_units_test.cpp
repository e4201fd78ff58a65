// The thresholds as the station stores them: the raw value of a typed value at the edges of each kind
// of field (the signed fields stop one above the no-reading marker), the strict parsing of what a user
// types, and the rewrite of the thresholds when a unit changes.
#include "presentation/decimal_text.h"
#include "presentation/threshold_units.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using A = AlarmThresholds;
using Q = ThresholdQuantity;

TEST(ThresholdUnits, RawValuesAtTheEdgesOfEachField) {
    const struct {
        std::string A::*field;
        Q quantity;
        std::string_view unit;
        double value;
        std::optional<long long> raw;
    } cases[] = {
        {&A::indTempLowAlarm, Q::indoorTemperature, unit::celsius, -3276.6, -32766}, // lowest a user may set
        {&A::indTempLowAlarm, Q::indoorTemperature, unit::celsius, -3276.7,
         std::nullopt}, // the no-reading marker
        {&A::indTempHighAlarm, Q::indoorTemperature, unit::fahrenheit, 3276.7, 32767},
        {&A::indTempHighAlarm, Q::indoorTemperature, unit::fahrenheit, 3276.8, std::nullopt},
        {&A::absPresHighAlarm, Q::pressure, unit::hpa, 6553.5, 65535},
        {&A::absPresHighAlarm, Q::pressure, unit::hpa, 6553.6, std::nullopt},
        {&A::absPresHighAlarm, Q::pressure, unit::hpa, -0.1, std::nullopt},
        {&A::absPresHighAlarm, Q::pressure, unit::inHg, 29.92, 2992},
        {&A::dayRainAlarm, Q::rain, unit::inch, 655.35, 65535},
        {&A::dayRainAlarm, Q::rain, unit::mm, 655.35, 6554},
        {&A::indHumiHighAlarm, Q::count, "", 255, 255},
        {&A::indHumiHighAlarm, Q::count, "", 256, std::nullopt},
        {&A::timeAlarmHour, Q::count, "", 99, 99},
        {&A::timeAlarmHour, Q::count, "", 100, std::nullopt},
        {&A::relPres, Q::pressure, unit::hpa, 1e300, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thresholdRawValue(c.field, c.quantity, c.unit, c.value), c.raw) << c.value << " " << c.unit;
}

TEST(ThresholdUnits, TypedNumbersAreTakenOnlyWhole) {
    const struct {
        const char* text;
        std::optional<long long> integer;
        std::optional<double> number;
    } cases[] = {
        {" 60 ", 60, 60.0},
        {"+5", 5, 5.0},
        {"-5", -5, -5.0},
        {"+-5", std::nullopt, std::nullopt},
        {"5.5", std::nullopt, 5.5},
        {"-.5", std::nullopt, -0.5},
        {"12a", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"21,5", std::nullopt, std::nullopt},
        {"nan", std::nullopt, std::nullopt},
        {"99999999999999999999", std::nullopt, 1e20},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wholeInteger(c.text), c.integer) << c.text;
        EXPECT_EQ(wholeNumber(c.text), c.number) << c.text;
    }
    EXPECT_EQ(trimmed("\t\v 7 \r\n"), "7");
    EXPECT_EQ(boundText(44.295f), "44.295");
    EXPECT_EQ(boundText(1500.0f), "1500");
}

TEST(ThresholdUnits, AUnitChangeRewritesTheThresholdsThatFollowIt) {
    AlarmThresholds alarms;
    alarms.indTempHighAlarm = "250";   // 25.0 °C
    alarms.indTempLowAlarm = "-32767"; // no value
    alarms.outTempHighAlarm = "300";   // outdoor stays in °C
    alarms.relPresLowAlarm = "9800";   // 980.0 hPa
    alarms.hourRainAlarm = "254";      // 25.4 mm
    UnitSelection from, to;
    to.indoorTemperature = unit::fahrenheit;
    to.pressure = unit::inHg;
    to.rain = unit::inch;
    EXPECT_FALSE(rewriteThresholds(alarms, from, to));
    EXPECT_EQ(alarms.indTempHighAlarm, "770");
    EXPECT_EQ(alarms.indTempLowAlarm, "-32767");
    EXPECT_EQ(alarms.outTempHighAlarm, "300");
    EXPECT_EQ(alarms.relPresLowAlarm, "2894");
    EXPECT_EQ(alarms.hourRainAlarm, "100");

    // 655.35 inch is 16645.9 mm: more tenths than the field holds.
    alarms.dayRainAlarm = "65535";
    const auto refused = rewriteThresholds(alarms, to, from);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->field == &A::dayRainAlarm);
    EXPECT_EQ(refused->text, "16645.9");
}

} // namespace
} // namespace nimbrel
