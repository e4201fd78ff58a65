#include "station/history_record.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using Record = std::array<std::uint8_t, 16>;
using W = WeatherSample;

const Record kRecord = {0x05, 0x41, 0xE3, 0x00, 0x3C, 0x08, 0x01, 0x6A,
                        0x27, 0x60, 0xCC, 0x00, 0x20, 0x94, 0x2A, 0x02};

TEST(StationHistoryRecord, RingStepping) {
    EXPECT_EQ(prevRecordAddress(0x0100), 0xFFF0u);
    EXPECT_EQ(prevRecordAddress(0x0110), 0x0100u);
    EXPECT_EQ(prevRecordAddress(0x01F0), 0x01E0u);
    for (unsigned start : {0x0100u, 0x01F0u, 0xFFF0u}) {
        unsigned a = start;
        for (unsigned i = 0; i < kRecordSlots; ++i) {
            a = prevRecordAddress(a);
            ASSERT_TRUE(isRecordAddress(a));
        }
        EXPECT_EQ(a, start);
    }
    EXPECT_EQ(recordAddressBack(0x01F0, 0), 0x01F0u);
    EXPECT_EQ(recordAddressBack(0x01F0, 15), 0x0100u);
    EXPECT_EQ(recordAddressBack(0x01F0, 16), 0xFFF0u);
    EXPECT_EQ(recordAddressBack(0x01F0, 4080), 0x01F0u);
    // A pointer that is not a record address never leads into the fixed block.
    EXPECT_EQ(prevRecordAddress(0x0040), 0xFFF0u);
    EXPECT_EQ(prevRecordAddress(0x0108), 0xFFF0u);
    EXPECT_FALSE(isRecordAddress(0x00F0));
    EXPECT_FALSE(isRecordAddress(0x0108));
    EXPECT_EQ(recordAddressText(0xFFF0), "00FFF0");
}

TEST(StationHistoryRecord, DecodesEveryField) {
    WeatherSample s;
    ASSERT_TRUE(decodeRecord(kRecord, s));
    EXPECT_EQ(s[W::sampleCircle], "5");
    EXPECT_EQ(s[W::indHumi], "65");
    EXPECT_EQ(s[W::indTemp], "227");
    EXPECT_EQ(s[W::outHumi], "60");
    EXPECT_EQ(s[W::outTemp], "264");
    EXPECT_EQ(s[W::absPres], "10090");
    EXPECT_EQ(s[W::relPres], "");
    EXPECT_EQ(s[W::winds], "96");
    EXPECT_EQ(s[W::gust], "204");
    EXPECT_EQ(s[W::windDir], "2");
    EXPECT_EQ(s[W::rain], "37930");
    EXPECT_EQ(s[W::condition], "2");
    for (int p : {W::windsError, W::gustError, W::rainError, W::totalRainOverflow}) EXPECT_EQ(s[p], "0");
    EXPECT_EQ(s[W::flag_bin], "00000010");
    EXPECT_EQ(s[W::hexValue], "05 41 E3 00 3C 08 01 6A 27 60 CC 00 20 94 2A 02 ");
    EXPECT_EQ(s[W::outTempHex], "08 01 ");
    EXPECT_EQ(s[W::rainHex], "20 94 2A ");
    EXPECT_EQ(s.raw(W::rain), 37930);
    EXPECT_EQ(s.raw(W::indTemp), 227);

    Record r = kRecord;
    r[5] = 0x1C;
    r[6] = 0x81;
    r[12] = 0x3F; // odd direction code, rain bits 16-19 = 0xF
    r[15] = 0xF0;
    r[0] = 0xFF;
    EXPECT_TRUE(decodeRecord(r, s));
    EXPECT_EQ(s[W::outTemp], "-284");
    EXPECT_EQ(s[W::windDir], "-1");
    EXPECT_EQ(s.raw(W::windDir), 3);
    EXPECT_EQ(s[W::rain], ""); // above 99999
    EXPECT_EQ(s[W::sampleCircle], "5");
    EXPECT_EQ(s.raw(W::sampleCircle), 0xFF);
    for (int p : {W::windsError, W::gustError, W::rainError, W::totalRainOverflow}) EXPECT_EQ(s[p], "1");
    EXPECT_EQ(s[W::condition], "0");

    r = kRecord;
    r[12] = 0x20;
    r[15] = 0x12; // wind speed error hides the direction
    decodeRecord(r, s);
    EXPECT_EQ(s[W::windDir], "-1");
    EXPECT_EQ(s[W::condition], "2");
    EXPECT_EQ(s[W::conditionHex], "12 ");
    EXPECT_EQ(s.raw(W::condition), 2);
}

// Byte 11 holds the high nibbles of both speeds: the average's below, the gust's above.
TEST(StationHistoryRecord, SpeedsAboveByteRangeTakeTheirHighNibbles) {
    auto bytes = kRecord;
    bytes[11] = 0x11;
    WeatherSample s;
    ASSERT_TRUE(decodeRecord(bytes, s));
    EXPECT_EQ(s[W::winds], "352"); // 0x160
    EXPECT_EQ(s[W::gust], "460");  // 0x1CC
}

TEST(StationHistoryRecord, ValidityAtEachBoundary) {
    auto decode = [](auto change) {
        Record r = kRecord;
        change(r);
        WeatherSample s;
        bool valid = decodeRecord(r, s);
        return std::pair{valid, s};
    };
    // Humidity: 99 is valid, 100 invalid, 0xFF no reading.
    EXPECT_TRUE(decode([](Record& r) { r[1] = 99; }).first);
    auto [humiValid, humi] = decode([](Record& r) { r[4] = 100; });
    EXPECT_FALSE(humiValid);
    EXPECT_EQ(humi[W::outHumi], "---"); // not set
    EXPECT_EQ(humi[W::indTemp], "227"); // the rest is still filled
    auto [noHumiValid, noHumi] = decode([](Record& r) { r[1] = 0xFF; });
    EXPECT_TRUE(noHumiValid);
    EXPECT_EQ(noHumi[W::indHumi], "");
    // Temperature: -400 and 800 are valid, -401 and 801 are not, FF FF is no reading.
    EXPECT_TRUE(decode([](Record& r) { r[2] = 0x90, r[3] = 0x81; }).first);  // -400
    EXPECT_FALSE(decode([](Record& r) { r[2] = 0x91, r[3] = 0x81; }).first); // -401
    EXPECT_TRUE(decode([](Record& r) { r[5] = 0x20, r[6] = 0x03; }).first);  // 800
    EXPECT_FALSE(decode([](Record& r) { r[2] = 0x21, r[3] = 0x03; }).first); // 801
    auto [noTempValid, noTemp] = decode([](Record& r) { r[2] = 0xFF, r[3] = 0xFF; });
    EXPECT_TRUE(noTempValid);
    EXPECT_EQ(noTemp[W::indTemp], "");
    // Speeds: 500 shown, 501 and 0xFFF are no reading, never invalid.
    auto [speedValid, speed] = decode([](Record& r) { r[9] = 0xF5, r[10] = 0xFF, r[11] = 0xF1; });
    EXPECT_TRUE(speedValid);
    EXPECT_EQ(speed[W::winds], ""); // 0x1F5 = 501
    EXPECT_EQ(speed[W::gust], "");
    EXPECT_EQ(decode([](Record& r) { r[9] = 0xF4, r[11] = 0x01; }).second[W::winds], "500");
    // Pressure FFFF and rain 99999/100000.
    EXPECT_EQ(decode([](Record& r) { r[7] = 0xFF, r[8] = 0xFF; }).second[W::absPres], "");
    EXPECT_EQ(decode([](Record& r) { r[12] = 0x01, r[13] = 0x86, r[14] = 0x9F; }).second[W::rain], "99999");
    EXPECT_EQ(decode([](Record& r) { r[12] = 0x01, r[13] = 0x86, r[14] = 0xA0; }).second[W::rain], "");
    // Interval: 240 kept, 241 read as 5.
    EXPECT_EQ(decode([](Record& r) { r[0] = 240; }).second[W::sampleCircle], "240");
    EXPECT_EQ(decode([](Record& r) { r[0] = 241; }).second[W::sampleCircle], "5");
}

} // namespace
} // namespace nimbrel
