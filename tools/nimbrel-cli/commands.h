// The subcommands of nimbrel-cli. Each returns the exit status: 0 done, 1 the station (or a file)
// could not be reached, 2 bad input. A new subcommand is one cmd_*.cpp and one line in main.cpp.
#pragma once

#include <string>
#include <vector>

namespace nimbrel::cli {

using Arguments = std::vector<std::string>;  // the words after the subcommand's name

inline constexpr int kExitOk = 0;
inline constexpr int kExitUnreachable = 1;
inline constexpr int kExitBadInput = 2;

int runDecodeRecord(const Arguments& args);
int runDecodeSettings(const Arguments& args);
int runDecodeAlarms(const Arguments& args);
int runDecodeMinMax(const Arguments& args);
int runDump(const Arguments& args);
int runText(const Arguments& args);
int runTime(const Arguments& args);
int runSync(const Arguments& args);
int runLog(const Arguments& args);

// Prints "nimbrel-cli: message" on stderr and returns status, for one-line failures.
int fail(int status, const std::string& message);

}  // namespace nimbrel::cli
