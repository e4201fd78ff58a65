#include "store/replacing_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {

namespace {
constexpr std::size_t kPiece = 1 << 20;
} // namespace

ReplacingFile::ReplacingFile(std::string target, std::string_view infix)
    : target_(std::move(target)), temporary_(target_ + std::string(infix) + "XXXXXX") {}

ReplacingFile::~ReplacingFile() {
    if (!committed_) abandon();
}

bool ReplacingFile::fail() {
    if (ok_) failure_ = std::strerror(errno);
    ok_ = false;
    return false;
}

bool ReplacingFile::open(unsigned mode) {
    // In the target's own folder, so the rename stays on one file system and replaces it in one step.
    file_ = FileHandle(::mkostemp(temporary_.data(), O_CLOEXEC));
    if (!file_.valid()) {
        temporary_.clear();
        return fail();
    }
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(file_.get(), mode);
    return true;
}

bool ReplacingFile::flushPending() {
    if (!ok_ || !file_.valid()) return false;
    if (!writeAll(file_.get(), pending_)) return fail();
    written_ += pending_.size();
    pending_.clear();
    return true;
}

bool ReplacingFile::write(std::string_view bytes) {
    if (!ok_ || !file_.valid()) return false;
    if (pending_.empty() && bytes.size() >= kPiece) {
        // Large enough on its own: straight to the file, no copy.
        if (!writeAll(file_.get(), bytes)) return fail();
        written_ += bytes.size();
        return true;
    }
    pending_.append(bytes);
    return pending_.size() < kPiece || flushPending();
}

bool ReplacingFile::commit() {
    if (!flushPending()) {
        abandon();
        return false;
    }
    if (::fsync(file_.get()) != 0) fail();
    if (::close(file_.release()) != 0) fail();
    if (ok_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) fail();
    if (!ok_) {
        abandon();
        return false;
    }
    committed_ = true;
    // The rename itself is on disk only once the folder is.
    const std::filesystem::path folder = std::filesystem::path(target_).parent_path();
    FileHandle directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) ::fsync(directory.get());
    return true;
}

void ReplacingFile::abandon() {
    file_ = FileHandle{};
    if (!temporary_.empty() && !committed_) ::unlink(temporary_.c_str());
    temporary_.clear();
    pending_.clear();
    ok_ = false;
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace nimbrel
