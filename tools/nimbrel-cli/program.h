// The whole nimbrel-cli command line: every command, the version flag, and the help texts that the
// manual page is made from.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace nimbrel::cli {

// Adds every command, --version and the help's footer (exit statuses, environment, files) to `app`.
void defineProgram(CLI::App& app);

// Runs the command that argv names and returns the program's exit status. Help and the version go to
// standard output; words that CLI11 or the program refuse are said on standard error as every other
// failure is (commands.h), with the command they were refused in, and give kExitBadInput.
int runProgram(CLI::App& app, int argc, char** argv);

// The help of the program followed by the help of each command, with the commands under a
// "*Commands*" line (help2man makes that a COMMANDS section of the manual page). Printed by the
// hidden --help-all.
std::string allCommandsHelp(CLI::App& app);

} // namespace nimbrel::cli
