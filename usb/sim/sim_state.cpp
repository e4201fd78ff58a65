#include "usb/sim/sim_state.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel::sim {
namespace {

constexpr char kMagic[17] = "NIMBREL-SIM-STN\n";
constexpr std::size_t kMagicSize = 16;
constexpr std::size_t kHeaderSize = kMagicSize + 4 + 8;
constexpr std::size_t kSumSize = 8;

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

void StateWriter::u32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void StateWriter::u64(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void StateWriter::f64(double value) {
    u64(std::bit_cast<std::uint64_t>(value));
}

bool StateReader::take(std::size_t length) {
    if (!ok_ || length > length_ - at_) {
        ok_ = false;
        return false;
    }
    return true;
}

std::uint8_t StateReader::u8() {
    if (!take(1)) return 0;
    return data_[at_++];
}

std::uint32_t StateReader::u32() {
    if (!take(4)) return 0;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(data_[at_++]) << (8 * i);
    return value;
}

std::uint64_t StateReader::u64() {
    if (!take(8)) return 0;
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>(data_[at_++]) << (8 * i);
    return value;
}

double StateReader::f64() {
    return std::bit_cast<double>(u64());
}

void StateReader::raw(std::uint8_t* out, std::size_t length) {
    if (!take(length)) return;
    std::memcpy(out, data_ + at_, length);
    at_ += length;
}

std::uint64_t fnv1a64(const std::uint8_t* data, std::size_t length) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::size_t i = 0; i < length; ++i) {
        hash ^= data[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::vector<std::uint8_t> wrapState(double savedAt, const std::vector<std::uint8_t>& station) {
    StateWriter out;
    out.raw(reinterpret_cast<const std::uint8_t*>(kMagic), kMagicSize);
    out.u32(kStateVersion);
    out.f64(savedAt);
    out.raw(station.data(), station.size());
    out.u64(fnv1a64(out.bytes().data(), out.bytes().size()));
    return std::move(out.bytes());
}

std::optional<UnwrappedState> unwrapState(const std::vector<std::uint8_t>& file) {
    if (file.size() < kHeaderSize + kSumSize) return std::nullopt;
    if (std::memcmp(file.data(), kMagic, kMagicSize) != 0) return std::nullopt;
    const std::size_t summed = file.size() - kSumSize;
    StateReader sum(file.data() + summed, kSumSize);
    if (sum.u64() != fnv1a64(file.data(), summed)) return std::nullopt;

    StateReader in(file.data() + kMagicSize, kHeaderSize - kMagicSize);
    if (in.u32() != kStateVersion) return std::nullopt;
    UnwrappedState state;
    state.savedAt = in.f64();
    state.station.assign(file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize),
                         file.begin() + static_cast<std::ptrdiff_t>(summed));
    return state;
}

bool replaceFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
    const std::string folder = folderOf(path);
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = failure("cannot create a file beside it");
        return false;
    }
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    if (!ok) error = failure("cannot write");
    if (ok && ::fsync(fd) != 0) ok = false, error = failure("cannot flush");
    if (::close(fd) != 0 && ok) ok = false, error = failure("cannot close");
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) ok = false, error = failure("cannot rename");
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    auto bytes = readAll(fd, limit);
    ::close(fd);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> readAll(int fd, std::size_t limit) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || bytes.size() + static_cast<std::size_t>(got) > limit) return std::nullopt;
        if (got == 0) return bytes;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return stamp;
}

} // namespace nimbrel::sim
