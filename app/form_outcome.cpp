#include "app/form_outcome.h"

#include <charconv>

namespace nimbrel {

void FormOutcome::tell(std::string_view text) {
    if (!message.empty()) message += '\n';
    message += text;
}

void addByteChanges(std::vector<ByteChange>& changes, unsigned address, std::span<const std::uint8_t> before,
                    std::span<const std::uint8_t> after) {
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
        if (before[i] != after[i])
            changes.push_back({address + static_cast<unsigned>(i), before[i], after[i]});
}

std::vector<std::uint8_t> hexDumpBytes(std::string_view dump) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at + 2 <= dump.size(); at += 3) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(dump.data() + at, dump.data() + at + 2, value, 16);
        if (error != std::errc{} || end != dump.data() + at + 2) break;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

} // namespace nimbrel
