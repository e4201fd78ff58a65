// Small text helpers of the tests: what a program printed, or a file's bytes, looked at by part or by line.
#pragma once

#include <string>
#include <vector>

namespace nimbrel::testing {

// Whether `part` occurs anywhere in `text`.
inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Whether `text` holds `line` as a whole line's end: the line followed by its line feed.
inline bool hasLine(const std::string& text, const std::string& line) {
    return text.find(line + "\n") != std::string::npos;
}

// The lines of `bytes`, each with its line end as it stands (a last line without one as it is).
inline std::vector<std::string> linesKeepingEnds(const std::string& bytes) {
    std::vector<std::string> out;
    for (std::size_t begin = 0; begin < bytes.size();) {
        std::size_t end = bytes.find('\n', begin);
        end = end == std::string::npos ? bytes.size() : end + 1;
        out.push_back(bytes.substr(begin, end - begin));
        begin = end;
    }
    return out;
}

} // namespace nimbrel::testing
