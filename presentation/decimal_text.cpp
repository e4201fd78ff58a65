#include "presentation/decimal_text.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace nimbrel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A number too large or too small for a double: infinity or zero, by its exponent or leading digits.
double outOfRangeValue(const char* first, const char* last) {
    bool leadingNonZero = false;
    bool fraction = false;
    for (const char* p = first; p < last; ++p) {
        if (*p == 'e' || *p == 'E') {
            const bool negativeExponent = p + 1 < last && p[1] == '-';
            return negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
        }
        fraction = fraction || *p == '.';
        if (!fraction) leadingNonZero = leadingNonZero || (*p >= '1' && *p <= '9');
    }
    return leadingNonZero ? std::numeric_limits<double>::infinity() : 0.0;
}

constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common texts of the file ("12.5", "1013.2", "0") read without the general parser: digits, an
// optional point and digits, no exponent. When the digits make an integer below 2^53 and there are at
// most 22 decimals, the integer and the power of ten are exact doubles and one correctly rounded
// division gives the correctly rounded value, the same double the general parser returns. False when
// the text is anything else.
bool readPlainDecimal(const char* p, const char* last, double& value) {
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = 0;
    for (; p < last && *p >= '0' && *p <= '9'; ++p, ++count)
        digits = digits * 10 + static_cast<unsigned>(*p - '0');
    if (p < last && *p == '.') {
        for (++p; p < last && *p >= '0' && *p <= '9'; ++p, ++count, ++decimals)
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
    if (count == 0 || count > 19 || decimals > 22) return false;
    if (p < last && (*p == 'e' || *p == 'E')) return false;
    if (digits > (std::uint64_t{1} << 53)) return false;
    value = static_cast<double>(digits) / kPowersOfTen[static_cast<std::size_t>(decimals)];
    return true;
}

// Bits needed by 10^d: a significand that leaves this many bits free times 10^d is exact.
constexpr std::array<int, 5> kPowerOfTenBits = {0, 4, 7, 10, 14};

// "%.<decimals>f" of a value whose product with 10^decimals is exact and well inside the integers
// that a double holds (always so for the single-precision readings of the windows): the product
// rounded to an integer, ties to even as printf does, and written with its point put back.
bool writeExactFixed(double value, int decimals, std::string& out) {
    if (decimals < 0 || decimals >= static_cast<int>(kPowerOfTenBits.size())) return false;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    if (exponent == 0x7FF) return false;
    if (exponent != 0 || fraction != 0) {
        if (exponent == 0) return false; // subnormal: leave it to the general writer
        const std::uint64_t significand = fraction | (std::uint64_t{1} << 52);
        const int used = 53 - std::countr_zero(significand);
        if (used + kPowerOfTenBits[static_cast<std::size_t>(decimals)] > 53) return false;
    }
    const double scaled = std::fabs(value) * kPowersOfTen[static_cast<std::size_t>(decimals)];
    if (!(scaled < 4503599627370496.0)) return false; // 2^52
    const auto whole = static_cast<std::uint64_t>(std::nearbyint(scaled));
    char text[32];
    char* end = text + sizeof text;
    char* p = end;
    std::uint64_t rest = whole;
    for (int d = 0; d < decimals; ++d) {
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    if (decimals > 0) *--p = '.';
    do {
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (std::signbit(value)) *--p = '-';
    out.assign(p, static_cast<std::size_t>(end - p));
    return true;
}

} // namespace

long long integerValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr long long limit = std::numeric_limits<long long>::max();
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (limit - digit) / 10) {
            value = limit;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double numberValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // from_chars takes no sign of its own after ours and no leading '+'.
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0.0;
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    if (readPlainDecimal(first, last, value)) return negative ? -value : value;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = outOfRangeValue(first, result.ptr);
    else if (result.ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

std::string fixedText(double value, int decimals) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    std::string text;
    if (writeExactFixed(value, decimals, text)) return text;
    std::array<char, 400> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

} // namespace nimbrel
