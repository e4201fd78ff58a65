#include "station/alarm_thresholds.h"
#include "station/byte_codec.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/test_image.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

template <std::size_t N> std::array<std::uint8_t, N> slice(std::size_t from) {
    std::array<std::uint8_t, N> out{};
    std::copy_n(fixedTemplate.begin() + static_cast<std::ptrdiff_t>(from), N, out.begin());
    return out;
}

TEST(StationMemoryMap, InitialContents) {
    StationSettings s;
    EXPECT_EQ(s.historyCircle, "---");
    EXPECT_EQ(s.indTempUnit, "°C");
    EXPECT_EQ(s.outTempUnit, "°C");
    EXPECT_EQ(s.rainUnit, "mm");
    EXPECT_EQ(s.presUnit, "Hpa");
    EXPECT_EQ(s.windUnit, "m/s");
    EXPECT_EQ(s.timeZone, "");
    EXPECT_EQ(s.historyStackAddr, "");

    MinMaxTable m;
    EXPECT_EQ(m.absPresMin.value, "");
    EXPECT_EQ(m.relPresMax.value, "---");
    EXPECT_EQ(m.totalRainMax.value, "---");
    for (const auto& f : minMaxFields()) EXPECT_EQ((m.*f.entry).time, "---") << f.name;

    AlarmThresholds a;
    for (const auto& f : alarmFields()) EXPECT_EQ(a.*f.text, "") << f.name;
}

TEST(StationMemoryMap, SignMagnitudeAndIntegersBothWays) {
    std::uint8_t b[2];
    codec::putS16sm(b, -100);
    EXPECT_EQ(b[0], 0x64);
    EXPECT_EQ(b[1], 0x80);
    EXPECT_EQ(codec::s16smAt(b), -100);
    const std::uint8_t minus284[2] = {0x1C, 0x81};
    EXPECT_EQ(codec::s16smAt(minus284), -284);
    const std::uint8_t none[2] = {0xFF, 0xFF};
    EXPECT_EQ(codec::s16smAt(none), -32767);
    codec::putS16sm(b, 300);
    EXPECT_EQ(codec::s16smAt(b), 300);
    EXPECT_EQ(b[1] & 0x80, 0);

    EXPECT_EQ(codec::parseInteger(" -12abc"), -12);
    EXPECT_EQ(codec::parseInteger("+7"), 7);
    EXPECT_EQ(codec::parseInteger("---"), 0);
    EXPECT_EQ(codec::parseInteger("12.9"), 12);
    EXPECT_GT(codec::parseInteger("99999999999999999999999"), 0); // stops growing instead of overflowing
}

TEST(StationMemoryMap, SettingsSelectorsFormatsAndTimeZone) {
    std::array<std::uint8_t, 32> bytes{};
    bytes[0x11] = 0x20;
    bytes[0x13] = 0x20;
    bytes[0x14] = 0x09;
    StationSettings s;
    decodeSettings(bytes, s);
    EXPECT_EQ(s.indTempUnit, "°C");
    EXPECT_EQ(s.outTempUnit, "°C");
    EXPECT_EQ(s.rainUnit, "mm");
    EXPECT_EQ(s.presUnit, "Hpa");
    EXPECT_EQ(s.windUnit, ""); // no bit set
    for (auto* t : {&s.presFmt, &s.windFmt, &s.hourFmt, &s.axisFmt, &s.dateFmt, &s.outTempFmt, &s.rainFmt})
        EXPECT_EQ(*t, "0");
    EXPECT_EQ(s.formats, (DisplayFormats{0, 0, 1})); // axisFmt 0 means a 12-hour axis

    bytes[0x11] = 0xC7; // both °F, inch, inHg wins over mmHg (lowest bit)
    bytes[0x12] = 0x18; // m/h wins over bft
    bytes[0x13] = 0xD4; // hourFmt 1, axisFmt 1, dateFmt 1 (bits 6 and 7)
    decodeSettings(bytes, s);
    EXPECT_EQ(s.indTempUnit, "°F");
    EXPECT_EQ(s.rainUnit, "inch");
    EXPECT_EQ(s.presUnit, "inHg");
    EXPECT_EQ(s.windUnit, "m/h");
    EXPECT_EQ(s.formats, (DisplayFormats{1, 1, 0}));

    std::array<std::uint8_t, 32> out{};
    encodeSettings(s, out);
    EXPECT_EQ(out[0x11], 0x47);
    EXPECT_EQ(out[0x12], 0x08);
    EXPECT_EQ(out[0x13], 0x54);
    EXPECT_EQ(out[0x14], 0x09);

    for (auto [byte, text] : {std::pair<std::uint8_t, const char*>{0x01, "+1"},
                              {0x85, "-5"},
                              {0x00, "0"},
                              {0x80, "0"},
                              {0x92, "-12"},
                              {0x12, "+12"}}) {
        bytes[0x18] = byte;
        decodeSettings(bytes, s);
        EXPECT_EQ(s.timeZone, text);
        encodeSettings(s, out);
        if (byte != 0x80) {
            EXPECT_EQ(out[0x18], byte) << text;
        }
    }
    s.timeZone = "-12";
    encodeSettings(s, out);
    EXPECT_EQ(out[0x18], 0x92);

    s.windUnit = "furlongs";
    s.updateFlag = "0";
    encodeSettings(s, out);
    EXPECT_EQ(out[0x12], 0x00);
}

TEST(StationMemoryMap, SettingsDebugTexts) {
    auto bytes = slice<32>(0);
    StationSettings s;
    decodeSettings(bytes, s, false);
    EXPECT_TRUE(s.debug.empty());
    decodeSettings(bytes, s, true);
    EXPECT_EQ(s.debug.at("presUnit").bits, "001");
    EXPECT_EQ(s.debug.at("windUnit").bits, "00010");
    EXPECT_EQ(s.debug.at("historyStackAddr").hex, "F0 01 ");
    EXPECT_EQ(s.debug.at("historyStackAddr").raw, 0x01F0);
    EXPECT_EQ(s.debug.at("timeZone").raw, 1);
    EXPECT_EQ(s.debug.at("timeZone").bits, "00000001");
    EXPECT_EQ(s.debug.at("initFlag1").raw, 0x55);
    EXPECT_EQ(s.hexDump.substr(0, 6), "55 AA ");
    EXPECT_EQ(s.hexDump.size(), 96u);
}

TEST(StationMemoryMap, AlarmValuesAndRow) {
    auto bytes = slice<64>(0x20);
    AlarmThresholds a;
    decodeAlarms(bytes, a);
    EXPECT_EQ(a.relPres, "10132");
    EXPECT_EQ(a.absPres, "10095");
    EXPECT_EQ(a.outTempLowAlarm, "-100");
    EXPECT_EQ(a.timeAlarmHour, "13");
    EXPECT_EQ(a.timeAlarmMinute, "30");
    EXPECT_EQ(a.reserved24, "000000000000000000000000");
    EXPECT_EQ(a.hexDump.substr(0, 12), "94 27 6F 27 "); // the whole block for the debug window
    EXPECT_EQ(a.hexDump.size(), 192u);

    auto row = alarmRow(a);
    ASSERT_EQ(row.size(), 27u);
    EXPECT_EQ(row.front().position, 2);
    EXPECT_EQ(row[1].position, 5);
    EXPECT_EQ(row[2].position, 9);
    EXPECT_EQ(row[2].name, "indHumiHighAlarm");
    EXPECT_EQ(row.back().position, 33);
    EXPECT_EQ(row.back().name, "timeAlarmMinute");
    *alarmRowText(a, 16) = "-55";
    EXPECT_EQ(a.outTempLowAlarm, "-55");
    EXPECT_EQ(alarmRowText(a, 3), nullptr);

    // The debug texts are those of the last decode only.
    AlarmThresholds twice;
    decodeAlarms(bytes, twice, true);
    EXPECT_EQ(twice.debug.at("windsLevelAlarm").hex.size(), 3u); // a level is one byte, a speed two
    EXPECT_EQ(twice.debug.at("windAlarm").hex.size(), 6u);
    EXPECT_EQ(twice.debug.at("reserved24").raw, 0); // reserved bytes are shown, they hold no value
    decodeAlarms(bytes, twice, false);
    EXPECT_TRUE(twice.debug.empty());

    std::array<std::uint8_t, 64> out{};
    a.timeAlarmHour = "7"; // a lone digit is the hour 07
    encodeAlarms(a, out);
    EXPECT_EQ(out[0x3A - 0x20], 0x37);
    EXPECT_EQ(out[0x3B - 0x20], 0x80);
    EXPECT_EQ(out[0x57 - 0x20], 0x07);
}

TEST(StationMemoryMap, MinMaxRainCountersAndTimes) {
    auto bytes = slice<160>(0x60);
    MinMaxTable m;
    decodeMinMax(bytes, m, true);
    EXPECT_EQ(m.monthRainMax.value, "8629");
    EXPECT_EQ(m.totalRainMax.value, "45020");
    EXPECT_EQ(m.indHumiMax.time, "2007-01-01 12:00");
    EXPECT_EQ(m.totalRainMax.time, "2007-01-01 12:00");
    EXPECT_EQ(m.debug.at("indTempMaxTime").hex, "07 01 01 12 00 ");
    EXPECT_EQ(m.hexDump.substr(0, 12), "00 00 46 40 ");
    EXPECT_EQ(m.hexDump.size(), 480u);

    // An encode fills the debug texts only when asked.
    std::array<std::uint8_t, 160> encoded{};
    MinMaxTable plain;
    decodeMinMax(bytes, plain);
    encodeMinMax(plain, encoded, false);
    EXPECT_TRUE(plain.debug.empty());
    encodeMinMax(plain, encoded, true);
    EXPECT_EQ(plain.debug.at("indTempMaxTime").hex, "07 01 01 12 00 ");

    bytes[0x8C - 0x60] = 0x21;
    decodeMinMax(bytes, m);
    EXPECT_EQ(m.monthRainMax.value, "74165");
    EXPECT_EQ(m.totalRainMax.value, "176092");
    std::array<std::uint8_t, 160> out{};
    encodeMinMax(m, out);
    EXPECT_EQ(out, bytes);

    m.monthRainMax.value = "1048575"; // the largest 20-bit count
    m.indTempMin.time = "2031-12-24 23:59";
    encodeMinMax(m, out);
    EXPECT_EQ(out[0x8C - 0x60], 0x2F);
    const std::array<std::uint8_t, 5> christmas = {0x31, 0x12, 0x24, 0x23, 0x59};
    EXPECT_TRUE(std::equal(christmas.begin(), christmas.end(), out.begin() + (0xA6 - 0x60)));
    m.indTempMin.time = "---"; // a never-set time writes zeros
    encodeMinMax(m, out);
    EXPECT_EQ(out[0xA6 - 0x60], 0x00);
}

TEST(StationMemoryMap, WholeTemplateRoundTrip) {
    auto settingsBytes = slice<32>(0);
    settingsBytes[0x02] = 0x12; // reserved bytes the station may use: written back as they were read
    settingsBytes[0x0F] = 0xEF;
    settingsBytes[0x19] = 0x5A;
    auto alarmBytes = slice<64>(0x20);
    auto minMaxBytes = slice<160>(0x60);
    StationSettings s;
    AlarmThresholds a;
    MinMaxTable m;
    decodeSettings(settingsBytes, s);
    decodeAlarms(alarmBytes, a);
    decodeMinMax(minMaxBytes, m);
    EXPECT_EQ(s.initFlag1, "1");
    EXPECT_EQ(s.historyCircle, "5");
    EXPECT_EQ(s.windUnit, "km/h");
    EXPECT_EQ(s.timeZone, "+1");
    EXPECT_EQ(s.historyRecords, "15");
    EXPECT_EQ(s.historyStackAddr, "496");
    EXPECT_EQ(s.reserved1D, "01");

    std::array<std::uint8_t, 32> s2{};
    std::array<std::uint8_t, 64> a2{};
    std::array<std::uint8_t, 160> m2{};
    encodeSettings(s, s2);
    encodeAlarms(a, a2);
    encodeMinMax(m, m2);
    EXPECT_EQ(s2, settingsBytes);
    EXPECT_EQ(a2, alarmBytes);
    EXPECT_EQ(m2, minMaxBytes);

    // Encoding with debug describes exactly the bytes written.
    s.updateFlag = "1";
    encodeSettings(s, s2, true);
    EXPECT_EQ(s.debug.at("updateFlag").raw, 0xAA);
    EXPECT_EQ(s.hexDump.substr(0x1A * 3, 3), "AA ");
}

} // namespace
} // namespace nimbrel
