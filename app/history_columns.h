// The history grid's column titles in the user's language and units.
#pragma once

#include "presentation/history_row.h"
#include "presentation/units.h"

#include <array>
#include <string>

namespace nimbrel {

class LanguageTable;

// The 35 titles: the language's quantity name with its unit in parentheses ("Indoor Temperature(°F)",
// "Interval(mi)"); "No", "windDir", "condition", "flag1".."flag8" and "saveTime" are the same in every
// language.
std::array<std::string, kHistoryGridColumns> historyColumnTitles(const LanguageTable& texts,
                                                                 const UnitSelection& units);

} // namespace nimbrel
