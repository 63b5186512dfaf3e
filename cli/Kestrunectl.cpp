#include "cli/Kestrunectl.h"

#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#ifndef KESTRUNE_VERSION
#define KESTRUNE_VERSION "0"
#endif

namespace {

constexpr const char* kDescription =
    "kestrunectl finds the hubs on the subnet of one network adapter, shows a hub's link states "
    "and IP parameters, sets its IP parameters and its controllers' numbers, and commissions a "
    "whole site from a plan. Results go to standard output, messages to standard error.\n\n"
    "Exit codes: 0 success, 1 the operation failed, 2 usage or invalid input, 3 partial "
    "(apply), 4 no echo service (net.ipv4.ping_group_range or cap_net_raw).";

struct Arguments {
    DriverOptions driver;
    OutputFormat format;
    std::string hub;
    SetIpRequest setIp;
    SetIdRequest setId;
    ApplyRequest apply;
    bool noVerify = false;
};

void AddAdapterOption(CLI::App& command, Arguments& arguments) {
    command.add_option("--adapter", arguments.driver.adapter,
                       "the adapter to work through: its interface name or its address");
}

void AddHubArgument(CLI::App& command, Arguments& arguments) {
    command.add_option("HUB", arguments.hub,
                       "the hub: its IPv4 address, or its physical address (02-00-5E-12-00-0D or "
                       "02:00:5e:12:00:0d)")
        ->required();
}

} // namespace

int RunKestrunectl(const std::vector<std::string>& given, CliIo& io) {
    Arguments arguments;
    CLI::App app(kDescription, "kestrunectl");
    // Only --options: on Windows CLI11 would read "/sites/plan.csv" as an option "/sites".
    // Set before the subcommands are added, which take the setting from their parent.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("kestrunectl ") + KESTRUNE_VERSION);
    app.require_subcommand(1);
    app.fallthrough();
    app.add_flag("-v,--verbose", arguments.driver.verbose, "also write the event log's lines to standard error");
    app.add_flag("--debug", arguments.driver.debug,
                 "also write every message exchanged with the hub (\"<<\" and \">>\" dumps)");

    CLI::App* adapters = app.add_subcommand("adapters", "list the adapter addresses a search can use");
    adapters->add_flag("--json", arguments.format.json, "a JSON array");

    CLI::App* discover = app.add_subcommand("discover", "search the adapter's subnet for hubs");
    AddAdapterOption(*discover, arguments);
    discover->add_option("--wait", arguments.driver.waitMs, "the wait after the last reply, in ms")
        ->capture_default_str()
        ->check(CLI::Range(1, 60000));
    auto* json = discover->add_flag("--json", arguments.format.json, "a JSON array");
    discover->add_flag("--csv", arguments.format.csv, "CSV with a header line")->excludes(json);

    CLI::App* show = app.add_subcommand("show", "show a hub's controllers on link and its IP parameters");
    AddHubArgument(*show, arguments);
    AddAdapterOption(*show, arguments);
    show->add_flag("--json", arguments.format.json, "a JSON object");

    CLI::App* setIp = app.add_subcommand("set-ip", "give a hub a new address, mask and gateway");
    AddHubArgument(*setIp, arguments);
    setIp->add_option("--ip", arguments.setIp.address, "the new address")->required();
    setIp->add_option("--mask", arguments.setIp.mask, "the new subnet mask (default: the hub's)");
    setIp->add_option("--gateway", arguments.setIp.gateway, "the new gateway (default: the hub's)");
    AddAdapterOption(*setIp, arguments);
    setIp->add_flag("--yes", arguments.setIp.yes,
                    "do not ask (needed when standard input is no terminal, and for a gateway "
                    "outside the hub's new subnet)");
    setIp->add_flag("--no-verify", arguments.noVerify, "do not wait for the hub at its new address");

    CLI::App* setId = app.add_subcommand("set-id", "give a controller of a hub its address number");
    AddHubArgument(*setId, arguments);
    setId->add_option("--controller", arguments.setId.controller, "the number, 1 to 4")->required();
    setId->add_flag("--jumper-fitted", arguments.setId.jumperFitted,
                    "the controller's programming jumper is fitted");
    setId->add_flag("--old-firmware-ok", arguments.setId.oldFirmwareOk,
                    "write even when the hub's firmware may not support it");
    AddAdapterOption(*setId, arguments);

    CLI::App* apply = app.add_subcommand("apply", "commission a site from a plan (CSV: mac,ip[,mask,gateway])");
    apply->add_option("PLAN", arguments.apply.planPath, "the plan, a CSV file")->required();
    AddAdapterOption(*apply, arguments);
    apply->add_flag("--dry-run", arguments.apply.dryRun, "show what would be done and send nothing");
    auto* applyJson = apply->add_flag("--json", arguments.apply.json, "a JSON array, at the end");
    auto* applyLines = apply->add_flag("--json-lines", arguments.apply.jsonLines,
                                       "a JSON object a line, each as soon as its hub is done");
    applyLines->excludes(applyJson);
    apply->add_flag("--csv", arguments.apply.csv, "CSV with a header line")
        ->excludes(applyJson, applyLines);
    apply->add_flag("--yes", arguments.apply.yes,
                    "set a gateway outside its hub's new subnet all the same");

    std::vector<std::string> reversed(given.rbegin(), given.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        // Help and the version are answers, on standard output; the rest are usage errors.
        const int code = app.exit(error, io.out, io.err);
        return code == 0 ? kExitSuccess : kExitUsage;
    }

    if (adapters->parsed())
        return RunAdapters(io, arguments.driver, arguments.format);
    if (discover->parsed())
        return RunDiscover(io, arguments.driver, arguments.format);
    if (show->parsed())
        return RunShow(io, arguments.driver, arguments.hub, arguments.format);
    if (setIp->parsed()) {
        arguments.setIp.hub = arguments.hub;
        arguments.setIp.verify = !arguments.noVerify;
        return RunSetIp(io, arguments.driver, arguments.setIp);
    }
    if (setId->parsed()) {
        arguments.setId.hub = arguments.hub;
        return RunSetId(io, arguments.driver, arguments.setId);
    }
    return RunApply(io, arguments.driver, arguments.apply);
}
