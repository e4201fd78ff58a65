// The main window over the simulated station: the view filled by the first cycle, the connection
// watch's tick rules, the menus, one copy per data folder, a reader of a logged folder, and a picture
// in each language.
#include "app/configuration.h"
#include "app/folder_lock.h"
#include "app/language_table.h"
#include "station/alarm_thresholds.h"
#include "station/station_access.h"
#include "station/station_settings.h"
#include "station/usb_library.h"
#include "station/weather_sample.h"
#include "store/history_store.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/artifacts.h"
#include "tests/ui/sim_controls.h"
#include "tests/ui/sim_world.h"
#include "ui/about_box.h"
#include "ui/app_startup.h"
#include "ui/connection_pane.h"
#include "ui/controls/alarm_lamp.h"
#include "ui/controls/hyperlink.h"
#include "ui/history_dialog.h"
#include "ui/main_frame.h"
#include "ui/single_instance.h"
#include "ui/tray_icon.h"
#include "ui/weather_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace nimbrel {
namespace {

using testing::kSimLibrary;
using testing::SimControls;
using testing::World;

using testing::artifactPath;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ready()) << "simulated station library missing: " << kSimLibrary;
        sim.reset("seed=1 start=1700000000 speed=0");
    }
    SimControls sim;
};

// Runs the connection watch until the station is found and the first cycle has filled the view.
bool waitForFirstReading(MainFrame& frame, int timeoutMs = 20000) {
    return QTest::qWaitFor(
        [&] {
            frame.connectionTick();
            return !frame.view()->controlText(10009).startsWith(QStringLiteral("---")) &&
                   !frame.view()->controlText(10061).startsWith(QStringLiteral("---")) &&
                   !frame.statusPane()->text().isEmpty() &&
                   frame.statusPane()->text() !=
                       QString::fromStdString(LanguageTable(english).text(TextRow::ready));
        },
        timeoutMs);
}

TEST_F(MainWindowTest, FirstCycleFillsTheViewOverTheSimulator) {
    World world;
    MainFrame frame(world.context());
    frame.resize(1366, 740);
    // Before the first display the form shows empty values with their units.
    EXPECT_EQ(frame.statusPane()->text(), QStringLiteral("Ready"));
    EXPECT_FALSE(frame.connectionPane()->isConnected());
    frame.show();
    EXPECT_EQ(frame.view()->controlText(10009), QStringLiteral("--- °C"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    // The first look for the station, on the session's thread, does not wait for the watch's first
    // second.
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.connectionPane()->isConnected(); },
                                MainFrame::kConnectionTimerMs / 2));

    ASSERT_TRUE(waitForFirstReading(frame));
    WeatherView& view = *frame.view();
    EXPECT_TRUE(view.monitorRunning());
    EXPECT_TRUE(frame.connectionPane()->isConnected());
    // The simulator's station shows hPa and km/h: every value carries the unit of its quantity.
    EXPECT_TRUE(view.controlText(10009).endsWith(QStringLiteral(" °C")))
        << view.controlText(10009).toStdString();
    EXPECT_TRUE(view.controlText(10041).endsWith(QStringLiteral(" %")));
    EXPECT_TRUE(view.controlText(10221).endsWith(QStringLiteral(" Hpa")));
    EXPECT_TRUE(view.controlText(10035).endsWith(QStringLiteral(" km/h")));
    EXPECT_TRUE(view.controlText(1048).endsWith(QStringLiteral(" mm")));
    EXPECT_TRUE(view.controlText(10037).endsWith(QStringLiteral(" bft")));
    EXPECT_FALSE(view.controlText(10039).contains(QLatin1Char(' '))); // the direction's name has no unit
    for (int id : {10061, 10059, 10048, 10050, 10075, 10076, 10174, 10021}) {
        EXPECT_FALSE(view.controlText(id).isEmpty()) << id;
    }
    // The title comes from the thread, and the status line carries its texts.
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Nimbrel Radio Controlled"));

    // The first download of the simulator's whole ring (minutes) shows how far it is.
    QProgressBar* bar = frame.progressBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->isVisible() && bar->value() >= 100; }, 20000));
    EXPECT_EQ(bar->maximum(), 4079);
    EXPECT_TRUE(frame.statusPane()->text().endsWith(QStringLiteral(" Data has been read. ...")))
        << frame.statusPane()->text().toStdString();
    frame.grab().save(artifactPath(QStringLiteral("first-download.png")));

    // Closing releases and joins the thread; nothing waits on a window that is going away.
    frame.close();
    EXPECT_FALSE(view.monitorRunning());
}

TEST_F(MainWindowTest, ConnectionTimerTickRules) {
    {
        // SearchData on: the watch goes on after the station is found and notices it leave.
        World world(english, true);
        MainFrame frame(world.context()); // never shown: no thread, only the timer's work
        frame.connectionTick();
        EXPECT_TRUE(frame.connectionPane()->isConnected());
        EXPECT_TRUE(world.station->isSynchronised());
        frame.connectionTick();
        EXPECT_TRUE(frame.connectionPane()->isConnected());
        sim.setPlugged(0);
        frame.connectionTick();
        EXPECT_FALSE(frame.connectionPane()->isConnected());
        sim.setPlugged(1);
        frame.connectionTick();
        EXPECT_TRUE(frame.connectionPane()->isConnected());
    }
    {
        // SearchData off ("0"): the watch stops once the station is found; a later unplugging is
        // not noticed and the pane keeps the connected picture.
        World world(english, false);
        world.config.searchData = "0";
        MainFrame frame(world.context());
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        QTest::qWait(50);
        EXPECT_FALSE(frame.view()->monitorRunning());
        frame.connectionTick();
        EXPECT_TRUE(frame.connectionPane()->isConnected());
        EXPECT_FALSE(world.station->isSynchronised());
        sim.setPlugged(0);
        frame.connectionTick();
        frame.connectionTick();
        EXPECT_TRUE(frame.connectionPane()->isConnected());
        EXPECT_EQ(frame.statusPane()->text(), QStringLiteral("Ready"));
        sim.setPlugged(1);
    }
}

TEST_F(MainWindowTest, WhyNoStationCanBeUsedIsSaidInTheStatusLine) {
    {
        // Nothing plugged in: said once, in the user's language, with what to check.
        sim.setPlugged(0);
        World world(german, true);
        MainFrame frame(world.context());
        frame.connectionTick();
        EXPECT_FALSE(frame.connectionPane()->isConnected());
        const QString said = frame.statusPane()->text();
        EXPECT_TRUE(
            said.startsWith(QStringLiteral("Keine Station gefunden (USB 0713:0818). Ist sie angeschlossen")))
            << said.toStdString();
        frame.showStatusText(QStringLiteral("x"));
        frame.connectionTick();
        EXPECT_EQ(frame.statusPane()->text(), QStringLiteral("x")); // not said again every second
        // Plugged in, then out again: said again.
        sim.setPlugged(1);
        frame.connectionTick();
        EXPECT_TRUE(frame.connectionPane()->isConnected());
        sim.setPlugged(0);
        frame.connectionTick();
        EXPECT_EQ(frame.statusPane()->text(), said);
        sim.setPlugged(1);
    }
    {
        // Plugged in, but this user may not open it.
        sim.reset("seed=1 start=1700000000 speed=0 denied=1");
        World world(german, true);
        MainFrame frame(world.context());
        frame.resize(1000, 700);
        frame.connectionTick();
        EXPECT_FALSE(frame.connectionPane()->isConnected());
        EXPECT_EQ(frame.statusPane()->text().toStdString(), world.texts.text("station.access_denied"));
        EXPECT_TRUE(frame.statusPane()->text().startsWith(
            QStringLiteral("Station angeschlossen, aber für diesen Benutzer gesperrt")));
        frame.grab().save(artifactPath(QStringLiteral("access-denied.png")));
    }
}

TEST_F(MainWindowTest, TheProgressBarShowsLongJobsOnly) {
    World world(english, false);
    MainFrame frame(world.context());
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QProgressBar* bar = frame.progressBar();
    EXPECT_FALSE(bar->isVisible());
    emit frame.view()->progress(2, 9); // one step short of a bar
    EXPECT_FALSE(bar->isVisible());
    emit frame.view()->progress(2, 10);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->text(), QStringLiteral("2 / 10"));
    emit frame.view()->progress(120, 4080);
    EXPECT_EQ(bar->text(), QStringLiteral("120 / 4080"));
    // The count stands beside the bar, whole, not across its fill; the bar is long enough to read.
    QCoreApplication::processEvents(); // the status bar lays out what it shows
    QLabel* count = frame.progressText();
    EXPECT_TRUE(count->isVisible());
    EXPECT_FALSE(bar->isTextVisible());
    EXPECT_EQ(count->text(), QStringLiteral("120 / 4080"));
    EXPECT_GE(count->width(), count->fontMetrics().horizontalAdvance(count->text()));
    EXPECT_FALSE(count->geometry().intersects(bar->geometry()));
    EXPECT_GE(bar->width(), 200);
    emit frame.view()->progress(0, 0); // over
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(count->isVisible());
}

TEST_F(MainWindowTest, EachOutputKeepsItsNewestTextInAPaneOfItsOwn) {
    World world(english, false);
    MainFrame frame(world.context());
    frame.resize(1600, 700);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QLabel* pane = frame.outputsPane();
    EXPECT_FALSE(pane->isVisible());
    const QString before = frame.statusPane()->text();
    emit frame.view()->outputText(QStringLiteral("MQTT: no broker at wx.lan:1883 yet; retrying"));
    emit frame.view()->outputText(QStringLiteral("Upload: 127.0.0.1 answered success"));
    emit frame.view()->outputText(QStringLiteral("MQTT: connected to wx.lan:1883"));
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->text(),
              QStringLiteral("MQTT: connected to wx.lan:1883  |  Upload: 127.0.0.1 answered success"));
    EXPECT_EQ(frame.statusPane()->text(), before); // the acquisition's line is left alone

    // A long answer is cut in the pane and whole in its tip.
    const QString longAnswer =
        QStringLiteral("Upload: wx.example answered HTTP 500: ") + QString(300, QLatin1Char('x'));
    emit frame.view()->outputText(longAnswer);
    EXPECT_TRUE(pane->text().endsWith(QChar(0x2026))) << pane->text().toStdString();
    EXPECT_EQ(pane->toolTip(), QStringLiteral("MQTT: connected to wx.lan:1883\n") + longAnswer);
}

TEST_F(MainWindowTest, TheWindowComesBackAsItWasLeft) {
    testing::TempDir config;
    const QString file = QString::fromStdString((config.path() / "window.ini").string());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize left = area.size() * 3 / 4;
    {
        World world(english, false);
        MainFrame frame(world.context());
        frame.rememberWindowIn(file); // nothing saved yet: the whole work area
        EXPECT_EQ(frame.geometry().size(), area.size());
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        frame.resize(left);
        frame.move(area.topLeft() + QPoint(40, 30));
        frame.findChild<QAction*>(QStringLiteral("c59392"))->trigger(); // toolbar off
        frame.findChild<QAction*>(QStringLiteral("c59393"))->trigger(); // status bar off
        frame.close();
    }
    {
        World world(english, false);
        MainFrame frame(world.context());
        frame.rememberWindowIn(file);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        EXPECT_EQ(frame.size(), left);
        EXPECT_EQ(frame.pos(), area.topLeft() + QPoint(40, 30));
        EXPECT_FALSE(frame.toolBar()->isVisible());
        EXPECT_FALSE(frame.statusBar()->isVisible());
        EXPECT_FALSE(frame.findChild<QAction*>(QStringLiteral("c59392"))->isChecked());
        EXPECT_FALSE(frame.findChild<QAction*>(QStringLiteral("c59393"))->isChecked());
        // Left on a screen that is no longer there: the window comes up on the screen there is.
        frame.move(area.right() + 2000, area.bottom() + 2000);
        frame.close();
    }
    {
        World world(english, false);
        MainFrame frame(world.context());
        frame.rememberWindowIn(file);
        EXPECT_EQ(frame.pos(), area.topLeft());
        EXPECT_EQ(frame.size(), area.size());
    }
}

// Each station window opens from its command over the simulated station, shows the station's values
// and closes again; the Debug window stays, one for the run.
TEST_F(MainWindowTest, TheStationWindowsOpenFromTheirCommands) {
    World world(english);
    world.config.debugFlag = "1";
    MainFrame frame(world.context());
    frame.connectionTick();
    ASSERT_TRUE(frame.connectionPane()->isConnected());
    const std::pair<const char*, const char*> windows[] = {
        {"c32783", "setupDialog"}, {"c32786", "alarmWindow"}, {"c32779", "scopeDialog"}};
    for (const auto& [command, window] : windows) {
        QString opened;
        // Each window reads the station off the window's thread: it is looked at once it is up and
        // takes input again.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &frame, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isEnabled() || !opened.isEmpty()) return;
            opened = modal->objectName();
            modal->grab().save(artifactPath(QStringLiteral("from-menu-%1.png").arg(opened)));
            modal->close();
        });
        poll.start(5);
        frame.findChild<QAction*>(QString::fromLatin1(command))->trigger();
        EXPECT_EQ(opened, QString::fromLatin1(window)) << command;
    }
    QAction* debug = frame.findChild<QAction*>(QStringLiteral("c32771"));
    debug->trigger();
    debug->trigger();
    const QList<QDialog*> debugWindows = frame.findChildren<QDialog*>(QStringLiteral("debugWindow"));
    ASSERT_EQ(debugWindows.size(), 1);
    EXPECT_TRUE(debugWindows.front()->isVisible());
}

TEST_F(MainWindowTest, MenusHoldOnlyWorkingCommandsInTheConfiguredLanguage) {
    for (const char* debugFlag : {"false", "TRUE"}) {
        World world(german);
        world.config.debugFlag = debugFlag;
        MainFrame frame(world.context());
        QStringList titles;
        for (QAction* action : frame.menuBar()->actions()) {
            if (action->isVisible()) titles << action->text().remove(QLatin1Char('&'));
        }
        EXPECT_EQ(titles, QStringList({QString::fromStdString(world.texts.text(TextRow::display)),
                                       QString::fromStdString(world.texts.text(TextRow::system)),
                                       QString::fromStdString(world.texts.text(TextRow::record)),
                                       QString::fromStdString(world.texts.text(TextRow::help))}));
        // Debug only with DebugFlag on.
        EXPECT_EQ(frame.findChild<QAction*>(QStringLiteral("c32771")) != nullptr, debugFlag[0] == 'T');
        // The toolbar: load defaults, Setup, Alarm, Scope, then History, Graph and Climate, then About.
        QStringList buttons;
        for (QAction* action : frame.toolBar()->actions())
            buttons << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
        EXPECT_EQ(buttons, QStringList({"c32774", "c32783", "c32786", "c32779", "|", "c32785", "c32788", "c32789",
                                        "|", "c57664"}));
        for (int id : {59392, 59393, 57665, 32783, 32786, 32779, 32774, 32785, 32788, 32789, 57664}) {
            QAction* action = frame.findChild<QAction*>(QStringLiteral("c%1").arg(id));
            ASSERT_NE(action, nullptr) << id;
            EXPECT_TRUE(action->isEnabled());
            EXPECT_FALSE(action->statusTip().isEmpty()) << id;
        }
        QAction* toolBarToggle = frame.findChild<QAction*>(QStringLiteral("c59392"));
        toolBarToggle->trigger();
        EXPECT_TRUE(frame.toolBar()->isHidden());
        toolBarToggle->trigger();
        EXPECT_FALSE(frame.toolBar()->isHidden());
    }
}

TEST_F(MainWindowTest, LoadDefaultAsksFirstAndReportsAFailure) {
    World world;
    MainFrame frame(world.context());
    frame.connectionTick();
    // Answer No: the station is left alone.
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Operation Notify"));
        EXPECT_EQ(box->text(), QStringLiteral("Do you want to load default value?"));
        box->button(QMessageBox::No)->click();
    });
    frame.loadDefaultValue();

    // Answer Yes with the station gone: the failure message with the program's title.
    sim.setPlugged(0);
    frame.connectionTick();
    QString failure;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Yes)->click();
    });
    // The report comes once the station's answer is in, off the window's thread.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* report = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!report || report->objectName() != QStringLiteral("loadDefaultFailure")) return;
        failure = report->windowTitle() + QLatin1Char('|') + report->text();
        report->accept();
    });
    poll.start(5);
    frame.loadDefaultValue();
    frame.finishStationWork();
    EXPECT_EQ(failure, QStringLiteral("Nimbrel Radio Controlled|Init weather setup data fail!"));
    sim.setPlugged(1);
}

TEST_F(MainWindowTest, AboutBoxShowsTheConfiguredTexts) {
    World world(french);
    world.config.version = "Nimbrel Version 2.5";
    world.config.softupdate = "https://nimbrel.example/update";
    {
        AboutBox box(world.config, world.texts);
        EXPECT_EQ(box.windowTitle(), QString::fromStdString(world.texts.text(TextRow::aboutNimbrel)));
        EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("c1011"))->text(),
                  QStringLiteral("Nimbrel Version 2.5"));
        auto* link = box.findChild<HyperLink*>(QStringLiteral("c1002"));
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->address(), QStringLiteral("https://nimbrel.example/update"));
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        EXPECT_TRUE(link->isVisible());
        box.grab().save(artifactPath(QStringLiteral("about-box-fr.png")));
    }
    // An empty update address hides the link.
    world.config.softupdate.clear();
    AboutBox box(world.config, world.texts);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_FALSE(box.findChild<HyperLink*>(QStringLiteral("c1002"))->isVisible());
}

TEST_F(MainWindowTest, ViewLampsFollowTheirAlarms) {
    World world;
    WeatherView view(world.context());
    StationSettings settings;
    settings.outTempLowAlarmFlag = "1";
    settings.outTempHighAlarmFlag = "1";
    settings.windDirAlarmFlag = "1";
    AlarmThresholds alarms;
    alarms.outTempLowAlarm = "50";   // 5.0 °C, held in tenths
    alarms.outTempHighAlarm = "300"; // 30.0 °C
    alarms.windDirAlarm = "8";
    WeatherSample reading;
    reading.clear();
    reading[WeatherSample::outTemp] = "2.0";
    reading[WeatherSample::winds] = "3.0";
    reading[WeatherSample::windDir] = "8";
    view.showAlarmLamps(alarms, settings, reading);
    auto state = [&](int id) { return qobject_cast<AlarmLamp*>(view.control(id))->state(); };
    EXPECT_EQ(state(1008), LampState::Lit);      // outdoor low, met
    EXPECT_EQ(state(1007), LampState::Armed);    // outdoor high, not met
    EXPECT_EQ(state(1030), LampState::Lit);      // wind from the alarm's direction
    EXPECT_EQ(state(1003), LampState::Disabled); // indoor high, off
    // A reading of 0 or below never lights a lamp.
    reading[WeatherSample::outTemp] = "-5.0";
    view.showAlarmLamps(alarms, settings, reading);
    EXPECT_EQ(state(1008), LampState::Armed);

    // Every value carries its unit, "---" too; the compass and the bars follow the reading.
    settings.outTempUnit = "°F";
    view.showReading(settings, reading);
    EXPECT_EQ(view.controlText(10015), QStringLiteral("-5.0 °F"));
    EXPECT_EQ(view.controlText(10016), QStringLiteral("--- °F"));
    EXPECT_EQ(view.controlText(10025), QStringLiteral("--- %"));
}

// The tray icon: the outdoor temperature drawn into it, the main values in its tooltip, and a click that
// hides or shows the window. The tooltip says what the window shows, in its spelling of the units. Without
// a tray (this platform has none) the window has no icon.
TEST_F(MainWindowTest, TheTrayIconShowsTheReadingAndAClickHidesOrShowsTheWindow) {
    for (const auto& [shown, drawn] : {std::pair{"12.3 °C", "12°"}, {"-3.5 °F", "-4°"}, {"-0.4 °C", "0°"}, {"--- °C", "--"}, {"", "--"}})
        EXPECT_EQ(TrayIcon::iconText(QString::fromUtf8(shown)), QString::fromUtf8(drawn)) << shown;

    World world;
    MainFrame frame(world.context());
    EXPECT_EQ(frame.trayIcon(), nullptr);
    TrayIcon tray(frame, *frame.view(), world.context().texts);
    const QString title = QStringLiteral("Nimbrel Radio Controlled\n");
    EXPECT_EQ(tray.icon()->toolTip(), title + "Outdoor Temperature: ---\nOutdoor Humidity: ---\nRelative Pressure: ---\n"
                                              "Wind Velocity: ---\n24 hour Rainfall: ---"); // before any reading
    WeatherSample reading;
    reading.clear();
    reading[WeatherSample::outTemp] = "12.3";
    reading[WeatherSample::outHumi] = "87";
    reading[WeatherSample::relPres] = "1019.8";
    reading[WeatherSample::winds] = "2.4";
    reading[WeatherSample::windDirDesc] = "SW";
    reading[WeatherSample::dayRain] = "1.2";
    frame.view()->showReading(StationSettings{}, reading);
    tray.showReading();
    const QString tip = tray.icon()->toolTip();
    EXPECT_TRUE(tip.startsWith(title + "Outdoor Temperature: 12.3 °C\nOutdoor Humidity: 87 %\nRelative Pressure: 1019.8 Hpa\n"
                                       "Wind Velocity: 2.4 m/s SW\n24 hour Rainfall: 1.2 mm\nLast Read Time: "))
        << tip.toStdString();

    frame.show();
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(frame.isVisible());
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(frame.isVisible());
}

TEST_F(MainWindowTest, SecondCopyIsRefusedAndBringsTheFirstForward) {
    const QString key = QStringLiteral("nimbrel-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(key);
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    SingleInstance second(key);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(raised.wait(5000));

    // The whole start-up: a second copy ends at once with exit code 0, the first comes forward.
    testing::TempDir folder;
    folder.write("Nimbrel.ini", "[communication]\nUsbLibrary=libnimbrel-sim.so\nSearchData=false\n");
    const std::string dir = "--dir=" + folder.path().string();
    char program[] = "nimbrel";
    char* argv[] = {program, const_cast<char*>(dir.c_str()), nullptr};
    const QString startKey = key + QStringLiteral("-startup");
    AppStartup running(startKey);
    ASSERT_TRUE(running.start(2, argv));
    ASSERT_NE(running.frame(), nullptr);
    running.frame()->showMinimized();
    AppStartup again(startKey);
    EXPECT_FALSE(again.start(2, argv));
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_EQ(again.frame(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !running.frame()->isMinimized(); }, 5000));

    // One copy per data folder: another name for the same folder is the same folder; another folder
    // gets a window of its own.
    const std::filesystem::path link = folder.path().string() + "-link";
    std::filesystem::create_directory_symlink(folder.path(), link);
    const std::string linkDir = "--dir=" + link.string();
    char* linkArgv[] = {program, const_cast<char*>(linkDir.c_str()), nullptr};
    AppStartup throughLink(startKey);
    EXPECT_FALSE(throughLink.start(2, linkArgv));
    std::filesystem::remove(link);
    testing::TempDir otherFolder;
    otherFolder.write("Nimbrel.ini", "[communication]\nSearchData=false\n");
    const std::string otherDir = "--dir=" + otherFolder.path().string();
    char* otherArgv[] = {program, const_cast<char*>(otherDir.c_str()), nullptr};
    AppStartup other(startKey);
    EXPECT_TRUE(other.start(2, otherArgv));
    EXPECT_NE(other.frame(), nullptr);
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> filesOf(const testing::TempDir& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        files[entry.path().filename().string()] = folder.read(entry.path().filename().string());
    return files;
}

// A line of the history file (base units) with the values the reader tests look at; the rest fixed.
std::string storedLine(int id, const char* outTemp, const char* relPres, const char* hourRain) {
    char line[400];
    std::snprintf(
        line, sizeof line,
        "%4d, 2024-03-10 11:5%d:00, 2024-03-10 11:5%d:00,   5,     44,  21.5,   71,  %s,   7.4,  12.5,"
        "    1002.9,  %s,    1.2,    1,  2.3,    2,      4,      E,    1,  37003,  3700.3,       0.3,"
        "     %s,     1.2,     5.6,    10.4,      3700.3,     ,   ,   ,   ,  0,  0,  0,  0,   000110\r\n",
        id, id, id, outTemp, relPres, hourRain);
    return line;
}

// A window on a folder that the logger holds shows its newest stored record, follows the file as it
// grows, leaves the station alone and writes nothing in the folder.
TEST_F(MainWindowTest, AWindowOnALoggedFolderReadsItsNewestRecord) {
    testing::TempDir folder;
    folder.write("Nimbrel.ini", "[communication]\r\nUsbLibrary=libnimbrel-sim.so\r\n");
    folder.write("AboutWeather.ini", "[about]\r\nversion=Nimbrel Version 3.1\r\n");
    folder.write("Nimbrel.dat",
                 storedLine(1, "14.0", "1011.7", "0.0") + storedLine(2, "12.5", "1010.9", "0.3"));
    // The logger's delete of records, half way: its new file is the logger's to finish, not ours to remove.
    folder.write("Nimbrel.dat.rewrite-a1B2c3", "   1, half a rewrite\r\n");
    FolderLock logger(folder.path()); // stands for `nimbrel-cli log` on this folder
    ASSERT_TRUE(logger.acquired());
    std::map<std::string, std::string> before = filesOf(folder);

    const std::string dir = "--dir=" + folder.path().string();
    char program[] = "nimbrel";
    char* argv[] = {program, const_cast<char*>(dir.c_str()), nullptr};
    // Not closed, but ended: closing would keep its size in the user's own window.ini.
    auto reader = std::make_unique<AppStartup>(
        QStringLiteral("nimbrel-test-reader-%1").arg(QCoreApplication::applicationPid()));
    ASSERT_TRUE(reader->start(2, argv));
    EXPECT_EQ(reader->access(), FolderAccess::readerLocked);
    EXPECT_EQ(reader->configuration().version, "Nimbrel Version 3.1"); // shown, not merged
    MainFrame& frame = *reader->frame();
    frame.resize(1366, 740);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const WeatherView& view = *frame.view();
    EXPECT_EQ(view.controlText(10015), QStringLiteral("12.5 °C"));
    EXPECT_EQ(view.controlText(10025), QStringLiteral("71 %"));
    EXPECT_EQ(view.controlText(10220), QStringLiteral("1010.9 Hpa"));
    EXPECT_EQ(view.controlText(1048), QStringLiteral("0.3 mm"));
    const QString said =
        QStringLiteral("Another program logs this folder: showing its newest stored record.");
    EXPECT_EQ(frame.statusPane()->text(), said);
    EXPECT_FALSE(view.monitorRunning());
    // Writing the station is the logger's; reading the history is anybody's.
    for (const char* id : {"c32783", "c32786", "c32774"})
        EXPECT_FALSE(frame.findChild<QAction*>(QString::fromLatin1(id))->isEnabled()) << id;
    for (const char* id : {"c32779", "c32785", "c32788", "c32789"})
        EXPECT_TRUE(frame.findChild<QAction*>(QString::fromLatin1(id))->isEnabled()) << id;

    const std::string newest = storedLine(3, "-3.5", "1009.0", "0.5");
    std::ofstream(folder / "Nimbrel.dat", std::ios::binary | std::ios::app) << newest;
    before["Nimbrel.dat"] += newest;
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.controlText(10015) == QStringLiteral("-3.5 °C"); }, 5000));
    EXPECT_EQ(view.controlText(10220), QStringLiteral("1009.0 Hpa"));
    // A second and more on, the simulated station is still unasked and the status line still says why.
    QTest::qWait(MainFrame::kConnectionTimerMs + 200);
    EXPECT_FALSE(frame.connectionPane()->isConnected());
    EXPECT_EQ(frame.statusPane()->text(), said);
    frame.grab().save(artifactPath(QStringLiteral("reader-window.png")));
    reader.reset();
    EXPECT_EQ(filesOf(folder), before);
}

// A History search over years holds the store; a reader's window still shows the newest line at once.
// Its History window empties neither history.
TEST_F(MainWindowTest, AReaderNeverWaitsForAHistorySearchAndClearsNothing) {
    World world(english, false);
    AppContext context = world.context();
    context.access = FolderAccess::readerNotWritable;
    const std::filesystem::path file = world.folder / "Nimbrel.dat";
    std::ofstream(file, std::ios::binary) << storedLine(1, "14.0", "1011.7", "0.0");
    MainFrame frame(context);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    HistoryDialog history(context, UnitSelection{});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !history.working(); })); // its search enables the rest again
    EXPECT_FALSE(history.findChild<QPushButton*>(QStringLiteral("c1019"))->isEnabled()); // Clear Data
    EXPECT_FALSE(history.findChild<QPushButton*>(QStringLiteral("c1031"))->isEnabled()); // Clear Memory

    std::promise<void> inside, release;
    std::thread search([&] {
        world.store->readBackward([&](const WeatherSample&) {
            inside.set_value();
            release.get_future().wait_for(std::chrono::seconds(3)); // a wrong window would wait this long
            return false;
        });
    });
    inside.get_future().wait();
    std::ofstream(file, std::ios::binary | std::ios::app) << storedLine(2, "15.5", "1011.0", "0.0");
    QElapsedTimer shown;
    shown.start();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return frame.view()->controlText(10015) == QStringLiteral("15.5 °C"); }));
    EXPECT_LT(shown.elapsed(), 2500);
    release.set_value();
    search.join();
}

TEST_F(MainWindowTest, ScreenshotInEveryLanguage) {
    const char* names[kLanguageCount] = {"en", "de", "da", "nl", "fr"};
    for (int language = 0; language < kLanguageCount; ++language) {
        sim.reset("seed=1 start=1700000000 speed=0");
        World world(language);
        MainFrame frame(world.context());
        frame.setGeometry(0, 0, 1366, 740);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        ASSERT_TRUE(waitForFirstReading(frame)) << names[language];
        // Nothing of the view may be squeezed below the size its texts need.
        EXPECT_LE(frame.minimumSizeHint().width(), 1366) << names[language];
        EXPECT_LE(frame.minimumSizeHint().height(), 740) << names[language];
        const QString path = artifactPath(QStringLiteral("main-window-%1.png").arg(names[language]));
        EXPECT_TRUE(frame.grab().save(path)) << path.toStdString();
        if (language == english) {
            // And on a large screen, where the groups share the extra room.
            frame.setGeometry(0, 0, 1920, 1050);
            QTest::qWait(20);
            EXPECT_TRUE(frame.grab().save(artifactPath(QStringLiteral("main-window-en-1920.png"))));
        }
        frame.close();
    }
}

} // namespace
} // namespace nimbrel
