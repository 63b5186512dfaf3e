#pragma once

#include <string>
#include <string_view>
#include <vector>

// The debug switch from a command line (UTF-8): every argument after the first space
// re-decides it ("/DEBUG" or "/D" in any letter case turn it on, anything else off), so
// the last argument wins. A run of spaces counts as one separator; a trailing separator
// leaves an empty last argument, which turns the switch off.
bool ParseCommandLine(std::string_view commandLine);

// The process's command line as one text, the program path first: arguments that hold a
// space are quoted, the way the command line of a Windows process reads.
std::string JoinCommandLine(const std::vector<std::string>& arguments);
