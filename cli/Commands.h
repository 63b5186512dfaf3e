#pragma once

#include "cli/HubDriver.h"

#include <cstdint>
#include <string>

// kestrunectl's commands. Each returns the process's exit code (ExitCode); results go to
// io.out, messages to io.err in English, the hub's and the console's own texts verbatim.

struct OutputFormat {
    bool json = false;
    bool csv = false;
};

int RunAdapters(CliIo& io, const DriverOptions& options, const OutputFormat& format);
int RunDiscover(CliIo& io, const DriverOptions& options, const OutputFormat& format);
int RunShow(CliIo& io, const DriverOptions& options, const std::string& hub, const OutputFormat& format);

struct SetIpRequest {
    std::string hub;
    std::string address;
    std::string mask;    // empty: the hub keeps its own
    std::string gateway; // empty: the hub keeps its own
    bool yes = false;
    bool verify = true;
};
int RunSetIp(CliIo& io, const DriverOptions& options, const SetIpRequest& request);

struct SetIdRequest {
    std::string hub;
    std::uint32_t controller = 0;
    bool jumperFitted = false;
    bool oldFirmwareOk = false;
};
int RunSetId(CliIo& io, const DriverOptions& options, const SetIdRequest& request);

struct ApplyRequest {
    std::string planPath;
    bool dryRun = false;
    bool json = false;      // one array at the end
    bool jsonLines = false; // one object a line, as each hub is done
    bool csv = false;
    bool yes = false; // gateways outside their hub's new subnet are set all the same
};
int RunApply(CliIo& io, const DriverOptions& options, const ApplyRequest& request);

// A hub the search found, resolved from the HUB argument.
struct FoundTarget {
    std::string address;
    std::optional<int> row; // its row in the search's list, when it answered the search
    std::string physicalKey; // from its reply, or the argument
    std::string model;
};
// Resolves HUB through the search just run: an address stands for itself, a physical
// address must have answered from exactly one address. Writes why not, with its exit code.
std::optional<FoundTarget> ResolveHub(CliIo& io, const HubList& hubs, const std::string& hub,
                                      int& exitCode);
