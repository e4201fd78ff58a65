// Where Nimbrel.ini, Nimbrel.dat and AboutWeather.ini live.
#pragma once

#include "app/language_table.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace nimbrel {

// The folder could not be found, created or read. The user is told in their language: text()
// fills the language table's message (key) with the folder as %1 and the system's reason as %2.
// what() holds the English text.
class DataFolderError : public std::runtime_error {
public:
    DataFolderError(std::string key, std::filesystem::path folder = {}, std::string reason = {});

    const std::string& key() const { return key_; }
    // The folder that could not be used; empty when there was none to name.
    const std::filesystem::path& folder() const { return folder_; }
    std::string text(const LanguageTable& texts) const;

private:
    std::string key_;
    std::filesystem::path folder_;
    std::string reason_;
};

// The folder that holds the running program (from /proc/self/exe).
std::filesystem::path programDirectory();

// Where the USB libraries of the program in `programDir` are. In a build or unpacked folder they sit
// beside the program. Installed (bin/nimbrel), they sit in the private folder lib/<multiarch>/nimbrel
// of the same prefix; the program counts as installed when that folder exists.
std::filesystem::path usbLibraryFolder(const std::filesystem::path& programDir);
bool isInstalledProgram(const std::filesystem::path& programDir);
// The USB library file that the configuration names (a plain file name), for the running program.
std::filesystem::path usbLibraryPath(const std::string& fileName);

// The data folder: the --dir folder when given; else the program's folder when the user may write
// there and the program is not installed (a program run from its build or unpacked folder); else
// $XDG_DATA_HOME/nimbrel (by default ~/.local/share/nimbrel). An installed program never writes beside
// itself, not even when root runs it. A missing --dir or user folder is created.
// Returns an absolute path; throws DataFolderError when the folder cannot be made or read. A folder
// the user may read but not write is returned: claimDataFolder then makes the program its reader.
// The caller makes it the working directory.
std::filesystem::path chooseDataFolder(const std::filesystem::path& programDir,
                                       const std::optional<std::filesystem::path>& dirOption);

// Whether this user can create files in the folder (tried, not guessed from permission bits).
bool canWriteIn(const std::filesystem::path& folder);

// The folder of "--dir DIR" or "--dir=DIR" on the command line, if any (the last one wins).
// Throws DataFolderError for a --dir without its folder.
std::optional<std::filesystem::path> dirOption(int argc, char** argv);

} // namespace nimbrel
