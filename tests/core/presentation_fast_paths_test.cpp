// The fast paths of the formatting and reading functions against the general ones they stand in for.
#include "presentation/decimal_text.h"
#include "presentation/time_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>

#include "tests/support/time_zone_scope.h"
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
