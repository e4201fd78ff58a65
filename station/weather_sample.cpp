#include "station/weather_sample.h"

#include <stdexcept>

namespace nimbrel {

namespace {

constexpr std::array<std::string_view, WeatherSample::kPositions> kNames = {
    "hexAdd",       "hexValue",        "stackAddr",      "reserved",     "ID",
    "saveTime",     "sampleTime",      "sampleCircle",   "sampleCircleHex", "sampleCircleRaw",
    "indHumi",      "indHumiHex",      "indHumiRaw",     "indTemp",      "indTempHex",
    "indTempRaw",   "outHumi",         "outHumiHex",     "outHumiRaw",   "outTemp",
    "outTempHex",   "outTempRaw",      "absPres",        "absPresHex",   "absPresRaw",
    "winds",        "windsHex",        "windsRaw",       "gust",         "gustHex",
    "gustRaw",      "windDir",         "windDirHex",     "windDirRaw",   "condition",
    "conditionHex", "conditionRaw",    "rain",           "rainHex",      "rainRaw",
    "rainMm",       "relPres",         "dewPoint",       "windChill",    "increment",
    "hourRain",     "dayRain",         "weekRain",       "monthRain",    "totalRain",
    "windsLevel",   "gustLevel",       "windDirDesc",    "conditionDesc", "f1",
    "f2",           "f3",              "f4",             "windsError",   "gustError",
    "rainError",    "totalRainOverflow", "flag_bin",
};

}  // namespace

WeatherSample::WeatherSample() { clear(); }

void WeatherSample::clear() {
    texts_[ID] = "0";
    texts_[saveTime].clear();
    texts_[sampleTime].clear();
    for (int p : kTriples) texts_[static_cast<std::size_t>(p)] = "---";
    for (int p = rainMm; p <= conditionDesc; ++p) texts_[static_cast<std::size_t>(p)] = "---";
    for (int p = f1; p <= totalRainOverflow; ++p) texts_[static_cast<std::size_t>(p)].clear();
}

bool WeatherSample::isRawPosition(int pos) {
    for (int p : kTriples)
        if (pos == p + 2) return true;
    return false;
}

std::string_view WeatherSample::nameOf(int pos) {
    if (pos < 0 || pos >= kPositions) return {};
    return kNames[static_cast<std::size_t>(pos)];
}

int WeatherSample::positionOf(std::string_view name) {
    for (int p = 0; p < kPositions; ++p)
        if (kNames[static_cast<std::size_t>(p)] == name) return p;
    return -1;
}

int WeatherSample::rawSlot(int pos) {
    for (std::size_t i = 0; i < kTriples.size(); ++i)
        if (pos == kTriples[i] || pos == kTriples[i] + 2) return static_cast<int>(i);
    throw std::out_of_range("no raw integer at this position of a weather sample");
}

}  // namespace nimbrel
