#include "tools/nimbrel-cli/folder_session.h"

#include "station/local_stamp.h"
#include "station/station_access.h"

#include <ctime>
#include <iostream>
#include <unistd.h>

namespace nimbrel::cli {

int openSession(const std::string& command, const FolderOption& dir, FolderUse use,
                std::unique_ptr<AcquisitionSession>& session) {
    std::filesystem::path folder;
    if (const int status = chooseFolder(command, dir, folder); status != kExitOk) return status;
    if (use == FolderUse::writer) {
        try {
            std::filesystem::current_path(folder);
        } catch (const std::filesystem::filesystem_error& e) {
            return fail(kExitBadInput, command, e.what());
        }
    }
    AcquisitionSession::Opening opening = AcquisitionSession::open(folder, use);
    if (!opening.session) return fail(kExitUnreachable, command, opening.message);
    session = std::move(opening.session);
    return kExitOk;
}

int findStation(const std::string& command, AcquisitionSession& session) {
    if (session.station().pollConnection()) return kExitOk;
    return fail(kExitUnreachable, command,
                noStationText(session.station(), session.config(), StationSearch::givenUp));
}

ConsoleListener::ConsoleListener(bool stamped)
    : stamped_(stamped), progressShown_(::isatty(STDERR_FILENO) == 1) {}

void ConsoleListener::postStatus(const std::string& text) {
    endProgress();
    // In one piece: the outputs' threads print lines too.
    std::cout << ((stamped_ ? localStampText(std::time(nullptr)) + "  " : std::string()) + text + '\n')
              << std::flush;
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
