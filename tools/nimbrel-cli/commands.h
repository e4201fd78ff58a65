// The subcommands of nimbrel-cli and what they share: exit statuses, failure lines, how a command runs.
//
// A command is one cmd_*.cpp with one function that adds it to the program's CLI11 App, plus one line
// in main.cpp's list that calls it. That function is the command's whole definition:
//
//     void addFrobCommand(CLI::App& app) {
//         auto options = std::make_shared<FrobOptions>();   // the parsed values outlive this function
//         CLI::App& command = *app.add_subcommand("frob", "one line: what it does");
//         addDirOption(command, options->dir);                // station commands: --dir DIR
//         command.add_option("NAME", options->name, "what NAME is")->required();
//         setRun(command, [options] { return runFrob(*options); });
//     }
//
// CLI11 checks the words against the definition (refused words: its message on standard error, exit 2)
// and answers --help from it; the descriptions given there are the command's help text and manual page.
// runFrob does the work and returns one of the statuses below; what it refuses itself (a unit that
// does not fit the quantity, a value the window would refuse) goes through fail(kExitBadInput, ...).
//
// Every message on standard error names the program and then the command it is about, whoever
// found the fault (CLI11, a check of this tool, the station, the window's own prompt):
//
//     nimbrel-cli: setup: Recording interval: Please enter an integer between 5 and 240.
//
// messageLine() is the one place that form is made; fail() and warn() print it.
#pragma once

#include "app/form_outcome.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace nimbrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUnreachable = 1; // the station, a file or the network could not be reached
inline constexpr int kExitBadInput = 2;    // refused input: usage, or a value the window refuses

// Said in the help of every command that talks to the station.
inline constexpr const char* kBurstRiskNote =
    "The station can stop answering (until its power is taken away) when it is read while it takes its "
    "sensors' message or logs a record. The programs on one station share when those moments come, and "
    "keep their exchanges away from them; with nothing learned yet anywhere (no window or logger has run "
    "on this station), this command takes the risk of one short burst.";

// "nimbrel-cli: COMMAND: message", or "nimbrel-cli: message" when `command` is empty (a fault
// before any command was chosen). `command` is the command's words, "debug record" for a subcommand.
std::string messageLine(std::string_view command, std::string_view message);

// Prints messageLine() on standard error: a warning, or a failure that returns its own status.
void warn(std::string_view command, std::string_view message);

// warn(), then returns `status`: for the commands' one-line failures.
int fail(int status, std::string_view command, std::string_view message);

// A form's message, one warning per line (a form tells each failure on a line of its own).
void warnEach(std::string_view command, std::string_view message);

// A form's work that was not done: its message, then kExitBadInput when the user's value was refused,
// kExitUnreachable when the station failed.
int failWith(std::string_view command, const FormOutcome& outcome);

// Each station byte a save changed, "0x0011: 20 -> 21", on standard output.
void printByteChanges(const std::vector<ByteChange>& changes);

// Makes `run` what `command` does once its words are parsed and checked; the program then exits with
// the status `run` returns.
void setRun(CLI::App& command, std::function<int()> run);
// Ends the help of a command that talks to the station with kBurstRiskNote.
void addBurstRiskNote(CLI::App& command);

// The commands, in the order the help lists them.
void addDecodeCommands(CLI::App& app); // decode-record, decode-settings, decode-alarms, decode-minmax
void addTextCommand(CLI::App& app);
void addTimeCommand(CLI::App& app);
void addDumpCommand(CLI::App& app);
void addSyncCommand(CLI::App& app);
void addLogCommand(CLI::App& app);
void addPublishCommand(CLI::App& app);
void addDefaultsCommand(CLI::App& app);
void addClearMemoryCommand(CLI::App& app);
void addAlarmsCommand(CLI::App& app);
void addSetupCommand(CLI::App& app);
void addScopeCommand(CLI::App& app);
void addStatusCommand(CLI::App& app);
void addDebugCommand(CLI::App& app); // debug setup, debug record N
void addHistoryCommand(CLI::App& app);
void addExportCommand(CLI::App& app);
void addClimateCommands(CLI::App& app); // summary, records, report
void addGraphCommand(CLI::App& app);

} // namespace nimbrel::cli
