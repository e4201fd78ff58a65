// nimbrel-cli: decodes station bytes and reads the station from the command line.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/nimbrel-cli/commands.h"

namespace nimbrel::cli {

int fail(int status, const std::string& message) {
    std::cerr << "nimbrel-cli: " << message << '\n';
    return status;
}

namespace {

struct Command {
    std::string_view name;
    int (*run)(const Arguments&);
    std::string_view usage;
};

constexpr Command kCommands[] = {
    {"decode-record", runDecodeRecord, "decode-record HEX     decode a 16-byte history record"},
    {"decode-settings", runDecodeSettings, "decode-settings HEX   decode the 32-byte settings area (0x00-0x1F)"},
    {"decode-alarms", runDecodeAlarms, "decode-alarms HEX     decode the 64-byte alarm area (0x20-0x5F)"},
    {"decode-minmax", runDecodeMinMax, "decode-minmax HEX     decode the 160-byte min/max area (0x60-0xFF)"},
    {"text", runText, "text KIND VALUE SCALE FROM TO  show a reading as the program does (KIND: see text)"},
    {"time", runTime, "time STAMP DATEINDEX TIMEINDEX  show a time stamp in a date and clock format"},
    {"dump", runDump, "dump [--dir DIR]      read the station and print its areas and newest five records"},
    {"sync", runSync, "sync [--dir DIR]      one polling cycle: read the station, store its new history records"},
    {"log", runLog, "log [--dir DIR]       keep polling and storing new records until Ctrl+C or SIGTERM"},
};

void printUsage(std::ostream& out) {
    out << "usage: nimbrel-cli COMMAND [ARGUMENTS]\n";
    for (const Command& c : kCommands) out << "  " << c.usage << '\n';
    out << "HEX is the bytes in hex digits, blanks optional.\n";
}

}  // namespace
}  // namespace nimbrel::cli

int main(int argc, char** argv) {
    using namespace nimbrel::cli;
    if (argc < 2) {
        printUsage(std::cerr);
        return kExitBadInput;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(std::cout);
        return kExitOk;
    }
    for (const Command& c : kCommands)
        if (c.name == name) {
            int status = c.run(Arguments(argv + 2, argv + argc));
            std::cout.flush();
            return status;
        }
    return fail(kExitBadInput, "unknown command \"" + std::string(name) + "\" (try nimbrel-cli help)");
}
