// AppContext: the long-lived objects that start-up makes and the main window and its view use.
#pragma once

#include "app/folder_access.h"

#include <filesystem>

namespace nimbrel {

struct Configuration;
class LanguageTable;
class StationAccess;
class HistoryStore;
class Clock;
class AcquisitionSession;

// Everything here outlives the main window; the window only borrows it.
struct AppContext {
    const Configuration& config;
    const LanguageTable& texts;
    StationAccess& station;
    HistoryStore& store;
    Clock& clock;
    // Where Nimbrel.ini, Nimbrel.dat and Nimbrel.bmp live.
    std::filesystem::path dataFolder;
    // A reader polls no station and writes nothing in the folder: another program (or user) does.
    FolderAccess access = FolderAccess::writer;

    // The folder's session, whose threads the main window starts and stops; none for a window that is
    // tried alone.
    AcquisitionSession* session = nullptr;

    bool reader() const { return access != FolderAccess::writer; }
};

// The context of a window over an opened folder: everything borrowed from its session.
AppContext contextOf(AcquisitionSession& session);

} // namespace nimbrel
