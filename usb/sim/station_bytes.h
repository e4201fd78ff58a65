// Station byte encodings of the simulated station: little-endian words, sign-and-magnitude, BCD times,
// records.
#pragma once

#include "usb/sim/weather_model.h"

#include <array>
#include <cstdint>

namespace nimbrel::sim {

using Memory = std::array<std::uint8_t, 0x10000>;
using RecordBytes = std::array<std::uint8_t, 16>;

inline unsigned getU16(const Memory& m, unsigned at) {
    return m[at & 0xFFFF] | (m[(at + 1) & 0xFFFF] << 8);
}
inline void putU16(Memory& m, unsigned at, unsigned value) {
    m[at & 0xFFFF] = static_cast<std::uint8_t>(value & 0xFF);
    m[(at + 1) & 0xFFFF] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// Sign and magnitude: magnitude in 15 bits, bit 15 set for a negative value.
int getS16sm(const Memory& m, unsigned at);
void putS16sm(Memory& m, unsigned at, int value);

// Five BCD bytes (YY MM DD hh mm) of the station's local time, which is UTC plus `zoneHours`.
void putBcdTime(Memory& m, unsigned at, double utcSeconds, int zoneHours);

// The station's time-zone byte (bit 7 negative, tens in bits 4-6, units in bits 0-3) as hours.
int zoneHours(std::uint8_t zoneByte);

// A 16-byte history record of one interval. The rain counter is the reading's total plus `rainOffset`,
// kept to 16 bits: the counter wraps to 0 after 0xFFFF.
RecordBytes encodeRecord(const Reading& reading, int intervalMinutes, std::uint64_t rainOffset);

} // namespace nimbrel::sim
