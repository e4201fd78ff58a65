// The fixed date and time format tables that the station's display settings select.
#pragma once

namespace nimbrel {

// Index arguments come from the station's settings: the date index is `dateFmt` (0 year-month-day,
// 1 month-day-year, 2 day-month-year), the clock index is `hourFmt` (0 24-hour, 1 12-hour). An index
// outside its table gives entry 0.

// Patterns of the date and time pickers.
const char* pickerDateFormat(int dateIndex);
const char* pickerTimeFormat(int clockIndex);

// The strftime patterns of date and time texts are dateTextPattern and clockTextPattern
// (presentation/time_text.h), next to the code that shows time stamps with them.

// Label patterns of the chart's time axis.
const char* chartDateFormat(int dateIndex);
const char* chartTimeFormat(int axisClockIndex);

// The station's axis bit counts the other way round: `axisFmt` 0 means a 12-hour axis.
int axisClockIndexFor(int axisFmt);

} // namespace nimbrel
