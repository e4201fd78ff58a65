// The question a station command asks before it changes the station, as its window asks it.
#pragma once

#include "app/language_table.h"

#include <string>

namespace nimbrel::cli {

// Asks `question` (a window's Yes/No question, in the user's language) on the terminal and reads the
// answer from standard input. `answeredYes` (--yes) answers it without asking. Only a terminal is
// asked: without one on standard input and standard error, and without --yes, the command refuses.
// Returns kExitOk with `agreed` set: yes is "y", "yes", or the language's own yes word ("ja", "oui")
// or its first letter, in any case; anything else, or the end of input, is no. Returns kExitBadInput
// after printing "<command>: why" when there is no one to ask.
int confirm(const std::string& command, const std::string& question, bool answeredYes,
            const LanguageTable& texts, bool& agreed);

// Whether `answer` is yes in the language of `texts` (as confirm reads it).
bool isYesAnswer(std::string answer, const LanguageTable& texts);

} // namespace nimbrel::cli
