#include "app/KestruneApp.h"

#include "app/CommandLine.h"
#include "gui/ConsoleWindow.h"
#include "gui/MessageBoxes.h"

#include <QCoreApplication>

namespace {

constexpr unsigned short kSocketVersion22 = 0x0202;

void ShowStartupError(const QString& text) {
    // Shown before any window of the program exists: no owner, caption "Error".
    MessageBoxRequest request;
    request.text = text;
    request.caption = QStringLiteral("Error");
    ShowMessageBox(request);
}

} // namespace

CKestruneApp::CKestruneApp() { FillOsVersionRecord(osVersion); }

bool CKestruneApp::InitInstance() {
    if (RunningOnWindows2000(osVersion)) {
        ShowStartupError(QStringLiteral("Incorrect version of Windows found. Need Windows XP or higher"));
        return false;
    }
    unsigned short reportedVersion = 0;
    if (StartSocketLibrary(reportedVersion) != 0) {
        if (reportedVersion != kSocketVersion22) {
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
    reportedVersion = kSocketVersion22;
    return 0;
}

void CKestruneApp::StopSocketLibrary() {}

QString CKestruneApp::CommandLineText() const {
    return JoinCommandLine(QCoreApplication::arguments());
}

void CKestruneApp::RunConsole() {
    CConsoleWindow console(debugMode);
    console.exec();
}
