#include "app/history_columns.h"

#include "app/language_table.h"

namespace nimbrel {

std::array<std::string, kHistoryGridColumns> historyColumnTitles(const LanguageTable& texts,
                                                                 const UnitSelection& units) {
    const auto with = [&](TextRow row, const std::string& unitText) {
        return texts.text(row) + "(" + unitText + ")";
    };
    const std::string& tin = units.indoorTemperature;
    const std::string& tout = units.outdoorTemperature;
    const std::string& p = units.pressure;
    const std::string& w = units.wind;
    const std::string& r = units.rain;
    using R = TextRow;
    // clang-format off
    std::array<std::string, kHistoryGridColumns> titles = {
        "No",                           texts.text(R::time),              with(R::interval, "mi"),
        with(R::indoorHumidity, "%"),   with(R::indoorTemperature, tin),  with(R::outdoorHumidity, "%"),
        with(R::outdoorTemperature, tout), with(R::absolutePressure, p),  with(R::wind, w),
        with(R::gust, w),               texts.text(R::direction),         with(R::relativePressure, p),
        with(R::dewpoint, tout),        with(R::windchill, tout),         with(R::hourRainfall, r),
        with(R::dayRainfall, r),        with(R::weekRainfall, r),         with(R::monthRainfall, r),
        with(R::totalRainfall, r),      with(R::windLevel, "bft"),        with(R::gustLevel, "bft"),
        "windDir",                      "condition",                      with(R::rain, "Hz"),
        with(R::rain, r),               with(R::increment, r)};
    // clang-format on
    for (int i = 0; i < 8; ++i) titles[static_cast<std::size_t>(26 + i)] = "flag" + std::to_string(i + 1);
    titles[34] = "saveTime";
    return titles;
}

} // namespace nimbrel
