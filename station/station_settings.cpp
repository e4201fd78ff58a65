#include "station/station_settings.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace nimbrel {

namespace {

using Text = std::string StationSettings::*;

// A single bit that selects one of two words ("0"/"1" for flags and formats, units for the units).
struct BitField {
    const char* name;
    std::size_t offset;
    int bit;
    const char* offWord;
    const char* onWord;
    Text text;
};

// Several bits of which the lowest set one selects a word; none set gives "".
struct SelectorField {
    const char* name;
    std::size_t offset;
    int lowBit;
    std::array<const char*, 5> words; // nullptr after the last word
    Text text;
};

constexpr BitField kBitFields[] = {
    {"indTempUnit", 0x11, 0, "°C", "°F", &StationSettings::indTempUnit},
    {"outTempUnit", 0x11, 1, "°C", "°F", &StationSettings::outTempUnit},
    {"rainUnit", 0x11, 2, "mm", "inch", &StationSettings::rainUnit},
    {"presFmt", 0x13, 0, "0", "1", &StationSettings::presFmt},
    {"windFmt", 0x13, 1, "0", "1", &StationSettings::windFmt},
    {"hourFmt", 0x13, 2, "0", "1", &StationSettings::hourFmt},
    {"axisFmt", 0x13, 4, "0", "1", &StationSettings::axisFmt},
    {"timeAlarmFlag", 0x15, 1, "0", "1", &StationSettings::timeAlarmFlag},
    {"windDirAlarmFlag", 0x15, 2, "0", "1", &StationSettings::windDirAlarmFlag},
    {"indHumiLowAlarmFlag", 0x15, 4, "0", "1", &StationSettings::indHumiLowAlarmFlag},
    {"indHumiHighAlarmFlag", 0x15, 5, "0", "1", &StationSettings::indHumiHighAlarmFlag},
    {"outHumiLowAlarmFlag", 0x15, 6, "0", "1", &StationSettings::outHumiLowAlarmFlag},
    {"outHumiHighAlarmFlag", 0x15, 7, "0", "1", &StationSettings::outHumiHighAlarmFlag},
    {"windAlarmFlag", 0x16, 0, "0", "1", &StationSettings::windAlarmFlag},
    {"gustAlarmFlag", 0x16, 1, "0", "1", &StationSettings::gustAlarmFlag},
    {"hourRainAlarmFlag", 0x16, 2, "0", "1", &StationSettings::hourRainAlarmFlag},
    {"dayRainAlarmFlag", 0x16, 3, "0", "1", &StationSettings::dayRainAlarmFlag},
    {"absPresLowAlarmFlag", 0x16, 4, "0", "1", &StationSettings::absPresLowAlarmFlag},
    {"absPresHighAlarmFlag", 0x16, 5, "0", "1", &StationSettings::absPresHighAlarmFlag},
    {"relPresLowAlarmFlag", 0x16, 6, "0", "1", &StationSettings::relPresLowAlarmFlag},
    {"relPresHighAlarmFlag", 0x16, 7, "0", "1", &StationSettings::relPresHighAlarmFlag},
    {"indTempLowAlarmFlag", 0x17, 0, "0", "1", &StationSettings::indTempLowAlarmFlag},
    {"indTempHighAlarmFlag", 0x17, 1, "0", "1", &StationSettings::indTempHighAlarmFlag},
    {"outTempLowAlarmFlag", 0x17, 2, "0", "1", &StationSettings::outTempLowAlarmFlag},
    {"outTempHighAlarmFlag", 0x17, 3, "0", "1", &StationSettings::outTempHighAlarmFlag},
    {"windchillLowAlarmFlag", 0x17, 4, "0", "1", &StationSettings::windchillLowAlarmFlag},
    {"windchillHighAlarmFlag", 0x17, 5, "0", "1", &StationSettings::windchillHighAlarmFlag},
    {"dewpointLowAlarmFlag", 0x17, 6, "0", "1", &StationSettings::dewpointLowAlarmFlag},
    {"dewpointHighAlarmFlag", 0x17, 7, "0", "1", &StationSettings::dewpointHighAlarmFlag},
};
constexpr std::size_t kFirstAlarmFlag = 7;

constexpr SelectorField kSelectors[] = {
    {"presUnit", 0x11, 5, {"Hpa", "inHg", "mmHg", nullptr, nullptr}, &StationSettings::presUnit},
    {"windUnit", 0x12, 0, {"m/s", "km/h", "knot", "m/h", "bft"}, &StationSettings::windUnit},
    {"dateFmt", 0x13, 5, {"0", "1", "2", nullptr, nullptr}, &StationSettings::dateFmt},
    {"outTempFmt", 0x14, 0, {"0", "1", "2", nullptr, nullptr}, &StationSettings::outTempFmt},
    {"rainFmt", 0x14, 3, {"0", "1", "2", "3", "4"}, &StationSettings::rainFmt},
};

int wordCount(const SelectorField& f) {
    int n = 0;
    while (n < 5 && f.words[static_cast<std::size_t>(n)]) ++n;
    return n;
}

struct AlarmFlagTable {
    std::array<SettingsFlagField, std::size(kBitFields) - kFirstAlarmFlag> fields{};
    constexpr AlarmFlagTable() {
        for (std::size_t i = 0; i < fields.size(); ++i)
            fields[i] = {kBitFields[kFirstAlarmFlag + i].name, kBitFields[kFirstAlarmFlag + i].text};
    }
};
constexpr AlarmFlagTable kAlarmFlags;

void describe(FieldDebugMap& debug, const char* name, const std::uint8_t* p, std::size_t n, std::int64_t raw,
              std::string bits = {}) {
    debug[name] = FieldDebug{codec::hexDump(p, n), raw, std::move(bits)};
}

} // namespace

std::span<const SettingsFlagField> settingsAlarmFlags() {
    return kAlarmFlags.fields;
}

bool decodeSettings(std::span<const std::uint8_t, kSettingsLength> bytes, StationSettings& s, bool debug) {
    const std::uint8_t* b = bytes.data();
    s.initFlag1 = b[0x00] == 0x55 ? "1" : "0";
    s.initFlag2 = b[0x01] == 0xAA ? "1" : "0";
    s.reserved02 = codec::hexText(b + 0x02, 14);
    s.historyCircle = std::to_string(b[0x10]);

    for (const BitField& f : kBitFields) s.*f.text = ((b[f.offset] >> f.bit) & 1) ? f.onWord : f.offWord;
    for (const SelectorField& f : kSelectors) {
        std::string text;
        for (int i = 0; i < wordCount(f); ++i)
            if ((b[f.offset] >> (f.lowBit + i)) & 1) {
                text = f.words[static_cast<std::size_t>(i)];
                break;
            }
        s.*f.text = text;
    }

    const std::uint8_t zone = b[0x18];
    const int tens = (zone >> 4) & 0x07, units = zone & 0x0F;
    const int zoneValue = tens * 10 + units;
    s.timeZone = zoneValue == 0 ? "0" : ((zone & 0x80) ? "-" : "+") + std::to_string(zoneValue);
    s.reserved19 = codec::hexText(b + 0x19, 1);
    s.updateFlag = b[0x1A] == 0xAA ? "1" : "0";
    s.historyRecords = std::to_string(codec::u16At(b + 0x1B));
    s.reserved1D = codec::hexText(b + 0x1D, 1);
    s.historyStackAddr = std::to_string(codec::u16At(b + 0x1E));
    s.hexDump = codec::hexDump(b, kSettingsLength);

    s.formats.dateFormatIndex = s.dateFmt.empty() ? 0 : std::atoi(s.dateFmt.c_str());
    s.formats.clockFormatIndex = s.hourFmt == "1" ? 1 : 0;
    s.formats.axisClockIndex = s.axisFmt == "0" ? 1 : 0;

    s.debug.clear();
    if (debug) {
        describe(s.debug, "initFlag1", b + 0x00, 1, b[0x00]);
        describe(s.debug, "initFlag2", b + 0x01, 1, b[0x01]);
        describe(s.debug, "reserved02", b + 0x02, 14, 0);
        describe(s.debug, "historyCircle", b + 0x10, 1, b[0x10]);
        for (const BitField& f : kBitFields)
            describe(s.debug, f.name, b + f.offset, 1, (b[f.offset] >> f.bit) & 1,
                     codec::bitString(b[f.offset], f.bit, f.bit));
        for (const SelectorField& f : kSelectors) {
            const int high = f.lowBit + wordCount(f) - 1;
            describe(s.debug, f.name, b + f.offset, 1, (b[f.offset] >> f.lowBit) & ((1 << wordCount(f)) - 1),
                     codec::bitString(b[f.offset], high, f.lowBit));
        }
        describe(s.debug, "timeZone", b + 0x18, 2, (zone & 0x80) ? -zoneValue : zoneValue,
                 codec::bitString(zone, 7, 0));
        describe(s.debug, "reserved19", b + 0x19, 1, b[0x19]);
        describe(s.debug, "updateFlag", b + 0x1A, 1, b[0x1A]);
        describe(s.debug, "historyRecords", b + 0x1B, 2, codec::u16At(b + 0x1B));
        describe(s.debug, "reserved1D", b + 0x1D, 1, b[0x1D]);
        describe(s.debug, "historyStackAddr", b + 0x1E, 2, codec::u16At(b + 0x1E));
    }
    return true;
}

bool encodeSettings(const StationSettings& s, std::span<std::uint8_t, kSettingsLength> bytes) {
    std::uint8_t* b = bytes.data();
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    b[0x00] = s.initFlag1 == "1" ? 0x55 : 0x00;
    b[0x01] = s.initFlag2 == "1" ? 0xAA : 0x00;
    codec::parseHexText(s.reserved02, b + 0x02, 14);
    b[0x10] = static_cast<std::uint8_t>(codec::parseInteger(s.historyCircle) & 0xFF);

    for (const BitField& f : kBitFields)
        if (s.*f.text == f.onWord) b[f.offset] |= static_cast<std::uint8_t>(1 << f.bit);
    for (const SelectorField& f : kSelectors)
        for (int i = 0; i < wordCount(f); ++i)
            if (s.*f.text == f.words[static_cast<std::size_t>(i)]) {
                b[f.offset] |= static_cast<std::uint8_t>(1 << (f.lowBit + i));
                break;
            }

    const long long zone = codec::parseInteger(s.timeZone);
    const long long magnitude = std::llabs(zone);
    // Tens are kept to their three bits so a wild text cannot flip the sign bit.
    b[0x18] = static_cast<std::uint8_t>((magnitude % 10) | (((magnitude / 10) & 0x07) << 4) |
                                        (zone < 0 ? 0x80 : 0));
    codec::parseHexText(s.reserved19, b + 0x19, 1);
    b[0x1A] = s.updateFlag == "1" ? 0xAA : 0x00;
    codec::putU16(b + 0x1B, codec::parseInteger(s.historyRecords));
    codec::parseHexText(s.reserved1D, b + 0x1D, 1);
    codec::putU16(b + 0x1E, codec::parseInteger(s.historyStackAddr));
    return true;
}

bool encodeSettings(StationSettings& s, std::span<std::uint8_t, kSettingsLength> bytes, bool debug) {
    encodeSettings(static_cast<const StationSettings&>(s), bytes);
    if (debug) {
        StationSettings written;
        decodeSettings(bytes, written, true);
        s.debug = std::move(written.debug);
        s.hexDump = std::move(written.hexDump);
    }
    return true;
}

} // namespace nimbrel
