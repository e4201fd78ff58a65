// nimbrel-cli time: shows a time stamp in one of the station's date and clock formats.
#include "presentation/time_text.h"
#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

namespace nimbrel::cli {

namespace {

struct TimeOptions {
    std::string stamp;
    std::string dateIndex;
    std::string clockIndex;
};

} // namespace

void addTimeCommand(CLI::App& app) {
    auto options = std::make_shared<TimeOptions>();
    CLI::App& command = *app.add_subcommand("time", "show a time stamp in a date and clock format");
    command.add_option("STAMP", options->stamp, "the time stamp, as \"%Y-%m-%d %H:%M:%S\"")->required();
    command
        .add_option("DATEINDEX", options->dateIndex, "0 year-month-day, 1 month-day-year, 2 day-month-year")
        ->required()
        ->check(CLI::IsMember({"0", "1", "2"}));
    command.add_option("TIMEINDEX", options->clockIndex, "0 24-hour clock, 1 12-hour clock")
        ->required()
        ->check(CLI::IsMember({"0", "1"}));
    setRun(command, [options] {
        std::cout << stationTimeText(options->stamp, options->dateIndex[0] - '0',
                                     options->clockIndex[0] - '0')
                  << '\n';
        return kExitOk;
    });
}

} // namespace nimbrel::cli
