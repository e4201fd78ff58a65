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

// The help of the program followed by the help of each command, with the commands under a
// "*Commands*" line (help2man makes that a COMMANDS section of the manual page). Printed by the
// hidden --help-all.
std::string allCommandsHelp(CLI::App& app);

} // namespace nimbrel::cli
