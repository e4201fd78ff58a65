#include "presentation/decimal_text.h"

#include <array>
#include <charconv>
#include <cmath>
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
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

} // namespace nimbrel
