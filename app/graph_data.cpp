#include "app/graph_data.h"

#include "app/date_time_formats.h"
#include "presentation/decimal_text.h"
#include "presentation/time_text.h"
#include "store/history_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nimbrel {

namespace {

using P = WeatherSample::Position;

// The fields that the quantities draw, one array slot each.
enum Slot : int {
    indHumi,
    outHumi,
    indTemp,
    outTemp,
    dewPoint,
    windChill,
    absPres,
    relPres,
    winds,
    gust,
    totalRain
};
constexpr std::array<int, 11> kSlotPositions = {P::indHumi,  P::outHumi,   P::indTemp,  P::outTemp,
                                                P::dewPoint, P::windChill, P::absPres,  P::relPres,
                                                P::winds,    P::gust,      P::totalRain};

enum class Kind { humidity, indoorTemperature, outdoorTemperature, pressure, wind, rain };

struct SeriesField {
    std::optional<int> slot;                  // none: the quantity has no second series
    TextRow name = TextRow::applicationTitle; // the series' title in the language table
};

struct Quantity {
    std::string_view english;
    TextKey entry; // the series box's text
    SeriesField first;
    SeriesField second;
    Kind kind;
    float baseMin; // the value axis in the base unit
    float baseMax;
};

using R = TextRow;
constexpr std::array<Quantity, kGraphQuantities> kQuantities = {{
    {"Humidity",
     R::humidity,
     {indHumi, R::indoorHumidity},
     {outHumi, R::outdoorHumidity},
     Kind::humidity,
     0.0f,
     100.0f},
    {"Indoor Temperature",
     R::indoorTemperature,
     {indTemp, R::indoorTemperature},
     {},
     Kind::indoorTemperature,
     -40.0f,
     60.0f},
    {"Outdoor Temperature",
     R::outdoorTemperature,
     {outTemp, R::outdoorTemperature},
     {dewPoint, R::dewpoint},
     Kind::outdoorTemperature,
     -40.0f,
     60.0f},
    // The table's row "Windchill" is one word; the series box says "Wind Chill".
    {"Wind Chill",
     "graph.series.wind_chill",
     {windChill, R::windchill},
     {},
     Kind::outdoorTemperature,
     -40.0f,
     60.0f},
    {"Pressure",
     R::pressure,
     {absPres, R::absolutePressure},
     {relPres, R::relativePressure},
     Kind::pressure,
     900.0f,
     1050.0f},
    {"Wind", R::wind, {winds, R::windVelocity}, {gust, R::gustVelocity}, Kind::wind, 0.0f, 50.0f},
    {"Rain", R::rain, {totalRain, R::totalRain}, {}, Kind::rain, 0.0f, 100.0f},
}};

Kind kindOfSlot(int slot) {
    switch (slot) {
    case indHumi:
    case outHumi:
        return Kind::humidity;
    case indTemp:
        return Kind::indoorTemperature;
    case outTemp:
    case dewPoint:
    case windChill:
        return Kind::outdoorTemperature;
    case absPres:
    case relPres:
        return Kind::pressure;
    case winds:
    case gust:
        return Kind::wind;
    default:
        return Kind::rain;
    }
}

constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

// The value rounded to the decimals its text is written with. The products are exact in double (a
// float has 24 bits), and nearbyint rounds halves to even as printf does with exact values, so this
// is the number that the grid's text reads back as.
double roundedTo(float value, int decimals) {
    const double scale = decimals == 2 ? 100.0 : 10.0;
    return std::nearbyint(static_cast<double>(value) * scale) / scale;
}

// The value of the grid's text, or NaN where it shows "---": the same tests as the to-text functions
// (markers, -32767, humidity 255 or negative, pressure 0), then the chart's own test of the text.
float chartValue(std::string_view text, Kind kind, TemperatureUnit indoor, TemperatureUnit outdoor,
                 PressureUnit pressure, SpeedUnit wind, RainUnit rain) {
    if (isMarkerText(text)) return kGap;
    const DecimalValue v = decimalValue(text);
    double shown = 0.0;
    switch (kind) {
    case Kind::humidity:
        if (v.integer < 0 || v.integer == 255) return kGap;
        shown = static_cast<double>(std::min<long long>(v.integer, 2147483647));
        break;
    case Kind::indoorTemperature:
    case Kind::outdoorTemperature: {
        if (v.integer == kNoReading) return kGap;
        const TemperatureUnit to = kind == Kind::indoorTemperature ? indoor : outdoor;
        shown = roundedTo(
            convertTemperature(static_cast<float>(v.number), 1.0f, TemperatureUnit::celsius, to), 1);
        break;
    }
    case Kind::pressure:
        if (v.integer == kNoReading || v.integer == 0) return kGap;
        shown = roundedTo(convertPressure(static_cast<float>(v.number), 1.0f, PressureUnit::hpa, pressure),
                          pressure == PressureUnit::inHg ? 2 : 1);
        break;
    case Kind::wind: {
        if (v.integer == kNoReading) return kGap;
        const float speed =
            convertWindSpeed(static_cast<float>(v.number), 1.0f, SpeedUnit::metresPerSecond, wind);
        shown = wind == SpeedUnit::beaufort ? std::trunc(static_cast<double>(speed)) : roundedTo(speed, 1);
        break;
    }
    case Kind::rain:
        if (v.integer == kNoReading) return kGap;
        shown = roundedTo(convertRain(static_cast<float>(v.number), 1.0f, RainUnit::mm, rain),
                          rain == RainUnit::inch ? 2 : 1);
        break;
    }
    // The chart skips a text whose integer part is the station's marker, and nothing here draws a
    // value that is not finite (a hand-edited line can hold one).
    if (!std::isfinite(shown) || std::trunc(shown) == static_cast<double>(kNoReading)) return kGap;
    const float y = static_cast<float>(shown);
    return std::isfinite(y) ? y : kGap;
}

const std::string& unitTextOf(Kind kind, const UnitSelection& units) {
    static const std::string percent{unit::percent};
    switch (kind) {
    case Kind::humidity:
        return percent;
    case Kind::indoorTemperature:
        return units.indoorTemperature;
    case Kind::outdoorTemperature:
        return units.outdoorTemperature;
    case Kind::pressure:
        return units.pressure;
    case Kind::wind:
        return units.wind;
    case Kind::rain:
        return units.rain;
    }
    return percent;
}

float axisValue(Kind kind, float base, const UnitSelection& units) {
    switch (kind) {
    case Kind::humidity:
        return base;
    case Kind::indoorTemperature:
        return fromCelsius(base, 1.0f, units.indoorTemperature);
    case Kind::outdoorTemperature:
        return fromCelsius(base, 1.0f, units.outdoorTemperature);
    case Kind::pressure:
        return fromHpa(base, 1.0f, units.pressure);
    case Kind::wind:
        return fromMetresPerSecond(base, 1.0f, units.wind);
    case Kind::rain:
        return fromMillimetres(base, 1.0f, units.rain);
    }
    return base;
}

bool isStamp(const std::string& text) {
    return text.size() > 18 && text[0] >= '0' && text[0] <= '9';
}

} // namespace

std::string_view graphQuantityName(int quantity) {
    if (quantity < 0 || quantity >= kGraphQuantities) return {};
    return kQuantities[static_cast<std::size_t>(quantity)].english;
}

std::optional<int> graphQuantityNamed(std::string_view englishName) {
    for (int i = 0; i < kGraphQuantities; ++i)
        if (kQuantities[static_cast<std::size_t>(i)].english == englishName) return i;
    return std::nullopt;
}

std::string graphQuantityText(const LanguageTable& texts, int quantity) {
    if (quantity < 0 || quantity >= kGraphQuantities) return {};
    const Quantity& q = kQuantities[static_cast<std::size_t>(quantity)];
    return texts.text(q.entry);
}

std::string timeLabelFormat(const TimeAxis& axis) {
    return std::string(chartDateFormat(axis.dateIndex)) + ' ' + chartTimeFormat(axis.clockIndex);
}

double widenedRainTop(double top, double largest) {
    if (!(largest > top) || !(top > 0.0)) return top;
    // The smallest whole i >= 2 with i x top >= largest, found directly (a loop from 2 would count to
    // the largest total of a hand-edited line), then checked against the products themselves.
    double i = std::max(2.0, std::ceil(largest / top));
    if (i > 2.0 && (i - 1.0) * top >= largest) i -= 1.0;
    if (i * top < largest) i += 1.0;
    return i * top;
}

GraphData::GraphData(const UnitSelection& units, int axisClockIndex, std::optional<int> onlyQuantity)
    : units_(units), axisClockIndex_(axisClockIndex), onlyQuantity_(onlyQuantity),
      x_(std::make_shared<std::vector<double>>()), indoor_(temperatureUnitOf(units.indoorTemperature)),
      outdoor_(temperatureUnitOf(units.outdoorTemperature)), pressure_(pressureUnitOf(units.pressure)),
      wind_(speedUnitOf(units.wind)), rain_(rainUnitOf(units.rain)) {
    for (int q = 0; q < kGraphQuantities; ++q) {
        if (onlyQuantity_ && *onlyQuantity_ != q) continue;
        const Quantity& quantity = kQuantities[static_cast<std::size_t>(q)];
        for (const SeriesField& s : {quantity.first, quantity.second})
            if (s.slot) fields_[static_cast<std::size_t>(*s.slot)] = std::make_shared<std::vector<float>>();
    }
}

void GraphData::setRange(std::string from, std::string to) {
    from_ = std::move(from);
    to_ = std::move(to);
}

void GraphData::clear() {
    // New arrays: a model built earlier keeps the ones it shares.
    x_ = std::make_shared<std::vector<double>>();
    for (auto& f : fields_)
        if (f) f = std::make_shared<std::vector<float>>();
    largest_.fill(0.0f);
    firstX_ = lastX_ = 0.0;
}

void GraphData::add(const WeatherSample& record) {
    const std::string& stamp = record[P::sampleTime];
    if (stamp.size() <= 18) return;
    const double x = parseChartTime(stamp);
    if (x_->empty()) firstX_ = lastX_ = x;
    firstX_ = std::min(firstX_, x);
    lastX_ = std::max(lastX_, x);
    x_->push_back(x);
    for (std::size_t slot = 0; slot < fields_.size(); ++slot) {
        if (!fields_[slot]) continue;
        const float y = chartValue(record[kSlotPositions[slot]], kindOfSlot(static_cast<int>(slot)), indoor_,
                                   outdoor_, pressure_, wind_, rain_);
        fields_[slot]->push_back(y);
        if (y > largest_[slot]) largest_[slot] = y;
    }
}

std::size_t GraphData::load(HistoryStore& store, const std::string& from, const std::string& to,
                            const std::atomic<bool>* stop) {
    clear();
    setRange(from, to);
    return store.forEachRecordInRange(from, to, [&](const WeatherSample& record) {
        if (stop && stop->load(std::memory_order_relaxed)) return false;
        add(record);
        return true;
    });
}

ChartModel GraphData::model(const GraphChoice& choice, const LanguageTable& texts) const {
    ChartModel m;
    const int qi = std::clamp(choice.quantity, 0, kGraphQuantities - 1);
    const Quantity& q = kQuantities[static_cast<std::size_t>(qi)];
    const std::string entry = graphQuantityText(texts, qi);
    m.type = choice.type;
    m.view3D = choice.view3D;
    m.title = texts.text(TextRow::weather) + "--" + entry;

    m.time.caption = texts.text(TextRow::sampleTime);
    m.time.dateIndex = units_.dateFormat;
    m.time.clockIndex = axisClockIndex_;
    const double start = isStamp(from_) ? parseChartTime(from_) : firstX_;
    const double end = isStamp(to_) ? parseChartTime(to_) : lastX_;
    const auto span = drawableTimeSpan(start, end);
    m.time.min = span[0];
    m.time.max = span[1];

    m.value.caption = entry + " (" + texts.text(TextRow::unit) + ":" + unitTextOf(q.kind, units_) + ")";
    m.value.min = axisValue(q.kind, q.baseMin, units_);
    m.value.max = axisValue(q.kind, q.baseMax, units_);
    if (q.kind == Kind::rain && fields_[totalRain])
        m.value.max = widenedRainTop(m.value.max, largest_[totalRain]);

    const std::uint32_t colours[2] = {kSeriesRed, kSeriesGreen};
    int index = 0;
    for (const SeriesField& s : {q.first, q.second}) {
        if (!s.slot || !fields_[static_cast<std::size_t>(*s.slot)]) continue;
        ChartSeries series;
        series.name = texts.text(s.name);
        series.colour = colours[index++];
        series.lineWidth = choice.type == ChartType::line && !choice.view3D ? 2 : 1;
        series.x = x_;
        series.y = fields_[static_cast<std::size_t>(*s.slot)];
        m.series.push_back(std::move(series));
    }
    return m;
}

} // namespace nimbrel
