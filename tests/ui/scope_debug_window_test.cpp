// The Scope and Debug windows: over the simulated station in every language (screenshots), and over a
// scripted station for the failing reads, whose messages come only once the station is free again.
#include "tests/ui/artifacts.h"
#include "tests/ui/sim_controls.h"
#include "app/configuration.h"
#include "app/debug_log.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "station/usb_library.h"
#include "store/history_store.h"
#include "tests/support/test_station.h"
#include "tests/support/when_shown.h"
#include "tests/support/temp_dir.h"
#include "ui/app_context.h"
#include "ui/debug_window.h"
#include "ui/scope_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace nimbrel {
namespace {

const std::string kSimLibrary = std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so";

using Sim = testing::SimControls;

// A language's world over the simulated station, found and ready.
struct SimWorld {
    explicit SimWorld(int language) : texts(language) {
        config.languageIndex = language;
        station = std::make_unique<StationAccess>(loadUsbLibrary(kSimLibrary), clock, false);
        store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), clock);
        store->open();
        station->pollConnection();
        station->markSynchronised();
    }
    AppContext context() { return AppContext{config, texts, *station, *store, clock, folder.path()}; }

    testing::TempDir folder;
    Configuration config;
    LanguageTable texts;
    testing::FakeClock clock;
    std::unique_ptr<StationAccess> station;
    std::unique_ptr<HistoryStore> store;
};

// The same over a scripted station whose reads a test can make fail.
struct ScriptedWorld {
    ScriptedWorld() {
        station.setStackAddr(0x0100);
        station.setRecordCount(1);
        station.putRecord(0x0100, testing::taggedRecord(1));
        station.connect();
        store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), station.clock);
    }
    AppContext context() {
        return AppContext{config, texts, *station.access, *store, station.clock, folder.path()};
    }

    testing::TestStation station;
    testing::TempDir folder;
    Configuration config;
    LanguageTable texts{english};
    std::unique_ptr<HistoryStore> store;
};

using testing::artifactPath;

const char* const kLanguageCodes[] = {"en", "de", "da", "nl", "fr"};

using testing::whenShown;

void clickOk(QWidget* messageBox) {
    auto* box = qobject_cast<QMessageBox*>(messageBox);
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::Ok)->click();
}

QString boxText(QWidget* dialog, int id) {
    auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("c%1").arg(id));
    return box ? box->text() : QStringLiteral("<missing>");
}

TEST(ScopeWindow, ShowsTheSimulatedStationsExtremesInEveryLanguage) {
    Sim sim;
    ASSERT_NE(sim.reset, nullptr) << kSimLibrary;
    sim.reset("seed=1 start=1700000000 speed=0");
    unsigned char humidity = 0;
    ASSERT_EQ(sim.peek(0x62, &humidity, 1), 1);
    for (int language = english; language <= french; ++language) {
        SimWorld world(language);
        bool shown = false;
        whenShown(QStringLiteral("scopeDialog"), [&](QWidget* dialog) {
            shown = true;
            // The indoor humidity maximum as the station holds it, with its unit.
            EXPECT_EQ(boxText(dialog, 10061), QStringLiteral("%1 %").arg(humidity));
            EXPECT_TRUE(boxText(dialog, 10075).endsWith(QStringLiteral(" Hpa")))
                << boxText(dialog, 10075).toStdString();
            EXPECT_TRUE(boxText(dialog, 10174).endsWith(QStringLiteral(" km/h")));
            EXPECT_TRUE(boxText(dialog, 10021).endsWith(QStringLiteral(" mm")));
            for (int id = 1051; id <= 1073; ++id)
                EXPECT_NE(boxText(dialog, id), QStringLiteral("<missing>")) << id;
            EXPECT_EQ(dialog->windowTitle(), QString::fromStdString(world.texts.text(TextRow::scope)));
            // Nobody waits on the station while the window is open.
            EXPECT_FALSE(world.station->busy().isBusy());
            dialog->grab().save(
                artifactPath(QStringLiteral("scope-%1.png").arg(QLatin1String(kLanguageCodes[language]))));
            dialog->findChild<QPushButton*>(QStringLiteral("c1"))->click();
        });
        openScopeWindow(world.context(), nullptr);
        EXPECT_TRUE(shown) << language;
    }
}

TEST(ScopeWindow, FailedReadIsToldWithTheStationFreeThenTheWindowOpens) {
    ScriptedWorld world;
    world.station.failReadsAt = {0x60};
    QStringList seen;
    bool busyDuringMessage = true;
    whenShown(QStringLiteral("scopeMessage"), [&](QWidget* box) {
        seen << qobject_cast<QMessageBox*>(box)->text();
        busyDuringMessage = world.station.access->busy().isBusy();
        clickOk(box);
    });
    whenShown(QStringLiteral("scopeDialog"), [&](QWidget* dialog) {
        seen << QStringLiteral("dialog");
        EXPECT_EQ(boxText(dialog, 1051), QStringLiteral("---"));
        qobject_cast<QDialog*>(dialog)->accept();
    });
    openScopeWindow(world.context(), nullptr);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Read weather scope data fail!"), QStringLiteral("dialog")}));
    EXPECT_FALSE(busyDuringMessage);
}

TEST(ScopeWindow, BusyStationGivesTheMessageAndNoWindow) {
    ScriptedWorld world;
    ASSERT_TRUE(world.station.access->busy().tryTake());
    QString told;
    whenShown(QStringLiteral("scopeMessage"), [&](QWidget* box) {
        told = qobject_cast<QMessageBox*>(box)->text();
        clickOk(box);
    });
    bool dialogShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == QStringLiteral("scopeDialog")) dialogShown = true;
    });
    watch.start(5);
    openScopeWindow(world.context(), nullptr);
    QTest::qWait(50);
    EXPECT_EQ(told, QStringLiteral("Can't communicate with device!"));
    EXPECT_FALSE(dialogShown);
}

TEST(DebugWindow, OneWindowForTheRunThatLogsWhileHidden) {
    ScriptedWorld world;
    QWidget frame;
    DebugWindow* window = showDebugWindow(world.context(), &frame, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(showDebugWindow(world.context(), &frame, window), window);
    EXPECT_EQ(frame.findChildren<DebugWindow*>().size(), 1);
    ASSERT_TRUE(window->isVisible());

    // The read option, then a read on another thread, as the acquisition thread makes it.
    window->findChild<QCheckBox*>(QStringLiteral("c1027"))->click();
    std::thread([&] {
        StationSettings settings;
        world.station.access->readSettingsBlock(settings);
    }).join();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->shownText().contains(QStringLiteral("Basic settings (00H-1FH)")); }));

    // "&Cancel" hides it; what the station reads meanwhile is still logged and shown on return.
    window->findChild<QPushButton*>(QStringLiteral("c2"))->click();
    EXPECT_FALSE(window->isVisible());
    std::thread([&] {
        MinMaxTable minMax;
        world.station.access->readMinMaxBlock(minMax);
    }).join();
    QTest::qWait(20);
    EXPECT_TRUE(QString::fromStdString(window->log().text()).contains(QStringLiteral("(60H-FFH)")));
    EXPECT_EQ(showDebugWindow(world.context(), &frame, window), window);
    EXPECT_TRUE(window->shownText().contains(QStringLiteral("(60H-FFH)")));

    // A record number past the ring gets the range prompt, and nothing is read.
    auto* number = window->findChild<QLineEdit*>(QStringLiteral("c1056"));
    number->setText(QStringLiteral("4080"));
    QString prompt;
    whenShown(QStringLiteral("debugMessage"), [&](QWidget* box) {
        prompt = qobject_cast<QMessageBox*>(box)->text();
        clickOk(box);
    });
    window->findChild<QPushButton*>(QStringLiteral("c1030"))->click();
    EXPECT_EQ(prompt, QStringLiteral("Please enter an integer between 0 and 4079."));

    // The newest record, then the log emptied.
    window->findChild<QPushButton*>(QStringLiteral("c1019"))->click();
    number->setText(QStringLiteral("0"));
    window->findChild<QPushButton*>(QStringLiteral("c1030"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->shownText().contains(QStringLiteral("hexValue:")); }));
    EXPECT_FALSE(window->shownText().contains(QStringLiteral("(60H-FFH)")));

    // Never smaller than it opened.
    const QSize first = window->size();
    window->resize(first.width() / 2, first.height() / 2);
    EXPECT_GE(window->width(), first.width());
    EXPECT_GE(window->height(), first.height());
}

TEST(DebugWindow, FailedSetupReadIsToldWithTheStationFree) {
    ScriptedWorld world;
    world.station.failReadsAt = {0x20};
    QWidget frame;
    DebugWindow* window = showDebugWindow(world.context(), &frame, nullptr);
    QString told;
    bool busy = true;
    whenShown(QStringLiteral("debugMessage"), [&](QWidget* box) {
        told = qobject_cast<QMessageBox*>(box)->text();
        busy = world.station.access->busy().isBusy();
        clickOk(box);
    });
    window->findChild<QPushButton*>(QStringLiteral("c1029"))->click();
    window->finishStationWork();
    EXPECT_EQ(told, QStringLiteral("Read weather setup data fail!"));
    EXPECT_FALSE(busy);
    EXPECT_EQ(window->log().text(), "");
}

TEST(DebugWindow, PictureInEveryLanguageOverTheSimulator) {
    Sim sim;
    ASSERT_NE(sim.reset, nullptr) << kSimLibrary;
    sim.reset("seed=1 start=1700000000 speed=0");
    for (int language = english; language <= french; ++language) {
        SimWorld world(language);
        QWidget frame;
        DebugWindow* window = showDebugWindow(world.context(), &frame, nullptr);
        window->findChild<QCheckBox*>(QStringLiteral("c1028"))->click();
        window->findChild<QPushButton*>(QStringLiteral("c1030"))->click();
        window->finishStationWork();
        window->findChild<QPushButton*>(QStringLiteral("c1029"))->click();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return window->shownText().contains(QStringLiteral("(60H-FFH)")); }));
        EXPECT_TRUE(
            window->shownText().contains(QStringLiteral("(MEM-SYS)/SIZE=SUM: (010000-0100)/16=4080")));
        window->grab().save(
            artifactPath(QStringLiteral("debug-%1.png").arg(QLatin1String(kLanguageCodes[language]))));
    }
}

} // namespace
} // namespace nimbrel
