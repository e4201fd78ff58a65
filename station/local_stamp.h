// Local time stamps in the form every record and the history file use: "%Y-%m-%d %H:%M:%S".
#pragma once

#include <ctime>
#include <string>

namespace nimbrel {

std::string localStampText(std::time_t t);

} // namespace nimbrel
