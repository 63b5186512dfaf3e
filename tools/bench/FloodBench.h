#pragma once

#include <string>

// The hub search against one host that answers every search thousands of times from one
// address, each reply with another physical address: how late the search ends beyond
// its one-second window, how long the hub list takes to fill, and the peak memory, in
// the window and in kestrunectl discover.
struct FloodBenchOptions {
    std::string control;     // the control socket of the hubsim process; its hub 1 floods
    std::string kestrunectl; // the tool to run too; none when empty
    int replies = 10000;
    int rounds = 3;
};

// Runs in the PC's network namespace, with the hubs on the subnet of its one adapter.
// Returns 0 when every round met the targets, 1 when one missed, 2 on a set-up failure.
int RunFloodBench(const FloodBenchOptions& options);
