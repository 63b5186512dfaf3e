#pragma once

#include "cli/Kestrunectl.h"

#include <functional>
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
    // Called each time the tool flushes its standard output, with all it wrote so far.
    std::function<void(const std::string&)> outFlushed{};
};

// Standard output that tells each flush.
class FlushWatchingBuffer : public std::stringbuf {
public:
    explicit FlushWatchingBuffer(std::function<void(const std::string&)> flushed)
        : flushed_(std::move(flushed)) {}

protected:
    int sync() override {
        if (flushed_)
            flushed_(str());
        return 0;
    }

private:
    std::function<void(const std::string&)> flushed_;
};

inline ToolRun RunTool(const std::vector<std::string>& arguments, const ToolSetting& setting = {}) {
    FlushWatchingBuffer outBuffer(setting.outFlushed);
    std::ostream out(&outBuffer);
    std::ostringstream err;
    std::istringstream in(setting.input);
    CliIo io{out, err, in, setting.terminal, setting.terminal, setting.services};
    ToolRun run;
    run.code = RunKestrunectl(arguments, io);
    run.out = outBuffer.str();
    run.err = err.str();
    return run;
}
