// StationSettings: the station's settings area (bytes 0x00-0x1F) decoded into texts, and its codec.
#pragma once

#include "station/byte_codec.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace nimbrel {

inline constexpr std::size_t kSettingsAddress = 0x00;
inline constexpr std::size_t kSettingsLength = 32;

// The three display choices that every decode of the settings area sets: the date format index
// (0 year-month-day, 1 month-day-year, 2 day-month-year), the clock format index (0 24-hour,
// 1 12-hour) and the chart axis clock index (0 24-hour, 1 12-hour). The formatting code takes them
// from the settings that were read last (they travel with the unit selection).
struct DisplayFormats {
    int dateFormatIndex = 0;
    int clockFormatIndex = 0;
    int axisClockIndex = 0;
    bool operator==(const DisplayFormats&) const = default;
};

// Every field is a text that the windows edit and the encoder parses back: decimal values, unit or
// format words for the selectors ("" when no bit is set), "1"/"0" for flags, upper-case hex for
// reserved bytes.
struct StationSettings {
    std::string initFlag1;             // 0x00: "1" when 0x55
    std::string initFlag2;             // 0x01: "1" when 0xAA
    std::string reserved02;            // 0x02-0x0F, 14 bytes of hex
    std::string historyCircle = "---"; // 0x10: history interval, minutes
    // 0x11
    std::string indTempUnit = "°C";
    std::string outTempUnit = "°C";
    std::string rainUnit = "mm";
    std::string presUnit = "Hpa";
    // 0x12
    std::string windUnit = "m/s";
    // 0x13
    std::string presFmt;
    std::string windFmt;
    std::string hourFmt;
    std::string axisFmt;
    std::string dateFmt;
    // 0x14
    std::string outTempFmt;
    std::string rainFmt;
    // 0x15
    std::string timeAlarmFlag;
    std::string windDirAlarmFlag;
    std::string indHumiLowAlarmFlag;
    std::string indHumiHighAlarmFlag;
    std::string outHumiLowAlarmFlag;
    std::string outHumiHighAlarmFlag;
    // 0x16
    std::string windAlarmFlag;
    std::string gustAlarmFlag;
    std::string hourRainAlarmFlag;
    std::string dayRainAlarmFlag;
    std::string absPresLowAlarmFlag;
    std::string absPresHighAlarmFlag;
    std::string relPresLowAlarmFlag;
    std::string relPresHighAlarmFlag;
    // 0x17
    std::string indTempLowAlarmFlag;
    std::string indTempHighAlarmFlag;
    std::string outTempLowAlarmFlag;
    std::string outTempHighAlarmFlag;
    std::string windchillLowAlarmFlag;
    std::string windchillHighAlarmFlag;
    std::string dewpointLowAlarmFlag;
    std::string dewpointHighAlarmFlag;

    std::string timeZone;         // 0x18: "0", "+1", "-5"
    std::string reserved19;       // 0x19
    std::string updateFlag;       // 0x1A: "1" only for 0xAA
    std::string historyRecords;   // 0x1B-0x1C: completed history records
    std::string reserved1D;       // 0x1D
    std::string historyStackAddr; // 0x1E-0x1F: address of the newest history record, decimal

    std::string hexDump; // the whole area, "%02X " per byte
    DisplayFormats formats;
    // Filled only when a decode or encode is asked for debug texts; keyed by field name.
    FieldDebugMap debug;

    bool operator==(const StationSettings&) const = default;
};

// The 22 alarm enable flags in the order of bytes 0x15, 0x16, 0x17 from bit 0 up.
struct SettingsFlagField {
    const char* name;
    std::string StationSettings::*text;
};
std::span<const SettingsFlagField> settingsAlarmFlags();

// Decoding cannot fail; both return true. With debug, the per-field debug texts are filled too.
bool decodeSettings(std::span<const std::uint8_t, kSettingsLength> bytes, StationSettings& settings,
                    bool debug = false);
bool encodeSettings(const StationSettings& settings, std::span<std::uint8_t, kSettingsLength> bytes);
// As above; with debug, also fills the debug texts and hex dump of settings from the bytes written.
bool encodeSettings(StationSettings& settings, std::span<std::uint8_t, kSettingsLength> bytes, bool debug);

} // namespace nimbrel
