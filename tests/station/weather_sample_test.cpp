#include <gtest/gtest.h>

#include "station/weather_sample.h"

namespace nimbrel {
namespace {

TEST(WeatherSample, FreshSampleShowsNoReading) {
    WeatherSample s;
    EXPECT_EQ(s[WeatherSample::ID], "0");
    EXPECT_EQ(s[WeatherSample::saveTime], "");
    EXPECT_EQ(s[WeatherSample::sampleTime], "");
    for (int p : WeatherSample::kTriples) EXPECT_EQ(s[p], "---") << WeatherSample::nameOf(p);
    for (int p = WeatherSample::rainMm; p <= WeatherSample::conditionDesc; ++p) EXPECT_EQ(s[p], "---");
    for (int p = WeatherSample::f1; p <= WeatherSample::totalRainOverflow; ++p) EXPECT_EQ(s[p], "");
}

TEST(WeatherSample, ClearKeepsAddressesHexAndRaw) {
    WeatherSample s;
    s[WeatherSample::hexAdd] = "0001F0";
    s[WeatherSample::hexValue] = "05 41 ";
    s[WeatherSample::indTemp] = "227";
    s[WeatherSample::indTempHex] = "E3 00 ";
    s.setRaw(WeatherSample::indTemp, 227);
    s[WeatherSample::flag_bin] = "00000010";
    s[WeatherSample::windsError] = "1";
    s.clear();
    EXPECT_EQ(s[WeatherSample::hexAdd], "0001F0");
    EXPECT_EQ(s[WeatherSample::hexValue], "05 41 ");
    EXPECT_EQ(s[WeatherSample::indTempHex], "E3 00 ");
    EXPECT_EQ(s.raw(WeatherSample::indTempRaw), 227);
    EXPECT_EQ(s[WeatherSample::flag_bin], "00000010");
    EXPECT_EQ(s[WeatherSample::indTemp], "---");
    EXPECT_EQ(s[WeatherSample::windsError], "");
}

TEST(WeatherSample, CopyIsIndependentAndNamesMatchPositions) {
    WeatherSample a;
    a[WeatherSample::outTemp] = "12";
    WeatherSample b = a;
    b[WeatherSample::outTemp] = "13";
    b.setRaw(WeatherSample::rain, 5);
    EXPECT_EQ(a[WeatherSample::outTemp], "12");
    EXPECT_EQ(a.raw(WeatherSample::rain), 0);

    for (int p = 0; p < WeatherSample::kPositions; ++p) EXPECT_EQ(WeatherSample::positionOf(WeatherSample::nameOf(p)), p);
    EXPECT_EQ(WeatherSample::positionOf("flag_bin"), 62);
    EXPECT_EQ(WeatherSample::positionOf("windChill"), 43);
    EXPECT_EQ(WeatherSample::positionOf("nothing"), -1);
    EXPECT_TRUE(WeatherSample::isRawPosition(WeatherSample::rainRaw));
    EXPECT_FALSE(WeatherSample::isRawPosition(WeatherSample::rainMm));
}

}  // namespace
}  // namespace nimbrel
