// The history grid's 35 cells of one stored record, as the grid, the export and nimbrel-cli show them.
#pragma once

#include "presentation/time_text.h"
#include "presentation/units.h"
#include "station/weather_sample.h"

#include <array>
#include <cstddef>
#include <string>

namespace nimbrel {

inline constexpr int kHistoryGridColumns = 35;

// Width in pixels that the grid gives each column at first; 0 hides a column until the user drags it
// open. The Export dialog offers the columns that are open when it is opened.
inline constexpr std::array<int, kHistoryGridColumns> kHistoryColumnWidths = {
    40,  120, 90,  180, 180, 180, 180, 150, 100, 100, 80, 150, 100, 150, 150, 180, 150, 180,
    180, 120, 150, 0,   100, 0,   0,   0,   0,   0,   0,  0,   0,   0,   0,   0,   0};

// Turns stored records (base units) into the cells of the user's units and date and time formats.
// The units are resolved once, when the builder is made; one builder serves one listing or export
// and is not shared between threads.
class HistoryRowBuilder {
public:
    explicit HistoryRowBuilder(const UnitSelection& units);

    // The text of grid column `column` (0..34) for `record` shown on row `row` (counted from 0; the
    // "No" column shows it from 1), written into `out`. A column outside the grid gives "".
    void cell(std::string& out, int column, const WeatherSample& record, std::size_t row);
    // All 35 cells.
    void cells(std::array<std::string, kHistoryGridColumns>& out, const WeatherSample& record, std::size_t row);

private:
    TemperatureUnit indoor_;
    TemperatureUnit outdoor_;
    PressureUnit pressure_;
    SpeedUnit wind_;
    RainUnit rain_;
    StationTimeFormatter time_;
};

} // namespace nimbrel
