// ReplacingFile: writes a file whole or not at all. The bytes go to a temporary file beside the target,
// which replaces the target in one rename only once every write, the flush to disk and the close have
// succeeded; a crash, a full disk or a cancel leaves the old file as it was.
#pragma once

#include "store/history_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel {

class ReplacingFile {
public:
    // The temporary file is named target + infix + six random characters.
    ReplacingFile(std::string target, std::string_view infix);
    // Removes the temporary file unless commit() succeeded.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file with the permissions of the file it will replace (`mode` when there
    // is none yet, less the umask). False when it cannot be made.
    bool open(unsigned mode = 0666);
    // Appends the bytes. Writes are gathered into large pieces; false once any write failed.
    bool write(std::string_view bytes);
    // Flushes, closes and renames over the target, then flushes the folder. False when any step
    // failed: the target is then untouched and the temporary file gone.
    bool commit();
    // Drops what was written; the target is untouched.
    void abandon();

    // What the first failure was, as the system says it ("" while none).
    const std::string& failure() const { return failure_; }
    std::uint64_t bytesWritten() const { return written_ + pending_.size(); }

private:
    bool fail();
    bool flushPending();

    std::string target_;
    std::string temporary_;
    FileHandle file_;
    std::string pending_;
    std::uint64_t written_ = 0;
    bool ok_ = true;
    bool committed_ = false;
    std::string failure_;
};

// True when both paths name one existing file (same device and inode): a hard link or another spelling
// of the path counts, a copy does not.
bool isSameFile(const std::string& a, const std::string& b);

} // namespace nimbrel
