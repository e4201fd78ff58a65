#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
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

void warnEach(std::string_view command, std::string_view message) {
    for (std::size_t start = 0; start < message.size();) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        warn(command, message.substr(start, end - start));
        start = end + 1;
    }
}

int failWith(std::string_view command, const FormOutcome& outcome) {
    warnEach(command, outcome.message);
    return outcome.refused() ? kExitBadInput : kExitUnreachable;
}

void printByteChanges(const std::vector<ByteChange>& changes) {
    for (const ByteChange& c : changes) std::printf("0x%04X: %02X -> %02X\n", c.address, c.before, c.after);
    std::fflush(stdout);
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
