#include "tools/nimbrel-cli/assignments.h"

#include "presentation/decimal_text.h"
#include "tools/nimbrel-cli/commands.h"

namespace nimbrel::cli {

std::string comparableName(std::string_view name) {
    std::string kept;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))
            kept += c;
        else if (c >= 'A' && c <= 'Z')
            kept += static_cast<char>(c - 'A' + 'a');
    }
    return kept;
}

std::optional<std::vector<Assignment>> parseAssignments(const std::vector<std::string>& words,
                                                        const std::vector<std::string>& knownNames,
                                                        std::string& error) {
    std::vector<Assignment> assignments;
    for (const std::string& word : words) {
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos) {
            error = "\"" + word + "\" is not an assignment NAME=VALUE";
            return std::nullopt;
        }
        const std::string key = comparableName(std::string_view(word).substr(0, equals));
        // Blanks around the value are the typist's ("Recording interval = 5"), not the value's.
        const std::string value(trimmed(std::string_view(word).substr(equals + 1)));
        if (key.empty()) {
            error = "\"" + word + "\" names no field";
            return std::nullopt;
        }
        if (value.empty()) {
            error = "\"" + word + "\" gives no value";
            return std::nullopt;
        }
        const std::string* name = nullptr;
        for (const std::string& known : knownNames)
            if (comparableName(known) == key) name = &known;
        if (!name) {
            error = "no field is called \"" + word.substr(0, equals) + "\"; the fields are:";
            for (const std::string& known : knownNames) error += "\n  " + known;
            return std::nullopt;
        }
        for (const Assignment& earlier : assignments)
            if (earlier.name == *name) {
                error = "\"" + *name + "\" is assigned twice";
                return std::nullopt;
            }
        assignments.push_back({*name, value});
    }
    return assignments;
}

int readAssignments(const std::string& command, const std::vector<std::string>& words,
                    const std::vector<std::string>& knownNames, std::vector<Assignment>& assignments) {
    std::string error;
    auto parsed = parseAssignments(words, knownNames, error);
    if (!parsed) return fail(kExitBadInput, command, error);
    assignments = std::move(*parsed);
    return kExitOk;
}

int refuseField(std::string_view command, std::string_view field, std::string_view why) {
    return fail(kExitBadInput, command, std::string(field) + ": " + std::string(why));
}

} // namespace nimbrel::cli
