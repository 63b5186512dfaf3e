#pragma once

#include "cli/HubDriver.h"

#include <string>
#include <vector>

// kestrunectl's whole run: the arguments (without the program's name) read, the command
// run; the process's exit code.
int RunKestrunectl(const std::vector<std::string>& arguments, CliIo& io);
