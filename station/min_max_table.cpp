#include "station/min_max_table.h"

#include <algorithm>
#include <string>

namespace nimbrel {

namespace {

using K = MinMaxKind;
using M = MinMaxTable;

constexpr std::size_t kRainNibbles = 0x8C; // bits 16-19 of monthRainMax (low) and totalRainMax (high)

constexpr MinMaxFieldInfo kFields[] = {
    {"indHumiMax", 0x62, 0x8D, K::u8, &M::indHumiMax},
    {"indHumiMin", 0x63, 0x92, K::u8, &M::indHumiMin},
    {"outHumiMax", 0x64, 0x97, K::u8, &M::outHumiMax},
    {"outHumiMin", 0x65, 0x9C, K::u8, &M::outHumiMin},
    {"indTempMax", 0x66, 0xA1, K::s16sm, &M::indTempMax},
    {"indTempMin", 0x68, 0xA6, K::s16sm, &M::indTempMin},
    {"outTempMax", 0x6A, 0xAB, K::s16sm, &M::outTempMax},
    {"outTempMin", 0x6C, 0xB0, K::s16sm, &M::outTempMin},
    {"windchillMax", 0x6E, 0xB5, K::s16sm, &M::windchillMax},
    {"windchillMin", 0x70, 0xBA, K::s16sm, &M::windchillMin},
    {"dewpointMax", 0x72, 0xBF, K::s16sm, &M::dewpointMax},
    {"dewpointMin", 0x74, 0xC4, K::s16sm, &M::dewpointMin},
    {"absPresMax", 0x76, 0xC9, K::u16, &M::absPresMax},
    {"absPresMin", 0x78, 0xCE, K::u16, &M::absPresMin},
    {"relPresMax", 0x7A, 0xD3, K::u16, &M::relPresMax},
    {"relPresMin", 0x7C, 0xD8, K::u16, &M::relPresMin},
    {"windMax", 0x7E, 0xDD, K::u16, &M::windMax},
    {"gustMax", 0x80, 0xE2, K::u16, &M::gustMax},
    {"hourRainMax", 0x82, 0xE7, K::u16, &M::hourRainMax},
    {"dayRainMax", 0x84, 0xEC, K::u16, &M::dayRainMax},
    {"weekRainMax", 0x86, 0xF1, K::u16, &M::weekRainMax},
    {"monthRainMax", 0x88, 0xF6, K::rain20Low, &M::monthRainMax},
    {"totalRainMax", 0x8A, 0xFB, K::rain20High, &M::totalRainMax},
};

std::size_t at(std::size_t address) {
    return address - kMinMaxAddress;
}

} // namespace

std::span<const MinMaxFieldInfo> minMaxFields() {
    return kFields;
}

bool decodeMinMax(std::span<const std::uint8_t, kMinMaxLength> bytes, MinMaxTable& table, bool debug) {
    const std::uint8_t* b = bytes.data();
    const std::uint8_t nibbles = b[at(kRainNibbles)];
    table.debug.clear();
    table.reserved60 = codec::hexText(b, 2);
    if (debug) table.debug["reserved60"] = FieldDebug{codec::hexDump(b, 2), 0, {}};
    for (const MinMaxFieldInfo& f : kFields) {
        const std::uint8_t* p = b + at(f.offset);
        std::int64_t raw = 0;
        std::size_t width = 2;
        switch (f.kind) {
        case K::u8:
            raw = p[0];
            width = 1;
            break;
        case K::u16:
            raw = codec::u16At(p);
            break;
        case K::s16sm:
            raw = codec::s16smAt(p);
            break;
        case K::rain20Low:
            raw = codec::u16At(p) + (std::int64_t{nibbles & 0x0F} << 16);
            break;
        case K::rain20High:
            raw = codec::u16At(p) + (std::int64_t{nibbles >> 4} << 16);
            break;
        }
        MinMaxEntry& entry = table.*f.entry;
        entry.value = std::to_string(raw);
        entry.time = codec::bcdTimeText(b + at(f.timeOffset));
        if (debug) {
            table.debug[f.name] = FieldDebug{codec::hexDump(p, width), raw, {}};
            table.debug[std::string(f.name) + "Time"] =
                FieldDebug{codec::hexDump(b + at(f.timeOffset), 5), 0, {}};
        }
    }
    table.hexDump = codec::hexDump(b, kMinMaxLength);
    return true;
}

bool encodeMinMax(const MinMaxTable& table, std::span<std::uint8_t, kMinMaxLength> bytes) {
    std::uint8_t* b = bytes.data();
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    codec::parseHexText(table.reserved60, b, 2);
    std::uint8_t nibbles = 0;
    for (const MinMaxFieldInfo& f : kFields) {
        std::uint8_t* p = b + at(f.offset);
        const MinMaxEntry& entry = table.*f.entry;
        const long long value = codec::parseInteger(entry.value);
        switch (f.kind) {
        case K::u8:
            p[0] = static_cast<std::uint8_t>(value & 0xFF);
            break;
        case K::u16:
            codec::putU16(p, value);
            break;
        case K::s16sm:
            codec::putS16sm(p, value);
            break;
        case K::rain20Low:
            codec::putU16(p, value);
            nibbles |= static_cast<std::uint8_t>((static_cast<unsigned long long>(value) >> 16) & 0x0F);
            break;
        case K::rain20High:
            codec::putU16(p, value);
            nibbles |=
                static_cast<std::uint8_t>(((static_cast<unsigned long long>(value) >> 16) & 0x0F) << 4);
            break;
        }
        codec::putBcdTime(b + at(f.timeOffset), entry.time);
    }
    b[at(kRainNibbles)] = nibbles;
    return true;
}

bool encodeMinMax(MinMaxTable& table, std::span<std::uint8_t, kMinMaxLength> bytes, bool debug) {
    encodeMinMax(static_cast<const MinMaxTable&>(table), bytes);
    if (debug) {
        MinMaxTable written;
        decodeMinMax(bytes, written, true);
        table.debug = std::move(written.debug);
        table.hexDump = std::move(written.hexDump);
    }
    return true;
}

} // namespace nimbrel
