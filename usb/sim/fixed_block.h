// The simulated station's first 256 bytes: its settings, alarm thresholds, current pressures and min/max
// records.
#pragma once

#include "usb/sim/station_bytes.h"
#include "usb/sim/weather_model.h"

#include <cstdint>

namespace nimbrel::sim {

// Relative pressure of the simulated site: absolute pressure plus this many 0.1 hPa.
constexpr int kRelativePressureOffset = 37;

// Settings and alarm thresholds as the owner set them up weeks ago: initialised, 5-minute interval, hPa and
// km/h, day-month-year dates, time zone +1, a few alarms switched on. Leaves the ring pointers alone.
void writeOwnerSettings(Memory& m);

// What the station does on the request 0x55 in byte 0x1A: loads its own default settings and alarm
// thresholds (m/s, year-month-day dates, time zone 0, every alarm off). The initialisation flags and the
// update flag read 0x00 afterwards, as the program reports after the request. The ring pointers and the
// current pressures are kept.
void loadStationDefaults(Memory& m);

// The current pressures at 0x20 (relative) and 0x22 (absolute).
void writeCurrentPressures(Memory& m, int absPres);

// Min/max records of temperatures, humidities, dew point, wind chill, pressures and wind. `first` sets every
// record to this reading; otherwise only new extremes are taken, each with the time it happened.
void updateMinMax(Memory& m, const Reading& reading, double utcSeconds, bool first);

// One rain maximum (0 hour, 1 day, 2 week, 3 month, 4 total) with its time; month and total take 20 bits.
void writeRainMaximum(Memory& m, int which, std::uint32_t value, double utcSeconds);

// Dew point and wind chill in 0.1 °C, for the min/max records.
int dewPointTenths(int outTemp, int outHumi);
int windChillTenths(int outTemp, int winds);

} // namespace nimbrel::sim
