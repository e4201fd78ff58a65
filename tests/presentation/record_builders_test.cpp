#include "presentation/min_max_repair.h"
#include "presentation/record_builders.h"

#include <gtest/gtest.h>

namespace nimbrel {

void PrintTo(const MinMaxEntry& e, std::ostream* os) {
    *os << '{' << e.value << ", " << e.time << '}';
}

namespace {

using P = WeatherSample::Position;

// A sample as the record decoder leaves it: raw station values as decimal texts.
WeatherSample decoded() {
    WeatherSample s;
    s[P::sampleTime] = "2009-03-04 13:05:00";
    s[P::indHumi] = "45";
    s[P::indTemp] = "215";
    s[P::outHumi] = "50";
    s[P::outTemp] = "50";
    s[P::absPres] = "10132";
    s[P::winds] = "96";
    s[P::gust] = "140";
    s[P::windDir] = "11";
    s[P::condition] = "3";
    s[P::rain] = "126";
    s[P::rainError] = "0";
    return s;
}

StationSettings settingsWith(const char* temp, const char* pres, const char* wind, const char* rain) {
    StationSettings st;
    st.indTempUnit = st.outTempUnit = temp;
    st.presUnit = pres;
    st.windUnit = wind;
    st.rainUnit = rain;
    return st;
}

TEST(PresentationRecordBuilders, NormaliseSampleWritesBaseUnits) {
    AlarmThresholds alarms;
    alarms.relPres = "10200";
    WeatherSample s = decoded();
    normaliseSample(s, StationSettings{}, alarms);
    EXPECT_EQ(s[P::indHumi], "45");
    EXPECT_EQ(s[P::outHumi], "50");
    EXPECT_EQ(s[P::indTemp], "21.5");
    EXPECT_EQ(s[P::outTemp], "5.0");
    EXPECT_EQ(s[P::absPres], "1013.2");
    EXPECT_EQ(s[P::relPres], "1020.0");
    EXPECT_EQ(s[P::winds], "9.6");
    EXPECT_EQ(s[P::gust], "14.0");
    // Levels from the readings themselves: 9.6 m/s is force 5, 14.0 m/s force 7.
    EXPECT_EQ(s[P::windsLevel], "5");
    EXPECT_EQ(s[P::gustLevel], "7");
    EXPECT_EQ(s[P::windDir], "11");
    EXPECT_EQ(s[P::windDirDesc], "SWW");
    EXPECT_EQ(s[P::conditionDesc], "NEE");
    // An outdoor sensor that sends no humidity (0xFF) has none.
    WeatherSample lost = decoded();
    lost[P::outHumi] = "255";
    normaliseSample(lost, StationSettings{}, alarms);
    EXPECT_EQ(lost[P::outHumi], "---");
    EXPECT_EQ(s[P::rainMm], "12.6");
    EXPECT_EQ(s[P::windChill], "-6.4");
    EXPECT_EQ(s[P::totalRain], "---");

    // No outdoor temperature: no dew point and no wind chill, and "---" once shown.
    s = decoded();
    s[P::outTemp] = "-32767";
    s[P::rainError] = "1";
    s[P::totalRain] = "55.0";
    s[P::windDir] = "-1";
    normaliseSample(s, StationSettings{}, alarms);
    EXPECT_EQ(s[P::outTemp], "---");
    EXPECT_EQ(s[P::dewPoint], "---");
    EXPECT_EQ(s[P::windChill], "---");
    EXPECT_EQ(s[P::totalRain], "---");
    EXPECT_EQ(s[P::windDirDesc], "---");
    sampleForDisplay(s, settingsWith("°F", "inHg", "km/h", "inch"));
    EXPECT_EQ(s[P::outTemp], "---");
    EXPECT_EQ(s[P::dewPoint], "---");
    EXPECT_EQ(s[P::windChill], "---");
}

TEST(PresentationRecordBuilders, SampleForDisplayUsesTheSelectedUnits) {
    AlarmThresholds alarms;
    alarms.relPres = "10132";
    WeatherSample s = decoded();
    normaliseSample(s, StationSettings{}, alarms);
    s[P::increment] = "0.5";
    s[P::hourRain] = "12.6";
    WeatherSample shown = s;
    sampleForDisplay(shown, settingsWith("°F", "inHg", "km/h", "inch"));
    EXPECT_EQ(shown[P::indTemp], "70.7");
    EXPECT_EQ(shown[P::outTemp], "41.0");
    EXPECT_EQ(shown[P::absPres], "29.92");
    EXPECT_EQ(shown[P::relPres], "29.92");
    EXPECT_EQ(shown[P::winds], "34.6");
    EXPECT_EQ(shown[P::hourRain], "0.50");
    EXPECT_EQ(shown[P::indHumi], "45");
    // Left as they are: rain counter, interval rain, levels, stamps.
    for (int p :
         {int(P::rainMm), int(P::increment), int(P::windsLevel), int(P::gustLevel), int(P::sampleTime)})
        EXPECT_EQ(shown[p], s[p]) << WeatherSample::nameOf(p);

    shown = s;
    sampleForDisplay(shown, settingsWith("°C", "", "bft", "")); // no pressure or rain unit selected
    EXPECT_EQ(shown[P::absPres], "1013.2");
    EXPECT_EQ(shown[P::winds], "5");
    EXPECT_EQ(shown[P::hourRain], "12.6");
}

TEST(PresentationRecordBuilders, ThresholdsStayInTheSelectedUnit) {
    AlarmThresholds a;
    a.relPres = "10132";
    a.absPres = "10100";
    a.absPresHighAlarm = "2992";
    a.indTempHighAlarm = "800";
    a.outHumiLowAlarm = "20";
    a.windAlarm = "100";
    a.windsLevelAlarm = "4";
    a.hourRainAlarm = "50";
    a.timeAlarmHour = "13";
    AlarmThresholds inches = a;
    thresholdsForDisplay(inches, settingsWith("°F", "inHg", "knot", "inch"));
    EXPECT_EQ(inches.absPresHighAlarm, "29.92");
    EXPECT_EQ(inches.relPres, "1013.20"); // still hPa, with the two decimals of inHg
    EXPECT_EQ(inches.indTempHighAlarm, "80.0");
    EXPECT_EQ(inches.outHumiLowAlarm, "20");
    EXPECT_EQ(inches.windAlarm, "10.0");
    EXPECT_EQ(inches.windsLevelAlarm, "4");
    EXPECT_EQ(inches.hourRainAlarm, "0.50");
    EXPECT_EQ(inches.timeAlarmHour, "13");
    EXPECT_EQ(inches.dewpointLowAlarm, "---"); // never filled

    AlarmThresholds metric = a;
    thresholdsForDisplay(metric, settingsWith("°C", "Hpa", "m/s", "mm"));
    EXPECT_EQ(metric.absPresHighAlarm, "299.2");
    EXPECT_EQ(metric.relPres, "1013.2");
    EXPECT_EQ(metric.hourRainAlarm, "5.0");
}

TEST(PresentationRecordBuilders, MinMaxConvertsValuesAndMarksUnsetTimes) {
    MinMaxTable m;
    m.indTempMax = {"215", "2009-03-04 13:05"};
    m.outHumiMin = {"255", "2000-00-00 00:00"};
    m.absPresMax = {"10132", "2009-01-01 12:00"};
    m.windMax = {"56", "2009-02-02 02:02"};
    m.totalRainMax = {"176092", "2009-02-02 02:02"};
    minMaxForDisplay(m, settingsWith("°F", "mmHg", "bft", "mm"));
    EXPECT_EQ(m.indTempMax.value, "70.7");
    EXPECT_EQ(m.indTempMax.time, "2009-03-04 13:05");
    EXPECT_EQ(m.outHumiMin.value, "---");
    EXPECT_EQ(m.outHumiMin.time, "---");
    EXPECT_EQ(m.absPresMax.value, "759.9");
    EXPECT_EQ(m.windMax.value, "4");
    EXPECT_EQ(m.totalRainMax.value, "17609.2");
    EXPECT_EQ(m.relPresMax.value, "---");
}

TEST(PresentationMinMaxRepair, ImplausibleRecordsTakeTheCurrentReading) {
    WeatherSample s;
    s[P::sampleTime] = "2009-03-04 13:05:00";
    s[P::indHumi] = "45";
    s[P::outHumi] = "---";
    s[P::indTemp] = "70.7";
    s[P::outTemp] = "41.0";
    s[P::windChill] = "30.0";
    s[P::absPres] = "29.92";
    s[P::relPres] = "30.01";
    s[P::winds] = "12.0";
    s[P::gust] = "0.0";
    s[P::hourRain] = "1.5";
    s[P::dayRain] = "0.5"; // reads as 0: no rain to take
    s[P::totalRain] = "800.0";
    const StationSettings st = settingsWith("°F", "inHg", "m/h", "mm");

    MinMaxTable m;
    m.indHumiMax = {"100", "2008-01-01 00:00"};     // above 99
    m.indHumiMin = {"50", "2008-01-01 00:00"};      // above the replaced maximum (45)
    m.outHumiMax = {"0", "2008-01-01 00:00"};       // implausible, but the sample has no humidity
    m.indTempMax = {"130.0", "2008-01-01 00:00"};   // 54 °C in °F: plausible
    m.indTempMin = {"-45.0", "2008-01-01 00:00"};   // below -40 °F
    m.outTempMax = {"150.0", "2008-01-01 00:00"};   // above 140 °F
    m.outTempMin = {"", "2008-01-01 00:00"};        // empty: left alone
    m.windchillMax = {"250.0", "2008-01-01 00:00"}; // within twice the outdoor limit (280)
    m.windchillMin = {"-90.0", "2008-01-01 00:00"}; // beyond twice the outdoor limit (-80)
    m.absPresMax = {"33.00", "2008-01-01 00:00"};   // above 1100 hPa in inHg (32.48)
    m.absPresMin = {"15.00", "2008-01-01 00:00"};   // 14.77 inHg is the low limit: plausible
    m.relPresMax = {"1013.2", "2008-01-01 00:00"};  // hPa figure in an inHg table
    m.windMax = {"1200.0", "2008-01-01 00:00"};     // above 500 m/s in mph (1118.5)
    m.gustMax = {"-1", "2008-01-01 00:00"};         // implausible, but the sample gust is 0
    m.hourRainMax = {"0", "2008-01-01 00:00"};
    m.dayRainMax = {"0", "2008-01-01 00:00"};
    m.totalRainMax = {"1048575", "2008-01-01 00:00"};
    m.monthRainMax = {"1048574", "2008-01-01 00:00"};
    repairMinMax(m, st, s);

    const std::string now = "2009-03-04 13:05";
    EXPECT_EQ(m.indHumiMax, (MinMaxEntry{"45", now}));
    EXPECT_EQ(m.indHumiMin, (MinMaxEntry{"45", now}));
    EXPECT_EQ(m.outHumiMax.value, "0");
    EXPECT_EQ(m.indTempMax.value, "130.0");
    EXPECT_EQ(m.indTempMin, (MinMaxEntry{"70.7", now}));
    EXPECT_EQ(m.outTempMax, (MinMaxEntry{"41.0", now}));
    EXPECT_EQ(m.outTempMin.value, "");
    EXPECT_EQ(m.windchillMax.value, "250.0");
    EXPECT_EQ(m.windchillMin, (MinMaxEntry{"30.0", now}));
    EXPECT_EQ(m.absPresMax, (MinMaxEntry{"29.92", now}));
    EXPECT_EQ(m.absPresMin.value, "15.00");
    EXPECT_EQ(m.relPresMax, (MinMaxEntry{"30.01", now}));
    // The relative minimum was "---" (0): below the limit, replaced too.
    EXPECT_EQ(m.relPresMin, (MinMaxEntry{"30.01", now}));
    EXPECT_EQ(m.windMax, (MinMaxEntry{"12.0", now}));
    EXPECT_EQ(m.gustMax.value, "-1");
    EXPECT_EQ(m.hourRainMax, (MinMaxEntry{"1.5", now}));
    EXPECT_EQ(m.dayRainMax.value, "0");
    EXPECT_EQ(m.totalRainMax, (MinMaxEntry{"800.0", now}));
    EXPECT_EQ(m.monthRainMax.value, "1048574");
    EXPECT_EQ(m.weekRainMax.value, "---"); // the sample has no week rain
}

} // namespace
} // namespace nimbrel
