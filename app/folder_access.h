// FolderAccess: whether this program writes its data folder or only reads what another program writes.
#pragma once

#include "app/folder_lock.h"

#include <filesystem>
#include <optional>

namespace nimbrel {

enum class FolderAccess {
    writer,            // holds the folder's lock: polls the station and writes the history
    readerLocked,      // another program (the background logger) holds the lock
    readerNotWritable, // this user may only read the folder (the logger's /var/lib/nimbrel)
};

struct FolderClaim {
    FolderAccess access = FolderAccess::writer;
    // Held for as long as the program writes the folder; empty for a reader.
    std::optional<FolderLock> lock;
    // For readerNotWritable: the system's reason (errno) why the folder could not be written.
    int reason = 0;
};

// Decides for a folder that chooseDataFolder accepted: a lock that another program holds makes a
// reader (even of a folder the user may not write: the logger's, while it runs), then a folder the
// user may not write, else the lock is taken. A reader never creates, locks or rewrites any file.
FolderClaim claimDataFolder(const std::filesystem::path& folder);

} // namespace nimbrel
