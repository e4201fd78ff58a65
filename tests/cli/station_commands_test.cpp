// nimbrel-cli's helpers for the station window commands (assignments, the question before a change)
// and the two asked commands, defaults and clear-memory, over the simulated station.
#include "app/language_table.h"
#include "tests/support/cli_run.h"
#include "tests/support/temp_dir.h"
#include "tools/nimbrel-cli/assignments.h"
#include "tools/nimbrel-cli/confirmation.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace nimbrel::cli {
namespace {

const std::vector<std::string> kFields = {"Recording interval", "Indoor temperature unit",
                                          "Alarm enable Indoor Temperature High"};

TEST(CliAssignments, KeysMatchWithoutCaseBlanksOrPunctuation) {
    std::string error;
    const auto parsed = parseAssignments(
        {"indoor-temperature-unit=°F", "RECORDINGINTERVAL = 5 ", "alarm enable: indoor temperature high=on"},
        kFields, error);
    ASSERT_TRUE(parsed) << error;
    ASSERT_EQ(parsed->size(), 3u);
    EXPECT_EQ((*parsed)[0].name, "Indoor temperature unit");
    EXPECT_EQ((*parsed)[0].value, "°F");
    EXPECT_EQ((*parsed)[1].name, "Recording interval");
    EXPECT_EQ((*parsed)[1].value, "5");
    EXPECT_EQ((*parsed)[2].name, "Alarm enable Indoor Temperature High");
    EXPECT_EQ((*parsed)[2].value, "on");

    // Only the first '=' ends the key.
    const auto withEquals = parseAssignments({"Indoor Temperature Unit=a=b"}, kFields, error);
    ASSERT_TRUE(withEquals) << error;
    EXPECT_EQ(withEquals->front().value, "a=b");
    EXPECT_TRUE(parseAssignments({}, kFields, error)->empty());
}

TEST(CliAssignments, MalformedUnknownOrTwiceIsRefused) {
    struct Case {
        std::vector<std::string> words;
        const char* said;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{"Recording interval"}, "is not an assignment"},
             {{"=5"}, "names no field"},
             {{"- :=5"}, "names no field"},
             {{"Recording interval="}, "gives no value"},
             {{"Recording interval= \t"}, "gives no value"},
             {{"Recording intervals=5"},
              "no field is called \"Recording intervals\"; the fields are:\n"
              "  Recording interval\n  Indoor temperature unit\n"},
             {{"Recording interval=5", "recording-INTERVAL=6"}, "\"Recording interval\" is assigned twice"},
             {{"Recording interval=5", "oops"}, "\"oops\" is not an assignment"},
         }) {
        std::string error;
        EXPECT_FALSE(parseAssignments(c.words, kFields, error)) << c.words.front();
        EXPECT_NE(error.find(c.said), std::string::npos) << error;
    }
}

TEST(CliConfirmation, YesInTheUsersLanguage) {
    const LanguageTable en(english), de(german), fr(french);
    for (const char* yes : {"y", "Y", "yes", " YES\r"}) EXPECT_TRUE(isYesAnswer(yes, en)) << yes;
    for (const char* no : {"", "n", "no", "ja", "yess", "o"}) EXPECT_FALSE(isYesAnswer(no, en)) << no;
    for (const char* yes : {"ja", "J", "y", "yes"}) EXPECT_TRUE(isYesAnswer(yes, de)) << yes;
    for (const char* no : {"nein", "n", "jaa"}) EXPECT_FALSE(isYesAnswer(no, de)) << no;
    for (const char* yes : {"oui", "O"}) EXPECT_TRUE(isYesAnswer(yes, fr)) << yes;
    EXPECT_FALSE(isYesAnswer("non", fr));
}

struct CliRun {
    int status = -1;
    std::string out; // standard output and standard error together
};

// Runs nimbrel-cli with `environment` ("NAME=value ...") in front, standard input empty (not a terminal).
CliRun inPipe(const std::string& environment, const std::string& arguments) {
    CliRun run;
    FILE* pipe = popen((environment + " " + testing::cliProgram() + " " + arguments + " </dev/null 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

// Runs nimbrel-cli on a pseudo-terminal and types `typed` into it.
CliRun onTerminal(const std::string& environment, const std::string& arguments, const std::string& typed) {
    const std::string command = environment + " " + testing::cliProgram() + " " + arguments;
    CliRun run;
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) return run;
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (::write(terminal, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) return run;
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
        run.out.append(buffer, static_cast<std::size_t>(n));
    ::close(terminal);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

bool says(const CliRun& run, const std::string& text) {
    return run.out.find(text) != std::string::npos;
}

class CliAskedCommands : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::pseudoTerminalsWork()) GTEST_SKIP() << "no pseudo-terminal here (is /dev/pts mounted?)";
        if (!std::filesystem::exists(testing::cliProgram()) ||
            !std::filesystem::exists(std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so"))
            GTEST_SKIP() << "nimbrel-cli or the simulated station is not built";
    }
    void useSimulator(const std::string& more = "") const {
        folder.write("Nimbrel.ini", "[communication]\nUsbLibrary=libnimbrel-sim.so\n" + more);
    }
    std::string dir() const { return "--dir " + folder.path().string(); }

    testing::TempDir folder;
};

// The simulated station refuses every write here: a command that tried one exits 1, one that wrote
// nothing 0 or 2.
constexpr const char* kEveryWriteRefused = "NIMBREL_SIM_SPEED=0 NIMBREL_SIM_ACK_FAULTS=1";

TEST_F(CliAskedCommands, AskedOnATerminalRefusedWithoutOne) {
    useSimulator();
    const CliRun refused = inPipe(kEveryWriteRefused, "defaults " + dir());
    EXPECT_EQ(refused.status, 2) << refused.out;
    EXPECT_TRUE(says(refused, "\"Do you want to load default value?\"")) << refused.out;
    EXPECT_TRUE(says(refused, "--yes")) << refused.out;
    EXPECT_EQ(inPipe(kEveryWriteRefused, "clear-memory --dir=" + folder.path().string()).status, 2);

    const CliRun declined = onTerminal(kEveryWriteRefused, "clear-memory " + dir(), "n\n");
    EXPECT_EQ(declined.status, 0) << declined.out;
    EXPECT_TRUE(says(declined, "Do you want to clear memory on the device? [yes/no] ")) << declined.out;

    const CliRun agreed = onTerminal(kEveryWriteRefused, "clear-memory " + dir(), "yes\n");
    EXPECT_EQ(agreed.status, 1) << agreed.out;
    EXPECT_TRUE(says(agreed, "nimbrel-cli: clear-memory: Can't communicate with device!")) << agreed.out;

    const CliRun answered = inPipe(kEveryWriteRefused, "defaults --yes " + dir());
    EXPECT_EQ(answered.status, 1) << answered.out;
    EXPECT_TRUE(says(answered, "nimbrel-cli: defaults: Init weather setup data fail!")) << answered.out;
}

TEST_F(CliAskedCommands, QuestionAndFailureInTheConfiguredLanguage) {
    useSimulator("[config]\nlanguage=German\n");
    const CliRun agreed = onTerminal(kEveryWriteRefused, "defaults " + dir(), "J\n");
    EXPECT_EQ(agreed.status, 1) << agreed.out;
    EXPECT_TRUE(says(agreed, "Möchten Sie die Standardwerte laden? [ja/nein] ")) << agreed.out;
    EXPECT_TRUE(says(agreed, "defaults: Laden der Standardeinstellungen fehlgeschlagen!")) << agreed.out;
}

// One simulated station over several runs (it keeps its memory in a file), as a user's station.
TEST_F(CliAskedCommands, DoneOnTheStationSeenByTheNextRun) {
    useSimulator();
    const std::filesystem::path state = folder / "station.state";
    const std::string station = "NIMBREL_SIM_SPEED=0 NIMBREL_SIM_STATE=" + state.string();
    ASSERT_TRUE(says(inPipe(station, "dump " + dir()), "historyRecords: 4079\n"));

    EXPECT_EQ(inPipe(station, "clear-memory " + dir()).status, 2);
    EXPECT_EQ(inPipe(station, "defaults " + dir()).status, 2);
    EXPECT_FALSE(std::filesystem::exists(state)) << "a refused command wrote to the station";

    const CliRun cleared = inPipe(station, "clear-memory -y " + dir());
    EXPECT_EQ(cleared.status, 0) << cleared.out;
    EXPECT_EQ(cleared.out, "");
    const CliRun afterClear = inPipe(station, "dump " + dir());
    EXPECT_TRUE(says(afterClear, "historyRecords: 0\n")) << afterClear.out;
    EXPECT_TRUE(says(afterClear, "windUnit: km/h\n")) << afterClear.out;

    EXPECT_EQ(inPipe(station, "defaults --yes " + dir()).status, 0);
    const CliRun afterDefaults = inPipe(station, "dump " + dir());
    for (const char* line : {"initFlag1: 0\n", "initFlag2: 0\n", "windUnit: m/s\n", "historyRecords: 0\n"})
        EXPECT_TRUE(says(afterDefaults, line)) << line << afterDefaults.out;
}

TEST_F(CliAskedCommands, NoStationOrUnknownOption) {
    useSimulator();
    const CliRun noStation = inPipe("NIMBREL_SIM_VID=0x1234", "defaults --yes " + dir());
    EXPECT_EQ(noStation.status, 1) << noStation.out;
    EXPECT_TRUE(says(noStation, "nimbrel-cli: defaults: ")) << noStation.out;
    EXPECT_EQ(inPipe("", "clear-memory --yes --bogus " + dir()).status, 2);
}

} // namespace
} // namespace nimbrel::cli
