// Rain totals measured against the PC history file: its newest records, kept from cycle to cycle.
#pragma once

#include "presentation/rain_totals.h"
#include "station/clock.h"
#include "station/weather_sample.h"
#include "store/history_store.h"

#include <functional>
#include <string>
#include <string_view>

namespace nimbrel {

// Rain totals of one sample (the current reading) against the stored history. False when the
// sample has no rain counter. `sinceMidnightMm`, when given, receives the rain since local midnight
// (nothing without a counter).
bool computeRainTotalsFromStore(WeatherSample& sample, HistoryStore& store, Clock& clock = systemClock(),
                                std::optional<double>* sinceMidnightMm = nullptr);

// Rain totals of records just fetched from the station (newest first) against the stored history
// and the fetched records before each one. `label` is the localised "Compute history rain data";
// `progress` gets "<label> <n> : <percent>% ..." before each record.
void computeRainTotalsForNewRecords(SampleList& newestFirst, HistoryStore& store, std::string_view label,
                                    const std::function<void(const std::string&)>& progress,
                                    Clock& clock = systemClock());

} // namespace nimbrel
