// What `--help` and `--version` print for both programs; the manual pages are made from that output.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbrel {

// "nimbrel 0.1.0": the program's name and the version of this build.
std::string versionLine(const std::string& program);

// The layout of every help text of both programs: a term two blanks in, its text from
// kHelpTextColumn, no line wider than kHelpWidth (a word longer than that stands alone).
inline constexpr std::size_t kHelpTextColumn = 32;
inline constexpr std::size_t kHelpWidth = 100;

// One term and its text, wrapped; the text starts on the next line when the term reaches its column,
// and each '\n' in it starts a new line at the column.
std::string helpRow(std::string_view term, std::string_view text);

// `text` with each line wider than kHelpWidth wrapped; a wrapped line goes on as far in as it starts.
std::string wrapHelpText(std::string_view text);

// The environment variables and the files a program uses, as the "Environment:" and "Files:" blocks
// that close its --help. The window reads a few that nimbrel-cli does not (its own settings file,
// the user's picture, Qt's display platform).
enum class HelpFor { window, commandLine };
std::string environmentHelp(HelpFor program);
std::string filesHelp(HelpFor program);

// The window's whole --help text.
std::string windowHelp();

// What the window's command line asks for. It is read before Qt is started, so --help, --version and
// a mistyped option are answered without a display. Qt's own options (-platform NAME, -style NAME,
// -reverse, ...) are left to Qt; --dir and its folder to the data folder's rules.
struct WindowCommandLine {
    enum class Action { run, showHelp, showVersion, refuse };
    Action action = Action::run;
    std::string refusal; // for refuse: the message, without the program's name
};
WindowCommandLine readWindowCommandLine(int argc, char** argv);

} // namespace nimbrel
