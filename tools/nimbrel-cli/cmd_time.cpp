// nimbrel-cli time: shows a time stamp in one of the station's date and clock formats.
#include "presentation/time_text.h"
#include "tools/nimbrel-cli/commands.h"

#include <iostream>
#include <string>

namespace nimbrel::cli {

namespace {

bool parseIndex(const std::string& text, int highest, int& index) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '0' + highest) return false;
    index = text[0] - '0';
    return true;
}

} // namespace

int runTime(const Arguments& args) {
    if (args.size() != 3) return fail(kExitBadInput, "usage: nimbrel-cli time STAMP DATEINDEX TIMEINDEX");
    int dateIndex = 0;
    int clockIndex = 0;
    if (!parseIndex(args[1], 2, dateIndex))
        return fail(kExitBadInput,
                    "time: DATEINDEX must be 0 (year-month-day), 1 (month-day-year) or 2 (day-month-year)");
    if (!parseIndex(args[2], 1, clockIndex))
        return fail(kExitBadInput, "time: TIMEINDEX must be 0 (24-hour clock) or 1 (12-hour clock)");
    std::cout << stationTimeText(args[0], dateIndex, clockIndex) << '\n';
    return kExitOk;
}

} // namespace nimbrel::cli
