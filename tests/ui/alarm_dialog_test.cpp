// The Alarm window over the simulated station: a save verified in the station's bytes, Cancel
// writing nothing, the linked speed and level boxes, a failure shown with the station free, and a
// picture in each language.
#include "tests/ui/artifacts.h"
#include "tests/ui/sim_controls.h"
#include "app/configuration.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "station/usb_library.h"
#include "store/history_store.h"
#include "tests/support/temp_dir.h"
#include "ui/alarm_dialog.h"
#include "ui/app_context.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace nimbrel {
namespace {

const std::string kSimLibrary = std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so";

// Real time with every wait a hundred times shorter.
class ShortWaitClock final : public Clock {
public:
    TimePoint now() override { return std::chrono::system_clock::now(); }
    void sleepFor(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration / 100); }
};

using Sim = testing::SimControls;

struct World {
    explicit World(int language = english) : texts(language) {
        config.languageIndex = language;
        station = std::make_unique<StationAccess>(loadUsbLibrary(kSimLibrary), clock, false);
        store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), clock);
    }
    AppContext context() { return AppContext{config, texts, *station, *store, clock, folder.path()}; }

    testing::TempDir folder;
    Configuration config;
    LanguageTable texts;
    ShortWaitClock clock;
    std::unique_ptr<StationAccess> station;
    std::unique_ptr<HistoryStore> store;
};

using testing::artifactPath;

// Waits for the next message box and lets `handle` answer it.
void whenBoxShows(std::function<void(QMessageBox*)> handle) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, handle] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            handle(box);
        }
    });
    timer->start(10);
}

class AlarmDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ready());
        ASSERT_EQ(sim.reset("seed=3 start=1700000000 speed=0"), 1);
        sim.setByte(0x11, 0x20); // °C, mm, hPa
        sim.setByte(0x12, 0x01); // m/s
        sim.setByte(0x1A, 0x00);
        sim.setByte(0x30, 60); // indoor humidity high
        world.station->pollConnection();
    }
    static QLineEdit* box(QWidget& dialog, int control) {
        return dialog.findChild<QLineEdit*>(QStringLiteral("c%1").arg(control));
    }
    static void type(QWidget& dialog, int control, const QString& text) {
        QLineEdit* edit = box(dialog, control);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        emit edit->editingFinished(); // the user leaves the box
    }

    Sim sim;
    World world;
};

TEST_F(AlarmDialogTest, SaveWritesTheStationAndCancelWritesNothing) {
    AppContext context = world.context();
    {
        AlarmDialog dialog(context);
        dialog.readStation();
        ASSERT_TRUE(dialog.failureMessage().isEmpty()) << dialog.failureMessage().toStdString();
        dialog.show();
        EXPECT_EQ(box(dialog, 1005)->text(), QStringLiteral("60"));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("unit1005"))->text(), QStringLiteral("%"));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("unit1023"))->text(), QStringLiteral("Hpa"));
        type(dialog, 1005, QStringLiteral("70"));
        type(dialog, 1017, QStringLiteral("5.4"));
        EXPECT_EQ(box(dialog, 1016)->text(), QStringLiteral("3"));
        type(dialog, 1026, QStringLiteral("4"));
        EXPECT_EQ(box(dialog, 1018)->text(), QStringLiteral("7.9"));
        dialog.findChild<QComboBox*>(QStringLiteral("c1030"))->setCurrentIndex(5); // SW
        QString question;
        whenBoxShows([&](QMessageBox* b) {
            question = b->windowTitle() + QLatin1Char('|') + b->text();
            b->button(QMessageBox::Yes)->click();
        });
        dialog.findChild<QPushButton*>(QStringLiteral("c1028"))->click();
        dialog.finishStationWork();
        EXPECT_EQ(question, QStringLiteral("Operation Notify|Do you want save?"));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(sim.byteAt(0x30), 70);
    EXPECT_EQ(sim.byteAt(0x4C), 3);  // wind level
    EXPECT_EQ(sim.byteAt(0x4D), 54); // wind 5.4 m/s
    EXPECT_EQ(sim.byteAt(0x4E), 0);
    EXPECT_EQ(sim.byteAt(0x4F), 4);  // gust level
    EXPECT_EQ(sim.byteAt(0x50), 79); // gust 7.9 m/s
    EXPECT_EQ(sim.byteAt(0x52), 10); // SW
    EXPECT_EQ(sim.byteAt(0x1A), 0xAA);

    sim.setByte(0x1A, 0x00);
    AlarmDialog dialog(context);
    dialog.readStation();
    dialog.show();
    const unsigned long framesAfterReading = sim.frames();
    type(dialog, 1005, QStringLiteral("80"));
    dialog.findChild<QPushButton*>(QStringLiteral("c2"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(sim.frames(), framesAfterReading);
    EXPECT_EQ(sim.byteAt(0x30), 70);
    EXPECT_EQ(sim.byteAt(0x1A), 0x00);
}

TEST_F(AlarmDialogTest, RefusedBoxesAndFailuresAreShownWithTheStationFree) {
    AppContext context = world.context();
    AlarmDialog dialog(context);
    dialog.readStation();
    dialog.show();
    type(dialog, 1005, QStringLiteral("100"));
    QString prompt;
    QMessageBox::Icon look = QMessageBox::Warning;
    whenBoxShows([&](QMessageBox* b) {
        prompt = b->text();
        look = b->icon();
        b->button(QMessageBox::Ok)->click();
    });
    dialog.findChild<QPushButton*>(QStringLiteral("c1028"))->click();
    EXPECT_EQ(prompt, QStringLiteral("Please enter an integer between 1 and 99."));
    // Plain, as the other windows' message boxes: no icon.
    EXPECT_EQ(look, QMessageBox::NoIcon);
    EXPECT_TRUE(dialog.isVisible());

    // The fresh read before the write fails: its message, shown after the flag is given back.
    type(dialog, 1005, QStringLiteral("71"));
    sim.setPlugged(0);
    QString failure;
    bool busyWhileShown = true;
    whenBoxShows([&](QMessageBox* question) {
        whenBoxShows([&](QMessageBox* b) {
            failure = b->text();
            busyWhileShown = world.station->busy().isBusy();
            b->button(QMessageBox::Ok)->click();
        });
        question->button(QMessageBox::Yes)->click();
    });
    dialog.findChild<QPushButton*>(QStringLiteral("c1028"))->click();
    dialog.finishStationWork();
    EXPECT_EQ(failure, QStringLiteral("Read weather alarm data fail!"));
    EXPECT_FALSE(busyWhileShown);
    EXPECT_TRUE(dialog.isVisible());
    sim.setPlugged(1);
    EXPECT_EQ(sim.byteAt(0x30), 60);

    // Opening without a station: Save stays disabled.
    sim.setPlugged(0);
    AlarmDialog unread(context);
    unread.readStation();
    EXPECT_EQ(unread.failureMessage(), QStringLiteral("Read weather alarm data fail!\nRead weather setup data fail!"));
    EXPECT_FALSE(unread.findChild<QPushButton*>(QStringLiteral("c1028"))->isEnabled());
    sim.setPlugged(1);
}

TEST_F(AlarmDialogTest, PicturesInEveryLanguage) {
    const char* names[] = {"en", "de", "da", "nl", "fr"};
    sim.setByte(0x11, 0x41); // °F indoors, inHg
    sim.setByte(0x12, 0x02); // km/h
    for (int language = 0; language < kLanguageCount; ++language) {
        World local(language);
        local.station->pollConnection();
        AppContext context = local.context();
        AlarmDialog dialog(context);
        dialog.readStation();
        dialog.show();
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("unit1003"))->text(), QStringLiteral("°F"));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("unit1023"))->text(), QStringLiteral("inHg"));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("unit1017"))->text(), QStringLiteral("km/h"));
        EXPECT_TRUE(dialog.grab().save(artifactPath(QStringLiteral("alarm-%1.png").arg(QLatin1String(names[language])))));
    }
}

} // namespace
} // namespace nimbrel
