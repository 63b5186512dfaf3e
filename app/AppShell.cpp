#include "app/AppShell.h"

#include "app/CommandLine.h"
#include "platform/SocketLibrary.h"

CAppShell::CAppShell() {
    platform::FillOsVersionRecord(osVersion);
}

bool CAppShell::InitInstance() {
    if (platform::RunningOnWindows2000(osVersion)) {
        ShowStartupError("Incorrect version of Windows found. Need Windows XP or higher");
        return false;
    }
    std::uint16_t reportedVersion = 0;
    if (StartSocketLibrary(reportedVersion) != 0) {
        if (reportedVersion != platform::kSocketLibraryVersion)
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

void CAppShell::ParseCommandLine() {
    debugMode = ::ParseCommandLine(CommandLineText());
}

int CAppShell::StartSocketLibrary(std::uint16_t& reportedVersion) {
    return platform::StartSocketLibrary(reportedVersion);
}

void CAppShell::StopSocketLibrary() {
    platform::StopSocketLibrary();
}
