#pragma once

#include <string>

// The hub search against a crowd of simulated hubs: how many answer, how many the
// console lists, how long the search takes beyond its final one-second wait, and how long
// the console takes to fill its hub list view.
struct DiscoveryBenchOptions {
    std::string control; // the control socket of the hubsim process playing the hubs
    int hubs = 1000;     // how many hubs that process plays
    int spreadMs = 50;   // the hubs' replies are spread evenly over this time; 0: at once
    int rounds = 3;
};

// Runs in the PC's network namespace, with the hubs on the subnet of its one adapter.
// Returns 0 when every round met the targets, 1 when one missed, 2 on a set-up failure.
int RunDiscoveryBench(const DiscoveryBenchOptions& options);
