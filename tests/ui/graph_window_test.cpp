// The Graph window over a history file written here: it opens on the last month's humidity, redraws
// from what it read when the series, the type or 3D change, refuses an inverted range without drawing
// it, saves, and leaves a picture of every type in English and German.
#include "app/language_table.h"
#include "chart/chart_painter.h"
#include "store/history_store.h"
#include "tests/support/when_shown.h"
#include "tests/support/stationless_world.h"
#include "tests/ui/artifacts.h"
#include "ui/chart_widget.h"
#include "ui/graph_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

constexpr std::time_t kNow = 1710072000; // 2024-03-10 12:00:00 UTC

// A line of the history file (base units): humidity, temperature and pressure as given.
std::string storeLine(int id, const std::string& stamp, int humidity, const char* outTemp, double pressure) {
    char line[400];
    std::snprintf(line, sizeof line,
                  "%4d, %s, %s,   5,     %d,  20.0,   %d,  %s,   9.0,  13.0,    %.1f,  1011.7,    4.3,    2,"
                  "  4.6,    3,      0,      N,    2,  37000,  3700.0,       0.0,     0.0,     0.0,     0.0,"
                  "     0.0,     %d.0,     ,   ,   ,   ,  1,  0,  0,  0,   000100\r\n",
                  id, stamp.c_str(), stamp.c_str(), humidity, humidity + 20, outTemp, pressure, id);
    return line;
}

// A record every six hours over the last ten days before now (local time), and one two months back.
void writeHistory(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << storeLine(1, "2024-01-01 00:00:00", 10, "1.0", 990.0);
    int id = 2;
    for (std::time_t t = kNow - 10 * 86400; t <= kNow - 3600; t += 6 * 3600, ++id) {
        char stamp[32];
        std::tm tm{};
        localtime_r(&t, &tm);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
        out << storeLine(id, stamp, 40 + id % 20, id % 7 == 0 ? "---" : "5.0", 1000.0 + id % 13);
    }
}

using testing::whenShown;

template <class T> T* control(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QStringLiteral("c%1").arg(id));
}

bool settle(const GraphDialog& dialog) {
    return QTest::qWaitFor([&] { return !dialog.working(); }, 20000);
}

struct GraphWorld {
    explicit GraphWorld(int language) : world(language) {
        world.clock.set(Clock::TimePoint(std::chrono::seconds(kNow)));
        writeHistory(world.folder / "Nimbrel.dat");
    }
    testing::StationlessWorld world;
};

TEST(GraphWindow, OpensOnTheMonthsHumidityAndRedrawsWithoutReadingAgain) {
    GraphWorld g(english);
    GraphDialog dialog(g.world.context(), UnitSelection{}, 0, lastMonthGraphStart(kNow));
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    EXPECT_EQ(control<QComboBox>(&dialog, 1089)->currentText(), "a month");
    EXPECT_EQ(dialog.storeReads(), 1);
    EXPECT_EQ(dialog.records(), 40u); // ten days of four a day; the January record is out of range
    const ChartModel& m = dialog.chart()->model();
    EXPECT_EQ(m.title, "Weather--Humidity");
    EXPECT_EQ(m.type, ChartType::line);
    ASSERT_EQ(m.series.size(), 2u);
    EXPECT_EQ(m.series[0].name, "Indoor Humidity");
    EXPECT_EQ(m.series[1].name, "Outdoor Humidity");
    EXPECT_EQ(m.series[0].colour, kSeriesRed);
    EXPECT_EQ(m.series[1].colour, kSeriesGreen);
    EXPECT_EQ(m.value.min, 0.0);
    EXPECT_EQ(m.value.max, 100.0);
    EXPECT_EQ(m.time.max - m.time.min, 30.0 * 86400);

    control<QComboBox>(&dialog, 1095)->setCurrentIndex(4);
    EXPECT_EQ(dialog.chart()->model().title, "Weather--Pressure");
    control<QComboBox>(&dialog, 1096)->setCurrentIndex(10);
    EXPECT_EQ(dialog.chart()->model().type, ChartType::bar3D);
    control<QCheckBox>(&dialog, 1001)->setChecked(true);
    EXPECT_TRUE(dialog.chart()->model().view3D);
    EXPECT_EQ(dialog.storeReads(), 1);

    // Refresh reads again, the same range.
    control<QPushButton>(&dialog, 1029)->click();
    ASSERT_TRUE(settle(dialog));
    EXPECT_EQ(dialog.storeReads(), 2);
    EXPECT_EQ(dialog.records(), 40u);

    // Saved as the save dialog would; a file that cannot be written is told, nothing left behind.
    testing::TempDir out;
    EXPECT_TRUE(dialog.saveChartTo(QString::fromStdString((out / "g.jpg").string())));
    EXPECT_EQ(QImage(QString::fromStdString((out / "g.jpg").string())).size(), QSize(1024, 768));
    out.write("plain", "x");
    QString told;
    whenShown("graphMessage", [&](QWidget* w) {
        told = qobject_cast<QMessageBox*>(w)->text();
        qobject_cast<QMessageBox*>(w)->accept();
    });
    EXPECT_FALSE(dialog.saveChartTo(QString::fromStdString((out / "plain" / "g.png").string())));
    EXPECT_TRUE(told.startsWith("The picture ")) << told.toStdString();
}

TEST(GraphWindow, AnInvertedRangeFromHistoryNeverReachesTheChart) {
    GraphWorld g(english);
    const GraphStart inverted{4, QDate(2024, 3, 9), QTime(12, 0, 1), QDate(2024, 3, 9), QTime(12, 0, 0)};
    QString told;
    whenShown("graphMessage", [&](QWidget* w) {
        told = qobject_cast<QMessageBox*>(w)->text();
        qobject_cast<QMessageBox*>(w)->accept();
    });
    GraphDialog dialog(g.world.context(), UnitSelection{}, 0, inverted);
    EXPECT_EQ(told, "End time earlier than start time!");
    EXPECT_EQ(control<QComboBox>(&dialog, 1089)->currentIndex(), 4);
    EXPECT_TRUE(dialog.chart()->isEmpty());
    EXPECT_FALSE(dialog.keptRange().hasRange());
    EXPECT_EQ(dialog.storeReads(), 0);
    // Export before any search saves nothing and says why.
    told.clear();
    whenShown("graphMessage", [&](QWidget* w) {
        told = qobject_cast<QMessageBox*>(w)->text();
        qobject_cast<QMessageBox*>(w)->accept();
    });
    control<QPushButton>(&dialog, 1002)->click();
    EXPECT_EQ(told, "There is no graph to export yet: search a range of records first.");
    // The same second at both ends is a range.
    control<QDateEdit>(&dialog, 1091)->setDate(QDate(2024, 3, 9));
    control<QTimeEdit>(&dialog, 1092)->setTime(QTime(12, 0, 1));
    control<QPushButton>(&dialog, 3)->click();
    ASSERT_TRUE(settle(dialog));
    EXPECT_FALSE(dialog.chart()->isEmpty());
    EXPECT_EQ(dialog.chart()->model().time.max - dialog.chart()->model().time.min, kMinimumTimeSpan);
}

TEST(GraphWindow, PicturesOfEveryTypeInEnglishAndGerman) {
    for (int language : {english, german}) {
        GraphWorld g(language);
        UnitSelection units;
        units.outdoorTemperature = "°F";
        GraphDialog dialog(g.world.context(), units, 1, lastMonthGraphStart(kNow));
        dialog.resize(1000, 640);
        dialog.show();
        ASSERT_TRUE(settle(dialog));
        control<QComboBox>(&dialog, 1095)->setCurrentIndex(language == english ? 2 : 4);
        for (int t = 0; t < kChartTypes; ++t) {
            control<QComboBox>(&dialog, 1096)->setCurrentIndex(t);
            for (bool view3D : {false, true}) {
                control<QCheckBox>(&dialog, 1001)->setChecked(view3D);
                const QString name =
                    QStringLiteral("graph-%1-%2%3.png")
                        .arg(language == english ? "en" : "de")
                        .arg(QString::fromLatin1(chartTypeName(static_cast<ChartType>(t)).data()))
                        .arg(view3D ? "-3d" : "");
                ASSERT_TRUE(dialog.grab().save(testing::artifactPath(name)));
            }
        }
        EXPECT_EQ(dialog.storeReads(), 1);
    }
}

} // namespace
} // namespace nimbrel
