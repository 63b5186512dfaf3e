#pragma once

#include <string>

// What the two small helpers that hold a capability (the echo helper and the neighbour
// helper) share, and what the program checks of them.
namespace helper_process {

// Opens /dev/null on each of stdin, stdout and stderr that the caller left closed. Else a
// socket would get one of their numbers, and the answer or a usage line would be written
// into the socket.
bool OpenClosedStandardDescriptors();

// Writes the whole text to standard output, through interrupted writes.
bool WriteAllToStdout(const std::string& text);

// Whether the file's capabilities give a process started from it this capability at once:
// in the permitted set, with the effective bit.
bool FileGrantsCapability(const std::string& path, int capability);

} // namespace helper_process
