#include "tools/bench/DiscoveryBench.h"

#include "gui/ConsoleWindow.h"
#include "gui/MessageBoxes.h"
#include "discovery/DiscoveryReply.h"
#include "discovery/HubSearch.h"
#include "resources/ConsoleTemplate.h"
#include "tools/bench/BenchSupport.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <stdexcept>
#include <vector>

namespace {

using bench::Clock;
using bench::MsBetween;
using bench::Print;

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
    int counted = 0;
    int listed = 0;
    double searchBeyondWaitMs = 0;
    double firstReplyMs = 0; // when the first and the last reply were handled
    double lastReplyMs = 0;
    double fillMs = 0;
    double eventsAfterFillMs = 0; // the repaint and whatever else the fill left queued
    long receiveBufferDrops = 0;
};

// One search as the console runs it (its SearchHubs is the search, then the fill), with
// the two halves timed apart.
Round MeasureRound(CConsoleWindow& console, const bench::HubControl& control, int hubs) {
    Round round;
    const std::vector<long> before = ReplyCounts(control, hubs);
    const bench::UdpCounters udpBefore = bench::ReadUdpCounters();

    const Clock::time_point start = Clock::now();
    Clock::time_point firstReply{}, lastReply{};
    round.counted =
        ::SearchHubs(console.adapterList(), console.hubList(), [&](const std::string& line) {
            console.AppendToLog(line);
            if (line.starts_with("Обнаружен хаб")) {
                lastReply = Clock::now();
                if (firstReply == Clock::time_point{}) {
                    firstReply = lastReply;
                }
            }
        });
    const Clock::time_point searched = Clock::now();
    console.Console().FillHubList();
    const Clock::time_point filled = Clock::now();
    QCoreApplication::processEvents();
    const Clock::time_point settled = Clock::now();

    round.listed = console.HubListView()->topLevelItemCount();
    round.searchBeyondWaitMs = MsBetween(start, searched) - DISCOVERY_WAIT_MS;
    if (round.counted > 0) {
        round.firstReplyMs = MsBetween(start, firstReply);
        round.lastReplyMs = MsBetween(start, lastReply);
    }
    round.fillMs = MsBetween(searched, filled);
    round.eventsAfterFillMs = MsBetween(filled, settled);
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
    SetMessageBoxHandler([](const MessageBoxRequest& request) {
        Print("message box: %s\n", bench::Text(request.text).c_str());
        return request.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    });

    Print("Discovery: %d simulated hubs, replies spread over %d ms, %d rounds\n", options.hubs,
          options.spreadMs, options.rounds);
    CConsoleWindow console(false);
    Clock::time_point start = Clock::now();
    console.show();
    Print("start-up search and fill: %.1f ms, %d hubs listed\n", MsBetween(start, Clock::now()),
          console.HubListView()->topLevelItemCount());
    bench::RunEventsFor(200);
    if (console.adapterList().count != 1) {
        Print("the PC must have exactly one adapter address; it has %d\n",
              console.adapterList().count);
        return 2;
    }

    Print(
        "round  answering  listed  search-1s  first..last reply  fill  after fill  rcvbuf drops\n");
    bool met = true;
    bench::Samples search, fill;
    for (int r = 1; r <= options.rounds; ++r) {
        Round round;
        try {
            round = MeasureRound(console, control, options.hubs);
        } catch (const std::exception& error) {
            Print("round %d: %s\n", r, error.what());
            return 2;
        }
        Print("%5d  %9d  %6d  %6.1f ms  %6.1f..%6.1f ms  %5.1f ms  %6.1f ms  %12ld\n", r,
              round.answered, round.listed, round.searchBeyondWaitMs, round.firstReplyMs,
              round.lastReplyMs, round.fillMs, round.eventsAfterFillMs, round.receiveBufferDrops);
        search.Add(round.searchBeyondWaitMs);
        fill.Add(round.fillMs);
        met = met && round.listed == options.hubs && round.fillMs < kFillTargetMs;
    }

    // And once more the way the technician does it: the button, search and fill in one.
    start = Clock::now();
    console.Button(IDC_SEARCH_HUBS)->click();
    Print("\"Поиск хабов\" pressed: %.1f ms until the list was filled, %d hubs listed\n",
          MsBetween(start, Clock::now()), console.HubListView()->topLevelItemCount());

    Print("search beyond the final wait: %s\n", search.Summary().c_str());
    Print("fill of the hub list view:    %s\n", fill.Summary().c_str());
    Print("target (%d of %d listed, fill under %.0f ms): %s\n", options.hubs, options.hubs,
          kFillTargetMs, met ? "met" : "MISSED");
    SetMessageBoxHandler({});
    return met ? 0 : 1;
}
