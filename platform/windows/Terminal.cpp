#include "platform/Terminal.h"

#include <io.h>
#include <stdio.h>
#include <windows.h>

namespace platform {

bool StandardInputIsTerminal() {
    return ::_isatty(::_fileno(stdin)) != 0;
}

bool StandardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

void UseUtf8Console() {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
}

} // namespace platform
