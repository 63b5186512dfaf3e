#pragma once

#include "tests/reliability/ProcessFigures.h"

#include <QString>
#include <functional>
#include <string>

class CConsoleWindow;

// Many sessions with one hub in one process, through the window: connect, wait for the
// hub's answers, disconnect; and writes of new IP parameters that move the hub between two
// addresses and back. After every cycle the process must hold as many descriptors and
// threads as before the first; resident memory is compared over the whole run. The log is
// cleared after each cycle (as a technician would), so that what the log rightly keeps
// does not count as growth.
struct SoakPlan {
    int cycles = 100;
    int writes = 3;
    int warmUpCycles = 5; // first sessions, before the figures are taken
};

struct SoakFigures {
    ProcessFigures start; // after the warm-up
    ProcessFigures end;
    int cyclesDone = 0;
    int writesDone = 0;
    int worstDescriptorDrift = 0; // the largest difference to start after any cycle
    int worstThreadDrift = 0;
    double msPerCycle = 0;
    double msPerWrite = 0;
    std::string failure; // empty when every cycle went through
};

class SoakRun {
public:
    // hubAt(address) waits until the hub answers at that address (after a move).
    SoakRun(CConsoleWindow& console, std::function<bool(const QString&)> hubAt)
        : console(console), hubAt(std::move(hubAt)) {}

    // The hub starts at home; writes move it to away and back in turn.
    SoakFigures Run(const QString& home, const QString& away, const SoakPlan& plan);

private:
    bool Cycle(const QString& hub, std::string& failure);
    bool Write(const QString& from, const QString& to, std::string& failure);
    bool ConnectReady(const QString& hub, std::string& failure);
    void Check(SoakFigures& figures) const;

    CConsoleWindow& console;
    std::function<bool(const QString&)> hubAt;
};

// The figures as the lines the report takes.
std::string Describe(const SoakFigures& figures);
