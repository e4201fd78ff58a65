// ProfileFile: reads and writes ini files the way the Windows profile calls treat them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// "[section]" headers followed by "key=value" lines. Section and key names are compared without
// regard to ASCII letter case; names and values are trimmed of blanks and tabs, and a value enclosed
// in one pair of matching quotes loses them. Lines starting with ';' are comments. CR LF and LF line
// ends are both read; a rewrite keeps every line's own line end, and lines it adds take the end of
// the file's first line. The first occurrence of a section or key wins: a section whose header comes
// again later is read and written in its first block only, and the keys under the later header are
// never seen.
class ProfileFile {
public:
    ProfileFile() = default;

    // A missing or unreadable file gives an empty profile, so every lookup gives its default.
    static ProfileFile load(const std::filesystem::path& file);
    // Nothing when the file cannot be opened.
    static std::optional<ProfileFile> read(const std::filesystem::path& file);
    static ProfileFile parse(std::string_view text);

    // The value as stored, or nothing when the section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // A text read into a buffer of bufferSize characters: the value (or, when missing, the default)
    // cut to bufferSize - 1 characters. A key that is present but empty gives "".
    std::string text(std::string_view section, std::string_view key, std::string_view fallback,
                     std::size_t bufferSize) const;

    // Sets a key, adding the key or the section at its end when missing; other lines stay untouched.
    void setText(std::string_view section, std::string_view key, std::string_view value);

    std::string serialise() const;

    // Writes the whole profile through a temporary file in the same folder that is then renamed
    // over the old file, so a crash never leaves half a file. False when that fails.
    bool save(const std::filesystem::path& file) const;

private:
    struct Line {
        std::string raw;     // the line as it stands, without its line end
        std::string section; // for a section header: its name; else the section it lies in
        std::string key;     // for a key line: its trimmed name; else empty
        bool isHeader = false;
        std::string end; // the line's own line end as read; empty: the file's (a line added or a last line)
    };

    // The lines [begin, end) of a section's first block: its header up to the next header.
    struct Block {
        std::size_t begin = 0;
        std::size_t end = 0;
        bool found = false;
    };
    Block firstBlock(std::string_view section) const;
    std::optional<std::size_t> find(std::string_view section, std::string_view key) const;

    std::vector<Line> lines_;
    std::string lineEnd_ = "\r\n";
};

// Cuts a text to at most maxCharacters UTF-8 characters, never in the middle of one.
std::string cutToCharacters(std::string_view text, std::size_t maxCharacters);

} // namespace nimbrel
