// The "yyyy-mm-dd hh:mm:ss" text of a moment read in UTC, for tests that lay out stored records by
// the clock without depending on the machine's time zone.
#pragma once

#include <ctime>
#include <string>

namespace nimbrel::testing {

inline std::string utcStampText(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

} // namespace nimbrel::testing
