#include "win32/KestruneApp.h"

#include "win32/ConsoleWindow.h"
#include "win32/MessageBoxes.h"
#include "win32/Settings.h"
#include "win32/WideText.h"

#include <commctrl.h>

std::string CKestruneApp::CommandLineText() const {
    const wchar_t* line = GetCommandLineW();
    return line != nullptr ? Narrow(line) : std::string();
}

void CKestruneApp::ShowStartupError(const std::string& text) {
    BoxRequest request;
    request.text = text;
    request.caption = "Error";
    ShowMessageBox(request, nullptr);
}

void CKestruneApp::RunConsole() {
    // The program remembers its settings in the registry; the tests' windows do not.
    CConsoleWindow console(debugMode, WithRegistrySettings({}));
    console.DoModal(nullptr);
}

bool InitCommonControlClasses() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_INTERNET_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    return InitCommonControlsEx(&controls) != FALSE;
}
