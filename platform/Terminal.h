#pragma once

// Whether the command-line tool talks to a person: its standard input or standard error
// is a terminal. Questions are asked only on a terminal, and progress lines go only to one.
namespace platform {

bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

} // namespace platform
