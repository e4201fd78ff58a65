// Hex input of nimbrel-cli: station bytes typed as hex digits, blanks optional.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel::cli {

// Joins the words and reads them as exactly `count` bytes; on a non-hex character, an odd number
// of digits or a wrong count, returns nothing and says why in error.
std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::vector<std::string>& words,
                                                       std::size_t count, std::string& error);

} // namespace nimbrel::cli
