// ChartModel: what a graph shows, as plain data: title, time axis, value axis and the series with their
// points. The Graph window, its saved pictures and nimbrel-cli graph all draw one of these.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// The eleven chart types, in the order of the type box.
enum class ChartType : int {
    line,
    bar,
    horizBar,
    area,
    point,
    fastLine,
    arrow,
    volume,
    bezier,
    point3D,
    bar3D
};
inline constexpr int kChartTypes = 11;

// English names as the type box lists them ("Line" ... "Bar3D"); the type of a name, compared exactly.
std::string_view chartTypeName(ChartType type);
std::optional<ChartType> chartTypeNamed(std::string_view name);

// The time axis runs over wall-clock seconds (parseChartTime): no zone, no daylight saving.
struct TimeAxis {
    std::string caption;
    double min = 0.0;
    double max = 1.0;
    int dateIndex = 0;  // 0 year-month-day, 1 month-day-year, 2 day-month-year
    int clockIndex = 0; // 0 24-hour, 1 12-hour
};

struct ValueAxis {
    std::string caption;
    double min = 0.0;
    double max = 1.0;
};

// Series colours as 0xRRGGBB.
inline constexpr std::uint32_t kSeriesRed = 0xFF0000;
inline constexpr std::uint32_t kSeriesGreen = 0x00FF00;

// One series: point i is (x[i], y[i]); a y that is NaN is a gap (the record had no reading there).
// The arrays are shared with the data they came from, so a model is rebuilt without copying points.
struct ChartSeries {
    std::string name;
    std::uint32_t colour = kSeriesRed;
    int lineWidth = 1;
    std::shared_ptr<const std::vector<double>> x;
    std::shared_ptr<const std::vector<float>> y;

    std::size_t size() const { return x && y ? std::min(x->size(), y->size()) : 0; }
};

struct ChartModel {
    std::string title;
    TimeAxis time;
    ValueAxis value;
    std::vector<ChartSeries> series;
    ChartType type = ChartType::line;
    bool view3D = false;
};

// A series over hand-made or computed points (tests, small charts).
ChartSeries makeSeries(std::string name, std::uint32_t colour, std::vector<double> x, std::vector<float> y);

// Smallest span of the time axis in seconds: equal start and end still give an axis one can draw.
inline constexpr double kMinimumTimeSpan = 60.0;
// [min, max] widened around its middle to at least kMinimumTimeSpan.
std::array<double, 2> drawableTimeSpan(double min, double max);

} // namespace nimbrel
