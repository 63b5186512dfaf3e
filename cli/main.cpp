// kestrunectl: the hubs from the command line.
#include "cli/Kestrunectl.h"
#include "platform/SocketLibrary.h"
#include "platform/Terminal.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <streambuf>

namespace {

// Standard output that keeps the reason of its first failed write: stdio forgets it once
// a flush in the middle of the run (std::endl) has failed.
class StandardOutput final : public std::streambuf {
public:
    int error = 0;

    // Writes out what stdio still holds; false when any of the output was lost.
    bool Finish() { return sync() == 0 && error == 0 && !std::ferror(stdout); }

protected:
    std::streamsize xsputn(const char* text, std::streamsize size) override {
        const std::size_t wrote = std::fwrite(text, 1, static_cast<std::size_t>(size), stdout);
        if (wrote < static_cast<std::size_t>(size))
            Remember();
        return static_cast<std::streamsize>(wrote);
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        if (std::fputc(traits_type::to_char_type(c), stdout) == EOF) {
            Remember();
            return traits_type::eof();
        }
        return c;
    }
    int sync() override {
        if (std::fflush(stdout) == 0)
            return 0;
        Remember();
        return -1;
    }

private:
    void Remember() {
        if (error == 0)
            error = errno;
    }
};

} // namespace

int main(int argc, char** argv) {
    std::uint16_t reportedVersion = 0;
    if (const int code = platform::StartSocketLibrary(reportedVersion); code != 0) {
        std::cerr << "kestrunectl: the socket library does not start (error " << code << ")\n";
        platform::StopSocketLibrary();
        return 1;
    }
    platform::UseUtf8Console();
    StandardOutput output;
    std::ostream out(&output);
    CliIo io{out, std::cerr, std::cin};
    io.inIsTerminal = platform::StandardInputIsTerminal();
    io.errIsTerminal = platform::StandardErrorIsTerminal();
    int status = RunKestrunectl(std::vector<std::string>(argv + 1, argv + argc), io);
    platform::StopSocketLibrary();

    // Output that never arrived (a full disk, a closed pipe) is no success. A status that
    // already says what failed stays.
    if (!output.Finish()) {
        std::cerr << "kestrunectl: cannot write the output";
        if (output.error != 0)
            std::cerr << ": " << std::strerror(output.error);
        std::cerr << "\n";
        if (status == 0)
            status = 1;
    }
    return status;
}
