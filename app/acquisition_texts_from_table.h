// The acquisition thread's texts taken from the language table in the active language.
#pragma once

#include "acquisition/acquisition_texts.h"
#include "app/configuration.h"
#include "app/language_table.h"

#include <string>

namespace nimbrel {

AcquisitionTexts acquisitionTextsFrom(const LanguageTable& table);

// Whether the program goes on looking for a station it did not find (the window, the logger) or
// has given up (a command that reads or writes the station once and ends).
enum class StationSearch { continues, givenUp };

// What the user is told while no station can be used: that a station is plugged in but may not be
// opened by this user (`accessDenied`), or that none was found, with the USB ids looked for, what to
// check, and what the program does now.
std::string noStationText(bool accessDenied, const Configuration& config, const LanguageTable& table,
                          StationSearch search = StationSearch::continues);

} // namespace nimbrel
