// The window never waits for the station or for the polling thread: a first download over the simulator
// while the user opens Setup and runs a History search, and a first download while the window's own
// thread is held up.
#include "app/acquisition_session.h"
#include "station/station_access.h"
#include "store/history_store.h"
#include "tests/ui/sim_controls.h"
#include "tests/ui/sim_world.h"
#include "ui/history_dialog.h"
#include "ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define NIMBREL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NIMBREL_SANITIZED 1
#endif
#endif

namespace nimbrel {
namespace {

using testing::SimControls;
using testing::World;

#ifdef NIMBREL_SANITIZED
constexpr qint64 kLongestGapMs = 300;
#else
constexpr qint64 kLongestGapMs = 100;
#endif

// The link's waits twenty times shorter, so a download of 1,000 records takes a second or two and is
// mostly those waits; the waits of the busy protocol (a second each) as long as on a real station, so a
// window that waited for the station on its own thread would freeze as a user would see it.
class ShortLinkClock final : public Clock {
public:
    TimePoint now() override { return std::chrono::system_clock::now(); }
    void sleepFor(std::chrono::milliseconds duration) override {
        if (duration >= std::chrono::seconds(1))
            std::this_thread::sleep_for(duration);
        else
            std::this_thread::sleep_for(std::chrono::duration_cast<std::chrono::microseconds>(duration) / 20);
    }
};

// World's station and history file over the clock above.
struct ShortLinkWorld : World {
    ShortLinkWorld() {
        station = std::make_unique<StationAccess>(loadUsbLibrary(testing::kSimLibrary), linkClock, false);
        store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), linkClock);
        store->open();
    }
    AppContext context() {
        return AppContext{config, texts, *station, *store, station->clock(), folder.path()};
    }
    ShortLinkClock linkClock;
};

// The longest time the user-interface thread went without handling its events, from a timer that
// wants to run every 5 ms.
class EventLoopWatchdog {
public:
    EventLoopWatchdog() {
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, sinceLast_.restart()); });
        sinceLast_.start();
        timer_.start(5);
    }
    qint64 longest() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer sinceLast_;
    qint64 longest_ = 0;
};

class WindowNeverWaitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ready());
        resetStation();
    }
    // The simulator's clock stands still, so no record is completed during a download; it holds
    // 1,000 records.
    void resetStation() {
        sim.reset("seed=1 start=1700000000 speed=0");
        sim.put(0x1B, {0xE8, 0x03});
    }
    SimControls sim;
};

std::uintmax_t storedBytes(const World& world) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(world.folder / "Nimbrel.dat", ec);
    return ec ? 0 : size;
}

// Closes the modal window named `name` once `ready` says it is, and notes when that was; after 5 s it
// closes it unready. A message box on the way is noted and answered.
class ModalCloser {
public:
    ModalCloser(const QString& name, std::function<bool(QWidget*)> ready) {
        QObject::connect(&poll_, &QTimer::timeout, [this, name, ready] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                told << box->text();
                box->accept();
                return;
            }
            if (!modal || modal->objectName() != name) return;
            if (ready(modal))
                readyAfterMs = since_.elapsed();
            else if (since_.elapsed() < 5000)
                return;
            modal->close();
        });
        since_.start();
        poll_.start(5);
    }
    qint64 readyAfterMs = -1;
    QStringList told;

private:
    QTimer poll_;
    QElapsedTimer since_;
};

// What one run of the first test saw.
struct DownloadWithWindows {
    QStringList toldBySetup;
    qint64 setupReadyMs = -1;       // from the click to the station's values shown
    bool downloadBeforeSetup = true; // the download was still under way when Setup opened
    qint64 historyReadyMs = -1;
    std::string lastStoredId;
    qint64 longestGapMs = -1;

    bool met() const {
        return toldBySetup.isEmpty() && setupReadyMs >= 0 && setupReadyMs <= 2000 && downloadBeforeSetup &&
               historyReadyMs >= 0 && lastStoredId == "1000" && longestGapMs < kLongestGapMs;
    }
};

DownloadWithWindows runDownloadWithWindows() {
    DownloadWithWindows seen;
    ShortLinkWorld world;
    MainFrame frame(world.context());
    frame.resize(1000, 700);
    EventLoopWatchdog watchdog;
    frame.show();
    if (!QTest::qWaitFor([&] { return frame.progressBar()->isVisible(); }, 10000)) return seen;
    {
        ModalCloser setup(QStringLiteral("setupDialog"), [](QWidget* dialog) {
            return dialog->isEnabled() &&
                   dialog->findChild<QPushButton*>(QStringLiteral("c1028"))->isEnabled() &&
                   dialog->findChild<QLineEdit*>(QStringLiteral("c1233"))->text() == QStringLiteral("5");
        });
        frame.findChild<QAction*>(QStringLiteral("c32783"))->trigger();
        seen.toldBySetup = setup.told;
        seen.setupReadyMs = setup.readyAfterMs;
    }
    seen.downloadBeforeSetup = storedBytes(world) == 0;
    {
        ModalCloser history(QStringLiteral("historyDialog"),
                            [](QWidget* dialog) { return !qobject_cast<HistoryDialog*>(dialog)->working(); });
        frame.findChild<QAction*>(QStringLiteral("c32785"))->trigger();
        seen.historyReadyMs = history.readyAfterMs;
    }
    // The download goes on after Setup had its turn, whole.
    if (!QTest::qWaitFor([&] { return storedBytes(world) > 0 && !frame.progressBar()->isVisible(); }, 30000))
        return seen;
    WeatherSample last;
    if (world.store->readLastRecord(last)) seen.lastStoredId = last[WeatherSample::ID];
    seen.longestGapMs = watchdog.longest();
    return seen;
}

// Timing on a shared machine: a run that another process's load spoiled is run again, up to three
// times in all. A window that waits for the station misses the bounds by seconds, every time.
constexpr int kTries = 3;

TEST_F(WindowNeverWaitsTest, SetupAndAHistorySearchDuringAFirstDownload) {
    DownloadWithWindows seen;
    for (int attempt = 0; attempt < kTries && !seen.met(); ++attempt) {
        if (attempt > 0) resetStation();
        seen = runDownloadWithWindows();
    }
    EXPECT_EQ(seen.toldBySetup, QStringList());
    // Setup, opened halfway through the download, shows the station's values within 2 s.
    EXPECT_GE(seen.setupReadyMs, 0);
    EXPECT_LE(seen.setupReadyMs, 2000);
    EXPECT_TRUE(seen.downloadBeforeSetup) << "the download was over before Setup opened";
    EXPECT_GE(seen.historyReadyMs, 0);
    EXPECT_EQ(seen.lastStoredId, "1000");
    EXPECT_LT(seen.longestGapMs, kLongestGapMs);
    std::printf("Setup showed the station's values %lld ms after it was opened; longest wait of the "
                "window's events: %lld ms\n",
                static_cast<long long>(seen.setupReadyMs), static_cast<long long>(seen.longestGapMs));
}

// From the first frame sent to the station to the last one of the first download (the station is not
// asked again until the next cycle), timed off the window's thread, with the window's thread held up
// for `holdMs` from the first progress on.
double firstDownloadSeconds(const SimControls& sim, int holdMs) {
    ShortLinkWorld world;
    MainFrame frame(world.context());
    std::atomic<bool> stored{false};
    std::chrono::steady_clock::time_point start, end;
    const unsigned long framesBefore = sim.frames();
    std::thread timing([&] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (sim.frames() == framesBefore && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        start = end = std::chrono::steady_clock::now();
        for (unsigned long seen = sim.frames();
             storedBytes(world) == 0 && std::chrono::steady_clock::now() < giveUp;) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            if (const unsigned long now = sim.frames(); now != seen) {
                seen = now;
                end = std::chrono::steady_clock::now();
            }
        }
        stored = true;
    });
    frame.show();
    if (QTest::qWaitFor([&] { return frame.progressBar()->isVisible(); }, 10000) && holdMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs)); // the window's thread, held up
    if (!QTest::qWaitFor([&] { return stored.load(); }, 30000)) ADD_FAILURE() << "nothing stored";
    timing.join();
    EXPECT_GT(storedBytes(world), 0u);
    return std::chrono::duration<double>(end - start).count();
}

TEST_F(WindowNeverWaitsTest, AHeldUpWindowDoesNotSlowAFirstDownload) {
    double free1 = 0, held = 0, free2 = 0;
    // The held-up run is timed between two free ones, so a machine that slows down meanwhile does not
    // count against it.
    for (int attempt = 0; attempt < kTries && (attempt == 0 || held > 1.02 * std::max(free1, free2));
         ++attempt) {
        if (attempt > 0) resetStation();
        free1 = firstDownloadSeconds(sim, 0);
        resetStation();
        held = firstDownloadSeconds(sim, 5000);
        resetStation();
        free2 = firstDownloadSeconds(sim, 0);
    }
    std::printf("first download: %.3f s, %.3f s with the window's thread free; %.3f s with it held up\n", free1,
                free2, held);
    EXPECT_LE(held, 1.02 * std::max(free1, free2)) << "free " << free1 << " s, " << free2 << " s";
    EXPECT_LT(std::max(free1, free2), 5.0); // the hold lasts past the whole download
}

} // namespace
} // namespace nimbrel
