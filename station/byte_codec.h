// Byte codec: the small encodings of the station's memory (u16, sign and magnitude, BCD times, hex texts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace nimbrel {

// The per-field debug texts that the Debug window prints: the field's bytes ("%02X " each), the raw
// integer and, for bit fields, the bits of the byte that the field uses ("0"/"1", highest bit first).
struct FieldDebug {
    std::string hex;
    std::int64_t raw = 0;
    std::string bits;
    bool operator==(const FieldDebug&) const = default;
};
using FieldDebugMap = std::map<std::string, FieldDebug, std::less<>>;

namespace codec {

std::uint16_t u16At(const std::uint8_t* p);
void putU16(std::uint8_t* p, long long value); // low 16 bits, low byte first

// Sign and magnitude: (second & 0x7F) * 256 + first, negated when bit 7 of the second byte is set.
int s16smAt(const std::uint8_t* p);
void putS16sm(std::uint8_t* p, long long value);

// Decimal integer at the start of a text as the windows type it: blanks, an optional sign and digits;
// reading stops at the first other character and an unreadable text is 0.
long long parseInteger(std::string_view text);

// Bytes as "%02X " each (hex dumps and the per-field hex texts).
std::string hexDump(const std::uint8_t* p, std::size_t n);
// Bytes as 2n upper-case hex digits without blanks (reserved bytes).
std::string hexText(const std::uint8_t* p, std::size_t n);
// Two hex digits per byte back into n bytes; a character that is not a hex digit, or a missing one,
// counts as 0.
void parseHexText(std::string_view text, std::uint8_t* out, std::size_t n);
// Value of one hex digit, 0 for anything else.
int hexDigit(char c);

// Five BCD bytes (year 20YY, month, day, hour, minute) as "20YY-MM-DD hh:mm", each byte as its two hex
// digits, and back from the characters at 2-3, 5-6, 8-9, 11-12 and 14-15.
std::string bcdTimeText(const std::uint8_t* p);
void putBcdTime(std::uint8_t* p, std::string_view text);

// Bits highBit..lowBit of a byte as "0"/"1", highest first.
std::string bitString(std::uint8_t byte, int highBit, int lowBit);

} // namespace codec
} // namespace nimbrel
