#include "tools/nimbrel-cli/logger_session.h"

#include "app/acquisition_texts_from_table.h"
#include "app/data_folder.h"
#include "app/language_table.h"
#include "station/clock.h"
#include "station/local_stamp.h"
#include "station/usb_library.h"

#include <ctime>
#include <iostream>
#include <optional>

namespace nimbrel::cli {

int openLoggerSession(const std::string& command, const Arguments& args, LoggerSession& session) {
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
        session.folder = chooseDataFolder(programDirectory(), dir);
        std::filesystem::current_path(session.folder);
    } catch (const DataFolderError& e) {
        return fail(kExitBadInput, command + ": " + e.what());
    } catch (const std::filesystem::filesystem_error& e) {
        return fail(kExitBadInput, command + ": " + e.what());
    }

    // One program per data folder: the window or another logger may be downloading into it.
    session.lock = std::make_unique<FolderLock>(session.folder);
    if (!session.lock->acquired())
        return fail(kExitUnreachable, command + ": another Nimbrel program is already using " +
                                          session.folder.string() +
                                          "; only one may download into it at a time");

    session.config = loadConfiguration(session.folder);
    std::unique_ptr<UsbLibrary> library;
    if (!session.config.testMode()) {
        const std::filesystem::path libraryPath = programDirectory() / session.config.usbLibrary;
        library = loadUsbLibrary(libraryPath.string());
        if (!library->loadError().empty())
            return fail(kExitUnreachable, command + ": no station can be reached: " + library->loadError());
    }
    session.station =
        std::make_unique<StationAccess>(std::move(library), systemClock(), session.config.testMode(),
                                        StationIds{session.config.usbDeviceVid, session.config.usbDevicePid});

    session.store = std::make_unique<HistoryStore>((session.folder / "Nimbrel.dat").string(), systemClock());
    session.store->setDebugFlag(session.config.debugMode());
    if (!session.store->open())
        return fail(kExitUnreachable, command + ": cannot open " + session.store->path());

    session.texts = acquisitionTextsFrom(LanguageTable(session.config.languageIndex));
    return kExitOk;
}

void ConsoleListener::postStatus(const std::string& text) {
    if (stamped_) std::cout << localStampText(std::time(nullptr)) << "  ";
    std::cout << text << std::endl;
}

} // namespace nimbrel::cli
