// History records: the ring of 16-byte records above the fixed block, and the record decoder.
#pragma once

#include "station/weather_sample.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace nimbrel {

inline constexpr unsigned kFixedBlockSize = 0x100;
inline constexpr unsigned kRecordSize = 16;
inline constexpr unsigned kRecordSlots = (0x10000 - kFixedBlockSize) / kRecordSize; // 4080
inline constexpr unsigned kFirstRecordAddress = 0x0100;
inline constexpr unsigned kLastRecordAddress = 0xFFF0;

// A history pointer the ring can use: inside the ring and on a record boundary.
bool isRecordAddress(unsigned address);

// The record before address: after 0x0100 comes 0xFFF0. Never steps into the fixed block.
unsigned prevRecordAddress(unsigned address);
// The address n records before stackAddr (n = 0 is stackAddr itself).
unsigned recordAddressBack(unsigned stackAddr, int n);

// A station address as the sample's address texts show it, "%06X".
std::string recordAddressText(unsigned address);

// Decodes one record into the station fields of sample (value, hex and raw of every triple,
// hexValue, relPres "", the four status flags and flag_bin). Returns false when a humidity or a
// temperature lies outside what the station can measure; the fields are filled in both cases,
// except the offending value text, which keeps what it held.
bool decodeRecord(std::span<const std::uint8_t, kRecordSize> bytes, WeatherSample& sample);

} // namespace nimbrel
