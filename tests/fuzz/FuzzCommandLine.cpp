// The command line is the one text the program takes at start-up. Whatever it holds, the
// scan ends, and the debug switch is on exactly when the text after the last space is
// "/DEBUG" or "/D" in any letter case.
#include "app/CommandLine.h"
#include "platform/Utf8.h"
#include "tests/fuzz/FuzzRequire.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool LastArgumentIsDebug(const std::string& commandLine) {
    const std::size_t space = commandLine.rfind(' ');
    if (space == std::string::npos) {
        return false; // the program path alone
    }
    std::string last = commandLine.substr(space + 1);
    for (char& c : last) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return last == "/DEBUG" || last == "/D";
}

} // namespace

// The first byte chooses how the rest becomes text: as UTF-8 bytes (what a terminal
// gives, valid or not) or as raw UTF-16 code units, lone surrogates included, turned into
// UTF-8 as the Windows window turns its wide command line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::string text;
    if ((data[0] & 1) != 0) {
        text.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    } else {
        std::u16string units((size - 1) / 2, u'\0');
        std::memcpy(units.data(), data + 1, units.size() * sizeof(char16_t));
        text = platform::Utf8FromUtf16(units);
    }
    Require(ParseCommandLine(text) == LastArgumentIsDebug(text), "wrong debug switch");
    return 0;
}
