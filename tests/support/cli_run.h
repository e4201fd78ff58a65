// runShell: runs one shell command line for the command-line tests and collects what it printed.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace nimbrel::testing {

#ifdef NIMBREL_BIN_DIR
// The nimbrel-cli of this build.
inline std::string cliProgram() {
    return std::string(NIMBREL_BIN_DIR) + "/nimbrel-cli";
}
#endif

struct CliRun {
    int status = -1;
    std::string out; // standard output, and standard error too when it was not sent to a file
    std::string err; // standard error, when it was sent to a file
};

// Standard input is empty; standard error goes to `errors` when given, else into `out`.
inline CliRun runShell(const std::string& line, const std::filesystem::path& errors = {}) {
    const std::string redirected =
        line + " </dev/null " + (errors.empty() ? std::string("2>&1") : "2>" + errors.string());
    CliRun run;
    FILE* pipe = popen(redirected.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (!errors.empty()) {
        std::ifstream in(errors);
        std::ostringstream text;
        text << in.rdbuf();
        run.err = text.str();
    }
    return run;
}

// False where no pseudo-terminal can be opened (a chroot without /dev/pts): the tests of what a
// command does on a terminal then skip rather than fail.
inline bool pseudoTerminalsWork() {
    int controller = -1;
    int terminal = -1;
    if (::openpty(&controller, &terminal, nullptr, nullptr, nullptr) != 0) return false;
    ::close(controller);
    ::close(terminal);
    return true;
}

} // namespace nimbrel::testing
