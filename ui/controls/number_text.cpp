#include "ui/controls/number_text.h"

#include <cctype>
#include <charconv>

namespace nimbrel {

std::optional<double> leadingNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    // from_chars takes a minus sign but no plus sign.
    if (start < text.size() && text[start] == '+') ++start;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (error != std::errc{}) return std::nullopt;
    (void)end;
    return value;
}

double numberOrZero(std::string_view text) { return leadingNumber(text).value_or(0.0); }

} // namespace nimbrel
