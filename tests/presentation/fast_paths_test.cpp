// The fast paths of the formatting and reading functions against the general ones they stand in for.
#include "presentation/decimal_text.h"
#include "presentation/formatting.h"
#include "presentation/record_builders.h"
#include "presentation/time_text.h"
#include "presentation/units.h"
#include "tests/support/time_zone_scope.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <random>
#include <string>

namespace nimbrel {
namespace {

using testing::TimeZoneScope;

std::string printfFixed(double value, int decimals) {
    char text[512];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The general parser as numberValue used it for every text; nullopt where the number is out of range
// (numberValue's own rule for that case is not what is tested here).
std::optional<double> generalNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0.0;
    double value = 0.0;
    const auto r = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (r.ec == std::errc::result_out_of_range) return std::nullopt;
    if (r.ec != std::errc()) value = 0.0;
    return negative ? -value : value;
}

TEST(PresentationFastPaths, FixedTextWritesWhatPrintfWrites) {
    std::mt19937 random(5);
    // Readings as the windows make them: tenths and hundredths converted in single precision.
    for (int i = -400000; i <= 400000; i += 7) {
        const float tenths = static_cast<float>(i) * 0.1f;
        for (float value :
             {tenths, tenths * 1.8f + 32.0f, tenths * 0.02953f, tenths * 3.6f, tenths * 0.03937f})
            for (int decimals : {0, 1, 2, 3})
                ASSERT_EQ(fixedText(value, decimals), printfFixed(value, decimals));
    }
    // Exact ties round to even, as printf does; negative values that round to zero keep their sign.
    for (double value : {0.25, 0.35, 0.45, 2.5, -0.25, -0.04, -0.0, 0.0, 1e15, 1e300, 5e-324, 0.125, 1.005,
                         4503599627370495.5, 123456789.125})
        for (int decimals : {0, 1, 2, 3, 4, 6})
            EXPECT_EQ(fixedText(value, decimals), printfFixed(value, decimals)) << value << " " << decimals;
    // Doubles of every size and shape.
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        double value;
        const std::uint64_t b = bits(random);
        std::memcpy(&value, &b, sizeof value);
        if (std::isnan(value) || std::isinf(value)) continue;
        if (i % 2) value = std::ldexp(std::fmod(value, 1.0), static_cast<int>(random() % 60)); // smaller ones
        for (int decimals : {1, 2})
            ASSERT_EQ(fixedText(value, decimals), printfFixed(value, decimals)) << value;
    }
}

TEST(PresentationFastPaths, NumberValueReadsWhatTheGeneralParserReads) {
    std::mt19937 random(9);
    const std::string alphabet = "0123456789.-+eE x";
    for (int i = 0; i < 300000; ++i) {
        std::string text;
        if (i % 3 == 0) {
            // Texts like the file's: digits, a point and decimals.
            text = std::to_string(random() % 100000000);
            text += '.';
            text += std::to_string(random() % 1000000);
            if (i % 2) text = "-" + text;
        } else {
            const int n = static_cast<int>(random() % 24);
            for (int k = 0; k < n; ++k) text += alphabet[random() % alphabet.size()];
        }
        const std::optional<double> general = generalNumber(text);
        if (!general) continue;
        const double expected = *general;
        const double got = numberValue(text);
        ASSERT_TRUE(std::memcmp(&expected, &got, sizeof got) == 0) << "'" << text << "'";
    }
    for (const char* text :
         {"9007199254740993", "9007199254740993.0", "0.1234567890123456789012", "1e5", "12.5e", "1.", ".5",
          ".", "-0.0", "99999999999999999999", "0000000000000000000001.5"})
        EXPECT_EQ(numberValue(text), generalNumber(text).value_or(-1.0)) << text;
}

// Reading texts of every kind: the file's own, station markers, junk, and numbers too long or too
// large for the short ways.
std::string generatedReading(std::mt19937& random) {
    static const char* const kOdd[] = {"",
                                       "---",
                                       "nan",
                                       "-nan",
                                       "inf",
                                       "-inf",
                                       "-32767",
                                       "0",
                                       "-0",
                                       "255",
                                       "1e5",
                                       " 12.5",
                                       "12.5x",
                                       "+3",
                                       "--3",
                                       "-",
                                       ".",
                                       "12.",
                                       ".5",
                                       "0x10",
                                       " ",
                                       "\t7",
                                       "12 ",
                                       "1.2.3",
                                       "00012.50",
                                       "-0.0",
                                       "9007199254740993",
                                       "99999999999999999999",
                                       "1.5e39",
                                       "-3.4e38",
                                       "1e-400",
                                       "2147483648",
                                       "-2147483649",
                                       "15",
                                       "16",
                                       "-1",
                                       "0.05",
                                       "0.25",
                                       "1015.2",
                                       "-2.027922",
                                       "11358.8",
                                       "123456789.5",
                                       "-9999999.99"};
    const std::string alphabet = "0123456789.-+eE x";
    char text[64];
    switch (random() % 5) {
    case 0:
        return kOdd[random() % std::size(kOdd)];
    case 1: {
        std::string junk;
        for (int n = static_cast<int>(random() % 12); n > 0; --n)
            junk += alphabet[random() % alphabet.size()];
        return junk;
    }
    case 2: // whole numbers, as the station's raw values
        std::snprintf(text, sizeof text, "%ld", static_cast<long>(random() % 80000) - 40000);
        return text;
    default: { // decimals, as the file holds them
        const double value = static_cast<double>(static_cast<long>(random() % 4000000) - 2000000) /
                             std::pow(10.0, static_cast<double>(random() % 5));
        std::snprintf(text, sizeof text, "%.*f", static_cast<int>(random() % 7), value);
        return text;
    }
    }
}

// The general rules, written out with the plain readers and printf.
bool isPlainReading(const std::string& t) {
    return !t.empty() && t != "---" && integerValue(t) != kNoReading;
}

std::string printfWhole(double value) {
    if (std::isnan(value)) return "0";
    const double t = std::trunc(value);
    const long long clamped = t >= 2147483647.0    ? 2147483647LL
                              : t <= -2147483648.0 ? -2147483648LL
                                                   : static_cast<long long>(t);
    return std::to_string(clamped);
}

constexpr const char* kUnitTexts[] = {"°C",  "°F",  "Hpa", "inHg", "mmHg", "m/s", "km/h", "knot",
                                      "m/h", "bft", "mm",  "inch", "%",    "",    "hPa",  "x"};

TEST(PresentationFastPaths, ReadingTextsFollowTheGeneralRulesInEveryUnit) {
    std::mt19937 random(21);
    std::string out;
    for (int i = 0; i < 40000; ++i) {
        const std::string r = generatedReading(random);
        // One read gives both values.
        const DecimalValue both = decimalValue(r);
        const double number = numberValue(r);
        ASSERT_EQ(both.integer, integerValue(r)) << "'" << r << "'";
        ASSERT_EQ(std::memcmp(&both.number, &number, sizeof number), 0) << "'" << r << "'";

        const float scale = std::array{1.0f, 0.1f, 0.01f}[random() % 3];
        const std::string from = kUnitTexts[random() % std::size(kUnitTexts)];
        const std::string to = kUnitTexts[random() % std::size(kUnitTexts)];
        const auto converted = [&](float (*convert)(float, float, std::string_view, std::string_view)) {
            return convert(static_cast<float>(number), scale, from, to);
        };
        const std::string noValue = "---";
        const std::string temperature =
            isPlainReading(r) ? printfFixed(converted(convertTemperature), 1) : noValue;
        const bool pressureTwo = to == "inHg" || (from == "inHg" && to != "Hpa" && to != "mmHg");
        const std::string pressure = isPlainReading(r) && integerValue(r) != 0
                                         ? printfFixed(converted(convertPressure), pressureTwo ? 2 : 1)
                                         : noValue;
        const std::string wind = !isPlainReading(r) ? noValue
                                 : to == "bft"      ? printfWhole(converted(convertWindSpeed))
                                                    : printfFixed(converted(convertWindSpeed), 1);
        const bool rainTwo = to == "inch" || (from == "inch" && to != "mm");
        const std::string rain =
            isPlainReading(r) ? printfFixed(converted(convertRain), rainTwo ? 2 : 1) : noValue;
        const long long whole = integerValue(r);
        const bool humid = !r.empty() && r != "---" && whole >= 0 && whole != 255;
        const std::string humidity = humid ? printfWhole(static_cast<float>(whole) * scale) : noValue;
        const bool direction = !r.empty() && r != "---" && whole >= 0 && whole <= 15;

        const auto context = [&] {
            return "'" + r + "' " + from + " -> " + to + " x" + std::to_string(scale);
        };
        ASSERT_EQ(temperatureText(r, scale, from, to), temperature) << context();
        ASSERT_EQ(pressureText(r, scale, from, to), pressure) << context();
        ASSERT_EQ(windSpeedText(r, scale, from, to), wind) << context();
        ASSERT_EQ(rainText(r, scale, from, to), rain) << context();
        ASSERT_EQ(humidityText(r, scale, from, to), humidity) << context();
        ASSERT_EQ(windDirectionCodeText(r), direction ? std::to_string(whole) : noValue) << context();
        ASSERT_EQ(windDirectionNameText(r), direction ? std::string(compassName(whole)) : noValue)
            << context();

        // The in-place writers, into the reading's own string and into a stale text of any length.
        std::string own = r;
        writeTemperatureText(own, own, scale, temperatureUnitOf(from), temperatureUnitOf(to));
        ASSERT_EQ(own, temperature) << context();
        own = r;
        writeRainText(own, own, scale, rainUnitOf(from), rainUnitOf(to));
        ASSERT_EQ(own, rain) << context();
        own = r;
        writeWindDirectionCodeText(own, own);
        ASSERT_EQ(own, windDirectionCodeText(r)) << context();
        out.assign(random() % 24, 'z');
        writePressureText(out, r, scale, pressureUnitOf(from), pressureUnitOf(to));
        ASSERT_EQ(out, pressure) << context();
        out.assign(random() % 24, 'z');
        writeWindSpeedText(out, r, scale, speedUnitOf(from), speedUnitOf(to));
        ASSERT_EQ(out, wind) << context();
        out.assign(random() % 24, 'z');
        writeHumidityText(out, r, scale);
        ASSERT_EQ(out, humidity) << context();

        const auto integer =
            static_cast<long long>(random() ^ (std::uint64_t{random()} << 32)) >> (random() % 64);
        out.assign(random() % 24, 'z');
        writeIntegerText(out, integer);
        ASSERT_EQ(out, std::to_string(integer));
        const double value = number * (random() % 2 ? 1.8 : -0.03937);
        const int decimals = static_cast<int>(random() % 4);
        out.assign(random() % 24, 'z');
        writeFixedText(out, value, decimals);
        ASSERT_EQ(out, printfFixed(value, decimals)) << value;
    }
    // Texts set over texts of every length, as the readers set them.
    for (std::size_t from = 0; from <= 40; ++from) {
        for (std::size_t length = 0; length <= 40; ++length) {
            std::string text;
            for (std::size_t k = 0; k < length; ++k) text += static_cast<char>('a' + k % 26);
            out.assign(from, '#');
            assignText(out, text);
            ASSERT_EQ(out, text);
        }
    }
    for (long long integer : {0LL, -1LL, 9LL, -9999999LL, 99999999LL, -99999999LL, 100000000LL,
                              std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max()}) {
        writeIntegerText(out, integer);
        EXPECT_EQ(out, std::to_string(integer));
    }
}

TEST(PresentationFastPaths, SampleForDisplayRewritesEveryFieldLikeItsTextFunction) {
    using P = WeatherSample::Position;
    std::mt19937 random(23);
    for (int i = 0; i < 4000; ++i) {
        WeatherSample sample;
        for (int p = 0; p < WeatherSample::kPositions; ++p)
            if (!WeatherSample::isRawPosition(p)) sample[p] = generatedReading(random);
        UnitSelection units;
        for (std::string* unitText :
             {&units.indoorTemperature, &units.outdoorTemperature, &units.pressure, &units.wind, &units.rain})
            *unitText = kUnitTexts[random() % std::size(kUnitTexts)];

        WeatherSample expected = sample;
        for (int p : {P::indHumi, P::outHumi}) expected[p] = humidityText(sample[p], 1.0f, "%", "%");
        expected[P::indTemp] = temperatureText(sample[P::indTemp], 1.0f, "°C", units.indoorTemperature);
        for (int p : {P::outTemp, P::dewPoint, P::windChill})
            expected[p] = temperatureText(sample[p], 1.0f, "°C", units.outdoorTemperature);
        for (int p : {P::absPres, P::relPres})
            expected[p] = pressureText(sample[p], 1.0f, "Hpa", units.pressure);
        for (int p : {P::winds, P::gust}) expected[p] = windSpeedText(sample[p], 1.0f, "m/s", units.wind);
        expected[P::windDir] = windDirectionCodeText(sample[P::windDir]);
        expected[P::windDirDesc] = windDirectionNameText(sample[P::windDir]);
        expected[P::condition] = windDirectionCodeText(sample[P::condition]);
        expected[P::conditionDesc] = windDirectionNameText(sample[P::condition]);
        for (int p : {P::totalRain, P::hourRain, P::dayRain, P::weekRain, P::monthRain})
            expected[p] = rainText(sample[p], 1.0f, "mm", units.rain);

        sampleForDisplay(sample, units);
        for (int p = 0; p < WeatherSample::kPositions; ++p)
            ASSERT_EQ(sample[p], expected[p])
                << WeatherSample::nameOf(p) << " in " << units.indoorTemperature << units.outdoorTemperature
                << units.pressure << units.wind << units.rain;
    }
}

TEST(PresentationFastPaths, StationTimeFormatterWritesWhatStationTimeTextWrites) {
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC"}) {
        TimeZoneScope scope(zone);
        for (int dateIndex : {0, 1, 2, 7}) {
            for (int clockIndex : {0, 1, 3}) {
                StationTimeFormatter formatter(dateIndex, clockIndex);
                // Every 7 minutes over change days, month ends and leap days.
                for (const char* day :
                     {"2009-03-08", "2009-03-29", "2009-04-05", "2009-10-25", "2009-11-01", "2012-02-29",
                      "2013-02-29", "2009-04-31", "2009-12-31", "1900-01-01"}) {
                    for (int minutes = 0; minutes < 1440; minutes += 7) {
                        char stamp[32];
                        std::snprintf(stamp, sizeof stamp, "%s %02d:%02d:%02d", day, minutes / 60,
                                      minutes % 60, minutes % 60);
                        ASSERT_EQ(formatter.text(stamp), stationTimeText(stamp, dateIndex, clockIndex))
                            << zone << " " << stamp;
                    }
                }
                for (const char* stamp : {"", "---", "2009-03-29", "2009-03-29 02:30", "2009-13-01 00:00:00",
                                          "2009-03-29 25:61:00", "0099-01-01 10:00:00", "2009-03-29T10:00:00",
                                          " 2009-03-29 10:00:0", "2009-3-29 10:00:00 "})
                    EXPECT_EQ(formatter.text(stamp), stationTimeText(stamp, dateIndex, clockIndex))
                        << zone << " '" << stamp << "'";
            }
        }
    }
}

} // namespace
} // namespace nimbrel
