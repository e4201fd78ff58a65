#include "app/profile_file.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace nimbrel {

namespace {

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string valueOf(std::string_view raw) {
    std::string_view value = trim(raw.substr(raw.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

} // namespace

std::string cutToCharacters(std::string_view text, std::size_t maxCharacters) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (!continuation && characters++ == maxCharacters) {
            return std::string(text.substr(0, i));
        }
    }
    return std::string(text);
}

ProfileFile ProfileFile::load(const std::filesystem::path& file) {
    return read(file).value_or(ProfileFile{});
}

std::optional<ProfileFile> ProfileFile::read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return parse(bytes.str());
}

ProfileFile ProfileFile::parse(std::string_view text) {
    ProfileFile profile;
    const std::size_t firstEnd = text.find('\n');
    const bool plainLf = firstEnd != std::string_view::npos && (firstEnd == 0 || text[firstEnd - 1] != '\r');
    profile.lineEnd_ = plainLf ? "\n" : "\r\n";
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        // Each line keeps its own end: a line "k=v\r\r\n" in a file of LF lines would otherwise lose
        // the CR of its value at the next save.
        std::string_view lineEnd = end == std::string_view::npos ? std::string_view{} : "\n";
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
            lineEnd = "\r\n";
        }
        Line line{std::string(raw), section, {}, false, std::string(lineEnd)};
        const std::string_view content = trim(raw);
        if (!content.empty() && content.front() == '[') {
            const std::size_t close = content.find(']');
            section =
                std::string(trim(content.substr(1, close == std::string_view::npos ? close : close - 1)));
            line.section = section;
            line.isHeader = true;
        } else if (!content.empty() && content.front() != ';' &&
                   content.find('=') != std::string_view::npos) {
            line.key = std::string(trim(content.substr(0, content.find('='))));
        }
        profile.lines_.push_back(std::move(line));
    }
    return profile;
}

// Windows reads a section from its first header only: the keys under a later header of the same
// name are never seen, and writes go to the first one too. The lines before any header form the
// block of the section without a name.
ProfileFile::Block ProfileFile::firstBlock(std::string_view section) const {
    for (std::size_t begin = 0; begin < lines_.size(); ++begin) {
        const bool starts = lines_[begin].isHeader || begin == 0;
        if (!starts || !sameName(lines_[begin].section, section)) {
            continue;
        }
        std::size_t end = begin + 1;
        while (end < lines_.size() && !lines_[end].isHeader) {
            ++end;
        }
        return Block{begin, end, true};
    }
    return Block{};
}

std::optional<std::size_t> ProfileFile::find(std::string_view section, std::string_view key) const {
    const Block block = firstBlock(section);
    for (std::size_t i = block.begin; i < block.end; ++i) {
        if (!lines_[i].key.empty() && sameName(lines_[i].key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::value(std::string_view section, std::string_view key) const {
    const std::optional<std::size_t> line = find(section, key);
    if (!line) {
        return std::nullopt;
    }
    return valueOf(lines_[*line].raw);
}

std::string ProfileFile::text(std::string_view section, std::string_view key, std::string_view fallback,
                              std::size_t bufferSize) const {
    const std::optional<std::string> stored = value(section, key);
    const std::string_view chosen = stored ? std::string_view(*stored) : trim(fallback);
    return bufferSize == 0 ? std::string() : cutToCharacters(chosen, bufferSize - 1);
}

void ProfileFile::setText(std::string_view section, std::string_view key, std::string_view value) {
    if (const std::optional<std::size_t> line = find(section, key)) {
        lines_[*line].raw = lines_[*line].key + "=" + std::string(value);
        return;
    }
    Line added{
        std::string(key) + "=" + std::string(value), std::string(section), std::string(key), false, {}};
    // After the last key of the section's first block, or right below its header.
    if (const Block block = firstBlock(section); block.found) {
        std::size_t insertAt = lines_[block.begin].isHeader ? block.begin + 1 : block.begin;
        for (std::size_t i = block.begin; i < block.end; ++i) {
            if (!lines_[i].key.empty()) {
                insertAt = i + 1;
            }
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(added));
        return;
    }
    if (!lines_.empty() && !trim(lines_.back().raw).empty()) {
        lines_.push_back(Line{"", lines_.back().section, {}, false, {}});
    }
    lines_.push_back(Line{"[" + std::string(section) + "]", std::string(section), {}, true, {}});
    lines_.push_back(std::move(added));
}

std::string ProfileFile::serialise() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.raw;
        out += line.end.empty() ? lineEnd_ : line.end;
    }
    return out;
}

bool ProfileFile::save(const std::filesystem::path& file) const {
    const std::filesystem::path temporary = file.string() + ".tmp";
    const std::string bytes = serialise();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    const bool ok = written == bytes.size() && ::fsync(fd) == 0;
    ::close(fd);
    std::error_code error;
    if (ok) {
        std::filesystem::rename(temporary, file, error);
        if (!error) {
            return true;
        }
    }
    std::filesystem::remove(temporary, error);
    return false;
}

} // namespace nimbrel
