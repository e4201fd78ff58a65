// Reading and writing the decimal texts in which readings travel, independent of the process locale.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// The marker of a signed station field holding all ones.
inline constexpr long long kNoReading = -32767;

// The text read as a decimal integer: leading blanks skipped, an optional sign, reading stops at the
// first non-digit; a text without digits reads as 0. Saturates instead of overflowing.
long long integerValue(std::string_view text);

// The text read as a decimal floating-point number (leading blanks, optional sign, digits, point,
// exponent); a text without a number reads as 0.
double numberValue(std::string_view text);

// The text read once for both of its uses by code that reads many readings: `integer` is what
// integerValue gives, `number` what numberValue gives.
struct DecimalValue {
    long long integer = 0;
    double number = 0.0;
};
DecimalValue decimalValue(std::string_view text);

// printf-style "%.<decimals>f", always with a decimal point whatever the locale (the window toolkit
// switches the process to the user's locale, and these texts also go into the history file).
std::string fixedText(double value, int decimals);
// The same text written into `out`, replacing what it held.
void writeFixedText(std::string& out, double value, int decimals);
// "%lld" of the value written into `out`, replacing what it held.
void writeIntegerText(std::string& out, long long value);

// Sets `to` to `text` (which must not overlap it). Readers and builders of many records set
// thousands of short texts, most of them as long as the text they replace: those are copied in
// place with a few word moves instead of library calls.
inline void assignText(std::string& to, std::string_view text) {
    const std::size_t n = text.size();
    if (to.size() != n || n > 32) {
        to.assign(text);
        return;
    }
    // Two overlapping moves of the widest size that fits cover every length.
    auto copy = [d = to.data(), s = text.data(), n](auto word) {
        constexpr std::size_t w = sizeof word;
        std::memcpy(&word, s, w);
        std::memcpy(d, &word, w);
        std::memcpy(&word, s + n - w, w);
        std::memcpy(d + n - w, &word, w);
    };
    struct Bytes16 {
        std::uint64_t low, high;
    };
    if (n >= 16)
        copy(Bytes16{});
    else if (n >= 8)
        copy(std::uint64_t{});
    else if (n >= 4)
        copy(std::uint32_t{});
    else if (n >= 2)
        copy(std::uint16_t{});
    else if (n == 1)
        to[0] = text[0];
}

// What a user typed, as the windows and the command line take it: the text without the blanks
// (' ', '\t', '\n', '\v', '\f', '\r') around it.
std::string_view trimmed(std::string_view text);

// A typed text that must be a number as a whole: blanks around it, one optional sign ('+' or '-'),
// digits and nothing else. Empty, a second sign, a trailing letter or a number too large is none.
std::optional<long long> wholeInteger(std::string_view text);
// The same for a decimal number: digits with at most one point, with a point whatever the user's
// locale; no exponent, no "inf" or "nan".
std::optional<double> wholeNumber(std::string_view text);

// A bound as the range prompts print it ("%g": six significant digits), independent of the locale.
std::string boundText(double value);

// "" and "---" are never readings.
inline bool isMarkerText(std::string_view text) {
    return text.empty() || text == "---";
}

} // namespace nimbrel
