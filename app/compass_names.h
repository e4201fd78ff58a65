// Compass letters and wind direction names in the user's language, for the window only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace nimbrel {

class LanguageTable;

// The letters of the four main points in the language of `texts`: north, east, south, west.
std::array<std::string, 4> compassLetters(const LanguageTable& texts);

// A direction's name as the station spells it ("N", "NNE", ... "NEE", "SWW": English letters, and so
// in Nimbrel.dat for ever) spelled with the letters of the language of `texts`, letter by letter, so
// German shows "NOO" for "NEE" and Danish "SVV" for "SWW". Any other text ("---", "") stays as it is.
std::string localCompassName(const LanguageTable& texts, std::string_view stationName);

} // namespace nimbrel
