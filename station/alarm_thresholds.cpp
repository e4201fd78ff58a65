#include "station/alarm_thresholds.h"

#include <algorithm>

namespace nimbrel {

namespace {

using K = AlarmFieldKind;
using A = AlarmThresholds;

constexpr AlarmFieldInfo kFields[] = {
    {"relPres", 0x20, 2, K::u16, 2, &A::relPres},
    {"absPres", 0x22, 2, K::u16, 5, &A::absPres},
    {"reserved24", 0x24, 12, K::reserved, -1, &A::reserved24},
    {"indHumiHighAlarm", 0x30, 1, K::u8, 9, &A::indHumiHighAlarm},
    {"indHumiLowAlarm", 0x31, 1, K::u8, 10, &A::indHumiLowAlarm},
    {"indTempHighAlarm", 0x32, 2, K::s16sm, 11, &A::indTempHighAlarm},
    {"indTempLowAlarm", 0x34, 2, K::s16sm, 12, &A::indTempLowAlarm},
    {"outHumiHighAlarm", 0x36, 1, K::u8, 13, &A::outHumiHighAlarm},
    {"outHumiLowAlarm", 0x37, 1, K::u8, 14, &A::outHumiLowAlarm},
    {"outTempHighAlarm", 0x38, 2, K::s16sm, 15, &A::outTempHighAlarm},
    {"outTempLowAlarm", 0x3A, 2, K::s16sm, 16, &A::outTempLowAlarm},
    {"windchillHighAlarm", 0x3C, 2, K::s16sm, 17, &A::windchillHighAlarm},
    {"windchillLowAlarm", 0x3E, 2, K::s16sm, 18, &A::windchillLowAlarm},
    {"dewpointHighAlarm", 0x40, 2, K::s16sm, 19, &A::dewpointHighAlarm},
    {"dewpointLowAlarm", 0x42, 2, K::s16sm, 20, &A::dewpointLowAlarm},
    {"absPresHighAlarm", 0x44, 2, K::u16, 21, &A::absPresHighAlarm},
    {"absPresLowAlarm", 0x46, 2, K::u16, 22, &A::absPresLowAlarm},
    {"relPresHighAlarm", 0x48, 2, K::u16, 23, &A::relPresHighAlarm},
    {"relPresLowAlarm", 0x4A, 2, K::u16, 24, &A::relPresLowAlarm},
    {"windsLevelAlarm", 0x4C, 1, K::u8, 25, &A::windsLevelAlarm},
    {"windAlarm", 0x4D, 2, K::u16, 26, &A::windAlarm},
    {"gustLevelAlarm", 0x4F, 1, K::u8, 27, &A::gustLevelAlarm},
    {"gustAlarm", 0x50, 2, K::u16, 28, &A::gustAlarm},
    {"windDirAlarm", 0x52, 1, K::u8, 29, &A::windDirAlarm},
    {"hourRainAlarm", 0x53, 2, K::u16, 30, &A::hourRainAlarm},
    {"dayRainAlarm", 0x55, 2, K::u16, 31, &A::dayRainAlarm},
    {"timeAlarmHour", 0x57, 1, K::bcdByte, 32, &A::timeAlarmHour},
    {"timeAlarmMinute", 0x58, 1, K::bcdByte, 33, &A::timeAlarmMinute},
    {"reserved59", 0x59, 7, K::reserved, -1, &A::reserved59},
};

} // namespace

std::span<const AlarmFieldInfo> alarmFields() {
    return kFields;
}

std::vector<AlarmRowEntry> alarmRow(AlarmThresholds& alarms) {
    std::vector<AlarmRowEntry> row;
    for (const AlarmFieldInfo& f : kFields)
        if (f.rowPosition >= 0) row.push_back({f.rowPosition, f.name, alarms.*f.text});
    return row;
}

std::string* alarmRowText(AlarmThresholds& alarms, int position) {
    for (const AlarmFieldInfo& f : kFields)
        if (f.rowPosition >= 0 && f.rowPosition == position) return &(alarms.*f.text);
    return nullptr;
}

bool decodeAlarms(std::span<const std::uint8_t, kAlarmLength> bytes, AlarmThresholds& alarms, bool debug) {
    alarms.debug.clear();
    for (const AlarmFieldInfo& f : kFields) {
        const std::uint8_t* p = bytes.data() + (f.offset - kAlarmAddress);
        std::int64_t raw = 0;
        std::string& text = alarms.*f.text;
        switch (f.kind) {
        case K::u8:
            raw = p[0];
            text = std::to_string(raw);
            break;
        case K::u16:
            raw = codec::u16At(p);
            text = std::to_string(raw);
            break;
        case K::s16sm:
            raw = codec::s16smAt(p);
            text = std::to_string(raw);
            break;
        case K::bcdByte:
            raw = p[0];
            text = codec::hexText(p, 1);
            break;
        case K::reserved:
            text = codec::hexText(p, f.width);
            break;
        }
        if (debug) alarms.debug[f.name] = FieldDebug{codec::hexDump(p, f.width), raw, {}};
    }
    alarms.hexDump = codec::hexDump(bytes.data(), kAlarmLength);
    return true;
}

bool encodeAlarms(const AlarmThresholds& alarms, std::span<std::uint8_t, kAlarmLength> bytes) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    for (const AlarmFieldInfo& f : kFields) {
        std::uint8_t* p = bytes.data() + (f.offset - kAlarmAddress);
        const std::string& text = alarms.*f.text;
        switch (f.kind) {
        case K::u8:
            p[0] = static_cast<std::uint8_t>(codec::parseInteger(text) & 0xFF);
            break;
        case K::u16:
            codec::putU16(p, codec::parseInteger(text));
            break;
        case K::s16sm:
            codec::putS16sm(p, codec::parseInteger(text));
            break;
        case K::bcdByte:
            // A lone digit ("9") means 09, not 90.
            codec::parseHexText(text.size() == 1 ? "0" + text : text, p, 1);
            break;
        case K::reserved:
            codec::parseHexText(text, p, f.width);
            break;
        }
    }
    return true;
}

bool encodeAlarms(AlarmThresholds& alarms, std::span<std::uint8_t, kAlarmLength> bytes, bool debug) {
    encodeAlarms(static_cast<const AlarmThresholds&>(alarms), bytes);
    if (debug) {
        AlarmThresholds written;
        decodeAlarms(bytes, written, true);
        alarms.debug = std::move(written.debug);
        alarms.hexDump = std::move(written.hexDump);
    }
    return true;
}

} // namespace nimbrel
