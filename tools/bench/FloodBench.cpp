#include "tools/bench/FloodBench.h"

#include "discovery/DiscoveryReply.h"
#include "resources/ConsoleTemplate.h"
#include "tools/bench/BenchSupport.h"
#include "tools/bench/TimedWindow.h"

#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using bench::Clock;
using bench::MsBetween;
using bench::Print;
using bench::TimedWindow;

constexpr double kLateTargetMs = 50;
constexpr double kFillTargetMs = 100;
constexpr long kMemoryTargetKb = 100 * 1024;
constexpr int kSearchTimeoutMs = 20000;

// When the flooding hub sent its last reply: the search's own window ends a second later.
Clock::time_point LastReplySent(const bench::HubControl& control) {
    const std::string status = control.SendTo(1, "status");
    const auto at = status.find(" discovery-last-us=");
    if (at == std::string::npos)
        throw std::runtime_error("no time of the last reply in: " + status);
    return Clock::time_point(std::chrono::microseconds(std::stoll(status.substr(at + 19))));
}

// How late the search ended beyond its window: from the last reply sent plus the wait.
double LateMs(Clock::time_point lastSent, Clock::time_point ended) {
    return MsBetween(lastSent, ended) - DISCOVERY_WAIT_MS;
}

long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

struct ToolRound {
    double lateMs = 0;
    long peakKb = 0;
    int code = -1;
};

// kestrunectl discover as a script runs it, its table thrown away.
ToolRound RunTool(const std::string& kestrunectl, const bench::HubControl& control) {
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl(kestrunectl.c_str(), kestrunectl.c_str(), "discover", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const Clock::time_point ended = Clock::now();
    ToolRound round;
    round.lateMs = LateMs(LastReplySent(control), ended);
    round.peakKb = usage.ru_maxrss;
    round.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return round;
}

} // namespace

int RunFloodBench(const FloodBenchOptions& options) {
    const bench::HubControl control(options.control);
    try {
        // Hub 1 alone answers, and answers every search that many times.
        control.Send("hub all fault discovery-silent on");
        control.SendTo(1, "fault discovery-silent off");
        control.SendTo(1, "fault discovery-late off");
        control.SendTo(1, "discovery-copies " + std::to_string(options.replies));
    } catch (const std::exception& error) {
        Print("cannot set the hubs up: %s\n", error.what());
        return 2;
    }
    const bench::PrintedBoxes boxes;
    const int listedTarget = std::min<int>(options.replies, kDiscoveryMaxRows);
    Print("Flood: one host answers each search %d times from one address, each with its own "
          "physical address; %d rounds\n",
          options.replies, options.rounds);

    bool met = true;
    TimedWindow console;
    console.show();
    const auto filled = [&] {
        return console.IsIdle() && console.HubListView()->topLevelItemCount() >= listedTarget;
    };
    bench::RunEventsUntil(filled, kSearchTimeoutMs);
    Print("window: round  listed  search-1s  fill      stall\n");
    bench::StallProbe probe;
    for (int r = 1; r <= options.rounds; ++r) {
        console.Restart();
        probe.Restart();
        console.Button(IDC_SEARCH_HUBS)->click();
        const bool done = bench::RunEventsUntil(filled, kSearchTimeoutMs);
        bench::RunEventsFor(50);
        const TimedWindow::Times& times = console.times();
        const double late = LateMs(LastReplySent(control), times.fillBegun);
        const double fill = MsBetween(times.fillBegun, times.fillEnded);
        const int listed = console.HubListView()->topLevelItemCount();
        Print("        %5d  %6d  %6.1f ms  %5.1f ms  %5.1f ms\n", r, listed, late, fill,
              probe.Worst());
        met = met && done && listed == listedTarget && late < kLateTargetMs && fill < kFillTargetMs;
    }
    const long windowKb = PeakResidentKb();
    Print("window: peak resident memory %.1f MB\n", windowKb / 1024.0);
    met = met && windowKb < kMemoryTargetKb;

    if (!options.kestrunectl.empty()) {
        Print("kestrunectl discover: round  exit  search-1s  peak memory\n");
        for (int r = 1; r <= options.rounds; ++r) {
            const ToolRound round = RunTool(options.kestrunectl, control);
            Print("                      %5d  %4d  %6.1f ms  %6.1f MB\n", r, round.code,
                  round.lateMs, round.peakKb / 1024.0);
            met = met && round.code == 0 && round.lateMs < kLateTargetMs &&
                  round.peakKb < kMemoryTargetKb;
        }
    }
    control.SendTo(1, "discovery-copies 1");
    control.Send("hub all fault discovery-silent off");
    Print("target (%d listed, the search over within %.0f ms of its window, fill under %.0f ms, "
          "under %ld MB): %s\n",
          listedTarget, kLateTargetMs, kFillTargetMs, kMemoryTargetKb / 1024,
          met ? "met" : "MISSED");
    return met ? 0 : 1;
}
