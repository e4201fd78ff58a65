// Fuzz target: the hex bytes typed to nimbrel-cli's decode commands, any words of any bytes. Input
// is taken exactly when its non-blank characters are 2 x count hex digits, and then gives those
// bytes; anything else is refused with a reason.
#include "fuzz/fuzz_check.h"
#include "tools/nimbrel-cli/hex_input.h"

#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

using nimbrel::fuzz::require;

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The blanks of the C locale, which the command line is read in.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // The decode commands ask for 16 (a record), 32 or 64 bytes; any count is tried.
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, 80);
    std::vector<std::string> words;
    while (input.remaining_bytes() > 0 && words.size() < 64)
        words.push_back(input.ConsumeRandomLengthString(40));

    std::vector<int> digits;
    bool onlyHex = true;
    for (const std::string& word : words)
        for (char c : word) {
            if (isBlank(c)) continue;
            const int digit = digitValue(c);
            if (digit < 0) onlyHex = false;
            digits.push_back(digit);
        }
    const bool acceptable = onlyHex && count > 0 && digits.size() == 2 * count;

    std::string error;
    const auto bytes = nimbrel::cli::parseHexBytes(words, count, error);
    require(bytes.has_value() == acceptable, "input is taken exactly when it is 2 x count hex digits");
    if (!bytes) {
        require(!error.empty(), "a refusal says why");
        return 0;
    }
    require(bytes->size() == count, "the bytes asked for are given");
    for (std::size_t i = 0; i < count; ++i)
        require((*bytes)[i] == digits[2 * i] * 16 + digits[2 * i + 1], "each pair of digits is one byte");
    return 0;
}
