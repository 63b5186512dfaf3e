#include "tools/bench/DiscoveryBench.h"

#include "discovery/DiscoveryReply.h"
#include "gui/ConsoleWindow.h"
#include "resources/ConsoleTemplate.h"
#include "tools/bench/BenchSupport.h"
#include "tools/bench/TimedWindow.h"

#include <QPushButton>
#include <QTreeWidget>
#include <stdexcept>
#include <vector>

namespace {

using bench::Clock;
using bench::MsBetween;
using bench::Print;
using bench::TimedWindow;

constexpr double kFillTargetMs = 100;

// Each hub answers spreadMs * (k - 1) / hubs after the request, so that the replies come
// evenly over spreadMs; with no spread they all leave in one burst.
void SpreadReplies(const bench::HubControl& control, const DiscoveryBenchOptions& options) {
    for (int k = 1; k <= options.hubs; ++k) {
        if (options.spreadMs > 0) {
            const long delay = static_cast<long>(options.spreadMs) * (k - 1) / options.hubs;
            control.SendTo(k, "discovery-delay " + std::to_string(delay));
            control.SendTo(k, "fault discovery-late on");
        } else {
            control.SendTo(k, "fault discovery-late off");
        }
    }
}

std::vector<long> ReplyCounts(const bench::HubControl& control, int hubs) {
    std::vector<long> counts;
    for (int k = 1; k <= hubs; ++k) {
        counts.push_back(control.DiscoveryReplies(k));
    }
    return counts;
}

int HubsThatAnswered(const std::vector<long>& before, const std::vector<long>& after) {
    int answered = 0;
    for (std::size_t k = 0; k < before.size(); ++k) {
        answered += after[k] > before[k] ? 1 : 0;
    }
    return answered;
}

struct Round {
    int answered = 0;
    int listed = 0;
    double searchBeyondWaitMs = 0; // the press to the fill, beyond the search's final wait
    double firstReplyMs = 0;       // when the first and the last reply reached the log
    double lastReplyMs = 0;
    double fillMs = 0;
    double idleMs = 0;  // the press until the console is idle with the list filled
    double stallMs = 0; // the window's event loop's longest stall meanwhile
    long receiveBufferDrops = 0;
};

constexpr int kSearchTimeoutMs = 15000;

// The press, then the event loop until the console is idle with the list filled.
bool PressSearch(TimedWindow& console, int hubs) {
    console.Restart();
    console.Button(IDC_SEARCH_HUBS)->click();
    return bench::RunEventsUntil(
        [&] { return console.IsIdle() && console.HubListView()->topLevelItemCount() >= hubs; },
        kSearchTimeoutMs);
}

// One search as the technician starts it, with its parts timed apart.
Round MeasureRound(TimedWindow& console, bench::StallProbe& probe, const bench::HubControl& control,
                   int hubs) {
    Round round;
    const std::vector<long> before = ReplyCounts(control, hubs);
    const bench::UdpCounters udpBefore = bench::ReadUdpCounters();

    probe.Restart();
    const Clock::time_point start = Clock::now();
    PressSearch(console, hubs);
    const Clock::time_point idle = Clock::now();
    // The repaint of the filled list is part of the search's work on the window's thread.
    bench::RunEventsFor(50);
    round.stallMs = probe.Worst();
    const TimedWindow::Times& times = console.times();

    round.listed = console.HubListView()->topLevelItemCount();
    if (times.fillBegun != Clock::time_point{}) {
        round.searchBeyondWaitMs = MsBetween(start, times.fillBegun) - DISCOVERY_WAIT_MS;
        round.fillMs = MsBetween(times.fillBegun, times.fillEnded);
    }
    if (times.firstReply != Clock::time_point{}) {
        round.firstReplyMs = MsBetween(start, times.firstReply);
        round.lastReplyMs = MsBetween(start, times.lastReply);
    }
    round.idleMs = MsBetween(start, idle);
    round.receiveBufferDrops =
        bench::ReadUdpCounters().receiveBufferErrors - udpBefore.receiveBufferErrors;
    round.answered = HubsThatAnswered(before, ReplyCounts(control, hubs));
    return round;
}

} // namespace

int RunDiscoveryBench(const DiscoveryBenchOptions& options) {
    const bench::HubControl control(options.control);
    try {
        SpreadReplies(control, options);
    } catch (const std::exception& error) {
        Print("cannot set the hubs up: %s\n", error.what());
        return 2;
    }
    const bench::PrintedBoxes boxes;

    Print("Discovery: %d simulated hubs, replies spread over %d ms, %d rounds\n", options.hubs,
          options.spreadMs, options.rounds);
    TimedWindow console;
    const Clock::time_point start = Clock::now();
    console.show();
    // The start-up search begins after the first paint.
    const bool started = bench::RunEventsUntil(
        [&] {
            return console.IsIdle() && console.HubListView()->topLevelItemCount() >= options.hubs;
        },
        kSearchTimeoutMs);
    Print("start-up (shown, its search and fill): %.1f ms until idle, %d hubs listed%s\n",
          MsBetween(start, Clock::now()), console.HubListView()->topLevelItemCount(),
          started ? "" : " (not all)");
    if (console.adapterList().count != 1) {
        Print("the PC must have exactly one adapter address; it has %d\n",
              console.adapterList().count);
        return 2;
    }

    Print("\"Поиск хабов\" pressed, until the console is idle with the list filled\n");
    Print("round  answering  listed  search-1s  first..last reply  fill      idle      "
          "stall     rcvbuf drops\n");
    bool met = true;
    bench::Samples search, fill, idle, stall;
    bench::StallProbe probe;
    for (int r = 1; r <= options.rounds; ++r) {
        Round round;
        try {
            round = MeasureRound(console, probe, control, options.hubs);
        } catch (const std::exception& error) {
            Print("round %d: %s\n", r, error.what());
            return 2;
        }
        Print("%5d  %9d  %6d  %6.1f ms  %6.1f..%6.1f ms  %5.1f ms  %7.1f ms  %5.1f ms  %12ld\n", r,
              round.answered, round.listed, round.searchBeyondWaitMs, round.firstReplyMs,
              round.lastReplyMs, round.fillMs, round.idleMs, round.stallMs,
              round.receiveBufferDrops);
        search.Add(round.searchBeyondWaitMs);
        fill.Add(round.fillMs);
        idle.Add(round.idleMs);
        stall.Add(round.stallMs);
        met = met && round.listed == options.hubs && round.fillMs < kFillTargetMs;
    }

    Print("search beyond the final wait: %s\n", search.Summary().c_str());
    Print("fill of the hub list view:    %s\n", fill.Summary().c_str());
    Print("press to idle:                %s\n", idle.Summary().c_str());
    Print("the window's longest stall:   %s\n", stall.Summary().c_str());
    Print("target (%d of %d listed, fill under %.0f ms): %s\n", options.hubs, options.hubs,
          kFillTargetMs, met ? "met" : "MISSED");
    return met ? 0 : 1;
}
