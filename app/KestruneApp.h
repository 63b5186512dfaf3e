#pragma once

#include "app/AppShell.h"

// The Qt face's application object: the command line is Qt's argument list, the boxes
// and the console are Qt's.
class CKestruneApp : public CAppShell {
protected:
    std::string CommandLineText() const override;
    void ShowStartupError(const std::string& text) override;
    void RunConsole() override;
};
