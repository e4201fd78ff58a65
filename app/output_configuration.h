// Reading the outputs' sections `mqtt` and `upload` of Nimbrel.ini, with their defaults.
#pragma once

#include "outputs/output_settings.h"

#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel {

struct OutputConfiguration {
    OutputSettings settings;
    // Said once at start (a password that others may read, a value that was not understood). They
    // name files and keys, never a password.
    std::vector<std::string> warnings;
};

// Reads Nimbrel.ini in the data folder. A missing file, or empty `host` and `url`, leaves both outputs
// off. A `password_file` is read relative to the data folder (its first line is the password); a
// `password` in Nimbrel.ini itself comes first.
OutputConfiguration readOutputConfiguration(const std::filesystem::path& folder);

// "nimbrel-<host name>-<8 hex digits of the data folder's path>": two programs on one machine log
// different folders, so they never take each other's place on the broker.
std::string defaultMqttClientId(const std::string& hostName, const std::filesystem::path& folder);

} // namespace nimbrel
