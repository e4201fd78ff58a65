#include "presentation/units.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

TEST(PresentationUnits, TemperaturePairs) {
    EXPECT_FLOAT_EQ(convertTemperature(0, 1.0f, "°C", "°F"), 32.0f);
    EXPECT_FLOAT_EQ(convertTemperature(-40, 1.0f, "°C", "°F"), -40.0f);
    EXPECT_FLOAT_EQ(convertTemperature(100, 1.0f, "°F", "°C"), 37.77778f);
    EXPECT_FLOAT_EQ(convertTemperature(215, 0.1f, "°C", "°F"), 70.7f);
    EXPECT_FLOAT_EQ(convertTemperature(215, 0.1f, "°C", "°C"), 21.5f);
    EXPECT_FLOAT_EQ(convertTemperature(215, 0.1f, "°C", ""), 21.5f);
    EXPECT_FLOAT_EQ(convertTemperature(215, 0.1f, "°c", "°F"), 21.5f); // no case folding
    EXPECT_FLOAT_EQ(fromCelsius(215, 0.1f, "°F"), 70.7f);
}

TEST(PresentationUnits, PressurePairs) {
    const float hpa = 1013.2f;
    EXPECT_FLOAT_EQ(convertPressure(10132, 0.1f, "Hpa", "inHg"), hpa * 0.02953f);
    EXPECT_FLOAT_EQ(convertPressure(10132, 0.1f, "Hpa", "mmHg"), hpa * 0.75f);
    EXPECT_FLOAT_EQ(convertPressure(29.92f, 1.0f, "inHg", "Hpa"), 29.92f * 33.864f);
    EXPECT_FLOAT_EQ(convertPressure(29.92f, 1.0f, "inHg", "mmHg"), 29.92f * 25.4f);
    EXPECT_FLOAT_EQ(convertPressure(760, 1.0f, "mmHg", "Hpa"), 760 * 1.3332f);
    EXPECT_FLOAT_EQ(convertPressure(760, 1.0f, "mmHg", "inHg"), 760 * 0.03937f);
    EXPECT_FLOAT_EQ(convertPressure(10132, 0.1f, "Hpa", "Hpa"), hpa);
    EXPECT_FLOAT_EQ(convertPressure(2992, 0.01f, "inHg", "inHg"), 29.92f);
    EXPECT_FLOAT_EQ(convertPressure(10132, 0.1f, "Hpa", ""), hpa);
    EXPECT_FLOAT_EQ(convertPressure(10132, 0.1f, "hPa", "inHg"), hpa);
    EXPECT_FLOAT_EQ(fromHpa(10132, 0.1f, "mmHg"), hpa * 0.75f);
}

TEST(PresentationUnits, WindSpeedPairs) {
    struct Row {
        const char* from;
        const char* to;
        float factor;
    };
    const Row rows[] = {
        {"m/s", "km/h", 3.6f},    {"m/s", "knot", 1.9428f},  {"m/s", "m/h", 2.237f},
        {"km/h", "m/s", 0.2778f}, {"km/h", "knot", 0.5397f}, {"km/h", "m/h", 0.6214f},
        {"knot", "m/s", 0.5147f}, {"knot", "km/h", 1.853f},  {"knot", "m/h", 1.1514f},
        {"m/h", "m/s", 0.447f},   {"m/h", "km/h", 1.6093f},  {"m/h", "knot", 0.8685f},
        {"m/s", "m/s", 1.0f},     {"knot", "knot", 1.0f},    {"m/s", "", 1.0f},
        {"", "km/h", 1.0f},       {"mph", "km/h", 1.0f},
    };
    for (const Row& r : rows)
        EXPECT_FLOAT_EQ(convertWindSpeed(100, 0.1f, r.from, r.to), 10.0f * r.factor)
            << r.from << " -> " << r.to;

    // To Beaufort through m/s; from Beaufort through the band's upper bound.
    EXPECT_EQ(convertWindSpeed(10, 1.0f, "km/h", "bft"), 2.0f);
    EXPECT_EQ(convertWindSpeed(56, 0.1f, "m/s", "bft"), 4.0f);
    EXPECT_EQ(convertWindSpeed(96, 0.1f, "m/s", "bft"), 5.0f);
    EXPECT_FLOAT_EQ(convertWindSpeed(3, 1.0f, "bft", "km/h"), 19.44f);
    EXPECT_FLOAT_EQ(convertWindSpeed(3, 1.0f, "bft", "m/s"), 5.4f);
    EXPECT_FLOAT_EQ(convertWindSpeed(3.9f, 1.0f, "bft", "m/s"), 5.4f); // level truncated
    EXPECT_FLOAT_EQ(convertWindSpeed(7, 1.0f, "bft", "bft"), 7.0f);
    EXPECT_FLOAT_EQ(convertWindSpeed(12, 1.0f, "bft", "m/s"), 36.9f); // the top level
    EXPECT_FLOAT_EQ(convertWindSpeed(13, 1.0f, "bft", "m/s"), 0.0f);  // no such level
    EXPECT_FLOAT_EQ(convertWindSpeed(40, 1.0f, "bft", "m/s"), 0.0f);
    EXPECT_FLOAT_EQ(convertWindSpeed(3, 1.0f, "bft", ""), 3.0f);
    EXPECT_FLOAT_EQ(convertWindSpeed(3, 1.0f, "", "bft"), 3.0f);
    EXPECT_FLOAT_EQ(fromMetresPerSecond(100, 0.1f, "km/h"), 36.0f);
}

TEST(PresentationUnits, RainPairs) {
    EXPECT_FLOAT_EQ(convertRain(12.6f, 1.0f, "mm", "inch"), 12.6f * 0.03937f);
    EXPECT_FLOAT_EQ(convertRain(50, 0.01f, "inch", "mm"), 0.5f * 25.4f);
    EXPECT_FLOAT_EQ(convertRain(126, 0.1f, "mm", "mm"), 12.6f);
    EXPECT_FLOAT_EQ(convertRain(126, 0.1f, "mm", ""), 12.6f);
    EXPECT_FLOAT_EQ(convertRain(126, 0.1f, "MM", "inch"), 12.6f);
    EXPECT_FLOAT_EQ(fromMillimetres(254, 0.1f, "inch"), 25.4f * 0.03937f);
}

TEST(PresentationUnits, BeaufortBandEdges) {
    // Each band's edges, built from tenths the way station readings are.
    const int tops[] = {2, 15, 33, 54, 79, 107, 138, 171, 207, 244, 284, 326};
    for (int level = 0; level < 12; ++level) {
        const int top = tops[level];
        EXPECT_EQ(beaufortLevel(static_cast<float>(top) * 0.1f), level) << top;
        EXPECT_EQ(beaufortLevel(static_cast<float>(top + 1) * 0.1f), level + 1) << top + 1;
    }
    EXPECT_EQ(beaufortLevel(-3.0f), 0);
    EXPECT_EQ(beaufortLevel(100.0f), 12);
    EXPECT_EQ(beaufortLevel(1e30f), 12);

    EXPECT_FLOAT_EQ(beaufortUpperBound(0), 0.2f);
    EXPECT_FLOAT_EQ(beaufortUpperBound(12), 36.9f);
    EXPECT_EQ(beaufortUpperBound(-1), 0.0f);
    EXPECT_EQ(beaufortUpperBound(13), 0.0f);
    for (int level = 0; level <= 12; ++level) EXPECT_EQ(beaufortLevel(beaufortUpperBound(level)), level);
}

} // namespace
} // namespace nimbrel
