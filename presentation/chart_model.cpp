#include "presentation/chart_model.h"

#include <algorithm>
#include <cmath>

namespace nimbrel {

namespace {

constexpr std::array<std::string_view, kChartTypes> kTypeNames = {
    "Line", "Bar", "HorizBar", "Area", "Point", "FastLine", "Arrow", "Volume", "Bezier", "Point3D", "Bar3D",
};

} // namespace

std::string_view chartTypeName(ChartType type) {
    const auto i = static_cast<std::size_t>(type);
    return i < kTypeNames.size() ? kTypeNames[i] : std::string_view{};
}

std::optional<ChartType> chartTypeNamed(std::string_view name) {
    for (std::size_t i = 0; i < kTypeNames.size(); ++i)
        if (kTypeNames[i] == name) return static_cast<ChartType>(i);
    return std::nullopt;
}

ChartSeries makeSeries(std::string name, std::uint32_t colour, std::vector<double> x, std::vector<float> y) {
    ChartSeries s;
    s.name = std::move(name);
    s.colour = colour;
    s.x = std::make_shared<const std::vector<double>>(std::move(x));
    s.y = std::make_shared<const std::vector<float>>(std::move(y));
    return s;
}

std::array<double, 2> drawableTimeSpan(double min, double max) {
    if (!std::isfinite(min) || !std::isfinite(max)) return {0.0, kMinimumTimeSpan};
    if (min > max) std::swap(min, max);
    if (max - min >= kMinimumTimeSpan) return {min, max};
    const double middle = min + (max - min) / 2.0;
    return {middle - kMinimumTimeSpan / 2.0, middle + kMinimumTimeSpan / 2.0};
}

} // namespace nimbrel
