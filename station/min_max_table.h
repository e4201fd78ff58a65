// MinMaxTable: the station's minimum/maximum area (bytes 0x60-0xFF) decoded into texts, and its codec.
#pragma once

#include "station/byte_codec.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace nimbrel {

inline constexpr std::size_t kMinMaxAddress = 0x60;
inline constexpr std::size_t kMinMaxLength = 160;

// One stored extreme: the raw value as decimal text and its time "20YY-MM-DD hh:mm".
struct MinMaxEntry {
    std::string value;
    std::string time = "---";
    bool operator==(const MinMaxEntry&) const = default;
};

struct MinMaxTable {
    std::string reserved60; // 0x60-0x61, hex
    MinMaxEntry indHumiMax, indHumiMin, outHumiMax, outHumiMin;
    MinMaxEntry indTempMax, indTempMin, outTempMax, outTempMin;
    MinMaxEntry windchillMax, windchillMin, dewpointMax, dewpointMin;
    MinMaxEntry absPresMax, absPresMin;
    MinMaxEntry relPresMax{"---"}, relPresMin{"---"};
    MinMaxEntry windMax{"---"}, gustMax{"---"};
    MinMaxEntry hourRainMax{"---"}, dayRainMax{"---"}, weekRainMax{"---"};
    MinMaxEntry monthRainMax{"---"}, totalRainMax{"---"}; // 20-bit counters

    std::string hexDump; // the whole area, "%02X " per byte
    // Filled only on request, keyed by field name; the time stamp of a field is under name + "Time".
    FieldDebugMap debug;

    bool operator==(const MinMaxTable&) const = default;
};

enum class MinMaxKind { u8, u16, s16sm, rain20Low, rain20High };

// The 23 values in station order (which is also the order of their time stamps).
struct MinMaxFieldInfo {
    const char* name;
    std::size_t offset;     // station address of the value
    std::size_t timeOffset; // station address of its five BCD time bytes
    MinMaxKind kind;
    MinMaxEntry MinMaxTable::*entry;
};
std::span<const MinMaxFieldInfo> minMaxFields();

bool decodeMinMax(std::span<const std::uint8_t, kMinMaxLength> bytes, MinMaxTable& table, bool debug = false);
bool encodeMinMax(const MinMaxTable& table, std::span<std::uint8_t, kMinMaxLength> bytes);
// As above; with debug, also fills the debug texts and hex dump of table from the bytes written.
bool encodeMinMax(MinMaxTable& table, std::span<std::uint8_t, kMinMaxLength> bytes, bool debug);

} // namespace nimbrel
