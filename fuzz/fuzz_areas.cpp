// Fuzz target: the three fixed-block areas decode, encode and decode again to the same texts.
#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Object, std::size_t N, typename Decode, typename Encode>
void roundTrip(const std::uint8_t* data, Decode decode, Encode encode) {
    std::array<std::uint8_t, N> bytes{};
    std::memcpy(bytes.data(), data, N);
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
