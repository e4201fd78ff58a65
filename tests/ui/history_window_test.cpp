// The History window and its Export dialog over history files written here line by line: the grid's
// model, opening from the Record menu, search, refresh and the refused range, Graph's hand-over, both
// clears, the export's file byte for byte, its refusals and stops, and pictures in English and German.
#include "app/history_columns.h"
#include "app/language_table.h"
#include "store/history_store.h"
#include "tests/support/test_station.h"
#include "presentation/record_builders.h"
#include "tests/support/when_shown.h"
#include "tests/support/cli_run.h"
#include "tests/support/stationless_world.h"
#include "tests/support/time_zone_scope.h"
#include "tests/ui/artifacts.h"
#include "ui/history_dialog.h"
#include "ui/history_model.h"
#include "ui/main_frame.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <span>
#include <sstream>

namespace nimbrel {
namespace {

using testing::artifactPath;
namespace fs = std::filesystem;

constexpr std::time_t kNow = 1710072000; // 2024-03-10 12:00:00 UTC

// A line of the history file (base units) with the fields the tests look at; the rest fixed.
std::string storeLine(int id, const char* saveTime, const char* indHumi, const char* indTemp) {
    char line[400];
    std::snprintf(
        line, sizeof line,
        "%4d, %s, %s,   5,     %s,  %s,   64,  14.0,   9.0,  13.0,    1003.7,  1011.7,    4.3,    2,"
        "  4.6,    3,      0,      N,    2,  37000,  3700.0,       0.0,     0.0,     0.0,     0.0,"
        "     0.0,      0.0,     ,   ,   ,   ,  1,  0,  0,  0,   000100\r\n",
        id, saveTime, saveTime, indHumi, indTemp);
    return line;
}
std::string fileText(const fs::path& path) {
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}
void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Forty morning records, then the last hour's edges: a second before it, its first and last second, a
// second after it.
std::string morningAndLastHour() {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2024-03-10 06:%02d:00", i);
        text += storeLine(i + 1, stamp, "50", "20.0");
    }
    return text + storeLine(41, "2024-03-10 10:59:59", "41", "19.0") +
           storeLine(42, "2024-03-10 11:00:00", "42", "21.5") +
           storeLine(43, "2024-03-10 11:30:00", "43", "---") +
           storeLine(44, "2024-03-10 12:00:00", "44", "22.0") +
           storeLine(45, "2024-03-10 12:00:01", "45", "23.0");
}

using testing::whenShown;
QMessageBox* box(QWidget* w) {
    return qobject_cast<QMessageBox*>(w);
}
template <class T> T* control(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QStringLiteral("c%1").arg(id));
}
void click(QWidget* dialog, int id) {
    control<QPushButton>(dialog, id)->click();
}
bool settle(const HistoryDialog& dialog) {
    return QTest::qWaitFor([&] { return !dialog.working(); }, 20000);
}
QString cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

// What the window said after a click: its question (answered with `reply`) and its message (caption
// and text), each "" when none came.
struct Told {
    QString questionCaption, question, caption, message;
};
Told clickAndTell(HistoryDialog& dialog, int id, QMessageBox::StandardButton reply = QMessageBox::Yes) {
    Told told;
    QPointer<QTimer> question = whenShown(QStringLiteral("historyQuestion"), [&told, reply](QWidget* w) {
        told.questionCaption = w->windowTitle();
        told.question = box(w)->text();
        box(w)->button(reply)->click();
    });
    QPointer<QTimer> message = whenShown(QStringLiteral("historyMessage"), [&told](QWidget* w) {
        told.caption = w->windowTitle();
        told.message = box(w)->text();
        box(w)->button(QMessageBox::Ok)->click();
    });
    click(&dialog, id);
    EXPECT_TRUE(settle(dialog)); // a message of the work comes before the window is idle again
    QTest::qWait(20);
    delete question;
    delete message;
    return told;
}

// Export... with `choose` acting on the Export dialog, then `target` typed into the file dialog as a user
// would (a file that exists is replaced when the file dialog asks).
void exportThrough(HistoryDialog& dialog, const std::function<void(QWidget*)>& choose,
                   const fs::path& target) {
    whenShown(QStringLiteral("exportDialog"), [choose, target](QWidget* exportDialog) {
        whenShown(QStringLiteral("exportFileDialog"), [target](QWidget* w) {
            if (fs::exists(target))
                whenShown([](QWidget* q) { return box(q) && qobject_cast<QFileDialog*>(q->parentWidget()); },
                          [](QWidget* q) { box(q)->button(QMessageBox::Yes)->click(); });
            w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(target));
            static_cast<QDialog*>(w)->accept(); // QFileDialog::accept, as its Save button does
        });
        choose(exportDialog);
    });
    click(&dialog, 1002);
}

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.clock.set(Clock::TimePoint(std::chrono::seconds(kNow)));
        writeFile(storePath(), morningAndLastHour());
    }
    fs::path storePath() const { return world.folder / "Nimbrel.dat"; }

    testing::TimeZoneScope zone{"UTC0"};
    testing::StationlessWorld world{english};
};

TEST(HistoryModel, CellsComeFromTheirOwnRowOnEveryPageInTheWindowsUnits) {
    testing::TempDir folder;
    std::string text;
    for (int i = 0; i < 300; ++i) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2024-03-09 %02d:%02d:00", i / 60, i % 60);
        text += storeLine(i + 1, stamp, "50", i == 0 ? "22.0" : "20.0");
    }
    writeFile(folder / "Nimbrel.dat", text);
    HistoryStore store((folder / "Nimbrel.dat").string());
    UnitSelection units;
    units.indoorTemperature = "°F";
    units.dateFormat = 2; // day-month-year
    units.timeFormat = 1; // 12-hour clock
    HistoryTitles titles;
    titles[4] = "Indoor Temperature(°F)";
    HistoryModel model(units, titles);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    model.setRange(std::make_shared<const RecordRange>(store.findRecordsInRange("2024-03-09 00:00:00", "~")));
    ASSERT_EQ(model.rowCount(), 300);
    EXPECT_EQ(model.columnCount(), 35);
    EXPECT_EQ(model.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Indoor Temperature(°F)"));
    EXPECT_EQ(cell(model, 0, 1), QStringLiteral("09-03-2024 12:00AM"));
    EXPECT_EQ(cell(model, 0, 4), QStringLiteral("71.6")); // 22.0 °C
    EXPECT_EQ(cell(model, 0, 30), QStringLiteral("1"));   // flag5: the wind's error bit
    // Either side of a page's edge, and back to the first page after the last.
    EXPECT_EQ(cell(model, 255, 34), QStringLiteral("2024-03-09 04:15:00"));
    EXPECT_EQ(cell(model, 256, 34), QStringLiteral("2024-03-09 04:16:00"));
    EXPECT_EQ(cell(model, 299, 0), QStringLiteral("300"));
    EXPECT_EQ(cell(model, 299, 1), QStringLiteral("09-03-2024 04:59AM"));
    EXPECT_EQ(cell(model, 1, 34), QStringLiteral("2024-03-09 00:01:00"));
    EXPECT_EQ(model.data(model.index(7, 9), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::Alignment(Qt::AlignCenter));
    EXPECT_FALSE(model.data(model.index(300, 0)).isValid());
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
}

// A measurement rather than a test: a screenful anywhere in a large result, on the file that
// NIMBREL_HISTORY_FILE names (nimbrel-gen-store --years 10 makes one); skipped without it. After a search
// over all of it, 40 rows of cells are built at places never shown (their page read within the time),
// and the grid is drawn at a place next to each.
TEST(HistoryModel, ScreenfulAnywhereInALargeResultIsQuick) {
    const QString file = qEnvironmentVariable("NIMBREL_HISTORY_FILE");
    if (file.isEmpty()) GTEST_SKIP() << "set NIMBREL_HISTORY_FILE to a large history file to time this";
    testing::StationlessWorld world(english);
    HistoryStore store(file.toStdString());
    HistoryDialog dialog({world.config, world.texts, *world.station, store, world.clock, world.folder.path()},
                         {});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    control<QDateEdit>(&dialog, 1088)->setDate(QDate(2000, 1, 1));
    control<QDateEdit>(&dialog, 1091)->setDate(QDate(2099, 12, 31));
    click(&dialog, 3);
    ASSERT_TRUE(settle(dialog));
    const HistoryModel& model = *dialog.model();
    const int last = model.rowCount() - 40;
    ASSERT_GT(last, 2000);
    for (int at : {1000, last / 2, last - 1000}) {
        QElapsedTimer timer;
        timer.start();
        for (int row = at; row < at + 40; ++row)
            for (int column = 0; column < 35; ++column) model.data(model.index(row, column));
        const double cells = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        control<QTableView>(&dialog, 1025)
            ->scrollTo(model.index(at + 600, 0), QAbstractItemView::PositionAtTop);
        timer.restart();
        control<QTableView>(&dialog, 1025)->viewport()->grab();
        std::printf("row %d of %d: 40 x 35 cells built in %.2f ms; row %d: grid drawn in %.2f ms\n", at,
                    model.rowCount(), cells, at + 600, static_cast<double>(timer.nsecsElapsed()) / 1e6);
        EXPECT_LT(cells, 16.0) << at; // Qt's drawing varies with the machine's load: printed only
    }
}

// Opening lists the last hour, its first and last second included, newest at the bottom; a period
// choice moves only the pickers; Search says it searches, then lists the range and scrolls to its end;
// Graph... hands the period and the pickers to the Graph window.
TEST_F(HistoryWindowTest, OpensFromTheRecordMenuOnTheLastHourAndSearchesAPeriod) {
    MainFrame frame(world.context());
    bool checked = false;
    bool graphShown = false;
    QTimer::singleShot(0, &frame, [&] {
        auto* dialog = qobject_cast<HistoryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(settle(*dialog));
        checked = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("History Data"));
        EXPECT_EQ(control<QComboBox>(dialog, 1089)->currentText(), QStringLiteral("an hour"));
        EXPECT_EQ(control<QTimeEdit>(dialog, 1090)->text(), QStringLiteral("11:00:00"));
        const HistoryModel& model = *dialog->model();
        ASSERT_EQ(model.rowCount(), 3);
        EXPECT_EQ(cell(model, 0, 3), QStringLiteral("42"));
        EXPECT_EQ(cell(model, 2, 1), QStringLiteral("2024-03-10 12:00"));
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("historyStatus"))->text(),
                  QStringLiteral("3 records"));
        auto* grid = control<QTableView>(dialog, 1025);
        EXPECT_EQ(grid->horizontalHeader()->sectionSize(21), 0); // out of sight, yet there to drag open
        EXPECT_FALSE(grid->horizontalHeader()->isSectionHidden(21));
        EXPECT_TRUE(control<QPushButton>(dialog, 5)->isEnabled());
        dialog->grab().save(artifactPath(QStringLiteral("history-en.png")));

        control<QComboBox>(dialog, 1089)->setCurrentIndex(1); // 24 hours
        EXPECT_EQ(control<QDateEdit>(dialog, 1088)->text(), QStringLiteral("2024-03-09"));
        EXPECT_EQ(model.rowCount(), 3);
        click(dialog, 3);
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("historyStatus"))->text(),
                  QStringLiteral("Searching the history…"));
        EXPECT_FALSE(control<QPushButton>(dialog, 1029)->isEnabled());
        EXPECT_EQ(model.rowCount(), 0);
        ASSERT_TRUE(settle(*dialog));
        EXPECT_EQ(model.rowCount(), 44);
        EXPECT_GT(grid->verticalScrollBar()->maximum(), 0);
        EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());

        // Graph... closes the window; the Graph window opens on its period and pickers.
        whenShown(QStringLiteral("graphDialog"), [&, history = QPointer<HistoryDialog>(dialog)](QWidget* graph) {
            graphShown = true;
            EXPECT_TRUE(history.isNull() || !history->isVisible());
            EXPECT_EQ(control<QComboBox>(graph, 1089)->currentText(), QStringLiteral("24 hours"));
            EXPECT_EQ(control<QDateEdit>(graph, 1088)->text(), QStringLiteral("2024-03-09"));
            EXPECT_EQ(control<QTimeEdit>(graph, 1092)->text(), QStringLiteral("12:00:00"));
            static_cast<QDialog*>(graph)->reject();
        });
        click(dialog, 5);
    });
    frame.findChild<QAction*>(QStringLiteral("c32785"))->trigger();
    EXPECT_TRUE(checked);
    EXPECT_TRUE(graphShown);
}

// An end one second before the start is refused and changes nothing: Refresh then repeats the range
// last accepted, read afresh. Equal start and end list that second. Graph... closes the window and
// hands over the period and the pickers (here month-day-year and the 12-hour clock).
TEST_F(HistoryWindowTest, RefusedRangeKeepsTheGridAndTheRangeOfRefreshAndGraph) {
    UnitSelection units;
    units.dateFormat = 1;
    units.timeFormat = 1;
    HistoryDialog dialog(world.context(), units);
    std::optional<PickedRange> handed;
    dialog.setGraphOpener([&](const PickedRange& range) { handed = range; });
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    EXPECT_EQ(control<QDateEdit>(&dialog, 1088)->text(), QStringLiteral("03-10-2024"));
    EXPECT_EQ(control<QTimeEdit>(&dialog, 1090)->text(), QStringLiteral("11:00:00AM"));
    EXPECT_EQ(control<QTimeEdit>(&dialog, 1092)->text(), QStringLiteral("12:00:00PM"));

    control<QTimeEdit>(&dialog, 1090)->setTime(QTime(12, 0, 1));
    const Told refused = clickAndTell(dialog, 3);
    EXPECT_EQ(refused.message, QStringLiteral("End time earlier than start time!"));
    EXPECT_EQ(refused.caption, QStringLiteral("Nimbrel Radio Controlled"));
    EXPECT_EQ(dialog.model()->rowCount(), 3);
    EXPECT_EQ(dialog.keptRange().from(), "2024-03-10 11:00:00");
    EXPECT_EQ(dialog.keptRange().to(), "2024-03-10 12:00:00");
    std::ofstream(storePath(), std::ios::app) << storeLine(46, "2024-03-10 11:45:00", "46", "21.0");
    EXPECT_EQ(clickAndTell(dialog, 1029).message, QString());
    ASSERT_EQ(dialog.model()->rowCount(), 4);
    EXPECT_EQ(cell(*dialog.model(), 3, 3), QStringLiteral("46"));

    control<QTimeEdit>(&dialog, 1090)->setTime(QTime(11, 30, 0));
    control<QTimeEdit>(&dialog, 1092)->setTime(QTime(11, 30, 0));
    click(&dialog, 3);
    ASSERT_TRUE(settle(dialog));
    ASSERT_EQ(dialog.model()->rowCount(), 1);
    EXPECT_EQ(cell(*dialog.model(), 0, 34), QStringLiteral("2024-03-10 11:30:00"));

    control<QComboBox>(&dialog, 1089)->setCurrentIndex(2); // a week
    click(&dialog, 5);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(handed.has_value()); // only once the window has closed
    dialog.openChosenGraph();
    ASSERT_TRUE(handed.has_value());
    EXPECT_EQ(handed->period, 2);
    EXPECT_EQ(QDateTime(handed->startDate, handed->startTime), QDateTime(QDate(2024, 3, 3), QTime(12, 0)));
    EXPECT_EQ(QDateTime(handed->endDate, handed->endTime), QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
}

// Both clears ask first. Clear Data empties the grid only once the file is empty; a clear or a read that
// fails is told, and a failed read leaves no rows of the search before. Clear Memory takes the station
// like every other caller and says "Can't communicate with device!" when it stays busy through three
// waits of 1 s or is not there.
TEST_F(HistoryWindowTest, ClearsAskFirstAndTellWhatFailed) {
    testing::TestStation station;
    station.setRecordCount(0x0123);
    station.connect();
    station.clock.set(Clock::TimePoint(std::chrono::seconds(kNow)));
    HistoryDialog dialog(
        {world.config, world.texts, *station.access, *world.store, station.clock, world.folder.path()},
        UnitSelection{});
    ASSERT_TRUE(settle(dialog));
    const std::string before = fileText(storePath());
    const Told no = clickAndTell(dialog, 1019, QMessageBox::No);
    EXPECT_EQ(no.question, QStringLiteral("Do you want to clear all data on PC?"));
    EXPECT_EQ(no.questionCaption, QStringLiteral("Operation Notify"));
    EXPECT_EQ(dialog.model()->rowCount(), 3);
    EXPECT_EQ(fileText(storePath()), before);
    EXPECT_EQ(clickAndTell(dialog, 1019).message, QString());
    EXPECT_EQ(dialog.model()->rowCount(), 0);
    EXPECT_EQ(fs::file_size(storePath()), 0u);

    writeFile(storePath(), before);
    clickAndTell(dialog, 1029);
    ASSERT_EQ(dialog.model()->rowCount(), 3);
    fs::remove(storePath());
    fs::create_symlink(storePath(), storePath()); // a link to itself: nothing can open it
    const QString path = QString::fromStdString(storePath().string());
    EXPECT_EQ(
        clickAndTell(dialog, 1019).message,
        QStringLiteral("The history file %1 could not be emptied: Too many levels of symbolic links. Its "
                       "records are kept.")
            .arg(path));
    EXPECT_EQ(dialog.model()->rowCount(), 3);
    EXPECT_EQ(
        clickAndTell(dialog, 1029).message,
        QStringLiteral("The history file %1 could not be read: Too many levels of symbolic links").arg(path));
    EXPECT_EQ(dialog.model()->rowCount(), 0);
    fs::remove(storePath());

    EXPECT_EQ(clickAndTell(dialog, 1031, QMessageBox::No).question,
              QStringLiteral("Do you want to clear memory on the device?"));
    EXPECT_EQ(station.memory()[0x1B], 0x23);
    EXPECT_EQ(clickAndTell(dialog, 1031).message, QString());
    EXPECT_EQ(std::vector<int>({station.memory()[0x1A], station.memory()[0x1B], station.memory()[0x1C]}),
              std::vector<int>({0xAA, 0x00, 0x00}));
    ASSERT_TRUE(station.access->busy().tryTake());
    const std::size_t slept = station.clock.sleeps().size();
    EXPECT_EQ(clickAndTell(dialog, 1031).message, QStringLiteral("Can't communicate with device!"));
    EXPECT_EQ(station.clock.sleeps().size(), slept + 3);
    EXPECT_EQ(station.clock.sleeps().back(), std::chrono::milliseconds(1000));
    station.access->busy().release();
    HistoryDialog stationless(world.context(), UnitSelection{});
    ASSERT_TRUE(settle(stationless));
    EXPECT_EQ(clickAndTell(stationless, 1031).message, QStringLiteral("Can't communicate with device!"));
}

// The list in a chosen order and selection, UP and Down at the list's ends, the header, a typed separator
// holding a keyword: the file holds exactly these bytes.
TEST_F(HistoryWindowTest, ExportWritesTheChosenColumnsInTheChosenOrder) {
    HistoryDialog dialog(world.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    QStringList start;
    exportThrough(
        dialog,
        [&](QWidget* d) {
            QListWidget* list = control<QListWidget>(d, 1091);
            for (int i = 0; i < 5; ++i) start << list->item(i)->text();
            EXPECT_EQ(list->count(), 22);
            EXPECT_EQ(list->selectedItems().size(), 22);
            d->grab().save(artifactPath(QStringLiteral("export-en.png")));
            list->clearSelection();
            for (int i : {0, 2, 3, 4})
                list->item(i)->setSelected(true); // No, interval, humidity, temperature
            for (auto [row, button] :
                 std::initializer_list<std::pair<int, int>>{{0, 3}, {3, 3}, {1, 4}, {21, 4}}) {
                list->setCurrentRow(row, QItemSelectionModel::NoUpdate);
                click(d, button); // UP on the first and Down on the last move nothing
            }
            EXPECT_EQ(list->item(1)->text(), QStringLiteral("4.Indoor Humidity(%)"));
            EXPECT_TRUE(list->item(1)->isSelected());
            EXPECT_EQ(list->item(2)->text(), QStringLiteral("2.Time"));
            EXPECT_FALSE(list->item(2)->isSelected());
            EXPECT_EQ(list->item(21)->text(), QStringLiteral("23.condition"));
            control<QCheckBox>(d, 1009)->setChecked(true);
            control<QComboBox>(d, 1090)->setEditText(QStringLiteral(";BLANK"));
            click(d, 1);
        },
        world.folder / "out.txt");
    ASSERT_TRUE(settle(dialog));
    EXPECT_EQ(start, QStringList({"1.No", "2.Time", "3.Interval(mi)", "4.Indoor Humidity(%)",
                                  "5.Indoor Temperature(°C)"}));
    EXPECT_EQ(fileText(world.folder / "out.txt"),
              "No; Indoor Humidity(%); Interval(mi); Indoor Temperature(\u00B0C)\r\n"
              "1; 42; 5; 21.5\r\n"
              "2; 43; 5; ---\r\n"
              "3; 44; 5; 22.0\r\n");
}

TEST_F(HistoryWindowTest, ExportOffersTheColumnsTheUserLeftOpen) {
    HistoryDialog dialog(world.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    QHeaderView* header = control<QTableView>(&dialog, 1025)->horizontalHeader();
    header->resizeSection(21, 60); // the rain counter, closed at first, dragged open
    header->resizeSection(2, 0);   // the interval closed to nothing
    QStringList offered;
    whenShown(QStringLiteral("exportDialog"), [&](QWidget* d) {
        QListWidget* list = control<QListWidget>(d, 1091);
        for (int i = 0; i < list->count(); ++i) offered << list->item(i)->text().section('.', 0, 0);
        static_cast<QDialog*>(d)->reject();
    });
    click(&dialog, 1002);
    EXPECT_EQ(offered.size(), 22);
    EXPECT_FALSE(offered.contains(QStringLiteral("3")));
    EXPECT_EQ(offered.mid(19), QStringList({"21", "22", "23"}));
}

// The command-line twin writes the very bytes of the dialog for the same grid and choices: the dialog's
// default columns, the header, the station's settings (°F, inHg, km/h, day-month-year, 12-hour clock).
TEST_F(HistoryWindowTest, TheCommandLineExportWritesTheDialogsBytes) {
    const std::string settingsHex = "55AA" + std::string(28, '0') + "05430284" + std::string(24, '0');
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < settingsHex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(settingsHex.substr(i, 2), nullptr, 16)));
    StationSettings settings;
    decodeSettings(std::span<const std::uint8_t, kSettingsLength>(bytes.data(), kSettingsLength), settings);

    HistoryDialog dialog(world.context(), unitSelectionOf(settings));
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    exportThrough(
        dialog,
        [](QWidget* d) {
            control<QCheckBox>(d, 1009)->setChecked(true);
            click(d, 1);
        },
        world.folder / "dialog.txt");
    ASSERT_TRUE(settle(dialog));
    const std::string fromDialog = fileText(world.folder / "dialog.txt");
    ASSERT_NE(fromDialog.find("\t10-03-2024 11:00AM\t5\t42\t70.7\t64\t57.2\t29.64\t15.5\t"), std::string::npos)
        << fromDialog;

    const auto twin = testing::runShell(std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli export --dir " +
                                        world.folder.path().string() + " --settings " + settingsHex +
                                        " --from '2024-03-10 11:00:00' --to '2024-03-10 12:00:00' --header --out " +
                                        (world.folder / "twin.txt").string());
    ASSERT_EQ(twin.status, 0) << twin.out;
    EXPECT_EQ(fileText(world.folder / "twin.txt"), fromDialog);
}

// In German: nothing selected says "Please select data!" and the dialog stays; the history file and
// the configuration as targets are refused and left as they were.
TEST_F(HistoryWindowTest, GermanWindowRefusesAnEmptyChoiceAndTheProgramsOwnFiles) {
    testing::StationlessWorld de(german);
    de.clock.set(Clock::TimePoint(std::chrono::seconds(kNow)));
    writeFile(de.folder / "Nimbrel.dat", morningAndLastHour());
    writeFile(de.folder / "Nimbrel.ini", "[Communication]\r\nLanguage=German\r\n");
    HistoryDialog dialog(de.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Verlaufsdaten"));
    EXPECT_EQ(dialog.model()->headerData(4, Qt::Horizontal).toString(),
              QStringLiteral("Innen-Temperatur(°C)"));
    dialog.grab().save(artifactPath(QStringLiteral("history-de.png")));

    QString caption, text;
    bool stayed = false;
    whenShown(QStringLiteral("exportDialog"), [&](QWidget* d) {
        EXPECT_EQ(control<QListWidget>(d, 1091)->item(4)->text(), QStringLiteral("5.Innen-Temperatur(°C)"));
        d->grab().save(artifactPath(QStringLiteral("export-de.png")));
        control<QListWidget>(d, 1091)->clearSelection();
        whenShown(QStringLiteral("exportMessage"), [&](QWidget* w) {
            caption = w->windowTitle();
            text = box(w)->text();
            box(w)->button(QMessageBox::Ok)->click();
        });
        click(d, 1);
        stayed = d->isVisible();
        click(d, 2);
    });
    click(&dialog, 1002);
    EXPECT_EQ(text, QStringLiteral("Bitte wählen Sie Daten aus!"));
    EXPECT_EQ(caption, QStringLiteral("Hinweis"));
    EXPECT_TRUE(stayed);

    for (const fs::path& own : {de.folder / "Nimbrel.dat", de.folder / "Nimbrel.ini"}) {
        const std::string before = fileText(own);
        QString refusal;
        whenShown(QStringLiteral("historyMessage"), [&](QWidget* w) {
            refusal = box(w)->text();
            box(w)->button(QMessageBox::Ok)->click();
        });
        exportThrough(
            dialog, [](QWidget* d) { click(d, 1); }, own);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !refusal.isEmpty(); }, 10000));
        EXPECT_EQ(refusal, QStringLiteral(
                               "%1 ist die Verlaufs- oder Konfigurationsdatei von Nimbrel. Bitte wählen Sie "
                               "eine andere Datei für den Export.")
                               .arg(QString::fromStdString(own.string())));
        EXPECT_EQ(fileText(own), before);
    }
}

// An export stopped by the progress dialog's Cancel, or by the window closing under it, leaves the old
// file as it was and nothing beside it, and tells nothing.
TEST_F(HistoryWindowTest, StoppedExportKeepsTheOldFile) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += storeLine(i + 1, "2024-03-10 11:30:00", "50", "20.0");
    writeFile(storePath(), text);
    const fs::path target = world.folder / "out.txt";
    writeFile(target, "old\r\n");
    QString told;
    QPointer<QTimer> watch = whenShown(QStringLiteral("historyMessage"), [&](QWidget* w) {
        told = box(w)->text();
        w->close();
    });
    auto dialog = std::make_unique<HistoryDialog>(world.context(), UnitSelection{});
    dialog->show();
    ASSERT_TRUE(settle(*dialog));
    ASSERT_EQ(dialog->model()->rowCount(), 100000);

    exportThrough(
        *dialog, [](QWidget* d) { click(d, 1); }, target);
    ASSERT_TRUE(dialog->working());
    auto* progress = dialog->findChild<QProgressDialog*>(QStringLiteral("exportProgress"));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->labelText(), QStringLiteral("Exporting to out.txt…"));
    progress->findChild<QPushButton*>()->click();
    ASSERT_TRUE(settle(*dialog));
    EXPECT_EQ(dialog->findChild<QProgressDialog*>(), nullptr);
    EXPECT_TRUE(fileText(target) == "old\r\n"); // not EXPECT_EQ: a failure would print the whole export

    exportThrough(
        *dialog, [](QWidget* d) { click(d, 1); }, target);
    ASSERT_TRUE(dialog->working());
    dialog.reset();
    QTest::qWait(50);
    delete watch;
    EXPECT_EQ(told, QString());
    EXPECT_TRUE(fileText(target) == "old\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(world.folder.path()), fs::directory_iterator()), 2);
}

} // namespace
} // namespace nimbrel
