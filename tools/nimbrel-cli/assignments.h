// KEY=VALUE words of the commands that change a station window's fields (`setup Recording interval=5`).
//
// A KEY names a field; it matches a known name without regard to case, blanks and punctuation, so
// "Indoor temperature unit", "indoor-temperature-unit" and INDOORTEMPERATUREUNIT are one field. The
// VALUE is everything after the first '=' (blanks around it dropped), as the window's box would take it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel::cli {

struct Assignment {
    std::string name;  // the known name the key matched, spelt as the caller gave it
    std::string value; // the text after the first '=', without blanks around it
};

// A name as it is compared: its letters and digits, ASCII letters in lower case. Bytes of other
// scripts are kept as they are.
std::string comparableName(std::string_view name);

// The words as assignments to the fields `knownNames`, in the order given. Refused, with nothing
// returned and `error` saying why: a word without '=', an empty key or value, a key that matches no
// known name (the error lists them), a field assigned twice.
std::optional<std::vector<Assignment>> parseAssignments(const std::vector<std::string>& words,
                                                        const std::vector<std::string>& knownNames,
                                                        std::string& error);

// parseAssignments for a command: kExitOk with `assignments` filled, or kExitBadInput after printing
// "<command>: why" on standard error.
int readAssignments(const std::string& command, const std::vector<std::string>& words,
                    const std::vector<std::string>& knownNames, std::vector<Assignment>& assignments);

// Refuses the value of one field: "<command>: <field>: why" on standard error, and kExitBadInput.
// With several assignments on one line, the field's name tells which of them was refused.
int refuseField(std::string_view command, std::string_view field, std::string_view why);

} // namespace nimbrel::cli
