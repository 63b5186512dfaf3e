// kestrune_bench: times the console's hub search and hub session against simulated hubs,
// and how long the window's event loop stalls meanwhile.
// bench.sh builds the site and runs it in the PC's namespace; see there.
#include "tools/bench/DiscoveryBench.h"
#include "tools/bench/FloodBench.h"
#include "tools/bench/SessionBench.h"
#include "tools/bench/StallBench.h"

#include <QApplication>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: kestrune_bench discovery --control PATH [--hubs N] [--spread MS] [--rounds R]\n"
    "       kestrune_bench flood --control PATH [--replies N] [--rounds R] [--kestrunectl PATH]\n"
    "       kestrune_bench session --control PATH [--rounds R] [--hub-delay MS]\n"
    "       kestrune_bench stalls --control PATH --hub-netns NS --absent A.B.C.D\n"
    "                             --device A.B.C.D\n"
    "Run in the PC's network namespace of a site (tools/bench/bench.sh does).\n";

bool Number(const char* text, int low, int high, int& value) {
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc() && end == view.data() + view.size() && value >= low &&
           value <= high;
}

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int RunStalls(int argc, char** argv) {
    StallBenchOptions options;
    options.self = "/proc/self/exe";
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return Usage();
        }
        const char* value = argv[++i];
        if (option == "--control") {
            options.control = value;
        } else if (option == "--hub-netns") {
            options.hubNamespace = value;
        } else if (option == "--absent") {
            options.absentAddress = value;
        } else if (option == "--device") {
            options.deviceAddress = value;
        } else {
            return Usage();
        }
    }
    if (options.control.empty() || options.hubNamespace.empty() || options.absentAddress.empty() ||
        options.deviceAddress.empty()) {
        return Usage();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    return RunStallBench(options);
}

} // namespace

int main(int argc, char** argv) {
    // The start-up measurement counts from here, too.
    const long long entered = MonotonicNs();
    if (argc < 2) {
        return Usage();
    }
    const std::string mode = argv[1];
    if (mode == "first-paint" && argc == 2) {
        return RunFirstPaint(entered);
    }
    if (mode == "stalls") {
        return RunStalls(argc, argv);
    }
    DiscoveryBenchOptions discovery;
    SessionBenchOptions session;
    FloodBenchOptions flood;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return Usage();
        }
        const char* value = argv[++i];
        bool ok = true;
        if (option == "--control") {
            discovery.control = session.control = flood.control = value;
        } else if (option == "--rounds") {
            ok = Number(value, 1, 1000, discovery.rounds) && Number(value, 1, 1000, session.rounds) &&
                 Number(value, 1, 1000, flood.rounds);
        } else if (option == "--replies" && mode == "flood") {
            ok = Number(value, 1, 100000, flood.replies);
        } else if (option == "--kestrunectl" && mode == "flood") {
            flood.kestrunectl = value;
        } else if (option == "--hubs" && mode == "discovery") {
            ok = Number(value, 1, 65000, discovery.hubs);
        } else if (option == "--spread" && mode == "discovery") {
            ok = Number(value, 0, 900, discovery.spreadMs);
        } else if (option == "--hub-delay" && mode == "session") {
            ok = Number(value, 0, 4000, session.hubDelayMs);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "kestrune_bench: bad option %s %s\n", option.c_str(), value);
            return Usage();
        }
    }
    if (discovery.control.empty() || (mode != "discovery" && mode != "session" && mode != "flood")) {
        return Usage();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (mode == "flood") {
        return RunFloodBench(flood);
    }
    return mode == "discovery" ? RunDiscoveryBench(discovery) : RunSessionBench(session);
}
