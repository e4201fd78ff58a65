// The alert command against real shell scripts: its environment and descriptors, how its end is told,
// the time limit, the order of one alert's runs, and a prompt end when the program closes.
#include "app/alert_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/time_zone_scope.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// The status line as the command's threads fill it.
class StatusTexts {
public:
    std::function<void(const std::string&)> sink() {
        return [this](const std::string& text) {
            std::lock_guard lock(mutex_);
            texts_.push_back(text);
            changed_.notify_all();
        };
    }
    std::vector<std::string> waitFor(std::size_t count, std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return texts_.size() >= count; });
        return texts_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> texts_;
};

// Scripts in a fresh folder, which they find in $DIR (inherited like any of the program's variables).
class AlertCommandTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("DIR", dir.path().c_str(), 1); }
    void TearDown() override { unsetenv("DIR"); }

    std::string script(const std::string& body) {
        dir.write("alert.sh", "#!/bin/sh\n" + body);
        std::filesystem::permissions(dir / "alert.sh", std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
        return (dir / "alert.sh").string();
    }
    std::string heading(const std::string& program, const std::string& id, bool on) const {
        return "Alert command " + program + " (" + id + (on ? " on): " : " off): ");
    }

    testing::TempDir dir;
    StatusTexts status;
};

Alert alertOf(const std::string& id, bool on) {
    Alert alert;
    alert.id = id;
    alert.on = on;
    return alert;
}

// The process is gone within a second; `orZombie`: or is a zombie, as an orphaned child of a script
// stays until the system's first process reaps it.
bool processGone(const std::string& pidLine, bool orZombie) {
    const std::string stat = "/proc/" + pidLine.substr(0, pidLine.find('\n')) + "/stat";
    for (int i = 0; i < 50; ++i, std::this_thread::sleep_for(20ms)) {
        std::ifstream file(stat);
        const std::string all((std::istreambuf_iterator<char>(file)), {});
        if (all.empty() || (orZombie && all.substr(all.rfind(')') + 2, 1) == "Z")) return true;
    }
    return false;
}

TEST_F(AlertCommandTest, PassesTheAlertInItsEnvironmentWithNothingElseOpen) {
    testing::TimeZoneScope zone("UTC0");
    setenv("NIMBREL_VALUE", "stale", 1);
    const std::string program = script(R"sh(fd=/proc/$$/fd
printf '%s|' "$NIMBREL_ALERT" "$NIMBREL_STATE" "$NIMBREL_VALUE" "$NIMBREL_THRESHOLD" "$NIMBREL_UNIT" \
  "$NIMBREL_TIME" "$(readlink $fd/0)" "$(readlink $fd/1)" > "$DIR/$NIMBREL_ALERT.env"
ls -l $fd > "$DIR/$NIMBREL_ALERT.fds"
)sh");
    {
        AlertCommand command(program, status.sink());
        Alert high = alertOf("outdoor_temperature_high", true);
        high.value = "31.2";
        high.threshold = "30.0";
        high.unit = "°C";
        high.time = 1700000000;
        command.alert(high);
        Alert problem = alertOf("station_problem", false);
        problem.time = 1700000000 + 59;
        command.alert(problem);
        status.waitFor(2);
    }
    unsetenv("NIMBREL_VALUE");
    EXPECT_EQ(dir.read("outdoor_temperature_high.env"),
              "outdoor_temperature_high|on|31.2|30.0|°C|2023-11-14 22:13:20|/dev/null|/dev/null|");
    EXPECT_EQ(dir.read("station_problem.env"),
              "station_problem|off||||2023-11-14 22:14:19|/dev/null|/dev/null|");
    // Standard error is the one pipe it holds: nothing of the other run's or of this program's.
    const std::string fds = dir.read("station_problem.fds");
    EXPECT_EQ(fds.find("pipe:"), fds.rfind("pipe:")) << fds;
    EXPECT_NE(fds.find(" 2 -> pipe:"), std::string::npos) << fds;
}

TEST_F(AlertCommandTest, TellsHowTheCommandEnded) {
    const std::string mine = (dir / "alert.sh").string();
    const std::string missing = (dir / "missing.sh").string();
    const struct {
        std::string program;
        std::string body;
        std::string expected;
    } cases[] = {
        {mine, "echo $$ > \"$DIR/pid\"\necho fine\n", "exit status 0"},
        {mine, "printf 'disk\\tfull\\r\\nsecond\\n' >&2\nexit 3\n", "exit status 3: disk?full"},
        {mine, "echo 'cut off' >&2\nkill -9 $$\n", "ended by signal 9: cut off"},
        {missing, "", "cannot be run: No such file or directory"},
        {"true", "", "exit status 0"}, // a bare name is looked up in PATH
    };
    for (const auto& c : cases) {
        script(c.body);
        StatusTexts texts;
        AlertCommand command(c.program, texts.sink());
        command.alert(alertOf("save_failed", true));
        EXPECT_EQ(texts.waitFor(1), std::vector{heading(c.program, "save_failed", true) + c.expected});
    }
    // Reaped: no zombie of the first run left behind.
    EXPECT_TRUE(processGone(dir.read("pid"), false));
}

TEST(AlertCommand, FirstLineIsCutWholeCharactersAndControlsMadeVisible) {
    EXPECT_EQ(commandFirstLine(std::string(200, 'x') + "\nmore"), std::string(200, 'x'));
    EXPECT_EQ(commandFirstLine(std::string(201, 'x')), std::string(200, 'x'));
    // "°" is two bytes: at bytes 200-201 it would be cut in half, so it goes whole.
    EXPECT_EQ(commandFirstLine(std::string(199, 'e') + "°C"), std::string(199, 'e'));
    EXPECT_EQ(commandFirstLine(std::string(198, 'e') + "°C"), std::string(198, 'e') + "°");
    EXPECT_EQ(commandFirstLine("a\x1b[1mb\x7f\r\n"), "a?[1mb?");
}

TEST_F(AlertCommandTest, StopsTheWholeGroupAtTheTimeLimit) {
    const struct {
        std::string body;
        std::chrono::milliseconds atLeast;
        std::chrono::milliseconds below;
    } cases[] = {
        // SIGTERM ends the script and the sleep it started at once.
        {"sleep 5 &\necho $! > \"$DIR/child\"\nwait\n", 300ms, 1000ms},
        // Both ignore SIGTERM: SIGKILL a second later.
        {"trap '' TERM\nsleep 5 &\necho $! > \"$DIR/child\"\nwait\n", 1300ms, 2500ms},
    };
    for (const auto& c : cases) {
        const std::string program = script(c.body);
        StatusTexts texts;
        AlertCommand command(program, texts.sink(), 300ms);
        const auto start = Steady::now();
        command.alert(alertOf("station_problem", true));
        EXPECT_EQ(texts.waitFor(1), std::vector{heading(program, "station_problem", true) +
                                                "did not end within 300 ms and was stopped"});
        const auto took = Steady::now() - start;
        EXPECT_GE(took, c.atLeast) << c.body;
        EXPECT_LT(took, c.below) << c.body;
        EXPECT_TRUE(processGone(dir.read("child"), true)) << c.body;
    }
}

TEST_F(AlertCommandTest, RunsOneAlertInOrderAndDifferentAlertsSideBySide) {
    const std::string program = script(R"sh(case $NIMBREL_ALERT in
first) for i in 1 2 3 4 5 6 7 8 9 10; do [ -e "$DIR/second" ] && exit 0; sleep 0.1; done; exit 1 ;;
second) touch "$DIR/second" ;;
*) echo start $NIMBREL_STATE >> "$DIR/log"; sleep 0.05; echo end $NIMBREL_STATE >> "$DIR/log" ;;
esac
)sh");
    AlertCommand command(program, status.sink());
    // "first" waits for "second": it ends well only when both run at the same time.
    command.alert(alertOf("first", true));
    command.alert(alertOf("second", true));
    for (int crossing = 0; crossing < 3; ++crossing) {
        command.alert(alertOf("humidity_high", true));
        command.alert(alertOf("humidity_high", false));
    }
    const auto texts = status.waitFor(8);
    EXPECT_EQ(dir.read("log"), "start on\nend on\nstart off\nend off\nstart on\nend on\n"
                               "start off\nend off\nstart on\nend on\nstart off\nend off\n");
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), heading(program, "first", true) + "exit status 0"), 1);
}

TEST_F(AlertCommandTest, IgnoresTheStateKnownAtStart) {
    AlertCommand command(script("echo $NIMBREL_STATE >> \"$DIR/log\"\n"), status.sink());
    Alert known = alertOf("rain_high", true);
    known.initial = true;
    command.alert(known);
    command.alert(alertOf("rain_high", false));
    EXPECT_EQ(status.waitFor(1).size(), 1u);
    EXPECT_EQ(dir.read("log"), "off\n");
}

TEST_F(AlertCommandTest, EndsPromptlyWhileACommandRuns) {
    auto command =
        std::make_unique<AlertCommand>(script("touch \"$DIR/started\"\nsleep 30\n"), status.sink());
    command->alert(alertOf("wind_high", true));
    command->alert(alertOf("wind_high", false));
    for (int i = 0; i < 250 && !std::filesystem::exists(dir / "started"); ++i)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(std::filesystem::remove(dir / "started"));
    const auto start = Steady::now();
    command.reset();
    EXPECT_LT(Steady::now() - start, 900ms);
    // The queued "off" never ran, and nothing was said of the run cut short.
    EXPECT_FALSE(std::filesystem::exists(dir / "started"));
    EXPECT_TRUE(status.waitFor(1, 0ms).empty());
}

} // namespace
} // namespace nimbrel
