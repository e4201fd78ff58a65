// What the History window decides about its search range, without a window: the period presets, the
// range texts and the refusal of an inverted range. nimbrel-cli history and export use it too.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace nimbrel {

// The period box: 0 "an hour", 1 "24 hours", 2 "a week", 3 "a month", 4 "user defined".
inline constexpr int kPeriodChoices = 5;
// Seconds before now at which a period choice starts; "an hour", "user defined" and any other index
// give an hour.
std::int64_t periodSeconds(int choice);

// A range bound as the window keeps it: "%Y-%m-%d %H:%M:%S" of the local time `t`.
std::string rangeStamp(std::time_t t);
// True when the text has exactly that form (digits where digits belong), as the command line asks.
bool isRangeStamp(std::string_view text);

// The range of the last accepted search. Save times are compared with it as plain texts.
class HistoryRange {
public:
    // Takes [from, to] unless from comes after to; a refused range leaves the kept one as it was, so
    // Refresh and Graph never see it.
    bool accept(const std::string& from, const std::string& to);
    bool hasRange() const { return accepted_; }
    const std::string& from() const { return from_; }
    const std::string& to() const { return to_; }

private:
    std::string from_;
    std::string to_;
    bool accepted_ = false;
};

} // namespace nimbrel
