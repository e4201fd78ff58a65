// The History window and its Export dialog over a history file written here line by line: the grid's
// model, opening from the Record menu, search and refresh, the refused range, both clears, the export's
// file byte for byte, its refusals, and pictures in English and German.
#include "app/history_columns.h"
#include "app/language_table.h"
#include "store/history_store.h"
#include "tests/core/acquisition_test_station.h"
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
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

namespace nimbrel {
namespace {

using testing::artifactPath;
namespace fs = std::filesystem;

// 2024-03-10 12:00:00 UTC.
constexpr std::time_t kNow = 1710072000;

// One line of the history file (base units) with the fields these tests look at; the rest fixed.
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
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Forty records in the morning, then the last hour's edges: one second before it, its first and last
// second, one second after it.
std::string morningAndLastHour() {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2024-03-10 06:%02d:00", i);
        text += storeLine(i + 1, stamp, "50", "20.0");
    }
    text += storeLine(41, "2024-03-10 10:59:59", "41", "19.0");
    text += storeLine(42, "2024-03-10 11:00:00", "42", "21.5");
    text += storeLine(43, "2024-03-10 11:30:00", "43", "---");
    text += storeLine(44, "2024-03-10 12:00:00", "44", "22.0");
    text += storeLine(45, "2024-03-10 12:00:01", "45", "23.0");
    return text;
}

// Runs `act` once on the first visible window that `match` accepts; a modal loop runs meanwhile.
// The watch ends by itself once it acted; delete the timer to end it before.
QTimer* whenShown(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, match, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && match(w)) {
                timer->stop();
                timer->deleteLater();
                act(w);
                return;
            }
        }
    });
    timer->start();
    return timer;
}
QTimer* whenShown(const QString& name, std::function<void(QWidget*)> act) {
    return whenShown([name](QWidget* w) { return w->objectName() == name; }, std::move(act));
}
// Answers the next message box of that name and keeps its caption and text.
void answer(const QString& name, QMessageBox::StandardButton button, QString* caption = nullptr,
            QString* text = nullptr) {
    whenShown(name, [=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        if (caption) *caption = box->windowTitle();
        if (text) *text = box->text();
        box->button(button)->click();
    });
}

template <class T> T* control(QWidget* dialog, int id) {
    T* found = dialog->findChild<T*>(QStringLiteral("c%1").arg(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
}
void click(QWidget* dialog, int id) {
    control<QPushButton>(dialog, id)->click();
}
bool settle(const HistoryDialog& dialog) {
    return QTest::qWaitFor([&] { return !dialog.working(); }, 10000);
}
QString cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
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
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 35);

    model.setRange(std::make_shared<const RecordRange>(
        store.findRecordsInRange("2024-03-09 00:00:00", "2024-03-09 23:59:59")));
    ASSERT_EQ(model.rowCount(), 300);
    EXPECT_EQ(model.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Indoor Temperature(°F)"));
    EXPECT_EQ(cell(model, 0, 0), QStringLiteral("1"));
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
    // Outside the grid: nothing.
    EXPECT_FALSE(model.data(model.index(300, 0)).isValid());
    EXPECT_FALSE(model.index(0, 35).isValid());
    EXPECT_FALSE(model.headerData(35, Qt::Horizontal).isValid());

    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.range()->size(), 0u);
}

// A screenful anywhere in a ten-year result, timed on the file that NIMBREL_HISTORY_FILE names (made by
// nimbrel-gen-store --years 10); skipped without it. The window searches all of it; then at three places
// nobody looked at yet the cells of 40 rows are built (their page read and parsed within the time), and
// the grid is drawn at a fourth place next to each.
TEST(HistoryModel, ScreenfulAnywhereInALargeResultIsQuick) {
    const QString file = qEnvironmentVariable("NIMBREL_HISTORY_FILE");
    if (file.isEmpty()) GTEST_SKIP() << "set NIMBREL_HISTORY_FILE to a large history file to time this";
    testing::StationlessWorld world(english);
    HistoryStore store(file.toStdString());
    const AppContext context{world.config, world.texts, *world.station,
                             store,        world.clock, world.folder.path()};
    HistoryDialog dialog(context, UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    control<QDateEdit>(&dialog, 1088)->setDate(QDate(2000, 1, 1));
    control<QDateEdit>(&dialog, 1091)->setDate(QDate(2099, 12, 31));
    QElapsedTimer timer;
    timer.start();
    click(&dialog, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.working(); }, 120000));
    std::printf("search over everything: %d rows in %.0f ms\n", dialog.model()->rowCount(),
                static_cast<double>(timer.elapsed()));

    const HistoryModel& model = *dialog.model();
    auto* grid = control<QTableView>(&dialog, 1025);
    constexpr int kRows = 40;
    const int last = model.rowCount() - kRows;
    ASSERT_GT(last, 2000);
    for (int at : {1000, last / 2, last - 1000}) {
        timer.restart();
        for (int row = at; row < at + kRows; ++row)
            for (int column = 0; column < model.columnCount(); ++column) model.data(model.index(row, column));
        const double cells = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const int other = at + 600;
        grid->scrollTo(model.index(other, 0), QAbstractItemView::PositionAtTop);
        timer.restart();
        const QPixmap picture = grid->viewport()->grab();
        const double drawn = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        std::printf("row %d: 40 rows x 35 cells built in %.2f ms; row %d: the grid drawn in %.2f ms\n", at,
                    cells, other, drawn);
        // Qt's own drawing of the text takes most of the second figure and varies with the machine's
        // load, so only the model's part is held to the frame time.
        EXPECT_LT(cells, 16.0) << at;
    }
}

// Opening lists the last hour, its first and last second included, newest at the bottom; a period
// choice moves only the pickers; Search lists the new range and scrolls to its end.
TEST_F(HistoryWindowTest, OpensFromTheRecordMenuOnTheLastHourAndSearchesAPeriod) {
    MainFrame frame(world.context());
    QAction* command = frame.findChild<QAction*>(QStringLiteral("c32785"));
    ASSERT_NE(command, nullptr);
    bool checked = false;
    QTimer::singleShot(0, &frame, [&] {
        auto* dialog = qobject_cast<HistoryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(settle(*dialog));
        checked = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("History Data"));
        EXPECT_TRUE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(control<QComboBox>(dialog, 1089)->currentText(), QStringLiteral("an hour"));
        EXPECT_EQ(control<QDateEdit>(dialog, 1088)->text(), QStringLiteral("2024-03-10"));
        EXPECT_EQ(control<QTimeEdit>(dialog, 1090)->text(), QStringLiteral("11:00:00"));
        EXPECT_EQ(control<QTimeEdit>(dialog, 1092)->text(), QStringLiteral("12:00:00"));
        const HistoryModel& model = *dialog->model();
        ASSERT_EQ(model.rowCount(), 3);
        EXPECT_EQ(cell(model, 0, 3), QStringLiteral("42"));
        EXPECT_EQ(cell(model, 1, 4), QStringLiteral("---"));
        EXPECT_EQ(cell(model, 2, 0), QStringLiteral("3"));
        EXPECT_EQ(cell(model, 2, 1), QStringLiteral("2024-03-10 12:00"));
        EXPECT_EQ(cell(model, 2, 4), QStringLiteral("22.0"));
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("historyStatus"))->text(),
                  QStringLiteral("3 records"));
        // Hidden columns have width 0 and can still be dragged open; none is sorted or fitted.
        auto* grid = control<QTableView>(dialog, 1025);
        EXPECT_EQ(grid->horizontalHeader()->sectionSize(21), 0);
        EXPECT_FALSE(grid->horizontalHeader()->isSectionHidden(21));
        EXPECT_EQ(grid->horizontalHeader()->sectionSize(4), 180);
        EXPECT_TRUE(grid->horizontalHeader()->sectionsMovable());
        EXPECT_FALSE(control<QPushButton>(dialog, 5)->isEnabled()); // no Graph window yet
        dialog->grab().save(artifactPath(QStringLiteral("history-en.png")));

        control<QComboBox>(dialog, 1089)->setCurrentIndex(1); // 24 hours
        EXPECT_EQ(control<QDateEdit>(dialog, 1088)->text(), QStringLiteral("2024-03-09"));
        EXPECT_EQ(control<QTimeEdit>(dialog, 1090)->text(), QStringLiteral("12:00:00"));
        EXPECT_EQ(model.rowCount(), 3);
        click(dialog, 3);
        // Until the store answers the window says so, and takes no other command.
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("historyStatus"))->text(),
                  QStringLiteral("Searching the history…"));
        EXPECT_FALSE(control<QPushButton>(dialog, 1029)->isEnabled());
        EXPECT_EQ(model.rowCount(), 0);
        ASSERT_TRUE(settle(*dialog));
        EXPECT_EQ(model.rowCount(), 44);
        QScrollBar* bar = grid->verticalScrollBar();
        EXPECT_GT(bar->maximum(), 0);
        EXPECT_EQ(bar->value(), bar->maximum());
        control<QComboBox>(dialog, 1089)->setCurrentIndex(4); // user defined: an hour again
        EXPECT_EQ(control<QTimeEdit>(dialog, 1090)->text(), QStringLiteral("11:00:00"));
        dialog->reject();
    });
    command->trigger();
    EXPECT_TRUE(checked);
}

// An end one second before the start is refused and changes nothing: Refresh then repeats the range
// last accepted, read afresh. Start and end equal list that second.
TEST_F(HistoryWindowTest, RefusedRangeKeepsTheGridAndTheRangeOfRefresh) {
    HistoryDialog dialog(world.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    ASSERT_EQ(dialog.model()->rowCount(), 3);

    control<QDateEdit>(&dialog, 1088)->setDate(QDate(2024, 3, 10));
    control<QTimeEdit>(&dialog, 1090)->setTime(QTime(12, 0, 1));
    QString caption, text;
    answer(QStringLiteral("historyMessage"), QMessageBox::Ok, &caption, &text);
    click(&dialog, 3);
    EXPECT_EQ(text, QStringLiteral("End time earlier than start time!"));
    EXPECT_EQ(caption, QStringLiteral("Nimbrel Radio Controlled"));
    EXPECT_FALSE(dialog.working());
    EXPECT_EQ(dialog.model()->rowCount(), 3);
    EXPECT_EQ(dialog.keptRange().from(), "2024-03-10 11:00:00");
    EXPECT_EQ(dialog.keptRange().to(), "2024-03-10 12:00:00");

    // A record saved since, inside the kept range: Refresh finds it.
    std::ofstream(storePath(), std::ios::binary | std::ios::app)
        << storeLine(46, "2024-03-10 11:45:00", "46", "21.0");
    click(&dialog, 1029);
    ASSERT_TRUE(settle(dialog));
    ASSERT_EQ(dialog.model()->rowCount(), 4);
    EXPECT_EQ(cell(*dialog.model(), 3, 3), QStringLiteral("46"));

    control<QTimeEdit>(&dialog, 1090)->setTime(QTime(11, 30, 0));
    control<QTimeEdit>(&dialog, 1092)->setTime(QTime(11, 30, 0));
    click(&dialog, 3);
    ASSERT_TRUE(settle(dialog));
    ASSERT_EQ(dialog.model()->rowCount(), 1);
    EXPECT_EQ(cell(*dialog.model(), 0, 34), QStringLiteral("2024-03-10 11:30:00"));
}

// With a Graph window to open, Graph... closes the window and then hands over the period choice and the
// four pickers as shown (here month-day-year and the 12-hour clock).
TEST_F(HistoryWindowTest, GraphHandsOverThePeriodAndThePickersOnceTheWindowClosed) {
    UnitSelection units;
    units.dateFormat = 1;
    units.timeFormat = 1;
    std::optional<HistoryGraphRange> handed;
    bool windowGone = false;
    whenShown(QStringLiteral("historyDialog"), [](QWidget* dialog) {
        ASSERT_TRUE(settle(*qobject_cast<HistoryDialog*>(dialog)));
        EXPECT_EQ(control<QDateEdit>(dialog, 1088)->text(), QStringLiteral("03-10-2024"));
        EXPECT_EQ(control<QTimeEdit>(dialog, 1090)->text(), QStringLiteral("11:00:00AM"));
        EXPECT_EQ(control<QTimeEdit>(dialog, 1092)->text(), QStringLiteral("12:00:00PM"));
        control<QComboBox>(dialog, 1089)->setCurrentIndex(2); // a week
        ASSERT_TRUE(control<QPushButton>(dialog, 5)->isEnabled());
        click(dialog, 5);
    });
    openHistoryWindow(world.context(), units, nullptr, [&](const HistoryGraphRange& range) {
        handed = range;
        windowGone = QApplication::activeModalWidget() == nullptr;
    });
    ASSERT_TRUE(handed.has_value());
    EXPECT_TRUE(windowGone);
    EXPECT_EQ(handed->period, 2);
    EXPECT_EQ(handed->startDate, QDate(2024, 3, 3));
    EXPECT_EQ(handed->startTime, QTime(12, 0, 0));
    EXPECT_EQ(handed->endDate, QDate(2024, 3, 10));
    EXPECT_EQ(handed->endTime, QTime(12, 0, 0));
}

// Clear Data asks first; the grid empties only once the file is empty; a clear or a read that fails
// is told, and a failed read leaves no rows of the search before.
TEST_F(HistoryWindowTest, ClearDataAsksEmptiesOnlyAfterSuccessAndTellsFailures) {
    HistoryDialog dialog(world.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    const std::string before = fileText(storePath());

    QString caption, question;
    answer(QStringLiteral("historyQuestion"), QMessageBox::No, &caption, &question);
    click(&dialog, 1019);
    EXPECT_EQ(question, QStringLiteral("Do you want to clear all data on PC?"));
    EXPECT_EQ(caption, QStringLiteral("Operation Notify"));
    EXPECT_FALSE(dialog.working());
    EXPECT_EQ(dialog.model()->rowCount(), 3);
    EXPECT_EQ(fileText(storePath()), before);

    answer(QStringLiteral("historyQuestion"), QMessageBox::Yes);
    click(&dialog, 1019);
    ASSERT_TRUE(settle(dialog));
    EXPECT_EQ(dialog.model()->rowCount(), 0);
    EXPECT_EQ(fs::file_size(storePath()), 0u);

    // The file back, listed again; then its name made a link to itself, which nothing can open.
    writeFile(storePath(), before);
    click(&dialog, 1029);
    ASSERT_TRUE(settle(dialog));
    ASSERT_EQ(dialog.model()->rowCount(), 3);
    fs::remove(storePath());
    fs::create_symlink(storePath(), storePath());
    const QString path = QString::fromStdString(storePath().string());
    QString failure;
    answer(QStringLiteral("historyQuestion"), QMessageBox::Yes);
    QTimer::singleShot(0,
                       [&] { answer(QStringLiteral("historyMessage"), QMessageBox::Ok, nullptr, &failure); });
    click(&dialog, 1019);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failure.isEmpty(); }, 10000));
    EXPECT_EQ(failure, QStringLiteral("The history file %1 could not be emptied: Too many levels of symbolic "
                                      "links. Its records are kept.")
                           .arg(path));
    EXPECT_EQ(dialog.model()->rowCount(), 3);

    failure.clear();
    answer(QStringLiteral("historyMessage"), QMessageBox::Ok, nullptr, &failure);
    click(&dialog, 1029);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failure.isEmpty(); }, 10000));
    EXPECT_EQ(
        failure,
        QStringLiteral("The history file %1 could not be read: Too many levels of symbolic links").arg(path));
    EXPECT_EQ(dialog.model()->rowCount(), 0);
}

// Clear Memory asks, then takes the station like every other caller: cleared without a word, or
// "Can't communicate with device!" when there is no station or it stays busy (three waits of 1 s).
TEST_F(HistoryWindowTest, ClearMemoryClearsTheStationOrSaysItCannotReachIt) {
    testing::TestStation station;
    station.setRecordCount(0x0123);
    station.connect();
    HistoryStore store(storePath().string());
    AppContext context{world.config, world.texts, *station.access, store, station.clock, world.folder.path()};
    {
        HistoryDialog dialog(context, UnitSelection{});
        dialog.show();
        ASSERT_TRUE(settle(dialog));
        QString question;
        answer(QStringLiteral("historyQuestion"), QMessageBox::No, nullptr, &question);
        click(&dialog, 1031);
        EXPECT_EQ(question, QStringLiteral("Do you want to clear memory on the device?"));
        EXPECT_FALSE(dialog.working());
        EXPECT_EQ(station.memory()[0x1B], 0x23);

        QString told;
        answer(QStringLiteral("historyQuestion"), QMessageBox::Yes);
        QTimer* watch = whenShown(QStringLiteral("historyMessage"), [&](QWidget* w) {
            told = qobject_cast<QMessageBox*>(w)->text();
            w->close();
        });
        click(&dialog, 1031);
        ASSERT_TRUE(settle(dialog));
        QTest::qWait(50);
        delete watch;
        EXPECT_EQ(told, QString());
        EXPECT_EQ(station.memory()[0x1B], 0x00);
        EXPECT_EQ(station.memory()[0x1C], 0x00);
        EXPECT_EQ(station.memory()[0x1A], 0xAA);
        EXPECT_FALSE(station.access->busy().isBusy());
    }
    // Busy for longer than the three waits.
    {
        HistoryDialog dialog(context, UnitSelection{});
        ASSERT_TRUE(settle(dialog));
        ASSERT_TRUE(station.access->busy().tryTake());
        const auto sleptBefore = station.clock.sleeps().size();
        QString text;
        answer(QStringLiteral("historyQuestion"), QMessageBox::Yes);
        QTimer::singleShot(
            0, [&] { answer(QStringLiteral("historyMessage"), QMessageBox::Ok, nullptr, &text); });
        click(&dialog, 1031);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !text.isEmpty(); }, 10000));
        EXPECT_EQ(text, QStringLiteral("Can't communicate with device!"));
        const auto sleeps = station.clock.sleeps();
        EXPECT_EQ(std::vector<std::chrono::milliseconds>(sleeps.begin() + static_cast<long>(sleptBefore),
                                                         sleeps.end()),
                  std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(1000)));
        station.access->busy().release();
    }
    // No station at all.
    HistoryDialog dialog(world.context(), UnitSelection{});
    ASSERT_TRUE(settle(dialog));
    QString text;
    answer(QStringLiteral("historyQuestion"), QMessageBox::Yes);
    QTimer::singleShot(0, [&] { answer(QStringLiteral("historyMessage"), QMessageBox::Ok, nullptr, &text); });
    click(&dialog, 1031);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !text.isEmpty(); }, 10000));
    EXPECT_EQ(text, QStringLiteral("Can't communicate with device!"));
}

// Runs Export... with `choose` acting on the Export dialog and the file dialog given `target`.
void exportThrough(HistoryDialog& dialog, const std::function<void(QWidget*)>& choose,
                   const QString& target) {
    whenShown(QStringLiteral("exportDialog"), [&, choose, target](QWidget* exportDialog) {
        whenShown(QStringLiteral("exportFileDialog"), [target](QWidget* w) {
            auto* files = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(files, nullptr);
            // Typed into the name box, as a user would (selectFile leaves a box that has the focus alone).
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(target);
            static_cast<QDialog*>(files)->accept(); // QFileDialog::accept, as its Save button does
        });
        choose(exportDialog);
    });
    click(&dialog, 1002);
    settle(dialog);
}

QListWidget* itemList(QWidget* exportDialog) {
    return control<QListWidget>(exportDialog, 1091);
}

// The list in its chosen order and selection, UP and Down at the list's ends, the header, a typed
// separator holding a keyword: the file is exactly these bytes.
TEST_F(HistoryWindowTest, ExportWritesTheChosenColumnsInTheChosenOrder) {
    HistoryDialog dialog(world.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    const QString target = QString::fromStdString((world.folder / "out.txt").string());
    QStringList start;
    exportThrough(
        dialog,
        [&](QWidget* d) {
            QListWidget* list = itemList(d);
            for (int i = 0; i < 5; ++i) start << list->item(i)->text();
            EXPECT_EQ(list->count(), 22);
            EXPECT_EQ(list->selectedItems().size(), 22);
            EXPECT_EQ(list->item(21)->text(), QStringLiteral("23.condition"));
            list->clearSelection();
            for (int i : {0, 2, 3, 4})
                list->item(i)->setSelected(true); // No, Interval, humidity, temperature
            list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
            click(d, 3); // UP on the first: nothing moves
            list->setCurrentRow(3, QItemSelectionModel::NoUpdate);
            click(d, 3); // the humidity above the interval, still selected
            list->setCurrentRow(1, QItemSelectionModel::NoUpdate);
            click(d, 4); // Time (not selected) below the humidity
            list->setCurrentRow(21, QItemSelectionModel::NoUpdate);
            click(d, 4); // Down on the last: nothing moves
            EXPECT_EQ(list->item(1)->text(), QStringLiteral("4.Indoor Humidity(%)"));
            EXPECT_TRUE(list->item(1)->isSelected());
            EXPECT_EQ(list->item(2)->text(), QStringLiteral("2.Time"));
            EXPECT_FALSE(list->item(2)->isSelected());
            EXPECT_EQ(list->item(21)->text(), QStringLiteral("23.condition"));
            EXPECT_EQ(list->currentRow(), 21);
            control<QCheckBox>(d, 1009)->setChecked(true);
            control<QComboBox>(d, 1090)->setEditText(QStringLiteral(";BLANK"));
            click(d, 1);
        },
        target);
    EXPECT_EQ(start, QStringList({"1.No", "2.Time", "3.Interval(mi)", "4.Indoor Humidity(%)",
                                  "5.Indoor Temperature(°C)"}));
    EXPECT_EQ(fileText(target.toStdString()),
              "No; Indoor Humidity(%); Interval(mi); Indoor Temperature(\u00B0C)\r\n"
              "1; 42; 5; 21.5\r\n"
              "2; 43; 5; ---\r\n"
              "3; 44; 5; 22.0\r\n");
    EXPECT_TRUE(dialog.isVisible());
}

// Nothing selected: "Please select data!" and the dialog stays. The history file and the
// configuration as target: refused, both left as they were.
TEST_F(HistoryWindowTest, ExportRefusesAnEmptyChoiceAndTheProgramsOwnFiles) {
    HistoryDialog dialog(world.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    QString caption, text;
    bool stayed = false;
    whenShown(QStringLiteral("exportDialog"), [&](QWidget* d) {
        itemList(d)->clearSelection();
        answer(QStringLiteral("exportMessage"), QMessageBox::Ok, &caption, &text);
        click(d, 1);
        stayed = d->isVisible();
        click(d, 2);
    });
    bool fileDialog = false;
    QTimer* watch = whenShown(QStringLiteral("exportFileDialog"), [&](QWidget* w) {
        fileDialog = true;
        w->close();
    });
    click(&dialog, 1002);
    EXPECT_EQ(text, QStringLiteral("Please select data!"));
    EXPECT_EQ(caption, QStringLiteral("Operation Notify"));
    EXPECT_TRUE(stayed);
    QTest::qWait(50);
    delete watch;
    EXPECT_FALSE(fileDialog);

    writeFile(world.folder / "Nimbrel.ini", "[Communication]\r\nLanguage=English\r\n");
    for (const fs::path& own : {storePath(), world.folder / "Nimbrel.ini"}) {
        const std::string before = fileText(own);
        const QString path = QString::fromStdString(own.string());
        QString refusal;
        // The file dialog asks before replacing a file that exists; then the window refuses it.
        whenShown(
            [](QWidget* w) {
                return qobject_cast<QMessageBox*>(w) && qobject_cast<QFileDialog*>(w->parentWidget());
            },
            [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
        QTimer::singleShot(
            0, [&] { answer(QStringLiteral("historyMessage"), QMessageBox::Ok, nullptr, &refusal); });
        exportThrough(
            dialog, [](QWidget* d) { click(d, 1); }, path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !refusal.isEmpty(); }, 10000));
        EXPECT_EQ(refusal, QStringLiteral("%1 is Nimbrel's own history or configuration file. Please choose "
                                          "another file for the export.")
                               .arg(path));
        EXPECT_EQ(fileText(own), before);
    }
}

// An export stopped by the progress dialog's Cancel, or by the window closing under it, leaves the old
// file as it was and nothing beside it, and tells nothing.
TEST_F(HistoryWindowTest, StoppedExportKeepsTheOldFile) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += storeLine(i + 1, "2024-03-09 12:00:00", "50", "20.0");
    writeFile(storePath(), text);
    const fs::path target = world.folder / "out.txt";
    writeFile(target, "old\r\n");
    const auto startExport = [&](HistoryDialog& dialog) {
        control<QDateEdit>(&dialog, 1088)->setDate(QDate(2024, 3, 9));
        click(&dialog, 3);
        ASSERT_TRUE(settle(dialog));
        ASSERT_EQ(dialog.model()->rowCount(), 100000);
        whenShown(QStringLiteral("exportDialog"), [&](QWidget* d) {
            whenShown(
                [](QWidget* w) {
                    return qobject_cast<QMessageBox*>(w) && qobject_cast<QFileDialog*>(w->parentWidget());
                },
                [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
            whenShown(QStringLiteral("exportFileDialog"), [&](QWidget* w) {
                w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                    ->setText(QString::fromStdString(target.string()));
                static_cast<QDialog*>(w)->accept();
            });
            click(d, 1);
        });
        click(&dialog, 1002);
        ASSERT_TRUE(dialog.working());
    };
    QString told;
    QTimer* watch = whenShown(QStringLiteral("historyMessage"), [&](QWidget* w) {
        told = qobject_cast<QMessageBox*>(w)->text();
        w->close();
    });

    auto dialog = std::make_unique<HistoryDialog>(world.context(), UnitSelection{});
    dialog->show();
    ASSERT_TRUE(settle(*dialog));
    startExport(*dialog);
    auto* progress = dialog->findChild<QProgressDialog*>(QStringLiteral("exportProgress"));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->labelText(), QStringLiteral("Exporting to out.txt…"));
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    cancel->click();
    ASSERT_TRUE(settle(*dialog));
    EXPECT_EQ(dialog->findChild<QProgressDialog*>(QStringLiteral("exportProgress")), nullptr);
    EXPECT_TRUE(fileText(target) == "old\r\n"); // not EXPECT_EQ: a failure would print the whole export

    startExport(*dialog);
    dialog.reset();
    QTest::qWait(50);
    delete watch;
    EXPECT_EQ(told, QString());
    EXPECT_TRUE(fileText(target) == "old\r\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(world.folder.path()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Nimbrel.dat", "out.txt"}));
}

// The German window: its titles in German with a "-" shown whole, in the grid and the Export list.
TEST_F(HistoryWindowTest, GermanWindowAndExportDialog) {
    testing::StationlessWorld de(german);
    de.clock.set(Clock::TimePoint(std::chrono::seconds(kNow)));
    writeFile(de.folder / "Nimbrel.dat", morningAndLastHour());
    HistoryDialog dialog(de.context(), UnitSelection{});
    dialog.show();
    ASSERT_TRUE(settle(dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Verlaufsdaten"));
    EXPECT_EQ(control<QComboBox>(&dialog, 1089)->currentText(), QStringLiteral("eine Stunde"));
    EXPECT_EQ(dialog.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Uhrzeit"));
    EXPECT_EQ(dialog.model()->headerData(4, Qt::Horizontal).toString(),
              QStringLiteral("Innen-Temperatur(°C)"));
    EXPECT_EQ(control<QPushButton>(&dialog, 1019)->text(), QStringLiteral("Daten löschen"));
    EXPECT_EQ(dialog.model()->rowCount(), 3);
    dialog.grab().save(artifactPath(QStringLiteral("history-de.png")));

    for (const auto& [in, code] : {std::pair{&de, "de"}, std::pair{&world, "en"}}) {
        HistoryDialog window(in->context(), UnitSelection{});
        window.show();
        ASSERT_TRUE(settle(window));
        const QLatin1String language(code);
        whenShown(QStringLiteral("exportDialog"), [language](QWidget* d) {
            if (language == QLatin1String("de")) {
                EXPECT_EQ(d->windowTitle(), QStringLiteral("Tabellendaten exportieren"));
                EXPECT_EQ(itemList(d)->item(4)->text(), QStringLiteral("5.Innen-Temperatur(°C)"));
            }
            d->grab().save(artifactPath(QStringLiteral("export-%1.png").arg(language)));
            click(d, 2);
        });
        click(&window, 1002);
    }
}

} // namespace
} // namespace nimbrel
