#include "tools/nimbrel-cli/confirmation.h"

#include "tools/nimbrel-cli/commands.h"

#include <algorithm>
#include <iostream>
#include <unistd.h>

namespace nimbrel::cli {

namespace {

// A button's text as a word to type: without its Alt-letter marker, ASCII letters in lower case.
std::string typedWord(std::string text) {
    std::erase(text, '&');
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

bool isYesAnswer(std::string answer, const LanguageTable& texts) {
    const std::size_t first = answer.find_first_not_of(" \t\r");
    const std::size_t last = answer.find_last_not_of(" \t\r");
    answer = first == std::string::npos ? "" : typedWord(answer.substr(first, last + 1 - first));
    const std::string yes = typedWord(texts.text("frame.yes"));
    return answer == "y" || answer == "yes" ||
           (!yes.empty() && (answer == yes || answer == yes.substr(0, 1)));
}

int confirm(const std::string& command, const std::string& question, bool answeredYes,
            const LanguageTable& texts, bool& agreed) {
    agreed = answeredYes;
    if (answeredYes) return kExitOk;
    if (::isatty(STDIN_FILENO) != 1 || ::isatty(STDERR_FILENO) != 1)
        return fail(kExitBadInput, command,
                    "\"" + question + "\" needs an answer; there is no terminal to ask on, so give --yes");
    std::cerr << question << " [" << typedWord(texts.text("frame.yes")) << '/'
              << typedWord(texts.text("frame.no")) << "] " << std::flush;
    std::string answer;
    agreed = std::getline(std::cin, answer) && isYesAnswer(answer, texts);
    if (std::cin.eof() && answer.empty()) std::cerr << '\n'; // Ctrl+D: end the prompt's line
    return kExitOk;
}

} // namespace nimbrel::cli
