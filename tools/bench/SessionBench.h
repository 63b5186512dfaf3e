#pragma once

#include <string>

// The hub session as the technician feels it: from pressing "Установить соединение" to
// the hub's three IP fields filled, and from the confirmed "Записать" to the result shown,
// each with its parts.
struct SessionBenchOptions {
    std::string control; // the control socket of the one hub's hubsim
    int rounds = 5;
    int hubDelayMs = 0; // the hub's own delay before it answers the number request
};

// Runs in the PC's network namespace of a site with one hub. Returns 0 when every round
// met the targets, 1 when one missed, 2 on a set-up failure.
int RunSessionBench(const SessionBenchOptions& options);
