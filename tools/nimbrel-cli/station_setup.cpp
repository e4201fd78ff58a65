#include "tools/nimbrel-cli/station_setup.h"

#include "app/acquisition_texts_from_table.h"
#include "app/data_folder.h"
#include "app/language_table.h"
#include "station/clock.h"

#include <CLI/CLI.hpp>

namespace nimbrel::cli {

void addDirOption(CLI::App& command, FolderOption& dir) {
    command
        .add_option("--dir", dir,
                    "the data folder (Nimbrel.ini, Nimbrel.dat); default: the program's "
                    "folder when it is writable, else $XDG_DATA_HOME/nimbrel")
        ->type_name("DIR")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

int chooseFolder(const std::string& command, const FolderOption& dir, std::filesystem::path& folder) {
    std::optional<std::filesystem::path> given;
    if (dir) given = *dir;
    try {
        folder = chooseDataFolder(programDirectory(), given);
    } catch (const DataFolderError& e) {
        // In the user's language, as the window says it.
        return fail(kExitBadInput, command, e.text(LanguageTable(startupLanguageIndex(e.folder()))));
    }
    return kExitOk;
}

std::string noStationText(const StationAccess& station, const Configuration& config, StationSearch search) {
    return nimbrel::noStationText(station.lastFindWasRefused(), config, LanguageTable(config.languageIndex),
                                  search);
}

} // namespace nimbrel::cli
