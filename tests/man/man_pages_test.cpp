// The manual pages as built: every command and option of nimbrel-cli, the environment and the files;
// and the version and help answers they are made from.
#include "app/program_help.h"
#include "tests/support/cli_run.h"
#include "tools/nimbrel-cli/program.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace nimbrel {
namespace {

// The page's roff source with its escaped hyphens and font changes taken out, so option names
// read as typed.
std::string pageText(const std::string& page) {
    std::ifstream in(std::string(NIMBREL_MAN_DIR) + "/" + page);
    std::stringstream raw;
    raw << in.rdbuf();
    std::string text = raw.str();
    for (const std::string from : {"\\-", "\\fB", "\\fR", "\\fI", "\\fP", "\\/", "\\,"}) {
        const std::string to = from == "\\-" ? "-" : "";
        for (std::size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
    }
    return text;
}

// From the line that starts with `start` to the next section or subsection heading.
std::string part(const std::string& text, const std::string& start) {
    const std::size_t from = text.find("\n" + start);
    if (from == std::string::npos) return {};
    const std::size_t end = text.find("\n.S", from + 1);
    return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

void expectCommandDescribed(const std::string& page, CLI::App& command, const std::string& path) {
    const std::string section = part(page, ".SS \"" + path + " ");
    ASSERT_FALSE(section.empty()) << "no subsection for " << path;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            if (name == "help") continue;
            EXPECT_NE(section.find("--" + name), std::string::npos) << path << " --" << name;
        }
    }
    for (CLI::App* sub : command.get_subcommands({}))
        expectCommandDescribed(page, *sub, path + " " + sub->get_name());
}

TEST(ManPages, TheCommandLinePageDescribesEveryCommandWithItsOptions) {
    const std::string page = pageText("nimbrel-cli.1");
    CLI::App app("", "nimbrel-cli");
    cli::defineProgram(app);
    const std::vector<CLI::App*> commands = app.get_subcommands({});
    ASSERT_EQ(commands.size(), 23U);
    for (CLI::App* command : commands)
        expectCommandDescribed(page, *command, "nimbrel-cli " + command->get_name());

    // By hand, so a walk that finds nothing cannot pass.
    EXPECT_NE(part(page, ".SS \"nimbrel-cli graph ").find("--describe"), std::string::npos);
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The help of the program and of every command, as CLI11 lays it out itself and as nimbrel-cli does.
void collectHelp(CLI::App& command, std::vector<std::string>& wrapped, std::vector<std::string>& plain) {
    wrapped.push_back(command.help());
    const auto ownFormatter = command.get_formatter();
    // CLI11's own layout with nimbrel-cli's labels: a copy of just its base.
    command.formatter(std::make_shared<CLI::Formatter>(dynamic_cast<const CLI::Formatter&>(*ownFormatter)));
    plain.push_back(command.help());
    command.formatter(ownFormatter);
    for (CLI::App* sub : command.get_subcommands({})) collectHelp(*sub, wrapped, plain);
}

// Each --help keeps within the width of the window's help, a multi-byte character one column, and
// says every word it said unwrapped.
TEST(CommandLineHelp, WrappedToTheHelpWidthWithEveryWordKept) {
    CLI::App app("", "nimbrel-cli");
    cli::defineProgram(app);
    std::vector<std::string> wrapped, plain;
    collectHelp(app, wrapped, plain);
    ASSERT_EQ(wrapped.size(), 26U); // the program, its 23 commands and debug's two
    for (std::size_t i = 0; i < wrapped.size(); ++i) {
        std::istringstream lines(wrapped[i]);
        for (std::string line; std::getline(lines, line);) {
            const auto columns =
                std::count_if(line.begin(), line.end(), [](unsigned char c) { return (c & 0xC0) != 0x80; });
            EXPECT_LE(columns, 100) << line;
        }
        EXPECT_EQ(wordsOf(wrapped[i]), wordsOf(plain[i]));
    }
    EXPECT_NE(wrapped[0].find(
                  "\n  sync                          one polling cycle: read the station, store its new "
                  "history records\n                                in Nimbrel.dat\n"),
              std::string::npos)
        << wrapped[0];
}

TEST(ManPages, BothPagesNameTheEnvironmentAndTheFiles) {
    const std::vector<std::string> shared = {"XDG_DATA_HOME",
                                             "HOME",
                                             "LC_ALL",
                                             "NIMBREL_SIM_SEED",
                                             "NIMBREL_SIM_START",
                                             "NIMBREL_SIM_SPEED",
                                             "NIMBREL_SIM_ACK_FAULTS",
                                             "NIMBREL_SIM_SILENT_FAULTS",
                                             "NIMBREL_SIM_UNPLUG_FAULTS",
                                             "NIMBREL_SIM_VID",
                                             "NIMBREL_SIM_PID",
                                             "NIMBREL_SIM_DENIED",
                                             "NIMBREL_SIM_STATE",
                                             "NIMBREL_SIM_INTERVAL",
                                             "NIMBREL_SIM_SENSOR_PHASE",
                                             "NIMBREL_SIM_LOG_PHASE",
                                             "NIMBREL_SIM_DRIFT"};
    const std::vector<std::string> files = {
        "Nimbrel.ini",        "Nimbrel.dat",      "AboutWeather.ini",
        ".nimbrel.lock",      "libnimbrel.so",    "libnimbrel-sim.so",
        "libnimbrel-sim.ini", "/var/lib/nimbrel", "nimbrel-logger.service"};
    std::vector<std::string> pages = {"nimbrel-cli.1"};
#ifdef NIMBREL_WINDOW_PROGRAM
    pages.push_back("nimbrel.1");
#endif
    for (const std::string& name : pages) {
        const std::string page = pageText(name);
        const std::string environment = part(page, ".SH ENVIRONMENT");
        const std::string filesSection = part(page, ".SH FILES");
        for (const std::string& variable : shared)
            EXPECT_NE(environment.find("\n" + variable), std::string::npos) << name << ": " << variable;
        for (const std::string& file : files)
            EXPECT_NE(filesSection.find(file), std::string::npos) << name << ": " << file;
        // The degree sign of the unit names is written as groff's \(de: no encoding to guess.
        EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](unsigned char c) { return c < 0x80; })) << name;
        const bool window = name == "nimbrel.1";
        EXPECT_EQ(environment.find("XDG_CONFIG_HOME") != std::string::npos, window) << name;
        EXPECT_EQ(filesSection.find("~/.config/nimbrel/window.ini") != std::string::npos, window) << name;
        EXPECT_EQ(filesSection.find("Nimbrel.bmp") != std::string::npos, window) << name;
    }
}

TEST(WindowCommandLine, AnswersHelpAndVersionAndRefusesWhatNeitherItNorQtKnows) {
    using Action = WindowCommandLine::Action;
    const auto read = [](std::vector<std::string> words) {
        words.insert(words.begin(), "nimbrel");
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        return readWindowCommandLine(static_cast<int>(argv.size()), argv.data());
    };
    EXPECT_EQ(read({}).action, Action::run);
    EXPECT_EQ(read({"--dir", "/tmp/x", "-platform", "offscreen", "-style=fusion", "--reverse"}).action,
              Action::run);
    EXPECT_EQ(read({"--dir=/tmp/x", "-h"}).action, Action::showHelp);
    EXPECT_EQ(read({"-platform", "offscreen", "--version", "--help"}).action, Action::showVersion);
    // The word after --dir is its folder, even one that looks like an option.
    EXPECT_EQ(read({"--dir", "--version"}).action, Action::run);
    const WindowCommandLine unknown = read({"--dri", "/tmp/x"});
    EXPECT_EQ(unknown.action, Action::refuse);
    EXPECT_EQ(unknown.refusal, "unknown option \"--dri\" (try nimbrel --help)");
    EXPECT_EQ(read({"--dir", "/tmp/x", "stray"}).action, Action::refuse);
}

// With no display and Qt pointed at X11: had Qt been started, it would abort.
const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ";

TEST(ProgramVersion, BothProgramsAnswerOneLineAndTheWindowNeedsNoDisplay) {
    const std::string bin = NIMBREL_BIN_DIR;
    testing::CliRun cli = testing::runShell(bin + "/nimbrel-cli --version");
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.out, "nimbrel-cli 0.1.0\n");
#ifdef NIMBREL_WINDOW_PROGRAM
    testing::CliRun window = testing::runShell(kNoDisplay + bin + "/nimbrel --version");
    EXPECT_EQ(window.status, 0);
    EXPECT_EQ(window.out, "nimbrel 0.1.0\n");
    window = testing::runShell(kNoDisplay + bin + "/nimbrel --help");
    EXPECT_EQ(window.status, 0);
    EXPECT_TRUE(window.out.starts_with("Usage: nimbrel [OPTIONS]\n")) << window.out;
    window = testing::runShell(kNoDisplay + bin + "/nimbrel --frobnicate");
    EXPECT_EQ(window.status, 2);
    EXPECT_EQ(window.out, "nimbrel: unknown option \"--frobnicate\" (try nimbrel --help)\n");
#endif
}

} // namespace
} // namespace nimbrel
