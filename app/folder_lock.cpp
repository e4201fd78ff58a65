#include "app/folder_lock.h"

#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace nimbrel {

FolderLock::FolderLock(const std::filesystem::path& folder) {
    const int fd = ::open((folder / kFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    // The holder's process id, for a person who wonders who holds the folder.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd_, pid.data(), pid.size(), 0);
    }
}

bool FolderLock::heldElsewhere(const std::filesystem::path& folder) {
    const int fd = ::open((folder / kFileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false; // no lock file: nobody has ever held this folder
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

FolderLock::~FolderLock() {
    release();
}

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void FolderLock::release() {
    if (fd_ >= 0) {
        ::close(fd_); // closing the last descriptor of the file drops the lock
        fd_ = -1;
    }
}

} // namespace nimbrel
