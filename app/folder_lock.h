// FolderLock: one program at a time per data folder, so two never write one history file.
#pragma once

#include <filesystem>

namespace nimbrel {

// Holds an exclusive lock on <folder>/.nimbrel.lock for its lifetime. The window and the headless
// logger both take it. The lock belongs to the open file, so it goes with the process: a program
// that died never blocks the next start, and no stale file has to be cleaned up.
class FolderLock {
public:
    // Tries once, without waiting.
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;

    // False when another program (or another FolderLock) holds the folder, or the lock file
    // cannot be opened.
    bool acquired() const { return fd_ >= 0; }

    // True when another program holds the folder's lock now. Looks without writing anything: the lock
    // file is opened for reading only, and a lock that nobody holds is let go at once.
    static bool heldElsewhere(const std::filesystem::path& folder);

    static constexpr const char* kFileName = ".nimbrel.lock";

private:
    void release();

    int fd_ = -1;
};

} // namespace nimbrel
