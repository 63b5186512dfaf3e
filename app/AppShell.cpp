#include "app/AppShell.h"

#include "app/CommandLine.h"

namespace {

constexpr unsigned short kSocketVersion22 = 0x0202;

} // namespace

CAppShell::CAppShell() { FillOsVersionRecord(osVersion); }

bool CAppShell::InitInstance() {
    if (RunningOnWindows2000(osVersion)) {
        ShowStartupError("Incorrect version of Windows found. Need Windows XP or higher");
        return false;
    }
    unsigned short reportedVersion = 0;
    if (StartSocketLibrary(reportedVersion) != 0) {
        if (reportedVersion != kSocketVersion22)
            ShowStartupError("Could not find a usable version of Winsock.dll");
        StopSocketLibrary();
        return false;
    }
    ParseCommandLine();
    RunConsole();
    return false;
}

int CAppShell::ExitInstance() {
    StopSocketLibrary();
    return 0;
}

void CAppShell::ParseCommandLine() { debugMode = ::ParseCommandLine(CommandLineText()); }
