// How the link to the station is doing, in the user's language: `nimbrel-cli status` prints it and the
// main window shows it in the tooltip of its connection picture.
#pragma once

#include "acquisition/link_health.h"
#include "app/language_table.h"
#include "station/station_access.h"

#include <string>
#include <vector>

namespace nimbrel {

// The learned moments and the drift, the link's counts, and the last good read; the station problem
// with its remedy while the station does not answer. Times are local.
std::vector<std::string> linkReportLines(const LanguageTable& table, StationAccess& station,
                                         const LinkHealth& health);

} // namespace nimbrel
