// kestrunectl: the hubs from the command line.
#include "cli/Kestrunectl.h"
#include "platform/Terminal.h"

#include <iostream>

int main(int argc, char** argv) {
    CliIo io{std::cout, std::cerr, std::cin};
    io.inIsTerminal = platform::StandardInputIsTerminal();
    io.errIsTerminal = platform::StandardErrorIsTerminal();
    return RunKestrunectl(std::vector<std::string>(argv + 1, argv + argc), io);
}
