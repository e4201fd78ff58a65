#include "ui/controls/number_text.h"

#include "presentation/decimal_text.h"

#include <cctype>
#include <charconv>

namespace nimbrel {

std::optional<double> readingNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    if (start < text.size() && (text[start] == '+' || text[start] == '-')) ++start;
    double probe = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + text.size(), probe);
    if (result.ec != std::errc{} && result.ec != std::errc::result_out_of_range) return std::nullopt;
    return numberValue(text);
}

} // namespace nimbrel
