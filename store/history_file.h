// The history file on disk: its identity, its line-by-line readers (forwards and from the end)
// and the repair of a last line that a crash left torn.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// An open file descriptor, closed when it goes out of scope.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

// What tells one state of the file from another: which file it is, how long, and when it
// last changed. Anything that writes the file changes at least one of them.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(int fd);
std::optional<FileStamp> stampOf(const std::string& path);

// Reads exactly [offset, offset + length) or fewer bytes at the end of the file.
std::string readBytes(int fd, std::uint64_t offset, std::size_t length);
// Writes every byte; false on any failure.
bool writeAll(int fd, std::string_view bytes);

// The forward reader's block of memory, kept by its owner from one read to the next: a fresh
// megabyte for every query would cost more in page faults than the query's own work.
class ReadBuffer {
public:
    // At least `size` bytes; the first `keep` bytes survive a move to a larger block.
    char* reserve(std::size_t size, std::size_t keep);
    char* data() { return data_.get(); }

private:
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
};

// Called with each line (LF included when present) and the offset of its first byte.
// Returning false stops the walk.
using LineVisitor = std::function<bool(std::string_view line, std::uint64_t offset)>;

// Every line of [begin, end) in file order, read in large blocks. The last piece
// before `end` is passed even when it has no LF.
void forEachLineForward(int fd, std::uint64_t begin, std::uint64_t end, ReadBuffer& buffer,
                        const LineVisitor& visit);

// The lines of [0, end) from the last to the first, reading blocks from the end backwards, so a
// reader that stops early reads only the end of the file. next() hands out each line (LF included
// when present) and the offset of its first byte; the line stays valid until the next call. A line
// longer than kLongestLine holds no record (a record line has a few hundred bytes): it is handed out
// as an empty line at its right offset, and its bytes are never kept.
class BackwardLines {
public:
    static constexpr std::size_t kLongestLine = 1 << 20;

    BackwardLines(int fd, std::uint64_t end);
    bool next(std::string_view& line, std::uint64_t& offset);
    // True when next() stopped because the file had shrunk, not at its first line.
    bool failed() const { return failed_; }

private:
    // Reads the block before position_ in front of what is held; false when the file shrank.
    bool readEarlier();

    int fd_;
    std::uint64_t position_; // file offset of data_[begin_]
    // The bytes read so far fill data_ from its end backwards, so reading an earlier block copies
    // nothing; a line longer than the room left moves to the end of a block twice as large.
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0;     // data_[begin_, lineEnd_) has not been handed out yet
    std::size_t lineEnd_ = 0;
    std::size_t searchEnd_ = 0; // data_[begin_, searchEnd_) may hold the LF before the next line
    bool overlong_ = false;     // the line being read is past kLongestLine: its bytes are let go
    bool failed_ = false;
};

// Every line of [0, end) from the last to the first (see BackwardLines).
void forEachLineBackward(int fd, std::uint64_t end, const LineVisitor& visit);

// The end of the file as the writers leave it: `linesEnd` is the offset after the last
// LF; `fragment` the bytes after it (a line that lost its end, or part of one).
struct FileTail {
    std::uint64_t linesEnd = 0;
    std::string fragment;
    bool overlong = false; // the bytes after linesEnd are too many for any line: fragment stays empty
};
FileTail readTail(int fd, std::uint64_t size);

// A last line without LF is complete when it has every column of a data line; a crash
// can leave a shorter one, torn in the middle of its writing. Blank pieces count as torn.
bool isCompleteFragment(std::string_view fragment);

// The record that a line read from the file holds, its line end removed; nothing for a torn last line
// (one without LF that lacks columns), a blank line or a comment.
std::optional<std::string_view> recordTextOf(std::string_view line);

// Makes the file end with a line end before the next write: a torn last line is cut
// off, a complete one gets its line end. Returns false when the file could not be changed.
bool repairTail(int fd, const FileTail& tail);

} // namespace nimbrel
