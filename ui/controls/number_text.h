// Reading the station's decimal texts as numbers, the way the controls expect: leading blanks skipped,
// the longest number at the start taken, anything unreadable giving 0. Independent of the C locale.
#pragma once

#include <optional>
#include <string_view>

namespace nimbrel {

// The number at the start of the text, or nothing when the text does not start with one.
std::optional<double> leadingNumber(std::string_view text);

// The number at the start of the text, or 0 when there is none.
double numberOrZero(std::string_view text);

} // namespace nimbrel
