// The Climate window over a history file written here: it sums the days up off its thread, shows the
// same cells as nimbrel-cli summary, switches its months to years, and saves its report.
#include "app/language_table.h"
#include "tests/support/stationless_world.h"
#include "tests/support/when_shown.h"
#include "tests/ui/artifacts.h"
#include "ui/climate_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

std::string lineAt(const std::string& time, const std::string& temp) {
    return "   1, " + time + ", " + time + ",   5,     44,  20.0,   64, " + temp +
           ",   ---,   0.0,    1000.0,  1013.2,   1.0,    1,  2.0,    2,      8,      S,    2, \t\t37000,  3700.0,"
           "       0.2,     0.2,     0.0,     0.0,     0.0,      0.0,     ,   ,   ,   ,  0,  0,  0,  0,   000100\r\n";
}

QString cell(QTableView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
}

TEST(ClimateWindow, SumsTheHistoryUpAndSavesItsReport) {
    testing::StationlessWorld world(german);
    std::ofstream(world.folder / "Nimbrel.dat", std::ios::binary)
        << lineAt("2025-12-31 23:55:00", "-4.0") << lineAt("2026-01-01 10:00:00", "2.0")
        << lineAt("2026-01-01 14:00:00", "6.0");
    setenv("XDG_CACHE_HOME", (world.folder / "cache").c_str(), 1);
    ClimateDialog dialog(world.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.working(); }, 20000));
    EXPECT_EQ(dialog.findChild<QLabel*>("climateStatus")->text(), "2 Tage, 3 Datensätze");

    auto* days = dialog.findChild<QTableView*>("climateDays");
    ASSERT_EQ(days->model()->rowCount(), 2);
    EXPECT_EQ(days->model()->headerData(2, Qt::Horizontal).toString(), "Mittel");
    EXPECT_EQ(cell(days, 1, 0), "2026-01-01");
    EXPECT_EQ(cell(days, 1, 2), "4.0");
    EXPECT_EQ(cell(days, 1, 4), "14:00");

    auto* months = dialog.findChild<QTableView*>("climateMonths");
    dialog.findChild<QComboBox*>("climateMonthsBy")->setCurrentIndex(1);
    ASSERT_EQ(months->model()->rowCount(), 2);
    EXPECT_EQ(cell(months, 1, 0), "2026");
    EXPECT_EQ(months->model()->columnCount(), 29);

    auto* records = dialog.findChild<QTableWidget*>("climateRecords");
    EXPECT_EQ(records->item(1, 0)->text(), "Tiefste Temperatur");
    EXPECT_EQ(records->item(1, 1)->text(), "-4.0");

    // The report opens on the month of the newest day; a year is one switch away.
    EXPECT_TRUE(dialog.reportText().startsWith("MONATLICHER KLIMABERICHT 2026-01\n")) << dialog.reportText().toStdString();
    dialog.findChild<QComboBox*>("climateReportKind")->setCurrentIndex(1);
    EXPECT_TRUE(dialog.reportText().startsWith("JÄHRLICHER KLIMABERICHT 2026\n"));
    const std::string saved = (world.folder / "report.txt").string();
    ASSERT_TRUE(dialog.saveReportTo(QString::fromStdString(saved)));
    std::ifstream in(saved, std::ios::binary);
    EXPECT_EQ(QString::fromStdString(std::string(std::istreambuf_iterator<char>(in), {})), dialog.reportText());

    // Nimbrel's own files are never written over.
    QString told;
    testing::whenShown("climateMessage", [&](QWidget* w) {
        told = qobject_cast<QMessageBox*>(w)->text();
        qobject_cast<QMessageBox*>(w)->accept();
    });
    EXPECT_FALSE(dialog.saveReportTo(QString::fromStdString((world.folder / "Nimbrel.dat").string())));
    EXPECT_TRUE(told.contains("Konfigurationsdatei von Nimbrel")) << told.toStdString();
    dialog.grab().save(testing::artifactPath(QStringLiteral("climate-de.png")));
}

} // namespace
} // namespace nimbrel
