#pragma once

#include "platform/OsVersion.h"

#include <QString>

// The application object: the start-up checks, the socket library's start and end, the
// command line, and the console's modal run, which is the program's main loop.
class CKestruneApp {
public:
    CKestruneApp();
    virtual ~CKestruneApp() = default;

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
    // reportedVersion says which version the failed start still reported.
    virtual int StartSocketLibrary(unsigned short& reportedVersion);
    virtual void StopSocketLibrary();
    // The process's command line as one text, program path first.
    virtual QString CommandLineText() const;
    // Constructs the console and runs it modally.
    virtual void RunConsole();
};
