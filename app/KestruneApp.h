#pragma once

#include "app/AppShell.h"

// The Qt face's application object: nothing needs starting for sockets on Linux, the
// command line is Qt's argument list, the boxes and the console are Qt's.
class CKestruneApp : public CAppShell {
protected:
    int StartSocketLibrary(unsigned short& reportedVersion) override;
    void StopSocketLibrary() override;
    std::string CommandLineText() const override;
    void ShowStartupError(const std::string& text) override;
    void RunConsole() override;
};
