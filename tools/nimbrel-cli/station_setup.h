// What every station-reading subcommand sets up first: the data folder from "[--dir DIR]" and the
// USB library that the folder's configuration names (none in test mode).
#pragma once

#include "app/acquisition_texts_from_table.h"
#include "app/configuration.h"
#include "station/station_access.h"
#include "station/usb_library.h"
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

// Loads the USB library beside the program that `config` names; leaves `library` empty in test mode.
// Returns kExitOk, or kExitUnreachable after printing why the library could not be loaded.
int loadStationLibrary(const std::string& command, const Configuration& config,
                       std::unique_ptr<UsbLibrary>& library);

// The station of `config`: its USB library loaded (none in test mode) and a StationAccess over it.
// Returns kExitOk, or kExitUnreachable after printing why the library could not be loaded.
int openStation(const std::string& command, const Configuration& config,
                std::unique_ptr<StationAccess>& station);

// What a command says when the station was not found, in the configured language: a station is
// plugged in that this user may not open, or none was found (with the USB ids looked for), and
// whether the command goes on looking.
std::string noStationText(const StationAccess& station, const Configuration& config, StationSearch search);

} // namespace nimbrel::cli
