#include "station/flag_text.h"

namespace nimbrel {

bool isFlagOn(std::string_view text) {
    if (text == "1") return true;
    constexpr std::string_view kTrue = "true";
    if (text.size() != kTrue.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kTrue[i]) return false;
    }
    return true;
}

} // namespace nimbrel
