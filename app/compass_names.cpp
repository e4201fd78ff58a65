#include "app/compass_names.h"

#include "app/language_table.h"

namespace nimbrel {

std::array<std::string, 4> compassLetters(const LanguageTable& texts) {
    return {texts.text("compass.north"), texts.text("compass.east"), texts.text("compass.south"),
            texts.text("compass.west")};
}

std::string localCompassName(const LanguageTable& texts, std::string_view stationName) {
    static constexpr std::string_view kStationLetters = "NESW";
    if (stationName.empty() || stationName.find_first_not_of(kStationLetters) != std::string_view::npos) {
        return std::string(stationName);
    }
    const std::array<std::string, 4> letters = compassLetters(texts);
    std::string name;
    for (const char letter : stationName) name += letters[kStationLetters.find(letter)];
    return name;
}

} // namespace nimbrel
