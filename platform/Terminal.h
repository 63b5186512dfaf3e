#pragma once

// Whether the command-line tool talks to a person: its standard input or standard error
// is a terminal. Questions are asked only on a terminal, and progress lines go only to one.
namespace platform {

bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

// The tool writes UTF-8 (the hub's and the rules' Russian texts among it). A Windows
// console shows its output in its own code page unless told; elsewhere nothing to do.
void UseUtf8Console();

} // namespace platform
