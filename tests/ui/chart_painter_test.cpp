// The chart painter over hand-made points: where each type puts its points in 2D and in 3D, the series'
// colours, the axis labels, the faults of empty spans, far-away points and degenerate shapes, and saving.
#include "chart/chart_clip.h"
#include "chart/chart_file.h"
#include "chart/chart_painter.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/artifacts.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace nimbrel {
namespace {

using chart::ChartLayout;

bool isRed(QRgb c) {
    return qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110;
}
bool isGreen(QRgb c) {
    return qGreen(c) > 130 && qRed(c) < 110 && qBlue(c) < 110;
}

// True when a pixel within `radius` of `at` has the colour.
bool colourNear(const QImage& image, QPointF at, const std::function<bool(QRgb)>& colour, int radius = 2) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint p(static_cast<int>(std::floor(at.x())) + dx,
                           static_cast<int>(std::floor(at.y())) + dy);
            if (image.rect().contains(p) && colour(image.pixel(p))) return true;
        }
    return false;
}

int countColour(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && colour(image.pixel(x, y))) ++n;
    return n;
}

// Time 0..1000 s, values 0..100; red at 50 and green at 25, both at 250, 500 and 750 s.
ChartModel handMade(ChartType type, bool view3D) {
    ChartModel m;
    m.title = "Weather--Test";
    m.time = {"Sample Time", 0.0, 1000.0, 0, 0};
    m.value = {"Test (Unit:%)", 0.0, 100.0};
    m.type = type;
    m.view3D = view3D;
    m.series.push_back(makeSeries("Red", kSeriesRed, {250, 500, 750}, {50, 50, 50}));
    m.series.push_back(makeSeries("Green", kSeriesGreen, {250, 500, 750}, {25, 25, 25}));
    m.series[0].lineWidth = m.series[1].lineWidth = type == ChartType::line && !view3D ? 2 : 1;
    return m;
}

ChartLayout drawn(const ChartModel& m, QImage& image, QSize size = {800, 600}) {
    image = QImage(size, QImage::Format_RGB32);
    QPainter painter(&image);
    return chart::paintChart(painter, m, QRectF(0, 0, size.width(), size.height()));
}

// Where a point lands, worked out from the plot rectangle alone: time across, value up; in depth moved
// right and up by `depth`.
QPointF byHand(const QRectF& plot, double t, double v, double depth = 0) {
    return {plot.left() + t / 1000.0 * plot.width() + depth,
            plot.bottom() - v / 100.0 * plot.height() - depth};
}

TEST(ChartPainter, EveryTypeIn2DAnd3DPutsTheSeriesWhereTheirValuesAre) {
    for (int t = 0; t < kChartTypes; ++t) {
        for (bool view3D : {false, true}) {
            const ChartType type = static_cast<ChartType>(t);
            SCOPED_TRACE(std::string(chartTypeName(type)) + (view3D ? " 3D" : " 2D"));
            QImage image;
            const ChartLayout l = drawn(handMade(type, view3D), image);
            const QRectF plot = l.plot;
            // Two series share the depth: red has the front half, green the back half.
            const double d = l.depth;
            EXPECT_EQ(d > 0, view3D);
            const double redDepth = type == ChartType::line || type == ChartType::area ||
                                            type == ChartType::bezier || type == ChartType::bar ||
                                            type == ChartType::bar3D || type == ChartType::horizBar
                                        ? 0.0
                                        : d / 4; // the middle of its half
            const double greenDepth = redDepth == 0.0 ? d / 2 : 3 * d / 4;

            if (type == ChartType::horizBar) {
                // Time runs up the left edge, values along the bottom: 500 s is the plot's middle
                // height; the red bar reaches 50, the green 25.
                const double y = plot.bottom() - 0.5 * plot.height();
                const double thickness = plot.height() / 16; // the most a bar of a pair may take
                EXPECT_TRUE(colourNear(image, QPointF(plot.left() + 0.45 * plot.width(), y - d / 2), isRed,
                                       static_cast<int>(thickness)));
                EXPECT_TRUE(colourNear(image, QPointF(plot.left() + 0.20 * plot.width(), y - d / 2), isGreen,
                                       static_cast<int>(thickness)));
                EXPECT_FALSE(colourNear(image, QPointF(plot.left() + 0.60 * plot.width(), y), isRed, 3));
                continue;
            }
            if (type == ChartType::bar || type == ChartType::bar3D || type == ChartType::volume) {
                // From 0 up to the value: inside the red bar at 40, none of it above 55.
                const int reach = type == ChartType::volume ? 2 : static_cast<int>(plot.width() / 16);
                EXPECT_TRUE(colourNear(image, byHand(plot, 500, 40, redDepth), isRed, reach));
                EXPECT_TRUE(colourNear(image, byHand(plot, 500, 20, greenDepth), isGreen, reach));
                EXPECT_FALSE(colourNear(image, byHand(plot, 500, 56, redDepth), isRed, 2));
                continue;
            }
            const double below = type == ChartType::area ? 10 : 0; // inside the filled area
            EXPECT_TRUE(colourNear(image, byHand(plot, 500, 50 - below, redDepth), isRed)) << "red at 500 s";
            EXPECT_TRUE(colourNear(image, byHand(plot, 750, 50 - below, redDepth), isRed)) << "red at 750 s";
            // A flat area's outline is drawn over both faces; in 3D the red block hides the green one
            // but for its end that sticks out to the right.
            const QPointF green = type != ChartType::area ? byHand(plot, 500, 25, greenDepth)
                                  : view3D                ? byHand(plot, 750, 15, d / 2) + QPointF(-4, 0)
                                                          : byHand(plot, 500, 25);
            EXPECT_TRUE(colourNear(image, green, isGreen)) << "green";
            // Nothing red well above the red series, or far to the right of its last point.
            EXPECT_FALSE(colourNear(image, byHand(plot, 500, 62, redDepth), isRed, 3));
            if (type != ChartType::point && type != ChartType::point3D && type != ChartType::arrow) {
                EXPECT_FALSE(colourNear(image, byHand(plot, 900, 50, redDepth), isRed, 3));
            }
        }
    }
}

TEST(ChartPainter, AFlatLineIsTwoPixelsWideAndTheAxesAreLabelled) {
    QImage image;
    ChartModel m = handMade(ChartType::line, false);
    m.time = {"Sample Time", 0.0, 86400.0, 2, 1}; // 1970-01-01, one day, day-month-year, 12-hour
    m.series[1] = makeSeries("Green", kSeriesGreen, {0, 86400}, {25, 25});
    m.series[1].lineWidth = 2;
    const ChartLayout l = drawn(m, image);
    const int column = static_cast<int>(l.plot.center().x());
    EXPECT_EQ(countColour(image,
                          QRect(column, static_cast<int>(l.plot.top()), 1, static_cast<int>(l.plot.height())),
                          isGreen),
              2);
    ASSERT_FALSE(l.valueTicks.empty());
    EXPECT_EQ(l.valueTicks.front().label, "0");
    EXPECT_EQ(l.valueTicks.back().label, "100");
    ASSERT_GE(l.timeTicks.size(), 2u);
    EXPECT_EQ(l.timeTicks.front().label, "01-01-1970\n12:00:00AM");
    EXPECT_EQ(chart::timeClockText(12 * 3600.0, 1), "12:00:00PM");
    EXPECT_EQ(chart::timeClockText(13 * 3600.0 + 5 * 60 + 9, 1), "01:05:09PM");
    EXPECT_EQ(chart::timeClockText(13 * 3600.0 + 5 * 60 + 9, 0), "13:05:09");
    EXPECT_EQ(chart::timeDateText(0, 1), "01-01-1970");
}

TEST(ChartPainter, EqualStartAndEndGiveAMinuteWithThePointInTheMiddle) {
    ChartModel m = handMade(ChartType::point, false);
    m.time.min = m.time.max = 500.0;
    m.series.resize(1);
    QImage image;
    const ChartLayout l = drawn(m, image);
    EXPECT_EQ(l.timeMax - l.timeMin, kMinimumTimeSpan);
    EXPECT_TRUE(
        colourNear(image, QPointF(l.plot.center().x(), l.plot.bottom() - 0.5 * l.plot.height()), isRed));
}

TEST(ChartPainter, PointsFarOffTheAxesAreClippedNotLostAndNeverDrawnOutside) {
    ChartModel m = handMade(ChartType::line, false);
    // From (-1000 s, 0) to (1000 s, 100) crosses the left edge at 50; the rest is far outside.
    m.series[0] = makeSeries("Red", kSeriesRed, {-1000, 1000, 1e12, -1e12, 500}, {0, 100, 1e30f, -1e30f, 50});
    m.series.resize(1);
    for (ChartType type :
         {ChartType::line, ChartType::area, ChartType::bezier, ChartType::bar, ChartType::arrow}) {
        SCOPED_TRACE(std::string(chartTypeName(type)));
        m.type = type;
        QImage image;
        const ChartLayout l = drawn(m, image);
        if (type == ChartType::line) {
            EXPECT_TRUE(colourNear(image, QPointF(l.plot.left() + 1, l.plot.bottom() - 0.5 * l.plot.height()),
                                   isRed));
        }
        // Outside the plot only the legend's swatch is red.
        const QRect plot = l.plot.toAlignedRect().adjusted(-1, -1, 1, 1);
        const int legend = countColour(image, l.legendRect.toAlignedRect(), isRed);
        EXPECT_EQ(countColour(image, image.rect(), isRed) - countColour(image, plot, isRed), legend);
    }
}

TEST(ChartPainter, DegenerateShapesDrawSomethingSensible) {
    QImage image;
    // An arrow from a point to itself is a dot.
    ChartModel arrow = handMade(ChartType::arrow, false);
    arrow.series = {makeSeries("Red", kSeriesRed, {500, 500}, {50, 50})};
    ChartLayout l = drawn(arrow, image);
    EXPECT_TRUE(colourNear(image, byHand(l.plot, 500, 50), isRed));
    // Bezier curves through one, two and three points pass through them.
    for (int n = 1; n <= 3; ++n) {
        ChartModel bezier = handMade(ChartType::bezier, false);
        std::vector<double> x{250, 500, 750};
        std::vector<float> y{20, 60, 30};
        x.resize(static_cast<std::size_t>(n));
        y.resize(static_cast<std::size_t>(n));
        bezier.series = {makeSeries("Red", kSeriesRed, x, y)};
        l = drawn(bezier, image);
        EXPECT_TRUE(colourNear(image, byHand(l.plot, x.back(), y.back()), isRed)) << n << " points";
    }
    // Bars over no points, and over nothing but gaps: an empty plot.
    for (bool gaps : {false, true}) {
        ChartModel bars = handMade(ChartType::bar3D, true);
        const float gap = std::numeric_limits<float>::quiet_NaN();
        bars.series = {gaps ? makeSeries("Red", kSeriesRed, {100, 200}, {gap, gap})
                            : makeSeries("Red", kSeriesRed, {}, {})};
        l = drawn(bars, image);
        EXPECT_EQ(countColour(image, l.plot.toAlignedRect(), isRed), 0);
    }
}

// Flat areas overlap: each face shows in its legend swatch's own colour, never a mix of the two, and the
// lower series stands in front of the higher one, whichever of the pair it is.
TEST(ChartPainter, EachAreaShowsInItsLegendsColourTheLowerInFront) {
    const QRgb red = qRgb(255, 0, 0);
    const QRgb green = qRgb(0, 255, 0);
    struct Case {
        float redValue, greenValue;
        QRgb near12, near40; // at 500 s, at values 12 (under both tops) and 40 (under the higher only)
    } cases[] = {{50, 25, green, red}, {25, 50, red, green}};
    for (const Case& c : cases) {
        ChartModel m = handMade(ChartType::area, false);
        m.series[0] = makeSeries("Red", kSeriesRed, {250, 500, 750}, {c.redValue, c.redValue, c.redValue});
        m.series[1] =
            makeSeries("Green", kSeriesGreen, {250, 500, 750}, {c.greenValue, c.greenValue, c.greenValue});
        QImage image;
        const ChartLayout l = drawn(m, image);
        EXPECT_EQ(image.pixel(l.map(500, 12).toPoint()), c.near12) << c.redValue;
        EXPECT_EQ(image.pixel(l.map(500, 40).toPoint()), c.near40) << c.redValue;
        // The legend's swatches, in the middle of the legend's line, have the same two colours.
        const int y = static_cast<int>(l.legendRect.center().y());
        const QRect legendLine(0, y, image.width(), 1);
        EXPECT_GT(countColour(image, legendLine, [&](QRgb p) { return p == red; }), 3);
        EXPECT_GT(countColour(image, legendLine, [&](QRgb p) { return p == green; }), 3);
    }
}

// The widths of the runs of red pixels along a line of the image, from `from` in steps of `step`.
std::vector<int> redRuns(const QImage& image, QPoint from, QPoint step, int count) {
    std::vector<int> runs;
    int run = 0;
    for (int i = 0; i <= count; ++i) {
        const QPoint p = from + step * i;
        if (i < count && image.rect().contains(p) && isRed(image.pixel(p))) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    return runs;
}

// Bars at both ends of the time axis show whole, as wide as a bar in the middle; a point just before
// the axis's start gets no bar, not half of one.
TEST(ChartPainter, BarsAtTheEndsOfTheTimeAxisShowWhole) {
    for (ChartType type : {ChartType::bar, ChartType::bar3D, ChartType::horizBar}) {
        SCOPED_TRACE(std::string(chartTypeName(type)));
        ChartModel m = handMade(type, false);
        m.series = {makeSeries("Red", kSeriesRed, {-10, 0, 500, 1000}, {50, 50, 50, 50})};
        QImage image;
        const ChartLayout l = drawn(m, image);
        // Across the bars, halfway up them, over the whole plot and a pixel either side of it.
        const QRect plot = l.plot.toAlignedRect().adjusted(-1, -1, 1, 1);
        const std::vector<int> runs =
            type == ChartType::horizBar
                ? redRuns(image, QPoint(static_cast<int>(l.valuePixel(25)), plot.top()), QPoint(0, 1),
                          plot.height())
                : redRuns(image, QPoint(plot.left(), static_cast<int>(l.valuePixel(25))), QPoint(1, 0),
                          plot.width());
        ASSERT_EQ(runs.size(), 3u);
        // To a pixel: a bar's edges fall between pixels where the points do.
        EXPECT_NEAR(runs[0], runs[1], 1);
        EXPECT_NEAR(runs[2], runs[1], 1);
        EXPECT_GE(runs[1], 10);
    }
}

// Point marks at the axes' minimum and maximum show whole, as a mark in the middle does.
TEST(ChartPainter, PointsAtTheEndsOfTheAxesShowWhole) {
    for (ChartType type : {ChartType::point, ChartType::point3D}) {
        SCOPED_TRACE(std::string(chartTypeName(type)));
        ChartModel m = handMade(type, false);
        m.series = {makeSeries("Red", kSeriesRed, {0, 500, 1000}, {0, 50, 100})};
        QImage image;
        const ChartLayout l = drawn(m, image);
        auto markAt = [&](double t, double v) {
            const QPoint centre = l.map(t, v).toPoint();
            return countColour(image, QRect(centre - QPoint(8, 8), QSize(17, 17)), isRed);
        };
        const int middle = markAt(500, 50);
        EXPECT_GE(middle, 20);
        EXPECT_EQ(markAt(0, 0), middle);
        EXPECT_EQ(markAt(1000, 100), middle);
    }
}

TEST(ChartPainter, ClippingKeepsWhatIsInsideAndCutsAtTheEdges) {
    const QRectF r(0, 0, 100, 100);
    QPointF a(-100, 50), b(100, 50);
    ASSERT_TRUE(chart::clipSegment(a, b, r));
    EXPECT_EQ(a, QPointF(0, 50));
    EXPECT_EQ(b, QPointF(100, 50));
    QPointF c(-1e30, -1e30), e(-1, 200);
    EXPECT_FALSE(chart::clipSegment(c, e, r));
    const QPolygonF cut = chart::clipPolygon(QPolygonF{{-50, 50}, {50, -50}, {150, 50}, {50, 150}}, r);
    EXPECT_EQ(cut.boundingRect(), r);
    EXPECT_TRUE(chart::clipPolygon(QPolygonF{{200, 0}, {300, 0}, {300, 50}}, r).isEmpty());
}

TEST(ChartPainter, SavesJpegPngAndSvgWholeOrNotAtAll) {
    testing::TempDir dir;
    const ChartModel m = handMade(ChartType::line, false);
    QString error;
    ASSERT_TRUE(chart::saveChart(m, QString::fromStdString((dir / "c.jpg").string()), {1024, 768}, &error))
        << error.toStdString();
    const QImage jpeg(QString::fromStdString((dir / "c.jpg").string()));
    EXPECT_EQ(jpeg.size(), QSize(1024, 768));
    EXPECT_EQ(dir.read("c.jpg").substr(0, 2), "\xFF\xD8");
    ASSERT_TRUE(chart::saveChart(m, QString::fromStdString((dir / "c.png").string()), {640, 480}, &error));
    EXPECT_EQ(QImage(QString::fromStdString((dir / "c.png").string())).size(), QSize(640, 480));
    ASSERT_TRUE(chart::saveChart(m, QString::fromStdString((dir / "c.svg").string()), {640, 480}, &error));
    EXPECT_NE(dir.read("c.svg").find("<svg"), std::string::npos);

    // A name of no known picture type is saved as a JPEG under that name, over an old file.
    dir.write("c.bmp", "old");
    ASSERT_TRUE(chart::saveChart(m, QString::fromStdString((dir / "c.bmp").string()), {640, 480}, &error));
    EXPECT_EQ(dir.read("c.bmp").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(QImage(QString::fromStdString((dir / "c.bmp").string()), "jpeg").size(), QSize(640, 480));
    // A folder that is a file: no picture, no leftovers beside it.
    dir.write("plain", "x");
    error.clear();
    EXPECT_FALSE(
        chart::saveChart(m, QString::fromStdString((dir / "plain" / "c.png").string()), {640, 480}, &error));
    EXPECT_FALSE(error.isEmpty());
    int files = 0;
    for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 5); // c.jpg, c.png, c.svg, c.bmp, plain
}

} // namespace
} // namespace nimbrel
