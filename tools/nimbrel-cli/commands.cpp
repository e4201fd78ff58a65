#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <iostream>

namespace nimbrel::cli {

std::string messageLine(std::string_view command, std::string_view message) {
    std::string line = "nimbrel-cli: ";
    if (!command.empty()) line.append(command).append(": ");
    return line.append(message);
}

void warn(std::string_view command, std::string_view message) {
    // In one piece: standard error is unbuffered, and log's threads write there too.
    std::cerr << messageLine(command, message) + '\n';
}

int fail(int status, std::string_view command, std::string_view message) {
    warn(command, message);
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

void addBurstRiskNote(CLI::App& command) {
    const std::string footer = command.get_footer();
    command.footer(footer.empty() ? kBurstRiskNote : footer + "\n" + kBurstRiskNote);
}

} // namespace nimbrel::cli
