// The memory image that stands in for the station in test mode: the fixed block and the history pages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace nimbrel {

inline constexpr std::size_t kStationMemorySize = 0x10000;
using StationImage = std::array<std::uint8_t, kStationMemorySize>;

// The fixed block of an initialised station: 5-minute interval, hPa and km/h, time zone +1,
// 15 history records, newest record at 0x01F0, all min/max times 2007-01-01 12:00.
extern const std::array<std::uint8_t, 256> fixedTemplate;
// Sixteen valid 5-minute history records; every 256-byte page of the ring holds a copy.
extern const std::array<std::uint8_t, 256> historyTemplate;

// Fills an image: the fixed block, then historyTemplate in each page 0x0100..0xFF00.
void buildTestImage(StationImage& image);

} // namespace nimbrel
