#pragma once

#include "app/AppShell.h"

// The Win32 face's application object: the process's wide command line, MessageBoxW for
// the start-up errors, and the console's window run modally, its settings in the registry.
class CKestruneApp : public CAppShell {
protected:
    std::string CommandLineText() const override;
    void ShowStartupError(const std::string& text) override;
    void RunConsole() override;
};

// The common controls the templates use: the IP address control and the list view.
bool InitCommonControlClasses();
