// The main window as the users of a small, a large and a sharp screen see it. screens.json puts three
// screens side by side: 1024 x 768 (the first, where the frame places itself), 1920 x 1080, and
// 1920 x 1080 at two device pixels per pixel. In every language the frame fits the small screen, every
// text fits its label and every control can be reached; pictures use the sharp screen's pixels; and
// screenshots are left in the build's artifacts for a person to look at.
#include "app/configuration.h"
#include "app/history_columns.h"
#include "app/language_table.h"
#include "app/scope_form.h"
#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_access.h"
#include "station/station_settings.h"
#include "station/usb_library.h"
#include "station/weather_sample.h"
#include "store/history_store.h"
#include "tests/support/stationless_world.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/artifacts.h"
#include "ui/about_box.h"
#include "ui/alarm_dialog.h"
#include "ui/connection_pane.h"
#include "ui/controls/station_picture.h"
#include "ui/debug_window.h"
#include "ui/export_dialog.h"
#include "ui/graph_dialog.h"
#include "ui/history_dialog.h"
#include "ui/main_frame.h"
#include "ui/scope_dialog.h"
#include "ui/setup_dialog.h"
#include "ui/weather_view.h"
#include "ui/window_fit.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QSvgRenderer>
#include <QTest>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace nimbrel {
namespace {

using W = WeatherSample;

const char* const kLanguageNames[kLanguageCount] = {"en", "de", "da", "nl", "fr"};
const char* const kSmallScreen = "1024x768";
const char* const kLargeScreen = "1920x1080";
const char* const kSharpScreen = "1920x1080@2";

using World = testing::StationlessWorld;

// Everything the view shows in one cycle.
struct Reading {
    StationSettings settings;
    WeatherSample sample;
    MinMaxTable minMax;
    AlarmThresholds alarms;
};

void setAll(WeatherSample& sample, std::initializer_list<std::pair<int, const char*>> fields) {
    for (const auto& [position, text] : fields) sample[position] = text;
}

// A wet, windy winter afternoon in the units most users choose, with two alarms armed and one met.
Reading typicalReading() {
    Reading r;
    r.settings.windUnit = "km/h";
    r.settings.outTempLowAlarmFlag = "1";
    r.settings.gustAlarmFlag = "1";
    r.alarms.outTempLowAlarm = "50"; // 5.0 °C, in tenths
    r.alarms.gustAlarm = "800";      // 80.0 km/h
    r.sample.clear();
    setAll(r.sample,
           {{W::indTemp, "21.4"}, {W::indHumi, "48"},     {W::outTemp, "2.6"},    {W::outHumi, "91"},
            {W::dewPoint, "1.3"}, {W::windChill, "-1.9"}, {W::relPres, "1002.7"}, {W::absPres, "981.4"},
            {W::winds, "18.4"},   {W::gust, "43.2"},      {W::windDir, "11"},     {W::windDirDesc, "SWW"},
            {W::windsLevel, "3"}, {W::gustLevel, "6"},    {W::condition, "3"},    {W::hourRain, "2.1"},
            {W::dayRain, "14.7"}, {W::weekRain, "38.2"},  {W::monthRain, "96.5"}, {W::totalRain, "1287.3"}});
    using M = MinMaxTable;
    const std::pair<MinMaxEntry M::*, const char*> extremes[] = {
        {&M::indTempMax, "23.0"},    {&M::indTempMin, "19.6"},    {&M::indHumiMax, "55"},
        {&M::indHumiMin, "41"},      {&M::outTempMax, "6.8"},     {&M::outTempMin, "-3.2"},
        {&M::outHumiMax, "97"},      {&M::outHumiMin, "72"},      {&M::dewpointMax, "3.9"},
        {&M::dewpointMin, "-5.1"},   {&M::windchillMax, "5.5"},   {&M::windchillMin, "-9.4"},
        {&M::relPresMax, "1019.8"},  {&M::relPresMin, "998.1"},   {&M::absPresMax, "998.5"},
        {&M::absPresMin, "976.8"},   {&M::windMax, "61.2"},       {&M::gustMax, "97.9"},
        {&M::hourRainMax, "11.4"},   {&M::dayRainMax, "52.0"},    {&M::weekRainMax, "88.6"},
        {&M::monthRainMax, "171.3"}, {&M::totalRainMax, "1287.3"}};
    for (const auto& [entry, value] : extremes) (r.minMax.*entry).value = value;
    return r;
}

// The longest texts the station shows: its longest units, and each quantity at the widest it reaches
// (the rain of a cloudburst, the total at the counter's top).
Reading widestReading() {
    Reading r;
    r.settings.indTempUnit = "°F";
    r.settings.outTempUnit = "°F";
    r.settings.presUnit = "mmHg";
    r.settings.windUnit = "knot";
    r.settings.rainUnit = "inch";
    r.sample.clear();
    setAll(r.sample, {{W::indTemp, "-40.0"},   {W::indHumi, "100"},      {W::outTemp, "-40.0"},
                      {W::outHumi, "100"},     {W::dewPoint, "-58.7"},   {W::windChill, "-74.2"},
                      {W::relPres, "824.9"},   {W::absPres, "824.9"},    {W::winds, "194.4"},
                      {W::gust, "194.4"},      {W::windDir, "15"},       {W::windDirDesc, "NNW"},
                      {W::windsLevel, "12"},   {W::gustLevel, "12"},     {W::condition, "4"},
                      {W::hourRain, "3.94"},   {W::dayRain, "12.60"},    {W::weekRain, "24.80"},
                      {W::monthRain, "39.37"}, {W::totalRain, "4128.25"}});
    for (MinMaxEntry* entry :
         {&r.minMax.indTempMax, &r.minMax.indTempMin, &r.minMax.outTempMax, &r.minMax.outTempMin,
          &r.minMax.windchillMax, &r.minMax.windchillMin, &r.minMax.dewpointMax, &r.minMax.dewpointMin})
        entry->value = "-140.0";
    for (MinMaxEntry* entry :
         {&r.minMax.indHumiMax, &r.minMax.indHumiMin, &r.minMax.outHumiMax, &r.minMax.outHumiMin})
        entry->value = "100";
    for (MinMaxEntry* entry :
         {&r.minMax.relPresMax, &r.minMax.relPresMin, &r.minMax.absPresMax, &r.minMax.absPresMin})
        entry->value = "824.9";
    r.minMax.windMax.value = "194.4";
    r.minMax.gustMax.value = "194.4";
    r.minMax.hourRainMax.value = "3.94";
    r.minMax.dayRainMax.value = "12.60";
    r.minMax.weekRainMax.value = "39.37";
    r.minMax.monthRainMax.value = "99.21";
    r.minMax.totalRainMax.value = "4128.25"; // the counter's top
    return r;
}

void show(WeatherView& view, const Reading& reading) {
    view.showReading(reading.settings, reading.sample);
    view.showAlarmLamps(reading.alarms, reading.settings, reading.sample);
    view.showMinMax(reading.settings, reading.minMax);
}

// Lets the layouts take in what changed.
void settle() {
    QTest::qWait(20);
    QCoreApplication::processEvents();
}

QScreen* screenNamed(const char* name) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == QLatin1String(name)) return screen;
    return nullptr;
}

// Shows the frame over the whole work area of a screen, as it places itself on the first one; the
// reading arrives after the first display, as the acquisition thread's does.
void showOn(MainFrame& frame, const char* screenName, const Reading& reading) {
    QScreen* screen = screenNamed(screenName);
    ASSERT_NE(screen, nullptr) << "no screen " << screenName << ": is screens.json the platform's?";
    if (screen != QGuiApplication::primaryScreen()) {
        frame.setScreen(screen);
        frame.setGeometry(screen->availableGeometry());
    }
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    show(*frame.view(), reading);
    settle();
}

QScrollArea* viewArea(MainFrame& frame) {
    return qobject_cast<QScrollArea*>(frame.centralWidget());
}

// The view's numbered controls that the user sees (the Beaufort lamps and levels exist hidden).
QList<QWidget*> visibleControls(WeatherView& view) {
    static const QRegularExpression numbered(QStringLiteral("^c\\d+$"));
    QList<QWidget*> controls;
    for (QWidget* widget : view.findChildren<QWidget*>(numbered))
        if (widget->isVisibleTo(&view)) controls << widget;
    return controls;
}

// Where a label's text may go: its contents less the margin, and less the indent on the side its text
// is aligned to (a framed label indents by half an "x" on its own).
int textRoom(const QLabel& label) {
    int room = label.contentsRect().width() - 2 * label.margin();
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0)
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - label.margin();
    if (indent > 0 && (label.alignment() & (Qt::AlignLeft | Qt::AlignRight))) room -= indent;
    return room;
}

// Every label's lines and every group's title fit the room they are given.
void expectEveryTextFits(MainFrame& frame, const std::string& where) {
    int checked = 0;
    for (QLabel* label : frame.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&frame) || label->text().isEmpty()) continue;
        for (const QString& line : label->text().split(QLatin1Char('\n'))) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(line), textRoom(*label))
                << where << ": \"" << line.toStdString() << "\" in " << label->objectName().toStdString()
                << " of " << label->parentWidget()->objectName().toStdString();
        }
        ++checked;
    }
    EXPECT_GT(checked, 60) << where; // captions, headers and values of every group
    for (QGroupBox* box : frame.findChildren<QGroupBox*>()) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect title =
            box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        EXPECT_GE(title.width(), box->fontMetrics().horizontalAdvance(box->title())) << where;
        EXPECT_TRUE(box->rect().contains(title)) << where << ": title of " << box->objectName().toStdString();
    }
}

// No two things the user reads or looks at cover each other, and none reaches outside what holds it.
void expectNothingOverlaps(WeatherView& view, const std::string& where) {
    QList<QWidget*> leaves;
    for (QWidget* widget : view.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&view)) continue;
        const QWidget* parent = widget->parentWidget();
        EXPECT_TRUE(parent->rect().contains(widget->geometry()))
            << where << ": " << widget->objectName().toStdString() << " reaches outside "
            << parent->objectName().toStdString();
        if (widget->findChildren<QWidget*>().isEmpty()) leaves << widget;
    }
    for (qsizetype i = 0; i < leaves.size(); ++i) {
        const QRect a(leaves[i]->mapTo(&view, QPoint(0, 0)), leaves[i]->size());
        for (qsizetype j = i + 1; j < leaves.size(); ++j) {
            const QRect b(leaves[j]->mapTo(&view, QPoint(0, 0)), leaves[j]->size());
            EXPECT_FALSE(a.intersects(b))
                << where << ": " << leaves[i]->objectName().toStdString() << " ("
                << leaves[i]->metaObject()->className() << ") and " << leaves[j]->objectName().toStdString()
                << " (" << leaves[j]->metaObject()->className() << ")";
        }
    }
}

// Every numbered control can be brought whole into the window, scrolling where the window is too small.
void expectEveryControlReachable(MainFrame& frame, const std::string& where) {
    QScrollArea* area = viewArea(frame);
    ASSERT_NE(area, nullptr) << where << ": the view is not in a scroll area";
    const QList<QWidget*> controls = visibleControls(*frame.view());
    EXPECT_GE(controls.size(), 60) << where;
    for (QWidget* control : controls) {
        area->ensureWidgetVisible(control, 0, 0);
        QCoreApplication::processEvents();
        const QRect seen(control->mapTo(area->viewport(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(area->viewport()->rect().contains(seen))
            << where << ": " << control->objectName().toStdString() << " at " << seen.x() << "," << seen.y()
            << " " << seen.width() << "x" << seen.height();
    }
}

TEST(WindowFit, TheFrameFitsASmallScreenInEveryLanguage) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->name(), QLatin1String(kSmallScreen));
    const QSize work = QGuiApplication::primaryScreen()->availableGeometry().size();
    for (int language = 0; language < kLanguageCount; ++language) {
        const std::string name = kLanguageNames[language];
        World world(language);
        MainFrame frame(world.context());
        // Room for a title bar and a panel besides.
        EXPECT_LE(frame.minimumSizeHint().width(), 1000) << name;
        EXPECT_LE(frame.minimumSizeHint().height(), 700) << name;
        showOn(frame, kSmallScreen, widestReading());
        EXPECT_LE(frame.width(), work.width()) << name;
        EXPECT_LE(frame.height(), work.height()) << name;

        // The whole view in the window at once: no scroll bar is needed on this screen, and the window
        // that shows all of it leaves room for a title bar, borders and a panel.
        QScrollArea* area = viewArea(frame);
        ASSERT_NE(area, nullptr);
        const QSize whole = frame.size() - area->viewport()->size() + frame.view()->minimumSizeHint();
        EXPECT_LE(whole.width(), 1000) << name;
        EXPECT_LE(whole.height(), 700) << name;
        EXPECT_FALSE(area->horizontalScrollBar()->isVisible())
            << name << ": the view needs " << frame.view()->minimumSizeHint().width() << " pixels";
        EXPECT_FALSE(area->verticalScrollBar()->isVisible())
            << name << ": the view needs " << frame.view()->minimumSizeHint().height() << " pixels";
        expectEveryControlReachable(frame, name + " at 1024x768");

        // A window made smaller still scrolls to every control.
        frame.resize(640, 480);
        settle();
        EXPECT_TRUE(area->horizontalScrollBar()->isVisible()) << name;
        EXPECT_TRUE(area->verticalScrollBar()->isVisible()) << name;
        expectEveryControlReachable(frame, name + " at 640x480");
    }
}

// Where a window goes so that its frame (title bar and borders, as a window manager of 1 px borders, a
// 20 px title bar and a 5 px lower edge draws them) lies on the work area.
TEST(WindowFit, AWindowIsMovedInAndMadeSmallerJustEnoughForItsFrame) {
    const QMargins frame(1, 20, 1, 5);
    const QRect screen(0, 0, 1024, 768);
    const QRect belowAPanel(0, 30, 1024, 738);
    struct Case {
        const char* what;
        QRect wanted;
        QRect area;
        QSize minimum;
        QRect fitted;
    } cases[] = {
        {"fits as it is", {100, 100, 600, 400}, screen, {}, {100, 100, 600, 400}},
        {"inside as large as the screen", {0, 0, 1024, 768}, screen, {}, {1, 20, 1022, 743}},
        {"exactly as large as fits", {1, 20, 1022, 743}, screen, {}, {1, 20, 1022, 743}},
        {"one pixel wider than fits", {1, 20, 1023, 743}, screen, {}, {1, 20, 1022, 743}},
        {"frame one pixel off the right", {2, 20, 1022, 743}, screen, {}, {1, 20, 1022, 743}},
        {"frame one pixel off the bottom", {300, 21, 400, 743}, screen, {}, {300, 20, 400, 743}},
        {"title bar above the screen", {100, 10, 600, 400}, screen, {}, {100, 20, 600, 400}},
        {"wider than the screen", {-20, 156, 1071, 390}, screen, {}, {1, 156, 1022, 390}},
        {"under a panel", {0, 0, 1024, 768}, belowAPanel, {}, {1, 50, 1022, 713}},
        {"layout larger than the screen", {-20, -20, 1100, 900}, screen, {1100, 800}, {1, 20, 1100, 800}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fittedGeometry(c.wanted, frame, c.area, c.minimum), c.fitted) << c.what;
    }
    EXPECT_EQ(filledGeometry(frame, screen), QRect(1, 20, 1022, 743));
    EXPECT_EQ(filledGeometry(frame, belowAPanel), QRect(1, 50, 1022, 713));
    EXPECT_EQ(filledGeometry(QMargins(), screen), screen);
}

// Before any window manager's frame has been seen, the main window leaves room for one where a window
// manager draws frames: a title bar and borders round it cover the work area, and stay on it.
TEST(WindowFit, TheMainWindowLeavesRoomForAFrameBeforeItIsKnown) {
    for (const char* platform : {"xcb", "wayland"}) {
        const QMargins reserve = frameReserveOn(QLatin1String(platform));
        EXPECT_GE(reserve.top(), 20) << platform; // a title bar
        EXPECT_GE(reserve.left(), 1) << platform;
        EXPECT_GE(reserve.right(), 1) << platform;
        EXPECT_GE(reserve.bottom(), 1) << platform;
    }
    EXPECT_EQ(frameReserveOn(QStringLiteral("offscreen")), QMargins()); // no window manager, no frame
    World world(german);
    MainFrame frame(world.context());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(frame.geometry().marginsAdded(expectedFrameMargins()), area);
}

// Each dialog as it opens on the small screen, in every language: the window, with the room a frame
// takes, lies on the work area with room to spare, and it is no smaller than its layout needs (nothing
// cut off).
TEST(WindowFit, EveryDialogFitsASmallScreenWithItsFrameInEveryLanguage) {
    keepWindowsOnScreen();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QMargins frame = expectedFrameMargins();
    for (int language = 0; language < kLanguageCount; ++language) {
        World world(language);
        const AppContext context = world.context();
        const ScopeForm scope;
        const HistoryTitles titles = historyColumnTitles(world.texts, UnitSelection{});
        const std::pair<const char*, std::function<std::unique_ptr<QWidget>()>> dialogs[] = {
            {"Setup", [&] { return std::make_unique<SetupDialog>(context); }},
            {"Alarm", [&] { return std::make_unique<AlarmDialog>(context); }},
            {"Scope", [&] { return std::make_unique<ScopeDialog>(scope, world.texts); }},
            {"History", [&] { return std::make_unique<HistoryDialog>(context, UnitSelection{}); }},
            {"Graph",
             [&] {
                 return std::make_unique<GraphDialog>(context, UnitSelection{}, 0,
                                                      lastMonthGraphStart(world.clock.nowSeconds()));
             }},
            {"Debug", [&] { return std::make_unique<DebugWindow>(context); }},
            {"Export", [&] { return std::make_unique<ExportDialog>(world.texts, titles, kHistoryColumnWidths); }},
            {"About", [&] { return std::make_unique<AboutBox>(world.config, world.texts); }},
        };
        for (const auto& [name, make] : dialogs) {
            const std::string where = std::string(name) + " in " + kLanguageNames[language];
            std::unique_ptr<QWidget> dialog = make();
            dialog->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get())) << where;
            const QRect outer = dialog->geometry().marginsAdded(frame);
            EXPECT_TRUE(area.contains(outer)) << where << ": " << outer.x() << "," << outer.y() << " "
                                              << outer.width() << "x" << outer.height();
            // Room for a taller title bar than most, and a panel besides, as the main window leaves.
            EXPECT_LE(dialog->width(), 1000) << where;
            EXPECT_LE(dialog->height(), 700) << where;
            const QSize needed = dialog->layout() ? dialog->layout()->totalMinimumSize() : QSize();
            EXPECT_GE(dialog->width(), needed.width()) << where;
            EXPECT_GE(dialog->height(), needed.height()) << where;
            dialog->close();
        }
    }
}

// A message box is as wide as its caption needs beside a title bar's icon and three buttons, so the
// window manager shows "Nimbrel Funkwetterstation" whole; a short text alone would make it narrower.
TEST(WindowFit, AMessageBoxIsWideEnoughForItsCaption) {
    keepWindowsOnScreen();
    for (int language = 0; language < kLanguageCount; ++language) {
        const LanguageTable texts(language);
        const QString caption = QString::fromStdString(texts.text(TextRow::applicationTitle));
        QMessageBox box(QMessageBox::NoIcon, caption, QStringLiteral("OK?"), QMessageBox::Ok);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        QFont bold = QApplication::font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        EXPECT_GE(box.width(), metrics.horizontalAdvance(caption) + 4 * 24) << caption.toStdString();
        EXPECT_GE(box.width(), captionWidth(caption)) << caption.toStdString();
        EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(
            box.geometry().marginsAdded(expectedFrameMargins())));
    }
}

TEST(WindowFit, EveryTextFitsItsLabelInEveryLanguage) {
    for (const char* screen : {kSmallScreen, kLargeScreen}) {
        for (int language = 0; language < kLanguageCount; ++language) {
            const std::string where = std::string(kLanguageNames[language]) + " on " + screen;
            World world(language);
            MainFrame frame(world.context());
            showOn(frame, screen, widestReading());
            expectEveryTextFits(frame, where);
            expectNothingOverlaps(*frame.view(), where);
        }
    }
}

TEST(WindowFit, OnALargeScreenTheViewTakesTheRoom) {
    // The heights of the drawn controls and pictures, which grow with the room.
    const QStringList grown = {
        "indoorThermometer", "outdoorThermometer", "rainGauge0", "c10036", "c1079", "c1028",
        "stationPicture"};
    std::map<QString, QSize> onSmall;
    {
        World world(german);
        MainFrame frame(world.context());
        showOn(frame, kSmallScreen, typicalReading());
        for (const QString& name : grown) onSmall[name] = frame.view()->findChild<QWidget*>(name)->size();
    }
    World world(german);
    MainFrame frame(world.context());
    showOn(frame, kLargeScreen, typicalReading());
    QScrollArea* area = viewArea(frame);
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(frame.view()->size(), area->viewport()->size());
    for (const QString& name : grown) {
        const QSize large = frame.view()->findChild<QWidget*>(name)->size();
        EXPECT_GT(large.width() * large.height(), onSmall[name].width() * onSmall[name].height() * 3 / 2)
            << name.toStdString() << ": " << large.width() << "x" << large.height() << " against "
            << onSmall[name].width() << "x" << onSmall[name].height();
    }
}

// The region of a widget's grab (device pixels) where `logical` is drawn.
QImage grabbedPart(QWidget& widget, const QRect& logical) {
    const QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const qreal ratio = widget.devicePixelRatioF();
    return shot.copy(
        QRect(QPoint(qRound(logical.x() * ratio), qRound(logical.y() * ratio)), logical.size() * ratio));
}

// The largest difference of one colour channel between two images of one size, 255 for other sizes.
int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 255;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            largest = std::max({largest, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                std::abs(p.blue() - q.blue())});
        }
    }
    return largest;
}

// An outline drawn straight onto `size` device pixels over a background colour.
QImage svgAt(const QString& path, const QSize& size, const QColor& background) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer(path).render(&painter);
    return image;
}

TEST(WindowFit, PicturesUseTheSharpScreensPixels) {
    {
        // The user's own picture: every one of its pixels is a device pixel of the sharp screen.
        World world(english);
        QImage own(400, 320, QImage::Format_RGB32);
        for (int y = 0; y < own.height(); ++y)
            for (int x = 0; x < own.width(); ++x)
                own.setPixel(x, y, (x + y) % 2 ? qRgb(20, 60, 200) : qRgb(250, 240, 40));
        ASSERT_TRUE(own.save(QString::fromStdString((world.folder / "Nimbrel.bmp").string()), "BMP"));
        MainFrame frame(world.context());
        showOn(frame, kSharpScreen, typicalReading());
        auto* picture = frame.view()->findChild<StationPicture*>(QStringLiteral("stationPicture"));
        ASSERT_NE(picture, nullptr);
        ASSERT_TRUE(picture->showsOwnPicture());
        ASSERT_EQ(picture->devicePixelRatioF(), 2.0);
        const QRect drawn = fittedPictureRect(picture->largestSize(2.0), picture->contentsRect());
        EXPECT_EQ(drawn.size(), QSize(200, 160)); // the room it always had, with twice the pixels
        EXPECT_EQ(largestDifference(grabbedPart(*picture, drawn), own.convertToFormat(QImage::Format_ARGB32)),
                  0);
    }
    {
        // Ours, and the status bar's connection picture: drawn from their outlines at the device pixels.
        World world(english);
        MainFrame frame(world.context());
        showOn(frame, kSharpScreen, typicalReading());
        const QColor window = frame.palette().color(QPalette::Window);
        auto* picture = frame.view()->findChild<StationPicture*>(QStringLiteral("stationPicture"));
        ASSERT_NE(picture, nullptr);
        const QRect drawn = fittedPictureRect(picture->largestSize(2.0), picture->contentsRect());
        ASSERT_FALSE(drawn.isEmpty());
        EXPECT_LE(largestDifference(grabbedPart(*picture, drawn),
                                    svgAt(QStringLiteral(":/icons/nimbrel.svg"), drawn.size() * 2, window)),
                  8);
        ConnectionPane* pane = frame.connectionPane();
        EXPECT_LE(largestDifference(grabbedPart(*pane, pane->rect()),
                                    svgAt(QStringLiteral(":/connection/not_connected.svg"), pane->size() * 2,
                                          pane->palette().color(QPalette::Window))),
                  8);
    }
}

using testing::artifactPath;

TEST(WindowFit, ScreenshotsOnEachScreen) {
    struct Shot {
        int language;
        const char* screen;
    };
    for (const Shot& shot :
         {Shot{english, kSmallScreen}, Shot{german, kSmallScreen}, Shot{english, kLargeScreen},
          Shot{german, kLargeScreen}, Shot{english, kSharpScreen}}) {
        World world(shot.language);
        MainFrame frame(world.context());
        showOn(frame, shot.screen, typicalReading());
        const QPixmap grabbed = frame.grab();
        // A sharp screen's shot holds all of its pixels.
        EXPECT_EQ(grabbed.size(), frame.size() * frame.devicePixelRatioF()) << shot.screen;
        const QString path =
            artifactPath(QStringLiteral("window-%1-%2.png")
                             .arg(QLatin1String(kLanguageNames[shot.language]), QLatin1String(shot.screen)));
        EXPECT_TRUE(grabbed.save(path, "PNG")) << path.toStdString();
    }
}

} // namespace
} // namespace nimbrel
