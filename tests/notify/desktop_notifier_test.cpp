// The desktop notifier against a stand-in for the desktop's notification service, on a private session
// bus that this test program starts for itself.
#include "notify/desktop_notifier.h"
#include "tests/support/temp_dir.h"
#include "tools/nimbrel-cli/desktop_notifier_loader.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const std::string kNoService =
    "Desktop notifications: no notification service on the session bus; alerts are not shown on the desktop";

// The desktop's own bus and notification service are never touched. The bus has no service files, so
// nothing is started on demand: without the stand-in there is no service at all.
class PrivateSessionBus : public ::testing::Environment {
public:
    void SetUp() override {
        folder_.emplace();
        folder_->write("bus.conf",
                       "<busconfig><type>session</type><listen>unix:dir=" + folder_->path().string() +
                           "</listen><policy context=\"default\"><allow send_destination=\"*\" "
                           "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                           "</policy></busconfig>");
        const std::string config = "--config-file=" + (*folder_ / "bus.conf").string();
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        daemon_ = fork();
        if (daemon_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            prctl(PR_SET_PDEATHSIG, SIGTERM); // gone with the test, even when it crashes
            execlp("dbus-daemon", "dbus-daemon", config.c_str(), "--print-address", "--nofork", nullptr);
            _exit(127);
        }
        close(out[1]);
        std::string address;
        for (char c; read(out[0], &c, 1) == 1 && c != '\n';) address += c;
        close(out[0]);
        ASSERT_FALSE(address.empty()) << "dbus-daemon (package dbus-daemon) did not start";
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    }
    void TearDown() override {
        if (daemon_ <= 0) return;
        kill(daemon_, SIGTERM);
        waitpid(daemon_, nullptr, 0);
    }

private:
    std::optional<testing::TempDir> folder_;
    pid_t daemon_ = -1;
};
[[maybe_unused]] const auto* const kBus = ::testing::AddGlobalTestEnvironment(new PrivateSessionBus);

// The notification service as the desktop runs it, reduced to Notify: it records every call and answers
// with ids of its own from `firstId` on. It answers on the thread of Qt's bus connections, so it needs no
// event loop of the test's.
class FakeNotificationService final : public QDBusVirtualObject {
public:
    struct Call {
        QString app, icon, summary, body;
        uint replaces = 0;
        int urgency = -1, expire = 0;
    };
    // Answered at once; recorded but not answered until told otherwise; answered with an error.
    enum class Answer { now, hold, fail };

    explicit FakeNotificationService(uint firstId)
        : name_(QStringLiteral("fake-service-%1").arg(++count_)),
          bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name_)), nextId_(firstId) {
        EXPECT_TRUE(bus_.registerVirtualObject(kPath, this));
        moveToThread(bus_.interface()->thread());
        EXPECT_TRUE(bus_.registerService(kService));
    }
    ~FakeNotificationService() override {
        answer(Answer::now);
        bus_.unregisterService(kService);
        bus_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus(name_);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        const QList<QVariant> a = message.arguments();
        if (message.member() != "Notify" || a.size() != 8) return false;
        const QVariantMap hints = qdbus_cast<QVariantMap>(a[6]);
        const QVariant urgency = hints.value("urgency");
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back({a[0].toString(), a[2].toString(), a[3].toString(), a[4].toString(), a[1].toUInt(),
                          urgency.typeId() == QMetaType::UChar ? urgency.toInt() : -1, a[7].toInt()});
        const uint id = a[1].toUInt() ? a[1].toUInt() : nextId_++;
        if (answer_ == Answer::fail) {
            bus.send(
                message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"), "not now"));
        } else if (answer_ == Answer::hold) {
            message.setDelayedReply(true);
            waiting_.push_back(message.createReply(QVariant::fromValue(id)));
        } else {
            bus.send(message.createReply(QVariant::fromValue(id)));
        }
        changed_.notify_all();
        return true;
    }

    // The calls so far, once there are `count` of them (or after 10 s).
    std::vector<Call> calls(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return calls_.size() >= count; });
        return calls_;
    }
    // From now on; calls held so far are answered when no longer held.
    void answer(Answer answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = answer;
        if (answer == Answer::hold) return;
        for (const QDBusMessage& reply : waiting_) bus_.send(reply);
        waiting_.clear();
    }

private:
    static inline std::atomic<int> count_{0};
    QString name_;
    QDBusConnection bus_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
    std::vector<QDBusMessage> waiting_;
    uint nextId_;
    Answer answer_ = Answer::now;
};

// What the status line was told, from the notifier's thread.
struct StatusLine {
    std::mutex mutex;
    std::vector<std::string> texts;
    std::function<void(const std::string&)> sink() {
        return [this](const std::string& text) {
            std::lock_guard<std::mutex> lock(mutex);
            texts.push_back(text);
        };
    }
    std::vector<std::string> said() {
        std::lock_guard<std::mutex> lock(mutex);
        return texts;
    }
};

Alert alertOf(const std::string& id, bool on, const std::string& title, const std::string& message = "",
              bool initial = false) {
    Alert alert;
    alert.id = id;
    alert.on = on;
    alert.title = title;
    alert.message = message;
    alert.initial = initial;
    return alert;
}

// As in the window: a QApplication exists, though the notifier needs neither it nor its event loop.
class DesktopNotifierTest : public ::testing::Test {
protected:
    int argc_ = 1;
    char name_[5] = "test";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
    StatusLine status_;
};

TEST_F(DesktopNotifierTest, AnAlertIsShownAndItsEndReplacesItsNotification) {
    FakeNotificationService service(41);
    DesktopNotifier notifier(status_.sink(), "Nimbrel");
    notifier.alert(alertOf("outdoor_temperature_high", true, "Outdoor Temperature High",
                           "31.2 °C, above the threshold of 30.0 °C"));
    notifier.alert(alertOf("station_problem", true, "Station Problem", "The station does not answer"));
    notifier.alert(
        alertOf("outdoor_temperature_high", false, "Outdoor Temperature High", "Back to normal: 28.1 °C"));

    const auto calls = service.calls(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].app, "Nimbrel");
    EXPECT_EQ(calls[0].icon, "org.nimbrel.Nimbrel");
    EXPECT_EQ(calls[0].summary, "Outdoor Temperature High");
    EXPECT_EQ(calls[0].body, "31.2 °C, above the threshold of 30.0 °C");
    EXPECT_EQ(calls[0].replaces, 0u);
    EXPECT_EQ(calls[0].urgency, 2);
    EXPECT_EQ(calls[0].expire, -1);
    // Another alert has a notification of its own.
    EXPECT_EQ(calls[1].summary, "Station Problem");
    EXPECT_EQ(calls[1].replaces, 0u);
    // Back to normal replaces the first notification (id 41), as a normal one.
    EXPECT_EQ(calls[2].body, "Back to normal: 28.1 °C");
    EXPECT_EQ(calls[2].replaces, 41u);
    EXPECT_EQ(calls[2].urgency, 1);
    EXPECT_EQ(status_.said(), std::vector<std::string>{});
}

TEST_F(DesktopNotifierTest, EachCrossingIsShownOnceAndAStateKnownAtStartIsNot) {
    FakeNotificationService service(7);
    DesktopNotifier notifier(status_.sink(), "Nimbrel");
    notifier.alert(alertOf("pressure_low", true, "Pressure Low", "", true));
    notifier.alert(alertOf("humidity_high", false, "Humidity High", "", true));
    for (int i = 0; i < 3; ++i) {
        notifier.alert(alertOf("pressure_low", true, "Pressure Low"));
        notifier.alert(alertOf("pressure_low", false, "Pressure Low"));
    }
    notifier.alert(
        alertOf("save_failed", true, "Save Failed")); // the last in the queue: all before it are done

    const auto calls = service.calls(7);
    ASSERT_EQ(calls.size(), 7u);
    // A new episode replaces the notification of the last one's end: one notification throughout.
    const uint replaces[] = {0, 7, 7, 7, 7, 7};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(calls[i].summary, "Pressure Low") << i;
        EXPECT_EQ(calls[i].replaces, replaces[i]) << i;
        EXPECT_EQ(calls[i].urgency, i % 2 == 0 ? 2 : 1) << i;
    }
    EXPECT_EQ(calls[6].summary, "Save Failed");
    EXPECT_EQ(calls[6].replaces, 0u);
}

TEST_F(DesktopNotifierTest, WithoutAServiceAlertsAreSkippedAndTheStatusLineIsToldOnce) {
    DesktopNotifier notifier(status_.sink(), "Nimbrel");
    notifier.alert(alertOf("pressure_low", true, "Pressure Low"));
    while (status_.said().empty()) std::this_thread::sleep_for(10ms);
    // A service that fails the call is no service either; one that works later shows the next alert.
    FakeNotificationService service(3);
    service.answer(FakeNotificationService::Answer::fail);
    notifier.alert(alertOf("pressure_low", false, "Pressure Low"));
    ASSERT_EQ(service.calls(1).size(), 1u);
    service.answer(FakeNotificationService::Answer::now);
    notifier.alert(alertOf("no_new_reading", true, "No New Reading"));

    const auto calls = service.calls(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].summary, "No New Reading");
    EXPECT_EQ(status_.said(),
              std::vector<std::string>{kNoService + " (The name org.freedesktop.Notifications was not "
                                                    "provided by any .service files)"});
}

TEST_F(DesktopNotifierTest, AServiceStartedAgainIsNotGivenTheIdsOfTheOneBefore) {
    DesktopNotifier notifier(status_.sink(), "Nimbrel");
    {
        FakeNotificationService first(5);
        notifier.alert(alertOf("pressure_low", true, "Pressure Low"));
        ASSERT_EQ(first.calls(1).size(), 1u);
    }
    FakeNotificationService second(5);
    notifier.alert(alertOf("pressure_low", false, "Pressure Low"));
    const auto calls = second.calls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].replaces, 0u);
}

TEST_F(DesktopNotifierTest, AServiceThatDoesNotAnswerHoldsTheEndOnlyAsLongAsOneCall) {
    FakeNotificationService service(1);
    service.answer(FakeNotificationService::Answer::hold);
    const auto begin = std::chrono::steady_clock::now();
    {
        DesktopNotifier notifier(status_.sink(), "Nimbrel");
        notifier.alert(alertOf("pressure_low", true, "Pressure Low"));
        ASSERT_EQ(service.calls(1).size(), 1u);
        for (int i = 0; i < 5; ++i) notifier.alert(alertOf("pressure_low", i % 2 == 1, "Pressure Low"));
    } // waits for the call under way, then drops the five still queued
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(took, 2s);
    EXPECT_LT(took, 5s);
    EXPECT_EQ(service.calls(1).size(), 1u);
    EXPECT_EQ(status_.said(), std::vector<std::string>{kNoService + " (it did not answer within 3 s)"});
}

TEST_F(DesktopNotifierTest, AFullQueueLetsTheOldestAlertsGo) {
    FakeNotificationService service(1);
    service.answer(FakeNotificationService::Answer::hold);
    DesktopNotifier notifier(status_.sink(), "Nimbrel");
    notifier.alert(alertOf("a", true, "0"));
    ASSERT_EQ(service.calls(1).size(), 1u);
    for (int i = 1; i <= 70; ++i) notifier.alert(alertOf("a", true, std::to_string(i)));
    service.answer(FakeNotificationService::Answer::now);

    // 64 wait: 7 to 70; 1 to 6 made room.
    const auto calls = service.calls(65);
    ASSERT_EQ(calls.size(), 65u);
    EXPECT_EQ(calls[1].summary, "7");
    EXPECT_EQ(calls[64].summary, "70");
}

// nimbrel-cli's way: the notifier from the built library, in a program without a QCoreApplication.
TEST(DesktopNotifierLibrary, ShowsAnAlertWithoutAQCoreApplication) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    FakeNotificationService service(9);
    std::string why;
    std::unique_ptr<AlertSink> notifier = cli::loadDesktopNotifier(
        NIMBREL_BIN_DIR "/libnimbrel-notify.so", [](const std::string&) {}, why);
    ASSERT_NE(notifier, nullptr) << why;
    notifier->alert(alertOf("wind_high", true, "Wind High", "20.1 m/s"));
    const auto calls = service.calls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].summary, "Wind High");
    EXPECT_EQ(calls[0].body, "20.1 m/s");
    notifier.reset();

    // A missing library, and a library without the entry points: no notifier, and why.
    EXPECT_EQ(cli::loadDesktopNotifier(NIMBREL_BIN_DIR "/libnimbrel-none.so", {}, why), nullptr);
    EXPECT_NE(why.find("libnimbrel-none.so"), std::string::npos) << why;
    EXPECT_EQ(cli::loadDesktopNotifier(NIMBREL_BIN_DIR "/libnimbrel-sim.so", {}, why), nullptr);
    EXPECT_NE(why.find("nimbrel_make_desktop_notifier"), std::string::npos) << why;
}

} // namespace
} // namespace nimbrel
