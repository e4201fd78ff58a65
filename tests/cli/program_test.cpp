#include "app/folder_lock.h"
#include "tests/support/text_lines.h"
#include "tests/support/cli_run.h"
#include "tests/support/local_http_server.h"
#include "tests/support/loopback_port.h"
#include "tests/support/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace nimbrel {
namespace {

using testing::hasLine;

using testing::CliRun;

// Runs nimbrel-cli with its stderr folded into the output.
CliRun cli(const std::string& arguments) {
    return testing::runShell(std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli " + arguments);
}

// Runs nimbrel-cli with its output and standard error on a terminal (a pseudo-terminal).
CliRun cliOnTerminal(const std::string& arguments) {
    const std::string command = std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli " + arguments;
    CliRun run;
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) return run;
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) run.out.append(buffer, static_cast<std::size_t>(n));
    ::close(terminal);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

class StationCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli"))
            GTEST_SKIP() << "nimbrel-cli is not built";
    }
};

TEST_F(StationCli, DumpOfTheTestImage) {
    testing::TempDir dir;
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=TRUE\n");
    CliRun run = cli("dump --dir " + dir.path().string());
    ASSERT_EQ(run.status, 0) << run.out;
    for (const char* line :
         {"initFlag1: 1", "initFlag2: 1", "historyCircle: 5", "presUnit: Hpa", "windUnit: km/h",
          "timeZone: +1", "historyRecords: 15", "historyStackAddr: 496 (0x01F0)",
          "[record 0 (newest) at 0x01F0]", "hexValue: 05 39 50 02 40 88 81 0A 27 34 C0 00 30 01 0A 04",
          "outTemp: -392", "[record 4 at 0x01B0]", "totalRainMaxTime: 2007-01-01 12:00"})
        EXPECT_TRUE(hasLine(run.out, line)) << line;
}

TEST_F(StationCli, NoStationAndBadInput) {
    testing::TempDir dir;
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=yes\nUsbLibrary=libnothing-here.so\n");
    CliRun run = cli("dump --dir " + dir.path().string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("no station can be reached"), std::string::npos) << run.out;

    EXPECT_EQ(cli("decode-record 05 41 E3").status, 2);
    EXPECT_EQ(cli("decode-record 05G1E300000000000000000000000000").status, 2);
    EXPECT_EQ(cli("decode-minmax").status, 2);
    EXPECT_EQ(cli("dump --dir").status, 2);
    CliRun record = cli("decode-record 0541E3003C08016A2760CC0020942A02");
    EXPECT_EQ(record.status, 0);
    EXPECT_TRUE(hasLine(record.out, "rain: 37930"));
    EXPECT_TRUE(record.out.ends_with("valid: true\n"));
    EXPECT_TRUE(cli("decode-record 0564E3003C08016A2760CC0020942A02").out.ends_with("valid: false\n"));
}

// A folder that another program logs is left exactly as it is: no download, no merge of a waiting
// About update into Nimbrel.ini, no history file. Once the other program is gone, sync runs.
TEST_F(StationCli, SyncOnAFolderThatAnotherProgramLogsChangesNothing) {
    testing::TempDir dir;
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=TRUE\n");
    dir.write("AboutWeather.ini", "[about]\nversion=Nimbrel Version 9.9\n");
    {
        const FolderLock logger(dir.path());
        ASSERT_TRUE(logger.acquired());
        CliRun run = cli("sync --dir " + dir.path().string());
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find("Another Nimbrel program is already using the data folder " + dir.path().string()),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(dir.read("Nimbrel.ini"), "[communication]\nTestFlag=TRUE\n");
        EXPECT_TRUE(std::filesystem::exists(dir / "AboutWeather.ini"));
        EXPECT_FALSE(std::filesystem::exists(dir / "Nimbrel.dat"));
    }
    EXPECT_EQ(cli("sync --dir " + dir.path().string()).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "AboutWeather.ini"));
}

// The progress of a download is one line, rewritten in place on a terminal, and erased before the
// next status line; into a pipe or a file nothing of it goes.
TEST_F(StationCli, SyncProgressOnlyOnATerminal) {
    if (!testing::pseudoTerminalsWork()) GTEST_SKIP() << "no pseudo-terminal here (is /dev/pts mounted?)";
    testing::TempDir dir;
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=TRUE\n");
    CliRun onTerminal = cliOnTerminal("sync --dir " + dir.path().string());
    ASSERT_EQ(onTerminal.status, 0) << onTerminal.out;
    for (const char* step : {"\r2 Data has been read. ... (2 / 15)\x1b[K", "\r15 Data has been read. ... (15 / 15)\x1b[K",
                             "\r100% Data has been processed. (15 / 15)\x1b[K\rCompute history rain data 15 : 6% ... (1 / 15)",
                             "(15 / 15)\x1b[K\r\x1b[KSave all data on PC ..."})
        EXPECT_NE(onTerminal.out.find(step), std::string::npos) << step;

    std::filesystem::remove(dir.path() / "Nimbrel.dat");
    CliRun intoPipe = cli("sync --dir " + dir.path().string());
    ASSERT_EQ(intoPipe.status, 0) << intoPipe.out;
    EXPECT_EQ(intoPipe.out.find('\r'), std::string::npos);
    EXPECT_EQ(intoPipe.out.find("been read"), std::string::npos);
    EXPECT_TRUE(intoPipe.out.starts_with("Read data from Nimbrel Radio Controlled ...\nSave all data on PC ...\n"))
        << intoPipe.out;
}


// publish on the test image: the upload reaches a real local server, a broker that is not there is
// told of, and neither password is printed.
TEST_F(StationCli, PublishSendsTheCurrentReadingToEachOutputAndSaysWhatEachAnswered) {
    testing::TempDir dir;
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=TRUE\n");
    CliRun run = cli("publish --dir " + dir.path().string());
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.out.find("publish: no output is configured: give host in [mqtt] or url in [upload] of "),
              std::string::npos) << run.out;

    testing::LocalHttpServer server("HTTP/1.0 200 OK\r\n\r\nsuccess\n");
    const testing::RefusingPort noBroker;
    const std::string brokerPort = std::to_string(noBroker.port());
    dir.write("Nimbrel.ini", "[communication]\nTestFlag=TRUE\n[mqtt]\nhost=127.0.0.1\nport=" + brokerPort +
                                 "\nuser=wx\npassword=Mq77-pw\n[upload]\nurl=" + server.url("/wx?key=1") +
                                 "\nid=ST1\npassword_file=upload.secret\n");
    dir.write("upload.secret", "Up-s3cret\n");
    std::filesystem::permissions(dir / "upload.secret", std::filesystem::perms::owner_read);
    run = cli("publish --dir " + dir.path().string());
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_TRUE(hasLine(run.out, "MQTT: failed, no broker at 127.0.0.1:" + brokerPort + ": Connection refused")) << run.out;
    EXPECT_TRUE(hasLine(run.out, "Upload: ok, 127.0.0.1 answered success")) << run.out;
    EXPECT_EQ(run.out.find("Mq77-pw"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Up-s3cret"), std::string::npos) << run.out;
    // The test image's outdoor reading is -39.2 °C and 64 %: -38.56 °F goes out as -38.6.
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET /wx?key=1&ID=ST1&PASSWORD=Up-s3cret&dateutc=", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("&tempf=-38.6&humidity=64&"), std::string::npos) << requests[0];
}

} // namespace
} // namespace nimbrel
