#include "app/CommandLine.h"

namespace {

// Only the letters of "/DEBUG" and "/D" are ever compared, and no letter outside ASCII
// upper-cases to one of them, so ASCII upper case is the whole of the comparison.
bool IsDebugSwitch(std::string_view argument) {
    std::string upper(argument);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper == "/DEBUG" || upper == "/D";
}

} // namespace

bool ParseCommandLine(std::string_view text) {
    bool debugMode = false;
    std::size_t position = 0; // start of the text still to scan
    while (position < text.size()) {
        const std::size_t separator = text.find(' ', position);
        if (separator == std::string_view::npos)
            break;
        position = text.find_first_not_of(' ', separator + 1);
        if (position == std::string_view::npos)
            position = text.size();
        std::size_t end = text.find(' ', position);
        if (end == std::string_view::npos)
            end = text.size();
        debugMode = IsDebugSwitch(text.substr(position, end - position));
    }
    return debugMode;
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i > 0)
            line += ' ';
        if (argument.find(' ') != std::string::npos)
            line += '"' + argument + '"';
        else
            line += argument;
    }
    return line;
}
