#include "presentation/decimal_text.h"
#include "presentation/formatting.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

TEST(PresentationFormatting, DecimalTextsReadLikeTheStationProgram) {
    EXPECT_EQ(integerValue("  -215abc"), -215);
    EXPECT_EQ(integerValue("+7"), 7);
    EXPECT_EQ(integerValue("21.5"), 21);
    EXPECT_EQ(integerValue("abc"), 0);
    EXPECT_EQ(integerValue(""), 0);
    EXPECT_EQ(integerValue("99999999999999999999999"), 9223372036854775807LL);
    EXPECT_DOUBLE_EQ(numberValue(" -21.5x"), -21.5);
    EXPECT_DOUBLE_EQ(numberValue("+1e2"), 100.0);
    EXPECT_DOUBLE_EQ(numberValue("---"), 0.0);
    EXPECT_DOUBLE_EQ(numberValue("+-3"), 0.0);
    EXPECT_TRUE(std::isinf(numberValue("1e999")));
    EXPECT_DOUBLE_EQ(numberValue("1e-999"), 0.0);
    EXPECT_EQ(fixedText(70.69999694824219, 1), "70.7");
    EXPECT_EQ(fixedText(-0.04, 1), "-0.0");
    EXPECT_EQ(fixedText(1013.2, 6), "1013.200000");
}

TEST(PresentationFormatting, TemperatureAndHumidity) {
    EXPECT_EQ(temperatureText("215", 0.1f, "°C", "°F"), "70.7");
    EXPECT_EQ(temperatureText("215", 0.1f, "°C"), "21.5");
    EXPECT_EQ(temperatureText("-25.0", 1.0f, "°F"), "-13.0");
    EXPECT_EQ(temperatureText("-32767", 0.1f, "°C", "°F"), "---");
    EXPECT_EQ(temperatureText("", 0.1f, "°C"), "---");
    EXPECT_EQ(temperatureText("---", 0.1f, "°C"), "---");
    EXPECT_EQ(temperatureText("215", 0.1f, "°C", ""), "21.5");

    EXPECT_EQ(humidityText("45", 1.0f, "%"), "45");
    EXPECT_EQ(humidityText("45", 1.0f, "°C", "mm"), "45"); // units are ignored
    EXPECT_EQ(humidityText("255", 1.0f, "%"), "---");
    EXPECT_EQ(humidityText("-1", 1.0f, "%"), "---");
    EXPECT_EQ(humidityText("0", 1.0f, "%"), "0");
    EXPECT_EQ(humidityText("99", 0.1f, "%"), "9"); // truncated toward zero
}

TEST(PresentationFormatting, PressureDecimalsFollowTheUnit) {
    EXPECT_EQ(pressureText("10132", 0.1f, "Hpa", "inHg"), "29.92");
    EXPECT_EQ(pressureText("10132", 0.1f, "Hpa", "mmHg"), "759.9");
    EXPECT_EQ(pressureText("10132", 0.1f, "Hpa", "Hpa"), "1013.2");
    EXPECT_EQ(pressureText("10132", 0.1f, "Hpa"), "1013.2");
    EXPECT_EQ(pressureText("0", 0.1f, "Hpa"), "---");
    EXPECT_EQ(pressureText("-32767", 0.1f, "Hpa"), "---");
    // Thresholds held in inches of mercury stay there with two decimals.
    EXPECT_EQ(pressureText("2992", 0.01f, "inHg", "inHg"), "29.92");
    EXPECT_EQ(pressureText("2992", 0.01f, "inHg", ""), "29.92");
    EXPECT_EQ(pressureText("29.92", 1.0f, "inHg", "Hpa"), "1013.2");
    EXPECT_EQ(pressureText("29.92", 1.0f, "inHg", "mmHg"), "760.0");
    EXPECT_EQ(pressureText("2992", 0.1f, "Hpa", "Hpa"), "299.2");
}

TEST(PresentationFormatting, WindAndRain) {
    EXPECT_EQ(windSpeedText("56", 0.1f, "m/s", "bft"), "4");
    EXPECT_EQ(windSpeedText("56", 0.1f, "m/s", "km/h"), "20.2");
    EXPECT_EQ(windSpeedText("56", 0.1f, "m/h"), "12.5");
    EXPECT_EQ(windSpeedText("3", 1.0f, "bft", "km/h"), "19.4");
    EXPECT_EQ(windSpeedText("-32767", 0.1f, "m/s"), "---");
    EXPECT_EQ(windSpeedText("", 0.1f, "bft"), "---");

    EXPECT_EQ(rainText("12.6", 1.0f, "mm", "inch"), "0.50");
    EXPECT_EQ(rainText("12.6", 1.0f, "mm", "mm"), "12.6");
    EXPECT_EQ(rainText("50", 0.01f, "inch", "inch"), "0.50");
    EXPECT_EQ(rainText("50", 0.01f, "inch", ""), "0.50");
    EXPECT_EQ(rainText("0.5", 1.0f, "inch", "mm"), "12.7");
    EXPECT_EQ(rainText("-32767", 0.1f, "mm"), "---");
    EXPECT_EQ(rainText("0", 0.1f, "mm"), "0.0"); // no rain is a reading
}

TEST(PresentationFormatting, DirectionCodesAndNames) {
    EXPECT_EQ(windDirectionCodeText("11"), "11");
    EXPECT_EQ(windDirectionNameText("11"), "SWW");
    EXPECT_EQ(windDirectionNameText("0"), "N");
    EXPECT_EQ(windDirectionNameText("15"), "NNW");
    EXPECT_EQ(windDirectionCodeText("16"), "---");
    EXPECT_EQ(windDirectionNameText("16"), "---");
    EXPECT_EQ(windDirectionCodeText("-1"), "---");
    EXPECT_EQ(windDirectionCodeText(""), "---");
    const char* names[] = {"N", "NNE", "NE", "NEE", "E", "SEE", "SE", "SSE",
                           "S", "SSW", "SW", "SWW", "W", "NWW", "NW", "NNW"};
    for (int code = 0; code < 16; ++code) EXPECT_EQ(compassName(code), names[code]);
    EXPECT_EQ(compassName(16), "");
}

TEST(PresentationFormatting, DecimalPointSurvivesAUserLocale) {
    // The window toolkit puts the process into the user's locale; texts must not change with it.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    // scripts/install-deps makes this locale; without it the test would prove nothing.
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr)
        << "no de_DE.UTF-8 locale: run scripts/install-deps";
    const std::string text = temperatureText("215", 0.1f, "°C");
    const double number = numberValue("21.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "21.5");
    EXPECT_DOUBLE_EQ(number, 21.5);
}

} // namespace
} // namespace nimbrel
