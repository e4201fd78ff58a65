#include "app/language_table.h"

#include <cstdlib>
#include <utility>

namespace nimbrel {

extern const char* const kStringsTsv;

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Only the first three bytes count, so "Français" matches through "Fra" and a name shorter than
// three letters matches nothing.
bool sameFirstThree(std::string_view name, std::string_view candidate) {
    if (name.size() < 3) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (lowerAscii(name[i]) != lowerAscii(candidate[i])) {
            return false;
        }
    }
    return true;
}

std::string unescape(std::string_view cell) {
    std::string out;
    out.reserve(cell.size());
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] == '\\' && i + 1 < cell.size()) {
            const char next = cell[i + 1];
            if (next == 't' || next == 'n' || next == '\\') {
                out += next == 't' ? '\t' : next == 'n' ? '\n' : '\\';
                ++i;
                continue;
            }
        }
        out += cell[i];
    }
    return out;
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            parts.push_back(line.substr(start));
            return parts;
        }
        parts.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

} // namespace

int languageIndexFor(std::string_view configuredName) {
    static constexpr std::pair<std::string_view, std::string_view> names[kLanguageCount] = {
        {"English", "ENU"}, {"German", "DEU"}, {"Danish", "DAN"}, {"Dutch", "NLD"}, {"French", "FRA"}};
    for (int index = 0; index < kLanguageCount; ++index) {
        if (sameFirstThree(configuredName, names[index].first) ||
            sameFirstThree(configuredName, names[index].second)) {
            return index;
        }
    }
    return english;
}

int languageIndexForLocale(std::string_view localeName) {
    const std::string_view code = localeName.substr(0, localeName.find_first_of("_.@"));
    static constexpr std::string_view codes[kLanguageCount] = {"en", "de", "da", "nl", "fr"};
    for (int index = 0; index < kLanguageCount; ++index) {
        if (code == codes[index]) {
            return index;
        }
    }
    return english;
}

int userLocaleLanguageIndex() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return languageIndexForLocale(value);
        }
    }
    return english;
}

std::string withArguments(std::string_view text, std::initializer_list<std::string_view> arguments) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const std::size_t number = static_cast<std::size_t>(text[i + 1] - '1');
            if (number < arguments.size()) {
                out += arguments.begin()[number];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

StringTable parseStringTable(std::string_view tsv) {
    StringTable table;
    bool header = true;
    std::size_t lineNumber = 0;
    while (!tsv.empty()) {
        const std::size_t end = tsv.find('\n');
        std::string_view line = tsv.substr(0, end);
        tsv = end == std::string_view::npos ? std::string_view{} : tsv.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (std::exchange(header, false)) {
            continue;
        }
        const auto parts = splitTabs(line);
        const std::string key(parts[0]);
        if (parts.size() != kLanguageCount + 1) {
            table.problems.push_back("line " + std::to_string(lineNumber) + " (" + key +
                                     "): " + std::to_string(parts.size()) + " columns instead of " +
                                     std::to_string(kLanguageCount + 1));
        }
        if (table.cells.count(key) != 0) {
            table.problems.push_back("line " + std::to_string(lineNumber) + ": key " + key + " given twice");
            continue;
        }
        auto& cells = table.cells[key];
        for (std::size_t i = 1; i < parts.size() && i <= kLanguageCount; ++i) {
            cells[i - 1] = unescape(parts[i]);
        }
        table.keys.push_back(key);
    }
    return table;
}

const StringTable& builtInStrings() {
    static const StringTable table = parseStringTable(kStringsTsv);
    return table;
}

int resourceIdFor(LocalisedWindow window, int languageIndex) {
    static constexpr int ids[][kLanguageCount] = {
        {128, 131, 298, 299, 300}, // menu and toolbar
        {101, 132, 294, 333, 334}, // main form
        {289, 298, 299, 331, 332}, // Setup
        {288, 314, 315, 321, 322}, // Alarm
        {290, 318, 319, 329, 330}, // Scope
        {291, 302, 303, 327, 328}, // History Data
        {292, 310, 311, 323, 324}, // Graph
        {207, 306, 307, 325, 326}, // Export Grid Data
    };
    if (languageIndex < 0 || languageIndex >= kLanguageCount) {
        languageIndex = english;
    }
    return ids[static_cast<int>(window)][languageIndex];
}

// Every numbered row has its name, and the last name is the last row.
static_assert(static_cast<int>(TextRow::minMaxResetFailed) == kNumberedRowCount - 1);

LanguageTable::LanguageTable(int languageIndex)
    : languageIndex_(languageIndex >= 0 && languageIndex < kLanguageCount ? languageIndex : english) {}

const std::string& LanguageTable::text(TextKey key) const {
    const auto& cells = builtInStrings().cells;
    const auto found = cells.find(key.spelling());
    return found == cells.end() ? emptyText() : found->second[languageIndex_];
}

std::string LanguageTable::text(TextKey key, std::initializer_list<std::string_view> arguments) const {
    return withArguments(text(key), arguments);
}

} // namespace nimbrel
