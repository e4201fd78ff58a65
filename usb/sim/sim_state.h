// The simulated station kept in a file between runs: its byte layout, and a save that never leaves a
// half-written file behind.
//
// A state file is one fixed-size binary record, little-endian throughout:
//   16 bytes  "NIMBREL-SIM-STN\n"
//    4 bytes  format version (kStateVersion)
//    8 bytes  real time of the save, seconds since the epoch (IEEE double)
//   ...       the station (SimStation::saveTo): its clock, the record being filled, whether it hung and
//             how often its power was restored, the weather to come, and its 64 KiB memory
//    8 bytes  FNV-1a 64 of every byte before it
// A file of another magic, version or check sum, or whose station does not read to its last byte, is not
// a station and is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel::sim {

constexpr std::uint32_t kStateVersion = 3;

class StateWriter {
public:
    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u32(std::uint32_t value);
    void u64(std::uint64_t value);
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void f64(double value);
    void raw(const std::uint8_t* data, std::size_t length) {
        bytes_.insert(bytes_.end(), data, data + length);
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads what a StateWriter wrote. Reading past the end gives zeros and makes ok() false for good.
class StateReader {
public:
    StateReader(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}
    std::uint8_t u8();
    std::uint32_t u32();
    std::uint64_t u64();
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64();
    void raw(std::uint8_t* out, std::size_t length);

    bool ok() const { return ok_; }
    std::size_t left() const { return length_ - at_; }

private:
    bool take(std::size_t length);
    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::uint64_t fnv1a64(const std::uint8_t* data, std::size_t length);

// The file's bytes around a station's own bytes: magic, version and save time in front, check sum behind.
std::vector<std::uint8_t> wrapState(double savedAt, const std::vector<std::uint8_t>& station);

// The station's bytes and the save time of a file's content, when it has the magic, this version and a
// check sum that matches.
struct UnwrappedState {
    double savedAt = 0;
    std::vector<std::uint8_t> station;
};
std::optional<UnwrappedState> unwrapState(const std::vector<std::uint8_t>& file);

// Replaces the file at `path` by `bytes` as one step: a temporary file in the same folder is written,
// flushed to disk and renamed over it, so a reader meets the old content or the new, never a part.
// On failure the temporary file is removed, the old file is left as it was and `error` says why.
bool replaceFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                           std::string& error);

// The whole file, or nothing when it cannot be read or is longer than `limit` bytes; readAll reads an open
// file from where it stands to its end.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::size_t limit);
std::optional<std::vector<std::uint8_t>> readAll(int fd, std::size_t limit);

// Writes every byte to an open file, going on after interrupted or short writes.
bool writeAll(int fd, const std::uint8_t* data, std::size_t length);

// What identifies one version of a file (a save renames a new file in, so its inode changes).
struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> stampOf(const std::string& path);

} // namespace nimbrel::sim
