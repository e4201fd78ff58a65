#include "station/byte_codec.h"

#include <cstdio>
#include <cstdlib>

namespace nimbrel::codec {

std::uint16_t u16At(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void putU16(std::uint8_t* p, long long value) {
    auto v = static_cast<unsigned long long>(value);
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

int s16smAt(const std::uint8_t* p) {
    int magnitude = (p[1] & 0x7F) * 256 + p[0];
    return (p[1] & 0x80) ? -magnitude : magnitude;
}

void putS16sm(std::uint8_t* p, long long value) {
    unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    p[0] = static_cast<std::uint8_t>(magnitude & 0xFF);
    auto high = static_cast<std::uint8_t>((magnitude >> 8) & 0xFF);
    p[1] = value < 0 ? static_cast<std::uint8_t>(high | 0x80) : high;
}

long long parseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    constexpr long long kLimit = 1'000'000'000'000LL; // far beyond any station field; stops overflow
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value < kLimit) value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

std::string hexDump(const std::uint8_t* p, std::size_t n) {
    std::string out;
    out.reserve(n * 3);
    char cell[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(cell, sizeof cell, "%02X ", p[i]);
        out += cell;
    }
    return out;
}

std::string hexText(const std::uint8_t* p, std::size_t n) {
    std::string out;
    out.reserve(n * 2);
    char cell[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(cell, sizeof cell, "%02X", p[i]);
        out += cell;
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

namespace {
int digitAt(std::string_view text, std::size_t i) {
    return i < text.size() ? hexDigit(text[i]) : 0;
}
std::uint8_t byteAt(std::string_view text, std::size_t i) {
    return static_cast<std::uint8_t>((digitAt(text, i) * 16 + digitAt(text, i + 1)) & 0xFF);
}
} // namespace

void parseHexText(std::string_view text, std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = byteAt(text, 2 * i);
}

std::string bcdTimeText(const std::uint8_t* p) {
    char text[24];
    std::snprintf(text, sizeof text, "20%02X-%02X-%02X %02X:%02X", p[0], p[1], p[2], p[3], p[4]);
    return text;
}

void putBcdTime(std::uint8_t* p, std::string_view text) {
    static constexpr std::size_t kAt[5] = {2, 5, 8, 11, 14};
    for (int i = 0; i < 5; ++i) p[i] = byteAt(text, kAt[i]);
}

std::string bitString(std::uint8_t byte, int highBit, int lowBit) {
    std::string out;
    for (int b = highBit; b >= lowBit; --b) out += ((byte >> b) & 1) ? '1' : '0';
    return out;
}

} // namespace nimbrel::codec
