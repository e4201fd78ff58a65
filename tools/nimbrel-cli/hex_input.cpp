#include "tools/nimbrel-cli/hex_input.h"

#include <cctype>

namespace nimbrel::cli {

std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::vector<std::string>& words,
                                                       std::size_t count, std::string& error) {
    std::string digits;
    for (const std::string& word : words)
        for (char c : word) {
            if (std::isspace(static_cast<unsigned char>(c))) continue;
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                error = std::string("not a hex digit: '") + c + "'";
                return std::nullopt;
            }
            digits += c;
        }
    if (digits.empty()) {
        error = "missing HEX argument (" + std::to_string(count) + " bytes)";
        return std::nullopt;
    }
    if (digits.size() % 2 != 0) {
        error = "odd number of hex digits (" + std::to_string(digits.size()) + ")";
        return std::nullopt;
    }
    if (digits.size() / 2 != count) {
        error = "expected " + std::to_string(count) + " bytes, got " + std::to_string(digits.size() / 2);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(std::stoi(digits.substr(2 * i, 2), nullptr, 16));
    return bytes;
}

} // namespace nimbrel::cli
