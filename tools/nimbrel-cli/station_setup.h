// The data folder option of every station and history command, and what they say without a station.
#pragma once

#include "app/acquisition_texts_from_table.h"
#include "app/configuration.h"
#include "station/station_access.h"
#include "tools/nimbrel-cli/commands.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace nimbrel::cli {

// The data folder a command was pointed at; empty when --dir was not given.
using FolderOption = std::optional<std::string>;

// Adds "--dir DIR" (also written "--dir=DIR") to a station command.
void addDirOption(CLI::App& command, FolderOption& dir);

// Chooses the data folder as the window does, from `dir` or the default places. Returns kExitOk
// with `folder` set, or the status of a failure after printing "<command>: why".
int chooseFolder(const std::string& command, const FolderOption& dir, std::filesystem::path& folder);

// What a command says when the station was not found, in the configured language: a station is
// plugged in that this user may not open, or none was found (with the USB ids looked for), and
// whether the command goes on looking.
std::string noStationText(const StationAccess& station, const Configuration& config, StationSearch search);

} // namespace nimbrel::cli
