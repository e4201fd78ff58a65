// Reading the outputs' sections `mqtt` and `upload` of Nimbrel.ini, with their defaults.
#pragma once

#include "outputs/output_settings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

// Section `alerts`: where the alerts go beside the window's status line and the MQTT broker.
struct AlertSettings {
    std::optional<bool> notify; // desktop notifications; unset: on in the window, off in nimbrel-cli log
    std::string command;        // a program run at each change of an alert; empty: none
    int staleMinutes = 10;      // minutes without a new reading before "no new reading"
};

struct OutputConfiguration {
    OutputSettings settings;
    AlertSettings alerts;
    // Said once at start (a password that others may read, a value that was not understood). They
    // name files and keys, never a password.
    std::vector<std::string> warnings;
};

// Reads Nimbrel.ini in the data folder. A missing file, or empty `host` and `url`, leaves both outputs
// off. A `password_file` is read relative to the data folder (its first line is the password); a
// `password` in Nimbrel.ini itself comes first.
OutputConfiguration readOutputConfiguration(const std::filesystem::path& folder);

// The folder of the outputs' kept positions: the service's state folder ($STATE_DIRECTORY, which
// systemd sets to /var/lib/nimbrel for the logger), else $XDG_STATE_HOME/nimbrel, else
// ~/.local/state/nimbrel; none without a home.
std::filesystem::path outputStateFolder();

// "nimbrel-<host name>-<8 hex digits of the data folder's path>": two programs on one machine log
// different folders, so they never take each other's place on the broker.
std::string defaultMqttClientId(const std::string& hostName, const std::filesystem::path& folder);

} // namespace nimbrel
