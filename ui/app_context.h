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

    bool reader() const { return access != FolderAccess::writer; }
};

} // namespace nimbrel
