#pragma once

#include "cli/Kestrunectl.h"

#include <sstream>
#include <string>
#include <vector>

// kestrunectl run in-process, as a person at a terminal or a script would run it: its
// exit code and what it wrote.
struct ToolRun {
    int code = -1;
    std::string out;
    std::string err;
};

struct ToolSetting {
    ConsoleServices services{};
    bool terminal = false; // standard input and standard error are a terminal
    std::string input{};   // what the person types
};

inline ToolRun RunTool(const std::vector<std::string>& arguments, const ToolSetting& setting = {}) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in(setting.input);
    CliIo io{out, err, in, setting.terminal, setting.terminal, setting.services};
    ToolRun run;
    run.code = RunKestrunectl(arguments, io);
    run.out = out.str();
    run.err = err.str();
    return run;
}
