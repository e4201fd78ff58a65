#include "app/folder_access.h"

#include "app/data_folder.h"

#include <cerrno>

namespace nimbrel {

FolderClaim claimDataFolder(const std::filesystem::path& folder) {
    FolderClaim claim;
    // Asked first, so a window beside the logger never creates anything in its folder, not even the
    // write probe's file for a moment.
    if (FolderLock::heldElsewhere(folder)) {
        claim.access = FolderAccess::readerLocked;
        return claim;
    }
    if (!canWriteIn(folder)) {
        claim.access = FolderAccess::readerNotWritable;
        claim.reason = errno;
        return claim;
    }
    claim.lock.emplace(folder);
    if (!claim.lock->acquired()) {
        claim.lock.reset();
        claim.access = FolderAccess::readerLocked;
    }
    return claim;
}

} // namespace nimbrel
