// Telling a reading's text that holds a number from one that holds none (a marker, a word), where a
// control must not take "no number" for 0.
#pragma once

#include <optional>
#include <string_view>

namespace nimbrel {

// The number at the start of the text as numberValue reads it, or nothing when the text (after blanks
// and a sign) does not start with a number.
std::optional<double> readingNumber(std::string_view text);

} // namespace nimbrel
