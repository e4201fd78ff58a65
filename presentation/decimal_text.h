// Reading and writing the decimal texts in which readings travel, independent of the process locale.
#pragma once

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

// printf-style "%.<decimals>f", always with a decimal point whatever the locale (the window toolkit
// switches the process to the user's locale, and these texts also go into the history file).
std::string fixedText(double value, int decimals);

// "" and "---" are never readings.
inline bool isMarkerText(std::string_view text) {
    return text.empty() || text == "---";
}

} // namespace nimbrel
