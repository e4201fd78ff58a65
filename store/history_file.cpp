#include "store/history_file.h"

#include "store/history_line.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {

namespace {

constexpr std::size_t kForwardBlock = 1 << 20;
constexpr std::size_t kBackwardBlock = 1 << 16;

FileStamp stampFrom(const struct stat& st) {
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changedNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

// Reads into `buffer` at most `length` bytes from `offset`; returns how many were read.
std::size_t readInto(int fd, char* buffer, std::uint64_t offset, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<FileStamp> stampOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return stampFrom(st);
}

std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return stampFrom(st);
}

std::string readBytes(int fd, std::uint64_t offset, std::size_t length) {
    std::string bytes(length, '\0');
    bytes.resize(readInto(fd, bytes.data(), offset, length));
    return bytes;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

char* ReadBuffer::reserve(std::size_t size, std::size_t keep) {
    if (size > capacity_) {
        // A plain block (not a std::string): resizing a string would clear every byte before the
        // read fills it, a second pass over each block of every query.
        // It at least doubles, so a long line that keeps growing the block is copied a few times only.
        const std::size_t capacity = std::max(size, 2 * capacity_);
        std::unique_ptr<char[]> larger(new char[capacity]);
        if (keep > 0) std::memcpy(larger.get(), data_.get(), keep);
        data_ = std::move(larger);
        capacity_ = capacity;
    }
    return data_.get();
}

void forEachLineForward(int fd, std::uint64_t begin, std::uint64_t end, ReadBuffer& buffer,
                        const LineVisitor& visit) {
    std::size_t carried = 0; // bytes of an unfinished line kept at the start of the buffer
    std::uint64_t carriedOffset = begin;
    std::uint64_t position = begin;
    while (position < end) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kForwardBlock, end - position));
        char* const data = buffer.reserve(carried + want, carried);
        const std::size_t got = readInto(fd, data + carried, position, want);
        if (got == 0) break;
        const std::size_t size = carried + got;
        position += got;
        std::size_t lineStart = 0;
        while (true) {
            const void* lf = std::memchr(data + lineStart, '\n', size - lineStart);
            if (!lf) break;
            const std::size_t lineEnd = static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1;
            if (!visit(std::string_view(data + lineStart, lineEnd - lineStart), carriedOffset + lineStart))
                return;
            lineStart = lineEnd;
        }
        carried = size - lineStart;
        std::memmove(data, data + lineStart, carried); // the unfinished line to the start (nothing when none)
        carriedOffset += lineStart;
    }
    if (carried > 0) visit(std::string_view(buffer.data(), carried), carriedOffset);
}

BackwardLines::BackwardLines(int fd, std::uint64_t end) : fd_(fd), position_(end) {}

bool BackwardLines::next(std::string_view& line, std::uint64_t& offset) {
    while (true) {
        if (searchEnd_ > begin_) {
            if (const void* lf = ::memrchr(data_.get() + begin_, '\n', searchEnd_ - begin_)) {
                const std::size_t lineStart = static_cast<std::size_t>(static_cast<const char*>(lf) - data_.get()) + 1;
                line = overlong_ ? std::string_view() : std::string_view(data_.get() + lineStart, lineEnd_ - lineStart);
                overlong_ = false;
                offset = position_ + (lineStart - begin_);
                lineEnd_ = lineStart;
                searchEnd_ = lineStart - 1; // the LF just found ends the next line
                return true;
            }
            searchEnd_ = begin_; // searched: the line began in an earlier block (or is the file's first)
        }
        if (failed_) return false;
        if (position_ == 0) {
            if (lineEnd_ == begin_ && !overlong_) return false;
            line = overlong_ ? std::string_view() : std::string_view(data_.get() + begin_, lineEnd_ - begin_);
            overlong_ = false;
            offset = 0;
            lineEnd_ = begin_;
            return true;
        }
        if (!readEarlier()) {
            failed_ = true; // the file shrank under us; stop rather than guess
            return false;
        }
    }
}

bool BackwardLines::readEarlier() {
    if (lineEnd_ - begin_ > kLongestLine) {
        overlong_ = true; // searched already: only its start is still to be found
        lineEnd_ = begin_;
        searchEnd_ = begin_;
    }
    const std::size_t held = lineEnd_ - begin_;
    if (held == 0) begin_ = lineEnd_ = capacity_; // nothing to keep: fill the block from its end again
    // A line longer than a block makes the next read as large as what is held, so a line of any
    // length is read (and moved) in a number of steps that grows with the log of its length.
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max(kBackwardBlock, held), position_));
    if (begin_ < want) {
        const std::size_t capacity = std::max({2 * capacity_, held + want, kBackwardBlock});
        std::unique_ptr<char[]> larger(new char[capacity]);
        if (held > 0) std::memcpy(larger.get() + capacity - held, data_.get() + begin_, held);
        data_ = std::move(larger);
        capacity_ = capacity;
        begin_ = capacity - held;
        lineEnd_ = capacity;
    }
    position_ -= want;
    if (readInto(fd_, data_.get() + begin_ - want, position_, want) != want) return false;
    // What was held is searched already; a line's own LF (its last byte) is never searched.
    searchEnd_ = overlong_ ? begin_ : std::min(begin_, lineEnd_ - 1);
    begin_ -= want;
    return true;
}

void forEachLineBackward(int fd, std::uint64_t end, const LineVisitor& visit) {
    BackwardLines lines(fd, end);
    std::string_view line;
    std::uint64_t offset = 0;
    while (lines.next(line, offset))
        if (!visit(line, offset)) return;
}

FileTail readTail(int fd, std::uint64_t size) {
    char lastByte = 0;
    if (size == 0 || (::pread(fd, &lastByte, sizeof lastByte, static_cast<off_t>(size - 1)) == 1 && lastByte == '\n'))
        return {size, {}};
    BackwardLines lines(fd, size);
    std::string_view last;
    std::uint64_t offset = 0;
    if (!lines.next(last, offset)) return {size, {}}; // the file shrank meanwhile
    if (last.empty()) return {offset, {}, true};
    return {offset, std::string(last)};
}

bool isCompleteFragment(std::string_view fragment) {
    // A line is written as 36 columns, or 38 with the debug part, and each kind ends in a station
    // address of six hex digits: a line that stops anywhere before its last digit is torn. (A debug
    // line cut right after its 36 data columns is a whole line without the debug part.)
    const std::string_view line = stripLineEnd(fragment);
    const std::size_t columns = columnCount(line);
    if (columns != kDataLineColumns && columns != kHistoryColumns.size()) return false;
    const std::string_view last = trimBlanks(line.substr(line.rfind(',') + 1));
    return last.size() == 6 && std::all_of(last.begin(), last.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
           });
}

std::optional<std::string_view> recordTextOf(std::string_view line) {
    const bool readable = (!line.empty() && line.back() == '\n') || isCompleteFragment(line);
    if (!readable) return std::nullopt;
    const std::string_view text = stripLineEnd(line);
    if (!isRecordLine(text)) return std::nullopt;
    return text;
}

bool repairTail(int fd, const FileTail& tail) {
    if (tail.overlong) return ::ftruncate(fd, static_cast<off_t>(tail.linesEnd)) == 0;
    if (tail.fragment.empty()) return true;
    if (!isCompleteFragment(tail.fragment)) return ::ftruncate(fd, static_cast<off_t>(tail.linesEnd)) == 0;
    const std::string_view end = tail.fragment.back() == '\r' ? "\n" : "\r\n";
    const auto stamp = stampOf(fd);
    if (!stamp) return false;
    return ::pwrite(fd, end.data(), end.size(), static_cast<off_t>(stamp->size)) ==
           static_cast<ssize_t>(end.size());
}

} // namespace nimbrel
