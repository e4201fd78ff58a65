#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <iostream>

namespace nimbrel::cli {

int fail(int status, const std::string& message) {
    std::cerr << "nimbrel-cli: " << message << '\n';
    return status;
}

void setRun(CLI::App& command, std::function<int()> run) {
    // CLI11 calls this after the whole command line was parsed and checked. A failed command has
    // already said why; RuntimeError only carries its status out to main.
    command.callback([run = std::move(run)] {
        const int status = run();
        std::cout.flush();
        if (status != kExitOk) throw CLI::RuntimeError(status);
    });
}

} // namespace nimbrel::cli
