#include "app/history_search.h"

#include "station/local_stamp.h"

#include <cctype>

namespace nimbrel {

std::int64_t periodSeconds(int choice) {
    switch (choice) {
    case 1: return 86400;
    case 2: return 604800;
    case 3: return 2592000;
    default: return 3600;
    }
}

std::string rangeStamp(std::time_t t) {
    return localStampText(t);
}

bool isRangeStamp(std::string_view text) {
    constexpr std::string_view shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (shape[i] == 'd' ? !digit : text[i] != shape[i]) return false;
    }
    return true;
}

bool HistoryRange::accept(const std::string& from, const std::string& to) {
    if (from > to) return false;
    from_ = from;
    to_ = to;
    accepted_ = true;
    return true;
}

} // namespace nimbrel
