#include "presentation/decimal_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nimbrel {

namespace {

// ' ', '\t', '\n', '\v', '\f' and '\r'.
bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Where a number's digits begin: after leading blanks and one sign, which sets `negative`.
std::size_t numberStart(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    return i;
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

// The common texts of the file ("12.5", "1013.2", "0") read without the general parser: digits with
// at most one point among them and nothing after them. When the digits make an integer below 2^53 and
// there are at most 22 decimals, the integer and the power of ten are exact doubles and one correctly
// rounded division gives the correctly rounded value, the same double the general parser returns.
// `whole` takes the digits before the point, which integerValue reads. False for any other text
// (an exponent, a second point, blanks or anything else after the digits included).
[[gnu::always_inline]] inline bool readPlainDecimal(const char* p, const char* last, double& value,
                                                    std::uint64_t& whole) {
    const char* const first = p;
    std::uint64_t digits = 0;
    auto readDigits = [&] {
        for (; p < last; ++p) {
            const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - unsigned{'0'};
            if (digit > 9) return;
            digits = digits * 10 + digit;
        }
    };
    readDigits();
    whole = digits; // meaningful only when the count of all digits passes below
    const char* const point = p;
    if (p < last && *p == '.') {
        ++p;
        readDigits();
    }
    if (p != last) return false;
    const bool hasPoint = point != last;
    const auto count = static_cast<std::size_t>(last - first) - (hasPoint ? 1 : 0);
    const auto decimals = hasPoint ? static_cast<std::size_t>(last - point) - 1 : 0;
    if (count == 0 || count > 19 || decimals > 22) return false;
    if (digits > (std::uint64_t{1} << 53)) return false;
    value = static_cast<double>(digits) / kPowersOfTen[decimals];
    return true;
}

// Bits needed by 10^d: a significand that leaves this many bits free times 10^d is exact.
constexpr std::array<int, 5> kPowerOfTenBits = {0, 4, 7, 10, 14};

// The value times 10^decimals as an integer, when that product is exact and well inside the integers
// that a double holds (always so for the single-precision readings of the windows): rounded to an
// integer in the current rounding mode, as printf rounds (ties to even by default). Then
// "%.<decimals>f" is that integer with a point put back.
bool exactlyScaled(double value, int decimals, std::uint64_t& scaledValue) {
    if (decimals < 0 || decimals >= static_cast<int>(kPowerOfTenBits.size())) return false;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    if (exponent == 0x7FF) return false; // infinity or not a number
    if (exponent != 0 || fraction != 0) {
        if (exponent == 0) return false; // subnormal: leave it to the general writer
        const std::uint64_t significand = fraction | (std::uint64_t{1} << 52);
        const int used = 53 - std::countr_zero(significand);
        if (used + kPowerOfTenBits[static_cast<std::size_t>(decimals)] > 53) return false;
    }
    constexpr double kTwoTo52 = 4503599627370496.0;
    const double scaled = std::fabs(value) * kPowersOfTen[static_cast<std::size_t>(decimals)];
    if (!(scaled < kTwoTo52)) return false;
#if defined(__SSE2__)
    scaledValue = static_cast<std::uint64_t>(_mm_cvtsd_si64(_mm_set_sd(scaled))); // the current rounding mode
#else
    // Adding 2^52 leaves no bits below the units, so the sum is rounded in the current rounding mode.
    scaledValue = static_cast<std::uint64_t>((scaled + kTwoTo52) - kTwoTo52);
#endif
    return true;
}

// The characters of a number text gathered in a register, the first in the lowest byte, for the
// texts of up to eight characters that nearly every reading has: they go into place with two
// stores, never through a buffer that would have to be read back.
class ShortText {
public:
    static constexpr std::size_t kMost = 8;

    // "%.<decimals>f" of magnitude / 10^decimals, with a '-' in front when `negative`
    // (decimals 0 to 4); false when the text is longer than kMost. Digits come two at a time.
    [[gnu::always_inline]] bool assign(std::uint64_t magnitude, int decimals, bool negative) {
        bytes_ = 0;
        size_ = 0;
        if (decimals % 2 == 1) {
            push('0' + static_cast<unsigned>(magnitude % 10));
            magnitude /= 10;
        }
        for (int d = decimals / 2; d > 0; --d) {
            pushPair(magnitude % 100);
            magnitude /= 100;
        }
        if (decimals > 0) push('.');
        for (; magnitude >= 100; magnitude /= 100) {
            if (size_ + 2 > kMost) return false;
            pushPair(magnitude % 100);
        }
        if (size_ + (magnitude >= 10 ? 2 : 1) + (negative ? 1 : 0) > kMost) return false;
        if (magnitude >= 10)
            pushPair(magnitude);
        else
            push('0' + static_cast<unsigned>(magnitude));
        if (negative) push('-');
        return true;
    }

    // The stores match the loads with which a copy of the text reads it again (the same widths at
    // the same places), so that the copy is served from them without waiting.
    [[gnu::always_inline]] void writeTo(std::string& out) const {
        if (out.size() != size_) out.resize(size_);
        char* const d = out.data();
        if constexpr (std::endian::native == std::endian::little) {
            auto put = [&](auto word) {
                constexpr std::size_t w = sizeof word;
                word = static_cast<decltype(word)>(bytes_);
                std::memcpy(d, &word, w);
                word = static_cast<decltype(word)>(bytes_ >> (8 * (size_ - w)));
                std::memcpy(d + size_ - w, &word, w);
            };
            if (size_ == 8)
                put(std::uint64_t{});
            else if (size_ >= 4)
                put(std::uint32_t{});
            else if (size_ >= 2)
                put(std::uint16_t{});
            else
                d[0] = static_cast<char>(bytes_);
            return;
        }
        for (std::size_t i = 0; i < size_; ++i) d[i] = static_cast<char>(bytes_ >> (8 * i));
    }

private:
    void push(unsigned c) {
        bytes_ = bytes_ << 8 | c;
        ++size_;
    }
    // Two digits, the tens first in the text.
    void pushPair(std::uint64_t pair) {
        bytes_ = bytes_ << 16 | kDigitPairs[pair];
        size_ += 2;
    }

    // The characters of 00 to 99, the tens in the low byte.
    static constexpr std::array<std::uint16_t, 100> kDigitPairs = [] {
        std::array<std::uint16_t, 100> pairs{};
        for (unsigned v = 0; v < 100; ++v)
            pairs[v] = static_cast<std::uint16_t>(('0' + v / 10) | ('0' + v % 10) << 8);
        return pairs;
    }();

    std::uint64_t bytes_ = 0;
    std::size_t size_ = 0;
};

// fixedText of any value: not a number, infinite, or with more digits than ShortText holds. Kept
// apart, so that its large buffer is no burden on the short way.
[[gnu::noinline]] void writeAnyFixedText(std::string& out, double value, int decimals) {
    if (std::isnan(value)) return assignText(out, std::signbit(value) ? "-nan" : "nan");
    if (std::isinf(value)) return assignText(out, value < 0 ? "-inf" : "inf");
    std::array<char, 400> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    out.assign(buffer.data(), result.ptr);
}

} // namespace

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

namespace {

// The typed text without its blanks and without a '+' that from_chars would not take; empty when
// what is left cannot begin a number (a second sign, a letter).
std::string_view typedDigits(std::string_view text) {
    text = trimmed(text);
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    const std::string_view digits = !plus && !text.empty() && text.front() == '-' ? text.substr(1) : text;
    if (digits.empty() || !((digits.front() >= '0' && digits.front() <= '9') || digits.front() == '.'))
        return {};
    return text;
}

} // namespace

std::optional<long long> wholeInteger(std::string_view text) {
    text = typedDigits(text);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> wholeNumber(std::string_view text) {
    text = typedDigits(text);
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string boundText(double value) {
    char buffer[32];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return error == std::errc{} ? std::string(buffer, end) : std::string();
}

long long integerValue(std::string_view text) {
    bool negative = false;
    std::size_t i = numberStart(text, negative);
    long long value = 0;
    auto digitAt = [&text](std::size_t k) {
        return static_cast<unsigned>(static_cast<unsigned char>(text[k])) - unsigned{'0'};
    };
    // Eighteen digits never overflow; only longer numbers need the saturating loop.
    for (const std::size_t unchecked = std::min(text.size(), i + 18); i < unchecked && digitAt(i) <= 9; ++i)
        value = value * 10 + digitAt(i);
    constexpr long long limit = std::numeric_limits<long long>::max();
    for (; i < text.size() && digitAt(i) <= 9; ++i) {
        const auto digit = static_cast<int>(digitAt(i));
        if (value > (limit - digit) / 10) {
            value = limit;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double numberValue(std::string_view text) {
    bool negative = false;
    std::size_t i = numberStart(text, negative);
    // from_chars takes no sign of its own after ours and no leading '+'.
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0.0;
    double value = 0.0;
    std::uint64_t whole = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    if (readPlainDecimal(first, last, value, whole)) return negative ? -value : value;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = outOfRangeValue(first, result.ptr);
    else if (result.ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

DecimalValue decimalValue(std::string_view text) {
    bool negative = false;
    std::size_t i = numberStart(text, negative);
    double number = 0.0;
    std::uint64_t whole = 0;
    if (!readPlainDecimal(text.data() + i, text.data() + text.size(), number, whole))
        return {integerValue(text), numberValue(text)};
    const auto integer = static_cast<long long>(whole);
    return {negative ? -integer : integer, negative ? -number : number};
}

std::string fixedText(double value, int decimals) {
    std::string text;
    writeFixedText(text, value, decimals);
    return text;
}

void writeFixedText(std::string& out, double value, int decimals) {
    std::uint64_t scaled = 0;
    ShortText text;
    if (exactlyScaled(value, decimals, scaled) && text.assign(scaled, decimals, std::signbit(value)))
        return text.writeTo(out);
    writeAnyFixedText(out, value, decimals);
}

void writeIntegerText(std::string& out, long long value) {
    const bool negative = value < 0;
    // The magnitude of the most negative value is one more than the largest one.
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    if (ShortText text; text.assign(magnitude, 0, negative)) return text.writeTo(out);
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.assign(buffer, result.ptr);
}

} // namespace nimbrel
