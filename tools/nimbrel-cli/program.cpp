#include "tools/nimbrel-cli/program.h"

#include "app/program_help.h"
#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <sstream>
#include <vector>

namespace nimbrel::cli {
namespace {

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
    addDebugCommand(app);
    addHistoryCommand(app);
    addExportCommand(app);
    addGraphCommand(app);
    nameGroupCommands(app);
    // After the commands: CLI11 hands a footer given earlier down to each of them.
    app.footer("HEX is the bytes in hex digits, blanks optional. Station commands take --dir DIR, the data "
               "folder.\nExit status: 0 done, 1 the station or a file could not be reached, 2 refused "
               "input.\nEach command has its own --help.\n\n" +
               environmentHelp(HelpFor::commandLine) + '\n' + filesHelp(HelpFor::commandLine));
}

std::string allCommandsHelp(CLI::App& app) {
    std::string out = app.help() + "\n*Commands*\nEvery command also takes -h, --help: its own help.\n\n";
    for (CLI::App* command : app.get_subcommands({})) appendCommandHelp(out, *command, app.get_name());
    return out;
}

} // namespace nimbrel::cli
