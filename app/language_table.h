// LanguageTable: every user-visible text in English, German, Danish, Dutch and French.
#pragma once

#include "app/text_row.h"

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nimbrel {

// The texts live in resources/strings.tsv, compiled into the program. That file is meant for
// translators:
//   - the first line is the header "key<TAB>en<TAB>de<TAB>da<TAB>nl<TAB>fr";
//   - every other line is one text in five languages, the columns separated by one tab;
//   - the key is the row number 0..169 for the numbered rows, or a symbolic name such as
//     "view.indoor" for captions and labels added later;
//   - a cell cannot hold a real tab or line break: write \t for a tab, \n for a line break and
//     \\ for a backslash; any other backslash stays as it is;
//   - placeholders such as %s, %d and %1 are kept as they are;
//   - empty lines are ignored; there are no comment lines.

inline constexpr int kLanguageCount = 5;
inline constexpr int kNumberedRowCount = 170;

enum LanguageIndex : int { english = 0, german = 1, danish = 2, dutch = 3, french = 4 };

// The language a configured name selects: its first three letters, any letter case, against
// "English"/"ENU", "German"/"DEU", "Danish"/"DAN", "Dutch"/"NLD", "French"/"FRA"; anything else
// (including an empty name) is English.
int languageIndexFor(std::string_view configuredName);

// The language of a locale name such as "de_DE.UTF-8": its language code "de", "da", "nl" or "fr";
// anything else ("C", "POSIX", "en_GB", an empty name) is English.
int languageIndexForLocale(std::string_view localeName);

// The language of the user's locale for messages: the first of LC_ALL, LC_MESSAGES and LANG that is
// set and not empty. Used only where no configuration says which language to speak.
int userLocaleLanguageIndex();

// A text with its placeholders %1 to %9 replaced by the arguments, all in one pass: an argument that
// itself holds "%2" (a folder name can) stays as it is. A placeholder without its argument stays.
std::string withArguments(std::string_view text, std::initializer_list<std::string_view> arguments);

// The parsed table: one entry per key, five cells each, in file order.
struct StringTable {
    std::vector<std::string> keys;
    std::unordered_map<std::string, std::array<std::string, kLanguageCount>> cells;
    // Lines that could not be taken as they stand (wrong column count, a key given twice).
    std::vector<std::string> problems;
};

StringTable parseStringTable(std::string_view tsv);

// The table compiled into the program, parsed on first use.
const StringTable& builtInStrings();

// The dialog layouts that exist once per language.
enum class LocalisedWindow {
    menuAndToolbar,
    mainForm,
    setup,
    alarm,
    scope,
    historyData,
    graph,
    exportGridData,
};

// The About box and the Debug window exist in one layout only.
inline constexpr int kAboutDialogId = 100;
inline constexpr int kDebugDialogId = 140;

// The layout identifier of a window in a language; an unknown language index counts as English.
int resourceIdFor(LocalisedWindow window, int languageIndex);

class LanguageTable {
public:
    explicit LanguageTable(int languageIndex = english);

    int languageIndex() const { return languageIndex_; }

    // The text in the active language; an unknown key gives the empty text.
    const std::string& text(TextKey key) const;
    // The text of a key with its placeholders filled (withArguments).
    std::string text(TextKey key, std::initializer_list<std::string_view> arguments) const;

    int resourceId(LocalisedWindow window) const { return resourceIdFor(window, languageIndex_); }

private:
    int languageIndex_;
};

} // namespace nimbrel
