// The one way from the watcher to the console: order, steps that keep their lines
// together, and reports of a connection that has ended.
#include "operations/WatcherQueue.h"
#include "net/SocketComm.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class WatcherQueueTest : public testing::Test {
protected:
    void SetUp() override {
        queue->SetHandler([this](watcher::Report&& report) {
            if (auto* lines = std::get_if<watcher::LogLines>(&report))
                log += lines->text;
            else
                reports.push_back(std::move(report));
        });
    }
    void FromWatcher(const std::string& text) {
        std::thread watcher([this, text] { queue->AppendToLog(text); });
        watcher.join();
    }

    VirtualClock clock;
    CSocketComm session; // never connected: its serial is 0
    std::shared_ptr<WatcherQueue> queue = WatcherQueue::Make(clock, session);
    std::string log;
    std::vector<watcher::Report> reports;
};

TEST_F(WatcherQueueTest, LinesFromAnotherThreadArriveCompleteAndInOrder) {
    constexpr int kLines = 1000;
    std::thread watcher([this] {
        for (int i = 0; i < kLines; ++i)
            queue->AppendToLog("line " + std::to_string(i) + "\r\n");
    });
    // The console thread is busy meanwhile; nothing may be lost while it is.
    watcher.join();
    clock.RunPending();
    std::string expected;
    for (int i = 0; i < kLines; ++i)
        expected += "line " + std::to_string(i) + "\r\n";
    EXPECT_EQ(log, expected);
}

TEST_F(WatcherQueueTest, AStepsLinesStayTogetherAndFollowThoseAlreadyQueued) {
    FromWatcher("before the step\r\n");
    queue->Drain(); // a step begins: what came before it comes first
    log += "\r\n>>request\r\n";
    FromWatcher("<<quick answer\r\n"); // a quick hub answers in the middle of the step
    log += "sent\r\n";
    EXPECT_EQ(log, "before the step\r\n\r\n>>request\r\nsent\r\n");
    clock.RunPending();
    EXPECT_EQ(log, "before the step\r\n\r\n>>request\r\nsent\r\n<<quick answer\r\n");

    // Held across waits, the step keeps its lines together until it lets go.
    queue->Hold();
    FromWatcher("<<during the pause\r\n");
    clock.RunPending();
    queue->Drain();
    log += "disconnected\r\n";
    queue->Release();
    EXPECT_TRUE(log.ends_with("disconnected\r\n<<during the pause\r\n")) << log;
}

TEST_F(WatcherQueueTest, ReportsOfAnEndedConnectionAreDroppedButNotItsLines) {
    queue->ShowLinkStatus({true, false, false, false}); // connection 0, the present one
    queue->PostUpdateConnection(ConnectionDropped, nullptr, 0);
    queue->PostUpdateConnection(ConnectionDropped, nullptr, 7); // a connection long closed
    clock.RunPending();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<watcher::LinkStatus>(reports[0]));
    EXPECT_EQ(std::get<watcher::Connection>(reports[1]).code, static_cast<std::uint32_t>(ConnectionDropped));

    session.Close(); // nothing was open: the serial stays
    queue->AppendToLog("kept\r\n");
    clock.RunPending();
    EXPECT_EQ(log, "kept\r\n");
}

} // namespace
