// WeatherSample: the one record in which a reading travels from the station to the file and the windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// A fixed row of 63 positions. Eleven station quantities are triples: the value text at p,
// the hex text of the station bytes at p + 1 and the raw integer at p + 2. Every other
// position is a text. Builders address fields by position, everyone else by name.
class WeatherSample {
public:
    static constexpr int kPositions = 63;

    enum Position : int {
        hexAdd = 0,
        hexValue = 1,
        stackAddr = 2,
        reserved = 3,
        ID = 4,
        saveTime = 5,
        sampleTime = 6,
        sampleCircle = 7, sampleCircleHex = 8, sampleCircleRaw = 9,
        indHumi = 10, indHumiHex = 11, indHumiRaw = 12,
        indTemp = 13, indTempHex = 14, indTempRaw = 15,
        outHumi = 16, outHumiHex = 17, outHumiRaw = 18,
        outTemp = 19, outTempHex = 20, outTempRaw = 21,
        absPres = 22, absPresHex = 23, absPresRaw = 24,
        winds = 25, windsHex = 26, windsRaw = 27,
        gust = 28, gustHex = 29, gustRaw = 30,
        windDir = 31, windDirHex = 32, windDirRaw = 33,
        condition = 34, conditionHex = 35, conditionRaw = 36,
        rain = 37, rainHex = 38, rainRaw = 39,
        rainMm = 40,
        relPres = 41,
        dewPoint = 42,
        windChill = 43,
        increment = 44,
        hourRain = 45,
        dayRain = 46,
        weekRain = 47,
        monthRain = 48,
        totalRain = 49,
        windsLevel = 50,
        gustLevel = 51,
        windDirDesc = 52,
        conditionDesc = 53,
        f1 = 54, f2 = 55, f3 = 56, f4 = 57,
        windsError = 58,
        gustError = 59,
        rainError = 60,
        totalRainOverflow = 61,
        flag_bin = 62,
    };

    // The value positions of the eleven triples, in row order.
    static constexpr std::array<int, 11> kTriples = {sampleCircle, indHumi, indTemp, outHumi, outTemp, absPres,
                                                     winds,        gust,    windDir, condition, rain};

    WeatherSample();  // every text empty, then clear()

    // ID "0", empty time texts, "---" in every quantity, "" in f1..totalRainOverflow.
    // Addresses, hex texts, raw integers and flag_bin keep what they held.
    void clear();

    // True for the p + 2 position of a triple: it holds an integer, not a text.
    static bool isRawPosition(int pos);
    // Field name of a position ("indTemp", "indTempHex", "indTempRaw", "flag_bin"), or "" when out of range.
    static std::string_view nameOf(int pos);
    // Position of a field name, or -1 when no field has that name.
    static int positionOf(std::string_view name);

    // Text at a position. For a raw position the text is the integer in decimal
    // (reading) and is ignored (writing through setText).
    const std::string& text(int pos) const { return texts_.at(static_cast<std::size_t>(pos)); }
    std::string& text(int pos) { return texts_.at(static_cast<std::size_t>(pos)); }
    const std::string& operator[](int pos) const { return text(pos); }
    std::string& operator[](int pos) { return text(pos); }

    // Raw integer of a triple, addressed by its value position or its raw position.
    std::int64_t raw(int pos) const { return raws_.at(static_cast<std::size_t>(rawSlot(pos))); }
    void setRaw(int pos, std::int64_t value) { raws_.at(static_cast<std::size_t>(rawSlot(pos))) = value; }

    bool operator==(const WeatherSample&) const = default;

private:
    static int rawSlot(int pos);

    std::array<std::string, kPositions> texts_;
    std::array<std::int64_t, 11> raws_{};
};

// Samples from the station are listed newest first; samples read from the PC file oldest first.
using SampleList = std::vector<WeatherSample>;

}  // namespace nimbrel
