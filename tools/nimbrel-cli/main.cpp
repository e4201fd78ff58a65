// nimbrel-cli: decodes station bytes and reads and changes the station from the command line.
#include "tools/nimbrel-cli/program.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    CLI::App app("The command-line companion of the Nimbrel weather station program: decodes station "
                 "bytes, reads the station and keeps its history file.",
                 "nimbrel-cli");
    nimbrel::cli::defineProgram(app);
    return nimbrel::cli::runProgram(app, argc, argv);
}
