#include "app/history_columns.h"

#include "app/language_table.h"

namespace nimbrel {

std::array<std::string, kHistoryGridColumns> historyColumnTitles(const LanguageTable& texts,
                                                                 const UnitSelection& units) {
    const auto with = [&](int row, const std::string& unitText) { return texts.text(row) + "(" + unitText + ")"; };
    const std::string& tin = units.indoorTemperature;
    const std::string& tout = units.outdoorTemperature;
    const std::string& p = units.pressure;
    const std::string& w = units.wind;
    const std::string& r = units.rain;
    std::array<std::string, kHistoryGridColumns> titles = {
        "No",           texts.text(65),  with(60, "mi"),  with(24, "%"),  with(21, tin),  with(25, "%"),
        with(22, tout), with(29, p),     with(33, w),     with(34, w),    texts.text(40), with(30, p),
        with(32, tout), with(31, tout),  with(44, r),     with(45, r),    with(46, r),    with(47, r),
        with(48, r),    with(38, "bft"), with(39, "bft"), "windDir",      "condition",    with(41, "Hz"),
        with(41, r),    with(49, r)};
    for (int i = 0; i < 8; ++i) titles[static_cast<std::size_t>(26 + i)] = "flag" + std::to_string(i + 1);
    titles[34] = "saveTime";
    return titles;
}

} // namespace nimbrel
