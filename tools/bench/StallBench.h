#pragma once

#include <string>

struct StallBenchOptions {
    std::string control;       // the hub's control socket
    std::string hubNamespace;  // the hub's network namespace
    std::string absentAddress; // an address of the subnet where nobody answers
    std::string deviceAddress; // the chatty device's address, held by the hub's namespace
    std::string self;          // this program, run again for the start-up's first paint
};

// How long the window's event loop fails to answer while the console works: start-up,
// searches, connects, a number write and an address change, each against the site's hub.
int RunStallBench(const StallBenchOptions& options);

// The child's part of the start-up measurement: the window is created and shown, and the
// moment its first paint is over is printed (CLOCK_MONOTONIC, ns), with the moment main
// began. Returns the exit status.
int RunFirstPaint(long long mainEnteredNs);

// CLOCK_MONOTONIC in ns: the same clock in parent and child.
long long MonotonicNs();
