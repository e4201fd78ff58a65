#include "tools/nimbrel-cli/logger_session.h"

#include "app/acquisition_texts_from_table.h"
#include "app/data_folder.h"
#include "app/folder_access.h"
#include "app/language_table.h"
#include "station/clock.h"
#include "station/local_stamp.h"
#include "station/usb_library.h"
#include "tools/nimbrel-cli/station_setup.h"

#include <cstring>
#include <ctime>
#include <iostream>
#include <unistd.h>

namespace nimbrel::cli {

int openLoggerSession(const std::string& command, const FolderOption& dir, LoggerSession& session) {
    if (const int status = chooseFolder(command, dir, session.folder); status != kExitOk) return status;
    try {
        std::filesystem::current_path(session.folder);
    } catch (const std::filesystem::filesystem_error& e) {
        return fail(kExitBadInput, command, e.what());
    }

    // One program per data folder: the window or another logger may be downloading into it. A folder
    // that is not ours to write is left exactly as it is, Nimbrel.ini included.
    FolderClaim claim = claimDataFolder(session.folder);
    if (claim.access != FolderAccess::writer) {
        const LanguageTable texts(readConfiguration(session.folder).languageIndex);
        return fail(kExitUnreachable, command,
                    (claim.access == FolderAccess::readerLocked
                         ? texts.text("app.folder_busy", {session.folder.string()})
                         : texts.text("app.folder_not_writable",
                                      {session.folder.string(), std::strerror(claim.reason)})));
    }
    session.lock = std::make_unique<FolderLock>(std::move(*claim.lock));
    session.config = loadConfiguration(session.folder);

    if (const int status = openStation(command, session.config, session.station); status != kExitOk)
        return status;

    session.store =
        std::make_unique<HistoryStore>((session.folder / "Nimbrel.dat").string(), session.station->clock());
    session.store->setDebugFlag(session.config.debugMode());
    if (!session.store->open())
        return fail(kExitUnreachable, command, "cannot open " + session.store->path());

    session.texts = acquisitionTextsFrom(LanguageTable(session.config.languageIndex));
    return kExitOk;
}

ConsoleListener::ConsoleListener(bool stamped)
    : stamped_(stamped), progressShown_(::isatty(STDERR_FILENO) == 1) {}

void ConsoleListener::postStatus(const std::string& text) {
    endProgress();
    // In one piece: the outputs' threads print lines too.
    std::cout << ((stamped_ ? localStampText(std::time(nullptr)) + "  " : std::string()) + text + '\n') << std::flush;
}

void ConsoleListener::showProgress(const std::string& text, long long done, long long total) {
    if (!progressShown_) return;
    // Back to the start of the line, the new text, the rest of the old one erased.
    std::cerr << '\r' << text << " (" << done << " / " << total << ")\x1b[K" << std::flush;
    progressLineOpen_ = true;
}

void ConsoleListener::endProgress() {
    if (!progressLineOpen_) return;
    std::cerr << "\r\x1b[K" << std::flush;
    progressLineOpen_ = false;
}

} // namespace nimbrel::cli
