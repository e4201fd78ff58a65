// nimbrel-cli: decodes station bytes and reads and changes the station from the command line.
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/program.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using namespace nimbrel::cli;
    CLI::App app("The command-line companion of the Nimbrel weather station program: decodes station "
                 "bytes, reads the station and keeps its history file.",
                 "nimbrel-cli");
    defineProgram(app);

    if (argc == 2 && std::string(argv[1]) == "help") {
        std::cout << app.help();
        return kExitOk;
    }
    // Not listed: the manual page is made from it.
    if (argc == 2 && std::string(argv[1]) == "--help-all") {
        std::cout << allCommandsHelp(app);
        return kExitOk;
    }
    // A first word that names no command: say so, rather than CLI11's "a subcommand is required".
    if (argc > 1 && argv[1][0] != '-' &&
        app.get_subcommands([&](CLI::App* c) { return c->check_name(argv[1]); }).empty())
        return fail(kExitBadInput, "unknown command \"" + std::string(argv[1]) + "\" (try nimbrel-cli help)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code(); // a command that failed and said why
    } catch (const CLI::ParseError& e) {
        // Help asked for: printed, 0. Anything CLI11 refused: its message on stderr, 2.
        return app.exit(e) == 0 ? kExitOk : kExitBadInput;
    }
    return kExitOk;
}
