#pragma once

#include "platform/SearchDiagnosis.h"

#include <string>
#include <vector>

// Why a search found no hub, as far as the PC's own side tells: the checks in the order a
// technician goes through them, each with what it found, as data that each face words in
// its own language (the window's log in Russian, kestrunectl's standard error in English).

enum class SearchCheck {
    Cable,       // the adapter is on and has a carrier
    AdapterKind, // Wi-Fi or a VPN rather than the hubs' Ethernet
    Port,        // another program holds UDP 30303
    Firewall,    // one finding per firewall on the PC (source names it)
    ReversePath, // strict reverse-path filtering on a PC with several addresses
};

enum class SearchVerdict {
    Fine,       // checked, nothing wrong
    NotChecked, // the system did not tell; reason says why
    Wrong,      // checked, and this may keep the replies away
};

struct SearchFinding {
    SearchCheck check = SearchCheck::Cable;
    SearchVerdict verdict = SearchVerdict::Fine;
    std::string reason; // NotChecked: the system's reason

    // Wrong, by check:
    bool adapterDisabled = false;              // Cable: switched off (else no carrier)
    platform::AdapterKind kind{};              // AdapterKind: Wireless or Vpn
    std::string kindName;                      // AdapterKind: the VPN's link type
    std::vector<platform::PortHolder> holders; // Port
    bool someHoldersHidden = false;            // Port: some processes could not be looked at
    std::string source;                        // Firewall: its name, whatever the verdict
    std::vector<platform::FirewallDrop> drops; // Firewall
    int reversePathFilter = 0;                 // ReversePath: 1
    int addressCount = 0;                      // ReversePath: the PC's addresses
};

// One finding per check (per firewall for Firewall), in SearchCheck's order. A finding
// never goes beyond what was read: a fact that is missing gives NotChecked.
std::vector<SearchFinding> JudgeEmptySearch(const platform::SearchSystemFacts& facts);

// The platform's readings of the adapter, judged: the one call a face makes after a
// search that found nothing. Reads files and may run a program: off the console's thread.
std::vector<SearchFinding> DiagnoseEmptySearch(const std::string& interfaceName,
                                               const std::string& address);
