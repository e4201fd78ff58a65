// The drawn controls: their scales, their reactions to values and the pointer, and a
// picture of each saved for a person to look at.
#include "tests/ui/artifacts.h"
#include "tests/support/temp_dir.h"
#include "ui/controls/alarm_lamp.h"
#include "ui/controls/bar_gauge.h"
#include "ui/controls/beaufort_bar.h"
#include "ui/controls/condition_picture.h"
#include "ui/controls/control_painting.h"
#include "ui/controls/control_style.h"
#include "ui/controls/gauge_scale.h"
#include "ui/controls/hyperlink.h"
#include "ui/controls/station_picture.h"
#include "ui/controls/thermometer.h"
#include "ui/controls/wind_compass.h"
#include "ui/gui_resources.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace nimbrel {
namespace {

using testing::artifactPath;

// Grabs the widget, saves it as a PNG for review and checks that something was drawn.
QImage saveShot(QWidget& widget, const QString& name) {
    widget.ensurePolished();
    const QPixmap shot = widget.grab();
    const QString path = artifactPath(name);
    EXPECT_TRUE(shot.save(path, "PNG")) << path.toStdString();
    EXPECT_GT(QFileInfo(path).size(), 0) << path.toStdString();
    const QImage image = shot.toImage();
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; ++y)
        for (int x = 0; x < image.width() && !varied; ++x) varied = image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_TRUE(varied) << name.toStdString() << " is one flat colour";
    return image;
}

// Rows of one column painted in the gauges' fill colour.
int filledRows(const QImage& image, int x) {
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        if (QColor(image.pixel(x, y)) == readingFillColour()) ++rows;
    return rows;
}

TEST(GaugeScale, BarGaugeGrowsByStepsAndFoldsToTwiceTheBaseDivisions) {
    EXPECT_EQ(barGaugeScale(20.0, 4, 18.0), (BarScale{20.0, 4}));
    EXPECT_EQ(barGaugeScale(20.0, 4, 20.0), (BarScale{20.0, 4}));
    EXPECT_EQ(barGaugeScale(20.0, 4, 22.0), (BarScale{25.0, 5}));
    // 47 needs six steps (50 in 10); folding to 8 divisions adds six more steps.
    EXPECT_EQ(barGaugeScale(20.0, 4, 47.0), (BarScale{80.0, 8}));
    // 76 reaches 80 in 16, already a multiple of 8: the fold adds a whole further 8 steps.
    EXPECT_EQ(barGaugeScale(20.0, 4, 76.0), (BarScale{120.0, 8}));
    // A rain gauge of 40 mm in 2 divisions given 130 mm.
    EXPECT_EQ(barGaugeScale(40.0, 2, 130.0), (BarScale{160.0, 4}));
    EXPECT_EQ(barGaugeScale(20.0, 4, -3.0), (BarScale{20.0, 4}));
}

TEST(GaugeScale, BarGaugeRefusesWhatCannotBeDrawnAndNeverStalls) {
    EXPECT_FALSE(barGaugeScale(20.0, 0, 5.0));
    EXPECT_FALSE(barGaugeScale(0.0, 4, 5.0));
    EXPECT_FALSE(barGaugeScale(-20.0, 4, 5.0));
    EXPECT_FALSE(barGaugeScale(20.0, 4, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(barGaugeScale(20.0, 4, std::numeric_limits<double>::infinity()));
    // A garbled reading far beyond any rain total still gives a foldable scale, at once.
    const auto huge = barGaugeScale(20.0, 4, 1e300);
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->divisions, 8);
    EXPECT_GE(huge->maximum, 1e300);
}

TEST(GaugeScale, ThermometerExtendsAtTheEndTheValueLeaves) {
    EXPECT_EQ(thermometerScale(-20.0, 40.0, 6, -27.0), (ThermometerScale{-30.0, 40.0, 7}));
    EXPECT_EQ(thermometerScale(-20.0, 40.0, 6, 55.0), (ThermometerScale{-20.0, 60.0, 8}));
    EXPECT_EQ(thermometerScale(-20.0, 40.0, 6, 40.0), (ThermometerScale{-20.0, 40.0, 6}));
    EXPECT_EQ(thermometerScale(-20.0, 40.0, 6, -20.0), (ThermometerScale{-20.0, 40.0, 6}));
    // The view's outdoor scale in Fahrenheit.
    EXPECT_EQ(thermometerScale(-40.0, 140.0, 10, 141.0), (ThermometerScale{-40.0, 158.0, 11}));
    EXPECT_FALSE(thermometerScale(-20.0, 40.0, 6, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(thermometerScale(40.0, -20.0, 6, 5.0));
    EXPECT_FALSE(thermometerScale(-20.0, 40.0, 6, -1e12));
}

TEST(BarGauge, ShowsTheValueOnItsGrownScaleAndNothingForAMissingOne) {
    BarGauge gauge;
    gauge.resize(60, 168);
    EXPECT_FALSE(gauge.isValid());

    gauge.set(20.0, 4, QStringLiteral("---"));
    EXPECT_FALSE(gauge.isValid());
    const QImage missing = saveShot(gauge, QStringLiteral("bar_gauge_missing.png"));
    EXPECT_EQ(filledRows(missing, gauge.width() - 5), 0);

    gauge.set(20.0, 4, QStringLiteral("5"));
    EXPECT_TRUE(gauge.isValid());
    EXPECT_EQ(gauge.scale(), (BarScale{20.0, 4}));
    const QImage quarter = saveShot(gauge, QStringLiteral("bar_gauge_5_of_20.png"));
    gauge.set(20.0, 4, QStringLiteral("20"));
    const int full = filledRows(saveShot(gauge, QStringLiteral("bar_gauge_full.png")), gauge.width() - 5);
    EXPECT_GT(full, gauge.height() / 2);
    EXPECT_NEAR(filledRows(quarter, gauge.width() - 5), full / 4.0, 2.0);

    gauge.set(20.0, 4, QStringLiteral("47"));
    EXPECT_EQ(gauge.scale(), (BarScale{80.0, 8}));
    saveShot(gauge, QStringLiteral("bar_gauge_47.png"));

    // A value of 0 and then a missing one: the same numbers, but the bar must go.
    gauge.set(20.0, 4, QStringLiteral("0"));
    gauge.set(20.0, 4, QStringLiteral("---"));
    EXPECT_FALSE(gauge.isValid());
    gauge.set(20.0, 4, QStringLiteral("nan"));
    EXPECT_FALSE(gauge.isValid());
}

TEST(BarGauge, WidensForTheLabelsOfAGrownScale) {
    BarGauge gauge;
    const QFontMetrics metrics(gauge.font());
    gauge.set(400.0, 2, QStringLiteral("12.5"));
    const int base = gauge.minimumSizeHint().width();
    EXPECT_GE(base, metrics.horizontalAdvance(QStringLiteral("400")) + 5 + 8);
    // A total of many years grows the scale to 1600: one more digit beside every tick.
    gauge.set(400.0, 2, QStringLiteral("1287.3"));
    EXPECT_EQ(gauge.scale().maximum, 1600.0);
    EXPECT_EQ(gauge.minimumSizeHint().width() - base, metrics.horizontalAdvance(QStringLiteral("1600")) -
                                                          metrics.horizontalAdvance(QStringLiteral("400")));
}

TEST(ControlPainting, ScaleLabelsThinOutSoTheyNeverOverlap) {
    // Labels 13 pixels high: every tick while the ticks are that far apart, then every 2nd, 5th, 10th.
    EXPECT_EQ(scaleLabelStep(13.0, 13), 1);
    EXPECT_EQ(scaleLabelStep(12.9, 13), 2);
    EXPECT_EQ(scaleLabelStep(6.5, 13), 2);
    EXPECT_EQ(scaleLabelStep(6.4, 13), 5);
    EXPECT_EQ(scaleLabelStep(2.6, 13), 5);
    EXPECT_EQ(scaleLabelStep(2.5, 13), 10);
    EXPECT_EQ(scaleLabelStep(0.13, 13), 100);
    // A scale with no height at all labels only its foot.
    EXPECT_GT(scaleLabelStep(0.0, 13), 1000);
}

TEST(Thermometer, ExtendsItsScaleAndFillsTheTube) {
    Thermometer thermometer;
    thermometer.resize(50, 200);
    thermometer.set(-20.0, 40.0, 6, QStringLiteral("-27"));
    EXPECT_TRUE(thermometer.isValid());
    EXPECT_EQ(thermometer.scale(), (ThermometerScale{-30.0, 40.0, 7}));
    saveShot(thermometer, QStringLiteral("thermometer_minus_27.png"));

    thermometer.set(-40.0, 60.0, 10, QStringLiteral("21.5"));
    EXPECT_EQ(thermometer.scale(), (ThermometerScale{-40.0, 60.0, 10}));
    saveShot(thermometer, QStringLiteral("thermometer_21_5.png"));

    thermometer.set(-40.0, 60.0, 10, QString());
    EXPECT_FALSE(thermometer.isValid());
    saveShot(thermometer, QStringLiteral("thermometer_missing.png"));
}

TEST(HyperLink, OpensOnlyWebAddressesAndKeepsTheVisitedColour) {
    HyperLink link(QStringLiteral("https://example.org/update"));
    std::vector<QUrl> opened;
    std::vector<QString> errors;
    bool succeed = true;
    link.setOpener([&](const QUrl& url) {
        opened.push_back(url);
        return succeed;
    });
    link.setErrorReporter([&](const QString& message) { errors.push_back(message); });

    // The text is the address when the program set none; the tooltip shows it.
    EXPECT_EQ(link.address(), QStringLiteral("https://example.org/update"));
    EXPECT_EQ(link.toolTip(), link.address());
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.currentColour(), QColor(0, 0, 238));
    link.resize(link.sizeHint());
    saveShot(link, QStringLiteral("hyperlink.png"));

    // A failed opening leaves the colour and reports why.
    succeed = false;
    QTest::mouseClick(&link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://example.org/update")));
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0], QStringLiteral("Unable to open hyperlink:\n\nThere is no application associated\n"
                                        "with the given filename extension."));
    EXPECT_FALSE(link.isVisited());
    EXPECT_EQ(link.currentColour(), QColor(0, 0, 238));

    succeed = true;
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_TRUE(link.isVisited());
    EXPECT_EQ(link.currentColour(), QColor(85, 26, 139));
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(85, 26, 139));
    saveShot(link, QStringLiteral("hyperlink_visited.png"));

    // Addresses that are not web pages never reach the desktop.
    for (const char* address : {"file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)", "http://",
                                "ftp://example.org/", "mailto:someone@example.org", ""}) {
        HyperLink other;
        other.setAddress(QString::fromUtf8(address));
        other.setOpener([&](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        other.setErrorReporter([&](const QString& message) { errors.push_back(message); });
        const std::size_t before = opened.size();
        EXPECT_EQ(other.activate(), kHyperlinkAccessDenied) << address;
        EXPECT_EQ(opened.size(), before) << address;
        EXPECT_FALSE(other.isVisited());
    }
    EXPECT_TRUE(errors.back().endsWith(QStringLiteral("denied\naccess to the specified file.")));
    EXPECT_TRUE(openableWebAddress(QStringLiteral("HTTP://Example.org")).isValid());
}

TEST(HyperLink, HoverSwitchesToTheHighlightColourAndBack) {
    HyperLink link;
    link.setAddress(QStringLiteral("http://example.org"));
    EXPECT_EQ(link.text(), QStringLiteral("http://example.org"));
    link.setHoverColour(QColor(10, 200, 10));

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&link, &enter);
    EXPECT_TRUE(link.isHovering());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(10, 200, 10));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_FALSE(link.isHovering());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 238));
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);

    // A link given markup shows it as plain text.
    HyperLink marked(QStringLiteral("<b>http://example.org</b>"));
    EXPECT_EQ(marked.textFormat(), Qt::PlainText);
}

TEST(HyperLink, ErrorTextsCoverTheTableAndUnknownResults) {
    EXPECT_EQ(hyperlinkErrorText(2), QStringLiteral("The specified file was not found."));
    EXPECT_EQ(hyperlinkErrorText(26), QStringLiteral("A sharing violation occurred. "));
    EXPECT_EQ(hyperlinkErrorText(4), QStringLiteral("Unknown Error (4) occurred."));
    EXPECT_EQ(hyperlinkErrorText(33), QStringLiteral("Unknown Error (33) occurred."));
}

TEST(BeaufortBar, TakesLevelsZeroToTwelveAndRefusesTheRest) {
    BeaufortBar bar;
    bar.resize(bar.sizeHint());
    bar.setLevel(QStringLiteral("5"));
    EXPECT_EQ(bar.level(), 5);
    bar.setLevel(QStringLiteral("13"));
    EXPECT_EQ(bar.level(), 5);
    bar.setLevel(QStringLiteral("-1"));
    EXPECT_EQ(bar.level(), 5);
    saveShot(bar, QStringLiteral("beaufort_bar_5.png"));
    bar.setLevel(QStringLiteral("12"));
    EXPECT_EQ(bar.level(), 12);
    saveShot(bar, QStringLiteral("beaufort_bar_12.png"));
    bar.setLevel(QStringLiteral("---"));
    EXPECT_EQ(bar.level(), 0);
    bar.setLevel(QStringLiteral("7"));
    bar.setLevel(QString());
    EXPECT_EQ(bar.level(), 0);
    EXPECT_FALSE(beaufortLevelChange(QStringLiteral("3"), 3));
}

TEST(WindCompass, PointsTheNeedleByCodeAndDropsItForMissingDirections) {
    WindCompass compass;
    compass.resize(150, 150);
    const QRectF area(0, 0, 150, 150);
    const QPointF centre = compassNeedleEllipse(area).center();

    compass.setDirection(QStringLiteral("8"));
    EXPECT_EQ(compass.direction(), 8);
    const QPolygonF down = compassNeedle(area, 8);
    ASSERT_EQ(down.size(), 4);
    // The tip (third corner) lies straight below the centre, the tail just below it.
    EXPECT_NEAR(down[2].x(), centre.x(), 1e-9);
    EXPECT_GT(down[2].y(), centre.y() + 30);
    EXPECT_GT(down[0].y(), centre.y());
    saveShot(compass, QStringLiteral("wind_compass_8.png"));

    const QPolygonF up = compassNeedle(area, 0);
    EXPECT_NEAR(up[2].x(), centre.x(), 1e-9);
    EXPECT_LT(up[2].y(), centre.y() - 30);
    const QPolygonF right = compassNeedle(area, 4);
    EXPECT_GT(right[2].x(), centre.x() + 30);
    EXPECT_NEAR(right[2].y(), centre.y(), 1e-9);
    const QPolygonF west = compassNeedle(area, 12);
    EXPECT_LT(west[2].x(), centre.x() - 30);

    compass.setDirection(QStringLiteral("---"));
    EXPECT_EQ(compass.direction(), -1);
    EXPECT_TRUE(compassNeedle(area, compass.direction()).isEmpty());
    saveShot(compass, QStringLiteral("wind_compass_none.png"));
    EXPECT_TRUE(compassNeedle(area, 16).isEmpty());
    EXPECT_EQ(compassDirectionFromText(QString()), -1);
    EXPECT_EQ(compassDirectionFromText(QStringLiteral("north")), -1);

    compass.setDirection(QStringLiteral("5"));
    saveShot(compass, QStringLiteral("wind_compass_5.png"));
}

TEST(AlarmLamp, ShowsOnePictureForEachState) {
    QWidget row;
    row.resize(3 * 20, 20);
    AlarmLamp lamps[3];
    const LampState states[] = {LampState::Disabled, LampState::Armed, LampState::Lit};
    for (int i = 0; i < 3; ++i) {
        lamps[i].setParent(&row);
        lamps[i].setGeometry(i * 20 + 2, 2, 16, 16);
        lamps[i].setState(states[i]);
        EXPECT_FALSE(picture(lampPictureName(states[i]), QSize(16, 16)).isNull());
    }
    const QImage image = saveShot(row, QStringLiteral("alarm_lamps.png"));
    // The three lamps differ at their centres.
    const QColor off(image.pixel(10, 11)), armed(image.pixel(30, 11)), lit(image.pixel(50, 11));
    EXPECT_NE(off, armed);
    EXPECT_NE(armed, lit);
    EXPECT_GT(armed.green(), armed.red());
    EXPECT_GT(lit.red(), lit.green());
    for (auto& lamp : lamps) lamp.setParent(nullptr);
}

TEST(ConditionPicture, CodesZeroToFourHaveAPictureAndOthersClearIt) {
    ConditionPicture condition;
    condition.resize(64, 64);
    for (int code = 0; code <= 4; ++code) {
        condition.setCondition(QString::number(code));
        EXPECT_EQ(condition.code(), code);
        EXPECT_FALSE(picture(conditionPictureName(code), QSize(64, 64)).isNull()) << code;
        saveShot(condition, QStringLiteral("condition_%1.png").arg(code));
    }
    for (const char* text : {"5", "-1", "---", "", "15"}) {
        condition.setCondition(QString::fromUtf8(text));
        EXPECT_EQ(condition.code(), -1) << text;
    }
}

TEST(StationPicture, FitsItsRoomWithoutBlowingUpAPhotograph) {
    // As large as the room allows with the proportions kept, never past the largest size, centred.
    const QSizeF largest(200, 160);
    EXPECT_EQ(fittedPictureRect(largest, QRect(0, 0, 300, 300)), QRect(50, 70, 200, 160));
    EXPECT_EQ(fittedPictureRect(largest, QRect(5, 7, 200, 160)), QRect(5, 7, 200, 160));
    EXPECT_EQ(fittedPictureRect(largest, QRect(10, 20, 100, 100)), QRect(10, 30, 100, 80));
    EXPECT_EQ(fittedPictureRect(largest, QRect(0, 0, 199, 160)), QRect(0, 0, 199, 159));
    EXPECT_TRUE(fittedPictureRect(largest, QRect(0, 0, 0, 100)).isEmpty());
    EXPECT_TRUE(fittedPictureRect(QSizeF(), QRect(0, 0, 100, 100)).isEmpty());

    StationPicture station;
    EXPECT_EQ(station.largestSize(2.0), QSizeF(160, 160)); // ours, drawn from its outline
    testing::TempDir folder;
    const QString broken = QString::fromStdString((folder / "Nimbrel.bmp").string());
    folder.write("Nimbrel.bmp", "BM not a picture");
    EXPECT_FALSE(station.loadFile(broken));
    EXPECT_FALSE(station.showsOwnPicture());
    // A photograph of 400 x 320: one of its pixels per screen pixel, so half as large on a sharp screen,
    // but never smaller than the 200 x 160 the picture always had.
    const QString photo = QString::fromStdString((folder / "photo.bmp").string());
    ASSERT_TRUE(QImage(400, 320, QImage::Format_RGB32).save(photo, "BMP"));
    ASSERT_TRUE(station.loadFile(photo));
    EXPECT_EQ(station.largestSize(1.0), QSizeF(400, 320));
    EXPECT_EQ(station.largestSize(2.0), QSizeF(200, 160));
    EXPECT_EQ(station.largestSize(4.0), QSizeF(200, 160));
    EXPECT_EQ(station.sizeHint(), QSize(200, 160));
    // A small one is shown in that box too, as before.
    ASSERT_TRUE(QImage(50, 20, QImage::Format_RGB32).save(photo, "BMP"));
    ASSERT_TRUE(station.loadFile(photo));
    EXPECT_EQ(station.largestSize(1.0), QSizeF(200, 80));
}

TEST(Pictures, EveryCompiledInPictureRendersAtItsSize) {
    ensureGuiResources();
    int count = 0;
    QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.svg")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.startsWith(QLatin1String(":/qt-project.org"))) continue;
        QSvgRenderer renderer(path);
        EXPECT_TRUE(renderer.isValid()) << path.toStdString();
        ++count;
    }
    EXPECT_GE(count, 20);
    EXPECT_EQ(QSvgRenderer(QStringLiteral(":/connection/connected.svg")).defaultSize(), QSize(90, 37));
    EXPECT_EQ(QSvgRenderer(QStringLiteral(":/connection/not_connected.svg")).defaultSize(), QSize(90, 37));
    for (const char* name :
         {"exit", "setup", "alarm", "scope", "history", "graph", "debug", "default", "about", "nimbrel"})
        EXPECT_FALSE(icon(QString::fromUtf8(name)).isNull()) << name;
    EXPECT_TRUE(picture(QStringLiteral("no/such.svg"), QSize(16, 16)).isNull());
}

// Every control together at the sizes the view gives them, for a person to judge them side by side.
TEST(Controls, SheetOfAllControlsForReview) {
    QWidget sheet;
    sheet.resize(650, 240);
    auto* indoor = new Thermometer(&sheet);
    indoor->setGeometry(10, 10, 50, 220);
    indoor->set(-40.0, 60.0, 10, QStringLiteral("22.4"));
    auto* outdoor = new Thermometer(&sheet);
    outdoor->setGeometry(70, 10, 50, 220);
    outdoor->set(-40.0, 140.0, 10, QStringLiteral("-43.6"));
    const char* rains[] = {"1.2", "---", "47", "160.5", "0.0"};
    const double scales[] = {40, 100, 200, 300, 400};
    for (int i = 0; i < 5; ++i) {
        auto* gauge = new BarGauge(&sheet);
        gauge->setGeometry(130 + i * 45, 10, 40, 220);
        gauge->set(scales[i], 2, QString::fromUtf8(rains[i]));
    }
    auto* compass = new WindCompass(&sheet);
    compass->setGeometry(390, 10, 150, 150);
    compass->setDirection(QStringLiteral("14"));
    auto* wind = new BeaufortBar(&sheet);
    wind->setGeometry(360, 165, wind->sizeHint().width(), 32);
    wind->setLevel(QStringLiteral("4"));
    auto* gust = new BeaufortBar(&sheet);
    gust->setGeometry(360, 200, gust->sizeHint().width(), 32);
    gust->setLevel(QStringLiteral("7"));
    saveShot(sheet, QStringLiteral("controls_sheet.png"));
}

// One sheet with every picture, large, for a person to judge the set as a whole.
TEST(Pictures, SheetOfAllPicturesForReview) {
    const QStringList toolbar = {"default", "setup", "alarm", "scope", "history",
                                 "graph",   "debug", "exit",  "about"};
    QImage sheet(640, 300, QImage::Format_ARGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter painter(&sheet);
    int x = 10;
    for (const QString& name : toolbar) {
        painter.drawPixmap(x, 10, icon(name).pixmap(48, 48));
        painter.drawPixmap(x + 14, 64, icon(name).pixmap(24, 24));
        x += 60;
    }
    x = 10;
    for (int code = 0; code <= 4; ++code, x += 84)
        painter.drawPixmap(x, 100, picture(conditionPictureName(code), {80, 80}));
    painter.drawPixmap(440, 100, icon(QStringLiteral("nimbrel")).pixmap(96, 96));
    painter.drawPixmap(10, 200, picture(QStringLiteral("connection/connected.svg"), {90, 37}));
    painter.drawPixmap(110, 200, picture(QStringLiteral("connection/not_connected.svg"), {90, 37}));
    painter.drawPixmap(10, 245,
                       picture(QStringLiteral("connection/connected.svg"), {180, 74}).scaled(180, 74));
    x = 220;
    for (LampState state : {LampState::Disabled, LampState::Armed, LampState::Lit}) {
        painter.drawPixmap(x, 200, picture(lampPictureName(state), {16, 16}));
        painter.drawPixmap(x, 225, picture(lampPictureName(state), {48, 48}));
        x += 60;
    }
    painter.end();
    const QString path = artifactPath(QStringLiteral("pictures_sheet.png"));
    EXPECT_TRUE(sheet.save(path, "PNG"));
}

} // namespace
} // namespace nimbrel
