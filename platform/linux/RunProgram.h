#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Starts the program at path with arguments and an empty environment, stdin on /dev/null,
// stdout into outputFd and stderr into errorFd (-1: /dev/null), with every signal at its
// default and none blocked. The child's pid, or -1 when it could not start.
int SpawnProgram(const std::string& path, const std::vector<std::string>& arguments, int outputFd,
                 int errorFd);

struct ProgramRun {
    bool started = false;
    std::optional<int> exitCode; // nothing when it was killed or did not end by itself
    std::string output;          // its standard output
    std::string errors;          // its standard error
};

// Runs the program at path with arguments and an empty environment (so its messages are
// in English), stdin on /dev/null, and reads what it prints. Past the time limit, or once
// its output passes maxOutput bytes, it is killed. Call it off the console's thread: it
// waits. The child is in the calling thread's network namespace.
ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds limit, std::size_t maxOutput = 16 << 20);

} // namespace platform
