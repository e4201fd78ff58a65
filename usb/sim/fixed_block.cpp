#include "usb/sim/fixed_block.h"

#include <algorithm>
#include <cmath>

namespace nimbrel::sim {
namespace {

constexpr unsigned kTimes = 0x8D; // 23 five-byte time stamps, one per min/max value in order

struct AlarmValues {
    int indHumiHigh, indHumiLow, indTempHigh, indTempLow, outHumiHigh, outHumiLow, outTempHigh, outTempLow;
    int windchillHigh, windchillLow, dewpointHigh, dewpointLow;
    int absPresHigh, absPresLow, relPresHigh, relPresLow;
    int windsLevel, winds, gustLevel, gust, windDir, hourRain, dayRain, timeHour, timeMinute;
};

void writeAlarms(Memory& m, const AlarmValues& a) {
    for (unsigned at = 0x24; at < 0x30; ++at) m[at] = 0;
    m[0x30] = static_cast<std::uint8_t>(a.indHumiHigh);
    m[0x31] = static_cast<std::uint8_t>(a.indHumiLow);
    putS16sm(m, 0x32, a.indTempHigh);
    putS16sm(m, 0x34, a.indTempLow);
    m[0x36] = static_cast<std::uint8_t>(a.outHumiHigh);
    m[0x37] = static_cast<std::uint8_t>(a.outHumiLow);
    putS16sm(m, 0x38, a.outTempHigh);
    putS16sm(m, 0x3A, a.outTempLow);
    putS16sm(m, 0x3C, a.windchillHigh);
    putS16sm(m, 0x3E, a.windchillLow);
    putS16sm(m, 0x40, a.dewpointHigh);
    putS16sm(m, 0x42, a.dewpointLow);
    putU16(m, 0x44, a.absPresHigh);
    putU16(m, 0x46, a.absPresLow);
    putU16(m, 0x48, a.relPresHigh);
    putU16(m, 0x4A, a.relPresLow);
    m[0x4C] = static_cast<std::uint8_t>(a.windsLevel);
    putU16(m, 0x4D, a.winds);
    m[0x4F] = static_cast<std::uint8_t>(a.gustLevel);
    putU16(m, 0x50, a.gust);
    m[0x52] = static_cast<std::uint8_t>(a.windDir);
    putU16(m, 0x53, a.hourRain);
    putU16(m, 0x55, a.dayRain);
    m[0x57] = static_cast<std::uint8_t>(a.timeHour);
    m[0x58] = static_cast<std::uint8_t>(a.timeMinute);
    for (unsigned at = 0x59; at < 0x60; ++at) m[at] = 0;
}

// Bytes 0x00-0x1A; 0x1B-0x1F (ring count and newest address) belong to the ring.
void writeSettings(Memory& m, const std::uint8_t (&bytes)[0x1B]) {
    for (unsigned at = 0; at < 0x1B; ++at) m[at] = bytes[at];
}

enum class Kind { u8, s16sm, u16 };

struct MinMaxField {
    unsigned at;
    Kind kind;
    bool isMax;
};

// In the order of their time stamps.
constexpr MinMaxField kFields[] = {
    {0x62, Kind::u8, true},     {0x63, Kind::u8, false},    {0x64, Kind::u8, true},
    {0x65, Kind::u8, false},    {0x66, Kind::s16sm, true},  {0x68, Kind::s16sm, false},
    {0x6A, Kind::s16sm, true},  {0x6C, Kind::s16sm, false}, {0x6E, Kind::s16sm, true},
    {0x70, Kind::s16sm, false}, {0x72, Kind::s16sm, true},  {0x74, Kind::s16sm, false},
    {0x76, Kind::u16, true},    {0x78, Kind::u16, false},   {0x7A, Kind::u16, true},
    {0x7C, Kind::u16, false},   {0x7E, Kind::u16, true},    {0x80, Kind::u16, true},
};

} // namespace

void writeOwnerSettings(Memory& m) {
    const std::uint8_t settings[0x1B] = {
        0x55, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x05, // 5-minute history interval
        0x20, // °C, °C, mm, hPa
        0x02, // km/h
        0x90, // absolute pressure, average wind, 24-hour clock, 24-hour axis, day-month-year
        0x11, // outdoor temperature, 24-hour rain
        0x80, // outdoor humidity high alarm
        0x07, // wind, gust and hour rain alarms
        0x0C, // outdoor temperature low and high alarms
        0x01, // time zone +1
        0x00, 0x00};
    writeSettings(m, settings);
    writeAlarms(m, {.indHumiHigh = 65,
                    .indHumiLow = 35,
                    .indTempHigh = 280,
                    .indTempLow = 150,
                    .outHumiHigh = 95,
                    .outHumiLow = 25,
                    .outTempHigh = 300,
                    .outTempLow = -50,
                    .windchillHigh = 250,
                    .windchillLow = -100,
                    .dewpointHigh = 200,
                    .dewpointLow = -50,
                    .absPresHigh = 10400,
                    .absPresLow = 9800,
                    .relPresHigh = 10440,
                    .relPresLow = 9840,
                    .windsLevel = 6,
                    .winds = 120,
                    .gustLevel = 8,
                    .gust = 200,
                    .windDir = 0,
                    .hourRain = 100,
                    .dayRain = 300,
                    .timeHour = 0x07,
                    .timeMinute = 0x00});
}

void loadStationDefaults(Memory& m) {
    std::uint8_t settings[0x1B] = {};
    settings[0x10] = 0x05; // 5-minute history interval
    settings[0x11] = 0x20; // °C, °C, mm, hPa
    settings[0x12] = 0x01; // m/s
    settings[0x13] = 0x20; // year-month-day, 12-hour axis
    settings[0x14] = 0x09; // outdoor temperature, hour rain
    writeSettings(m, settings);
    writeAlarms(m, {.indHumiHigh = 70,
                    .indHumiLow = 40,
                    .indTempHigh = 300,
                    .indTempLow = 100,
                    .outHumiHigh = 70,
                    .outHumiLow = 40,
                    .outTempHigh = 400,
                    .outTempLow = -100,
                    .windchillHigh = 200,
                    .windchillLow = -100,
                    .dewpointHigh = 100,
                    .dewpointLow = -100,
                    .absPresHigh = 10400,
                    .absPresLow = 9600,
                    .relPresHigh = 10400,
                    .relPresLow = 9600,
                    .windsLevel = 8,
                    .winds = 180,
                    .gustLevel = 9,
                    .gust = 240,
                    .windDir = 0,
                    .hourRain = 100,
                    .dayRain = 500,
                    .timeHour = 0x12,
                    .timeMinute = 0x00});
}

void writeCurrentPressures(Memory& m, int absPres) {
    putU16(m, 0x20, static_cast<unsigned>(absPres + kRelativePressureOffset));
    putU16(m, 0x22, static_cast<unsigned>(absPres));
}

int dewPointTenths(int outTemp, int outHumi) {
    const double t = outTemp / 10.0;
    const double gamma = std::log(std::max(1, outHumi) / 100.0) + 17.62 * t / (243.12 + t);
    return static_cast<int>(std::lround(10 * 243.12 * gamma / (17.62 - gamma)));
}

int windChillTenths(int outTemp, int winds) {
    const double t = outTemp / 10.0;
    const double kmh = winds * 0.36;
    if (t > 10 || kmh <= 4.8) return outTemp;
    const double v = std::pow(kmh, 0.16);
    return static_cast<int>(std::lround(10 * (13.12 + 0.6215 * t - 11.37 * v + 0.3965 * t * v)));
}

void updateMinMax(Memory& m, const Reading& r, double utcSeconds, bool first) {
    const int dewPoint = dewPointTenths(r.outTemp, r.outHumi);
    const int windChill = windChillTenths(r.outTemp, r.winds);
    const int values[] = {r.indHumi,
                          r.indHumi,
                          r.outHumi,
                          r.outHumi,
                          r.indTemp,
                          r.indTemp,
                          r.outTemp,
                          r.outTemp,
                          windChill,
                          windChill,
                          dewPoint,
                          dewPoint,
                          r.absPres,
                          r.absPres,
                          r.absPres + kRelativePressureOffset,
                          r.absPres + kRelativePressureOffset,
                          r.winds,
                          r.gust};
    const int zone = zoneHours(m[0x18]);
    for (unsigned i = 0; i < std::size(kFields); ++i) {
        const MinMaxField& field = kFields[i];
        const int stored = field.kind == Kind::u8      ? m[field.at]
                           : field.kind == Kind::s16sm ? getS16sm(m, field.at)
                                                       : static_cast<int>(getU16(m, field.at));
        const int value = values[i];
        if (!first && (field.isMax ? value <= stored : value >= stored)) continue;
        if (field.kind == Kind::u8)
            m[field.at] = static_cast<std::uint8_t>(value);
        else if (field.kind == Kind::s16sm)
            putS16sm(m, field.at, value);
        else
            putU16(m, field.at, static_cast<unsigned>(value));
        putBcdTime(m, kTimes + 5 * i, utcSeconds, zone);
    }
}

void writeRainMaximum(Memory& m, int which, std::uint32_t value, double utcSeconds) {
    const unsigned at = 0x82 + 2 * static_cast<unsigned>(which);
    putU16(m, at, value & 0xFFFF);
    if (which == 3) m[0x8C] = static_cast<std::uint8_t>((m[0x8C] & 0xF0) | ((value >> 16) & 0x0F));
    if (which == 4) m[0x8C] = static_cast<std::uint8_t>((m[0x8C] & 0x0F) | (((value >> 16) & 0x0F) << 4));
    putBcdTime(m, kTimes + 5 * (18 + static_cast<unsigned>(which)), utcSeconds, zoneHours(m[0x18]));
}

} // namespace nimbrel::sim
