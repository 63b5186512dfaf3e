// The command line is the one text the program takes at start-up. Whatever it holds, the
// scan ends, and the debug switch is on exactly when the text after the last space is
// "/DEBUG" or "/D" in any letter case.
#include "app/CommandLine.h"
#include "tests/fuzz/FuzzRequire.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool LastArgumentIsDebug(const QString& commandLine) {
    const QString upper = commandLine.toUpper();
    const qsizetype space = upper.lastIndexOf(QLatin1Char(' '));
    if (space < 0) {
        return false; // the program path alone
    }
    const QStringView last = QStringView(upper).sliced(space + 1);
    return last == QLatin1String("/DEBUG") || last == QLatin1String("/D");
}

} // namespace

// The first byte chooses how the rest becomes text: as UTF-8 (what a terminal gives) or
// as raw UTF-16 code units (any QString at all, lone surrogates included).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    QString text;
    if ((data[0] & 1) != 0) {
        text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                 static_cast<qsizetype>(size - 1));
    } else {
        std::u16string units((size - 1) / 2, u'\0');
        std::memcpy(units.data(), data + 1, units.size() * sizeof(char16_t));
        text = QString::fromStdU16String(units);
    }
    Require(ParseCommandLine(text) == LastArgumentIsDebug(text), "wrong debug switch");
    return 0;
}
