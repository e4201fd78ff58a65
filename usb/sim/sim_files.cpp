#include "usb/sim/sim_files.h"

#include "usb/sim/sim_state.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace nimbrel::sim {
namespace {

// The stats file is a few short lines and the control file a few words.
constexpr std::size_t kSmallFileLimit = 1 << 16;

const std::pair<const char*, std::uint64_t HazardCounts::*> kStatsKeys[] = {
    {"lockups", &HazardCounts::lockups},
    {"frames_in_margin", &HazardCounts::framesInMargin},
    {"frames_in_margin_learning", &HazardCounts::framesInMarginLearning},
    {"frames_locked", &HazardCounts::framesLocked},
    {"torn_reads", &HazardCounts::tornReads},
    {"frames", &HazardCounts::frames},
};

std::string trimmed(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> linesOf(const std::vector<std::uint8_t>& bytes) {
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        if (auto word = trimmed(line); !word.empty()) lines.push_back(word);
    return lines;
}

bool failed(std::string& error, const char* what) {
    error = std::string(what) + ": " + std::strerror(errno);
    return false;
}

} // namespace

bool addToStatsFile(const std::string& path, const HazardCounts& counts, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return failed(error, "cannot open");
    // Closing the file releases the lock.
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR) return failed(error, "cannot lock");
    const auto bytes = readAll(fd, kSmallFileLimit);
    if (!bytes) return failed(error, "cannot read");

    HazardCounts sums = counts;
    for (const std::string& line : linesOf(*bytes)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = trimmed(line.substr(0, equals)), value = trimmed(line.substr(equals + 1));
        std::uint64_t number = 0;
        const auto read = std::from_chars(value.data(), value.data() + value.size(), number);
        if (read.ec != std::errc() || read.ptr != value.data() + value.size()) continue;
        for (const auto& [name, member] : kStatsKeys)
            if (key == name) sums.*member += number;
    }

    std::string text;
    for (const auto& [name, member] : kStatsKeys)
        text += std::string(name) + "=" + std::to_string(sums.*member) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) return failed(error, "cannot rewrite");
    if (!writeAll(fd, reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
        return failed(error, "cannot write");
    return true;
}

std::vector<std::string> takeControlLines(const std::string& path) {
    // A file being written ("echo lockup > FILE") is empty for a moment: it is taken once it holds words.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size == 0) return {};
    const std::string taken = path + ".taken-" + std::to_string(::getpid());
    if (::rename(path.c_str(), taken.c_str()) != 0) return {}; // gone, or another program took it
    const auto bytes = readWholeFile(taken, kSmallFileLimit);
    ::unlink(taken.c_str());
    return bytes ? linesOf(*bytes) : std::vector<std::string>{};
}

} // namespace nimbrel::sim
