// HistoryRowView: what a range listing fills, one row per stored record (the history grid).
#pragma once

#include "station/weather_sample.h"

namespace nimbrel {

class HistoryRowView {
public:
    virtual ~HistoryRowView() = default;
    // Removes every row the view shows.
    virtual void removeAllRows() = 0;
    // Adds the record as row `row`, counting from 0 in file order.
    virtual void addRow(const WeatherSample& record, int row) = 0;
};

} // namespace nimbrel
