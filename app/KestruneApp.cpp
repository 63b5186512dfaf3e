#include "app/KestruneApp.h"

#include "app/CommandLine.h"
#include "gui/ConsoleWindow.h"
#include "gui/MessageBoxes.h"
#include "platform/SocketLibrary.h"

#include <QCoreApplication>

namespace {

void ShowStartupError(const QString& text) {
    // Shown before any window of the program exists: no owner, caption "Error".
    MessageBoxRequest request;
    request.text = text;
    request.caption = QStringLiteral("Error");
    ShowMessageBox(request);
}

} // namespace

CKestruneApp::CKestruneApp() { platform::FillOsVersionRecord(osVersion); }

bool CKestruneApp::InitInstance() {
    if (platform::RunningOnWindows2000(osVersion)) {
        ShowStartupError(QStringLiteral("Incorrect version of Windows found. Need Windows XP or higher"));
        return false;
    }
    unsigned short reportedVersion = 0;
    if (StartSocketLibrary(reportedVersion) != 0) {
        if (reportedVersion != platform::kSocketLibraryVersion) {
            ShowStartupError(QStringLiteral("Could not find a usable version of Winsock.dll"));
        }
        StopSocketLibrary();
        return false;
    }
    ParseCommandLine();
    RunConsole();
    return false;
}

int CKestruneApp::ExitInstance() {
    StopSocketLibrary();
    return 0;
}

void CKestruneApp::ParseCommandLine() { debugMode = ::ParseCommandLine(CommandLineText()); }

int CKestruneApp::StartSocketLibrary(unsigned short& reportedVersion) {
    return platform::StartSocketLibrary(reportedVersion);
}

void CKestruneApp::StopSocketLibrary() { platform::StopSocketLibrary(); }

QString CKestruneApp::CommandLineText() const {
    return JoinCommandLine(QCoreApplication::arguments());
}

void CKestruneApp::RunConsole() {
    CConsoleWindow console(debugMode);
    console.exec();
}
