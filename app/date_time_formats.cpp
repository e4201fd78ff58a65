#include "app/date_time_formats.h"

#include <array>

namespace nimbrel {

namespace {

template <std::size_t N> const char* pick(const std::array<const char*, N>& table, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < N ? table[static_cast<std::size_t>(index)]
                                                             : table[0];
}

constexpr std::array<const char*, 3> kPickerDate{"yyy-MM-dd", "MM-dd-yyy", "dd-MM-yyy"};
constexpr std::array<const char*, 2> kPickerTime{"HH:mm:ss", "hh:mm:sstt"};
constexpr std::array<const char*, 3> kChartDate{"yyyy-mm-dd", "mm-dd-yyyy", "dd-mm-yyyy"};
constexpr std::array<const char*, 2> kChartTime{"hh:nn:ss", "hh:nn:ssAM/PM"};

} // namespace

const char* pickerDateFormat(int dateIndex) {
    return pick(kPickerDate, dateIndex);
}
const char* pickerTimeFormat(int clockIndex) {
    return pick(kPickerTime, clockIndex);
}
const char* chartDateFormat(int dateIndex) {
    return pick(kChartDate, dateIndex);
}
const char* chartTimeFormat(int axisClockIndex) {
    return pick(kChartTime, axisClockIndex);
}

int axisClockIndexFor(int axisFmt) {
    return axisFmt == 0 ? 1 : 0;
}

} // namespace nimbrel
