// hubsim: plays one hub, or many, on the discovery port and the session port.
#include "ControlServer.h"
#include "DiscoverySocket.h"
#include "EventLoop.h"
#include "HostNetwork.h"
#include "Hub.h"
#include "HubState.h"
#include "Ipv4.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <net/if.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace hubsim;

namespace {

constexpr const char* kUsage =
    "usage: hubsim [--control PATH] [--dev IF] [--count K] [--udp-port P] [--tcp-port P]\n"
    "              [-v] [--COMMAND ARGS...]...\n"
    "       hubsim --send PATH COMMAND...   one control command to a running hubsim\n"
    "\n"
    "  --control PATH  Unix socket taking the commands below, one per line\n"
    "  --dev IF        the interface carrying the hubs' addresses: missing ones are added,\n"
    "                  SetIpParameters moves them (only inside a network namespace)\n"
    "  --count K       play K hubs at consecutive addresses from the first --ip\n"
    "  -v, --verbose   print every message received (<<) and sent (>>)\n";

int selfPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 's';
    [[maybe_unused]] const ssize_t ignored = write(selfPipe[1], &byte, 1);
}

struct Options {
    std::string control;
    std::string device;
    int count = 1;
    int udpPort = kDiscoveryPort;
    int tcpPort = kSessionPort;
    HubState hub;
};

bool ParseNumber(const char* text, int low, int high, int& value) {
    const std::string_view view(text);
    const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    return ec == std::errc() && end == view.data() + view.size() && value >= low && value <= high;
}

bool StartsCommand(const std::string& arg) {
    return arg.rfind("--", 0) == 0 || arg == "-v";
}

// Process options first; every other "--name" starts a hub command whose words run
// to the next option.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-v" || arg == "--verbose") {
            options.hub.verbose = true;
        } else if (arg == "--control" && hasValue) {
            options.control = argv[++i];
        } else if (arg == "--dev" && hasValue) {
            options.device = argv[++i];
        } else if (arg == "--count" && hasValue) {
            if (!ParseNumber(argv[++i], 1, 65000, options.count)) {
                error = "--count takes 1..65000";
                return false;
            }
        } else if ((arg == "--udp-port" || arg == "--tcp-port") && hasValue) {
            int& port = arg == "--udp-port" ? options.udpPort : options.tcpPort;
            if (!ParseNumber(argv[++i], 1, 65535, port)) {
                error = arg + " takes a port number";
                return false;
            }
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            Words words{arg.substr(2)};
            while (i + 1 < argc && !StartsCommand(argv[i + 1])) {
                words.emplace_back(argv[++i]);
            }
            if (!ApplyCommand(options.hub, words, &error)) {
                error = arg + ": " + error;
                return false;
            }
        } else {
            error = "unexpected argument '" + arg + "'";
            return false;
        }
    }
    return true;
}

int SendMode(int argc, char** argv) {
    if (argc < 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string command;
    for (int i = 3; i < argc; ++i) {
        command += (i > 3 ? " " : "") + std::string(argv[i]);
    }
    std::string answer;
    if (!SendControlCommand(argv[2], command, answer)) {
        std::fprintf(stderr, "hubsim: %s\n", answer.c_str());
        return 2;
    }
    std::printf("%s\n", answer.c_str());
    return answer.rfind("ok", 0) == 0 ? 0 : 1;
}

// "hub K CMD", "hub all CMD" or CMD for the first hub.
std::string Dispatch(std::vector<std::unique_ptr<Hub>>& hubs, const std::string& line) {
    Words words = SplitWords(line);
    if (words.empty()) {
        return "error empty command";
    }
    if (words[0] != "hub") {
        return hubs.front()->Command(words);
    }
    if (words.size() < 3) {
        return "error usage: hub K|all COMMAND";
    }
    const Words rest(words.begin() + 2, words.end());
    if (words[1] == "all") {
        for (auto& hub : hubs) {
            const std::string answer = hub->Command(rest);
            if (answer.rfind("ok", 0) != 0) {
                return answer;
            }
        }
        return "ok";
    }
    int index = 0;
    if (!ParseNumber(words[1].c_str(), 1, static_cast<int>(hubs.size()), index)) {
        return "error no hub " + words[1];
    }
    return hubs[static_cast<std::size_t>(index - 1)]->Command(rest);
}

void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "hubsim: %s\n", text.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--send") {
        return SendMode(argc, argv);
    }
    if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::printf("%s\n%s", kUsage, kCommandHelp);
        return 0;
    }
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "hubsim: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    RaiseDescriptorLimit();
    std::signal(SIGPIPE, SIG_IGN);

    EventLoop loop;
    DiscoverySocket discovery(loop);
    HubEnvironment environment{loop, discovery, static_cast<std::uint16_t>(options.tcpPort), 0,
                               InPrivateNetworkNamespace()};
    if (!options.device.empty()) {
        if (!environment.mayChangeNetwork) {
            return Fail("--dev changes addresses and is honoured only inside a network "
                        "namespace of its own");
        }
        environment.interfaceIndex = static_cast<int>(if_nametoindex(options.device.c_str()));
        if (environment.interfaceIndex == 0) {
            return Fail("no interface " + options.device);
        }
        // Many hubs share one subnet on this interface: taking the first address away
        // must not take the others with it.
        WriteIpv4Sysctl("conf/" + options.device + "/promote_secondaries", "1", nullptr);
    }

    std::vector<std::unique_ptr<Hub>> hubs;
    if (!discovery.Open(
            static_cast<std::uint16_t>(options.udpPort),
            [&hubs](const Datagram& datagram) {
                if (!IsDiscoveryRequest(datagram.bytes)) {
                    return; // our own broadcast replies among them
                }
                for (auto& hub : hubs) {
                    hub->OnDiscoveryRequest(datagram);
                }
            },
            &error)) {
        return Fail(error);
    }
    for (int k = 0; k < options.count; ++k) {
        HubState state = options.hub;
        state.address = options.hub.address + static_cast<std::uint32_t>(k);
        hubs.push_back(std::make_unique<Hub>(environment, std::move(state)));
        if (!hubs.back()->Start(&error)) {
            return Fail(error);
        }
    }

    ControlServer control(loop);
    if (!options.control.empty() &&
        !control.Open(
            options.control, [&hubs](const std::string& line) { return Dispatch(hubs, line); },
            &error)) {
        return Fail(error);
    }

    if (pipe2(selfPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return Fail("pipe failed");
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    loop.Watch(selfPipe[0], POLLIN, [&loop](short) { loop.Stop(); });

    LogLine("hubsim: " + std::to_string(hubs.size()) + " hub(s) from " +
            FormatIpv4(hubs.front()->Address()) + " ready, udp " + std::to_string(options.udpPort) +
            ", tcp " + std::to_string(options.tcpPort));
    const bool clean = loop.Run();
    for (auto& hub : hubs) {
        hub->Stop();
    }
    LogLine("hubsim: stopped");
    return clean ? 0 : 1;
}
