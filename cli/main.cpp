// kestrunectl: the hubs from the command line.
#include "cli/Kestrunectl.h"
#include "platform/SocketLibrary.h"
#include "platform/Terminal.h"

#include <cstdint>
#include <iostream>

int main(int argc, char** argv) {
    std::uint16_t reportedVersion = 0;
    if (const int code = platform::StartSocketLibrary(reportedVersion); code != 0) {
        std::cerr << "kestrunectl: the socket library does not start (error " << code << ")\n";
        platform::StopSocketLibrary();
        return 1;
    }
    platform::UseUtf8Console();
    CliIo io{std::cout, std::cerr, std::cin};
    io.inIsTerminal = platform::StandardInputIsTerminal();
    io.errIsTerminal = platform::StandardErrorIsTerminal();
    const int status = RunKestrunectl(std::vector<std::string>(argv + 1, argv + argc), io);
    platform::StopSocketLibrary();
    return status;
}
