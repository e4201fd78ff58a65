#include "tools/nimbrel-cli/station_setup.h"

#include "app/acquisition_texts_from_table.h"
#include "app/data_folder.h"
#include "app/language_table.h"

#include <optional>

namespace nimbrel::cli {

int chooseFolder(const std::string& command, const Arguments& args, std::filesystem::path& folder) {
    std::optional<std::filesystem::path> dir;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir" && i + 1 < args.size())
            dir = args[++i];
        else if (args[i].rfind("--dir=", 0) == 0 && args[i].size() > 6)
            dir = args[i].substr(6);
        else if (args[i] == "--dir")
            return fail(kExitBadInput, command + ": --dir needs a folder");
        else
            return fail(kExitBadInput, command + ": unexpected argument \"" + args[i] + "\"");
    }
    try {
        folder = chooseDataFolder(programDirectory(), dir);
    } catch (const DataFolderError& e) {
        // In the user's language, as the window says it.
        return fail(kExitBadInput, command + ": " + e.text(LanguageTable(startupLanguageIndex(e.folder()))));
    }
    return kExitOk;
}

int loadStationLibrary(const std::string& command, const Configuration& config,
                       std::unique_ptr<UsbLibrary>& library) {
    library.reset();
    if (config.testMode()) return kExitOk;
    const std::filesystem::path libraryPath = programDirectory() / config.usbLibrary;
    library = loadUsbLibrary(libraryPath.string());
    if (!library->loadError().empty())
        return fail(kExitUnreachable, command + ": no station can be reached: " + library->loadError());
    return kExitOk;
}

std::string noStationText(const StationAccess& station, const Configuration& config) {
    return nimbrel::noStationText(station.lastFindWasRefused(), config, LanguageTable(config.languageIndex));
}

} // namespace nimbrel::cli
