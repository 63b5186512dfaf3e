#pragma once

#include "platform/OsVersion.h"

#include <cstdint>
#include <string>

// The application object's start-up and exit steps, whatever face runs the console: the
// Windows 2000 refusal, the socket library's start and end, the command line, and the
// console's modal run, which is the program's main loop. A face derives from it and gives
// it the OS's and the window's parts; the order of the steps is this class's alone.
class CAppShell {
public:
    CAppShell();
    virtual ~CAppShell() = default;
    CAppShell(const CAppShell&) = delete;
    CAppShell& operator=(const CAppShell&) = delete;

    // Start-up: refuse Windows 2000, start the socket library, read the command line and
    // run the console. Returns false: the application has no message loop of its own.
    virtual bool InitInstance();
    // The exit step, after every outcome of start-up: ends the socket library.
    virtual int ExitInstance();

    // Reads the debug switch from the process's command line into debugMode.
    void ParseCommandLine();

    bool debugMode = false;
    platform::OsVersionRecord osVersion;

protected:
    // The socket library's start for version 2.2: a zero result is success, otherwise
    // reportedVersion says which version the failed start still reported. The OS's own
    // start and end (WSAStartup and WSACleanup on Windows, nothing elsewhere).
    virtual int StartSocketLibrary(std::uint16_t& reportedVersion);
    virtual void StopSocketLibrary();
    // The process's command line as one text (UTF-8), program path first.
    virtual std::string CommandLineText() const = 0;
    // A start-up failure, shown before any window of the program exists: no owner,
    // caption "Error", an OK button.
    virtual void ShowStartupError(const std::string& text) = 0;
    // Constructs the console and runs it modally.
    virtual void RunConsole() = 0;
};
