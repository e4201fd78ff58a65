// Every message nimbrel-cli writes on standard error, whoever finds the fault, in one form:
// "nimbrel-cli: COMMAND: message", or "nimbrel-cli: message" before any command was named.
#include "tests/support/cli_run.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace nimbrel {
namespace {

using testing::CliRun;

const std::string kNotFound =
    "No station found (USB 0713:0818). Is it plugged in, and is the README's udev rule "
    "(60-nimbrel.rules) installed? Nothing was read or written.\n";

TEST(CliMessages, EveryFailureNamesTheProgramAndItsCommand) {
    const std::string bin = NIMBREL_BIN_DIR;
    if (!std::filesystem::exists(bin + "/nimbrel-cli") ||
        !std::filesystem::exists(bin + "/libnimbrel-sim.so"))
        GTEST_SKIP() << "nimbrel-cli or the simulated station is not built";
    testing::TempDir folder;
    // A simulated station that answers to other USB ids than the ones looked for: no station.
    const std::string absent = "NIMBREL_SIM_VID=0x1234 ";
    for (const char* sub : {"sim", "de", "image"}) std::filesystem::create_directory(folder / sub);
    folder.write("sim/Nimbrel.ini", "[communication]\nUsbLibrary=libnimbrel-sim.so\n");
    folder.write("de/Nimbrel.ini",
                 "[communication]\nUsbLibrary=libnimbrel-sim.so\n[config]\nlanguage=German\n");
    folder.write("image/Nimbrel.ini", "[communication]\nTestFlag=TRUE\n");
    const std::string sim = " --dir " + (folder / "sim").string();
    const std::string program = bin + "/nimbrel-cli ";

    struct Case {
        std::string environment;
        std::string words;
        int status;
        std::string err;
    };
    const Case cases[] = {
        // CLI11's refusals, before a command and within one.
        {"", "", 2, "nimbrel-cli: a command is needed (try nimbrel-cli help)\n"},
        {"", "frob", 2, "nimbrel-cli: unknown command \"frob\" (try nimbrel-cli help)\n"},
        {"", "--bogus", 2, "nimbrel-cli: unknown option \"--bogus\" (try nimbrel-cli help)\n"},
        {"", "sync --bogus", 2,
         "nimbrel-cli: sync: The following argument was not expected: --bogus "
         "(try nimbrel-cli sync --help)\n"},
        {"", "dump --dir", 2,
         "nimbrel-cli: dump: --dir: 1 required DIR missing (try nimbrel-cli dump --help)\n"},
        {"", "debug", 2, "nimbrel-cli: debug: a command is needed (try nimbrel-cli debug --help)\n"},
        {"", "debug --frob", 2,
         "nimbrel-cli: debug: unknown option \"--frob\" (try nimbrel-cli debug --help)\n"},
        {"", "debug record", 2,
         "nimbrel-cli: debug record: N is required (try nimbrel-cli debug record --help)\n"},
        // The commands' own checks.
        {"", "decode-record 05", 2, "nimbrel-cli: decode-record: expected 16 bytes, got 1\n"},
        {"", "text temperature 1", 2,
         "nimbrel-cli: text: temperature needs SCALE FROM TO "
         "(usage: nimbrel-cli text KIND VALUE SCALE FROM TO)\n"},
        {"", "publish --dir " + (folder / "image").string(), 2,
         "nimbrel-cli: publish: no output is configured: give host in [mqtt] or url in [upload] of " +
             (folder / "image/Nimbrel.ini").string() + "\n"},
        // No station: the command says so and that it did nothing, in the configured language.
        {absent, "dump" + sim, 1, "nimbrel-cli: dump: " + kNotFound},
        {absent, "sync" + sim, 1, "nimbrel-cli: sync: " + kNotFound},
        {absent, "scope" + sim, 1, "nimbrel-cli: scope: " + kNotFound},
        {absent, "dump --dir " + (folder / "de").string(), 1,
         "nimbrel-cli: dump: Keine Station gefunden (USB 0713:0818). Ist sie angeschlossen und die "
         "udev-Regel der README (60-nimbrel.rules) installiert? Es wurde nichts gelesen oder geschrieben.\n"},
        // A warning on the way, then the failure.
        {absent, "history --dir " + (folder / "de").string(), 1,
         "nimbrel-cli: history: no settings given and no station answered: values are in the history file's "
         "own units (°C, %, Hpa, m/s, mm) and times year-month-day, 24 hours\n"
         "nimbrel-cli: history: cannot read " +
             (folder / "de/Nimbrel.dat").string() + ": No such file or directory\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = testing::runShell(c.environment + program + c.words, folder / "stderr.txt");
        EXPECT_EQ(run.status, c.status) << c.words;
        EXPECT_EQ(run.err, c.err) << c.words;
    }
}

} // namespace
} // namespace nimbrel
