#include "tools/nimbrel-cli/program.h"

#include "app/program_help.h"
#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace nimbrel::cli {
namespace {

// CLI11's help laid out as the rest of the help is (app/program_help.h): entries wrapped under their
// column, descriptions and footers within the same width.
class WrappingFormatter : public CLI::Formatter {
public:
    WrappingFormatter() { column_width(kHelpTextColumn); }

    std::string make_option(const CLI::Option* option, bool positional) const override {
        return helpRow(make_option_name(option, positional) + make_option_opts(option),
                       make_option_desc(option));
    }
    std::string make_subcommand(const CLI::App* command) const override {
        return helpRow(command->get_display_name(true), command->get_description());
    }
    std::string make_description(const CLI::App* app) const override {
        return wrapHelpText(Formatter::make_description(app));
    }
    std::string make_footer(const CLI::App* app) const override {
        return wrapHelpText(Formatter::make_footer(app));
    }
};

// The command CLI11 was parsing when it refused a word: its words ("debug record", or empty before
// any command) and the App that defines it.
struct ParsedCommand {
    std::string words;
    const CLI::App* app;
};
ParsedCommand commandBeingParsed(const CLI::App& program) {
    ParsedCommand command{"", &program};
    while (!command.app->get_subcommands().empty()) {
        command.app = command.app->get_subcommands().back();
        command.words += (command.words.empty() ? "" : " ") + command.app->get_name();
    }
    return command;
}

// One command's help under a heading that is its usage line: "nimbrel-cli sync [OPTIONS]:" and the
// rest indented, so that help2man makes it a subsection. -h,--help is said once for all of them, and
// the group headings ("Positionals:", "Options:") go: under the usage line the entries speak for
// themselves.
void appendCommandHelp(std::string& out, CLI::App& command, const std::string& parent) {
    std::istringstream text(command.help(parent));
    std::vector<std::string> lines;
    std::string heading;
    for (std::string line; std::getline(text, line);) {
        if (line.starts_with("Usage: "))
            heading = line.substr(7);
        else if (!line.starts_with("  -h,--help "))
            lines.push_back(line);
    }
    std::string body;
    for (const std::string& line : lines) {
        const bool groupHeading = !line.empty() && line.back() == ':' && line[0] != ' ';
        if (!groupHeading) body += line.empty() ? "\n" : "  " + line + '\n';
    }
    while (body.starts_with("\n")) body.erase(0, 1);
    while (body.ends_with("\n\n")) body.pop_back();
    // Paragraphs of the body are kept apart by single blank lines.
    for (std::size_t blank; (blank = body.find("\n\n\n")) != std::string::npos;) body.erase(blank, 1);
    out += heading + ":\n" + body + '\n';
    for (CLI::App* sub : command.get_subcommands({}))
        appendCommandHelp(out, *sub, parent + " " + command.get_name());
}

// CLI11 lists subcommands under their group, "Subcommands" unless told otherwise.
void nameGroupCommands(CLI::App& app) {
    for (CLI::App* command : app.get_subcommands({})) {
        command->group("Commands");
        nameGroupCommands(*command);
    }
}

} // namespace

void defineProgram(CLI::App& app) {
    // First, so that every command inherits it.
    app.formatter(std::make_shared<WrappingFormatter>());
    app.require_subcommand(1);
    // Before the commands, which take the help flag and the labels over from the program.
    app.set_help_flag("-h,--help", "print this help and exit");
    app.set_version_flag("--version", versionLine("nimbrel-cli"), "print the version and exit");
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.get_formatter()->label("Subcommands", "Commands");

    addDecodeCommands(app);
    addTextCommand(app);
    addTimeCommand(app);
    addDumpCommand(app);
    addSyncCommand(app);
    addLogCommand(app);
    addPublishCommand(app);
    addDefaultsCommand(app);
    addClearMemoryCommand(app);
    addAlarmsCommand(app);
    addSetupCommand(app);
    addScopeCommand(app);
    addStatusCommand(app);
    addDebugCommand(app);
    addHistoryCommand(app);
    addExportCommand(app);
    addClimateCommands(app);
    addGraphCommand(app);
    nameGroupCommands(app);
    // After the commands: CLI11 hands a footer given earlier down to each of them.
    app.footer("HEX is the bytes in hex digits, blanks optional. Station commands take --dir DIR, the data "
               "folder.\nExit status: 0 done, 1 the station or a file could not be reached, 2 refused "
               "input.\nEach command has its own --help.\n\n" +
               environmentHelp(HelpFor::commandLine) + '\n' + filesHelp(HelpFor::commandLine));
}

int runProgram(CLI::App& app, int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (argc == 2 && first == "help") {
        std::cout << app.help();
        return kExitOk;
    }
    // Not listed: the manual page is made from it.
    if (argc == 2 && first == "--help-all") {
        std::cout << allCommandsHelp(app);
        return kExitOk;
    }
    // Nothing, or a first word that names no command: say so, rather than CLI11's "a subcommand is
    // required" (the help calls them commands).
    if (argc == 1) return fail(kExitBadInput, "", "a command is needed (try nimbrel-cli help)");
    if (!first.starts_with('-') &&
        app.get_subcommands([&](CLI::App* c) { return c->check_name(first); }).empty())
        return fail(kExitBadInput, "", "unknown command \"" + first + "\" (try nimbrel-cli help)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code(); // a command that failed and said why
    } catch (const CLI::ParseError& e) {
        // Help or the version asked for: printed, 0.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        const ParsedCommand command = commandBeingParsed(app);
        std::string why = e.what();
        if (why == "A subcommand is required") {
            // Where a command is expected, CLI11 sets aside the words it does not know and misses only
            // the command.
            const std::vector<std::string> unknown = command.app->remaining();
            why = unknown.empty() ? "a command is needed" : "unknown option \"" + unknown.front() + "\"";
        }
        return fail(kExitBadInput, command.words,
                    why + " (try nimbrel-cli " +
                        (command.words.empty() ? "help" : command.words + " --help") + ")");
    }
    return kExitOk;
}

std::string allCommandsHelp(CLI::App& app) {
    std::string out = app.help() + "\n*Commands*\nEvery command also takes -h, --help: its own help.\n\n";
    for (CLI::App* command : app.get_subcommands({})) appendCommandHelp(out, *command, app.get_name());
    return out;
}

} // namespace nimbrel::cli
