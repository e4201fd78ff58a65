// The Graph window's data without a window: the seven quantities of its series box, the records of a
// search held as compact per-field arrays in the user's units, and the chart model of a choice of
// quantity, type and 3D built from those arrays. nimbrel-cli graph uses it too.
#pragma once

#include "app/language_table.h"
#include "presentation/chart_model.h"
#include "presentation/units.h"
#include "station/weather_sample.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

class HistoryStore;

// The series box, in order: 0 "Humidity", 1 "Indoor Temperature", 2 "Outdoor Temperature", 3 "Wind Chill",
// 4 "Pressure", 5 "Wind", 6 "Rain".
inline constexpr int kGraphQuantities = 7;
std::string_view graphQuantityName(int quantity); // the English entry, "" for no quantity
std::optional<int> graphQuantityNamed(std::string_view englishName);
// The entry as the series box shows it in the table's language.
std::string graphQuantityText(const LanguageTable& texts, int quantity);

// The time axis's label format as the chart control writes it, e.g. "yyyy-mm-dd hh:nn:ss".
std::string timeLabelFormat(const TimeAxis& axis);

struct GraphChoice {
    int quantity = 0;
    ChartType type = ChartType::line;
    bool view3D = false;
};

// The records of one search. Each record with a full sample time gives one x (parseChartTime of its
// sample time) and one value per loaded field: the value the History grid shows for it in the user's
// units (same conversion, same decimals), or NaN where the grid shows "---" or the value is not finite.
// Changing the quantity, the type or 3D only builds a new model over the same arrays.
class GraphData {
public:
    // Loads the fields of every quantity, or of `onlyQuantity`'s series (a picture of one quantity
    // needs no more; ten years of one field take a sixth of the memory).
    GraphData(const UnitSelection& units, int axisClockIndex, std::optional<int> onlyQuantity = std::nullopt);

    // The searched range as the range texts; an empty or non-stamp bound stands for the first or last
    // sample time loaded.
    void setRange(std::string from, std::string to);
    // Forgets the records (not the range).
    void clear();
    // One record, in file order.
    void add(const WeatherSample& record);
    // Streams the store's records of [from, to] into the arrays once (clearing them first) and keeps
    // the range. A set `stop` ends the walk early (the window closing). Returns the records visited.
    std::size_t load(HistoryStore& store, const std::string& from, const std::string& to,
                     const std::atomic<bool>* stop = nullptr);

    std::size_t size() const { return x_->size(); }
    const UnitSelection& units() const { return units_; }

    // The chart of a choice, captions in the table's language.
    ChartModel model(const GraphChoice& choice, const LanguageTable& texts) const;

private:
    UnitSelection units_;
    int axisClockIndex_;
    std::optional<int> onlyQuantity_;
    std::string from_;
    std::string to_;
    std::shared_ptr<std::vector<double>> x_;
    // One array per field slot (see graph_data.cpp), null when the field is not loaded.
    std::array<std::shared_ptr<std::vector<float>>, 11> fields_;
    std::array<float, 11> largest_{}; // per slot, starting at 0
    double firstX_ = 0.0;
    double lastX_ = 0.0;
    // Resolved once: every record is converted with them.
    TemperatureUnit indoor_;
    TemperatureUnit outdoor_;
    PressureUnit pressure_;
    SpeedUnit wind_;
    RainUnit rain_;
};

// The rain axis's top for a largest total: `top` itself when the largest does not exceed it, otherwise
// i x top for the smallest whole i from 2 up with i x top not less than the largest. Values that are not
// finite are never a largest (the caller skips them).
double widenedRainTop(double top, double largest);

} // namespace nimbrel
