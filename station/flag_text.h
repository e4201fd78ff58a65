// Configuration flags are texts; this is the one rule that says when such a text means "on".
#pragma once

#include <string_view>

namespace nimbrel {

// On when the text is "true" in any case, or exactly "1" ("yes", "01", " true" are off).
bool isFlagOn(std::string_view text);

} // namespace nimbrel
