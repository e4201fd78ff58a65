// AlarmThresholds: the station's alarm area (bytes 0x20-0x5F) decoded into texts, and its codec.
#pragma once

#include "station/byte_codec.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

inline constexpr std::size_t kAlarmAddress = 0x20;
inline constexpr std::size_t kAlarmLength = 64;

// Thresholds are held on the station in the unit the settings select (tenths; hundredths for inHg
// and inches); the texts are the stored integers. Reserved bytes are upper-case hex.
struct AlarmThresholds {
    std::string relPres;    // 0x20: current relative pressure, 0.1 hPa
    std::string absPres;    // 0x22: current absolute pressure, 0.1 hPa
    std::string reserved24; // 0x24-0x2F
    std::string indHumiHighAlarm;
    std::string indHumiLowAlarm;
    std::string indTempHighAlarm;
    std::string indTempLowAlarm;
    std::string outHumiHighAlarm;
    std::string outHumiLowAlarm;
    std::string outTempHighAlarm;
    std::string outTempLowAlarm;
    std::string windchillHighAlarm;
    std::string windchillLowAlarm;
    std::string dewpointHighAlarm;
    std::string dewpointLowAlarm;
    std::string absPresHighAlarm;
    std::string absPresLowAlarm;
    std::string relPresHighAlarm;
    std::string relPresLowAlarm;
    std::string windsLevelAlarm; // Beaufort level
    std::string windAlarm;
    std::string gustLevelAlarm; // Beaufort level
    std::string gustAlarm;
    std::string windDirAlarm;
    std::string hourRainAlarm;
    std::string dayRainAlarm;
    std::string timeAlarmHour;   // BCD byte as its two hex digits ("13")
    std::string timeAlarmMinute; // BCD byte as its two hex digits ("30")
    std::string reserved59;      // 0x59-0x5F

    std::string hexDump; // the whole area, "%02X " per byte
    FieldDebugMap debug; // filled only on request, keyed by field name

    bool operator==(const AlarmThresholds&) const = default;
};

// How a field is stored in the area.
enum class AlarmFieldKind { u8, u16, s16sm, bcdByte, reserved };

// One field of the area, in station order, with its position in the alarm row that the Alarm
// window and the threshold formatting use (-1 for the reserved bytes, which have none).
struct AlarmFieldInfo {
    const char* name;
    std::size_t offset; // station address
    std::size_t width;
    AlarmFieldKind kind;
    int rowPosition;
    std::string AlarmThresholds::*text;
};
std::span<const AlarmFieldInfo> alarmFields();

// The alarm row: positions 2 and 5 are the current relative and absolute pressure, 9 to 33 the
// thresholds from indHumiHighAlarm to timeAlarmMinute in station order.
struct AlarmRowEntry {
    int position;
    std::string_view name;
    std::string& text;
};
std::vector<AlarmRowEntry> alarmRow(AlarmThresholds& alarms);
// The text at a row position, or nullptr when no field has that position.
std::string* alarmRowText(AlarmThresholds& alarms, int position);

bool decodeAlarms(std::span<const std::uint8_t, kAlarmLength> bytes, AlarmThresholds& alarms,
                  bool debug = false);
bool encodeAlarms(const AlarmThresholds& alarms, std::span<std::uint8_t, kAlarmLength> bytes);
// As above; with debug, also fills the debug texts and hex dump of alarms from the bytes written.
bool encodeAlarms(AlarmThresholds& alarms, std::span<std::uint8_t, kAlarmLength> bytes, bool debug);

} // namespace nimbrel
