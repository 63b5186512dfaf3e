// The plain loop a command-line face runs the console on.
#include "operations/PlainLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(PlainLoop, RunsPostsInOrderTimersWhenDueAndOffThreadWorkBackOnItsThread) {
    PlainLoop loop;
    std::string order;
    const auto loopThread = std::this_thread::get_id();
    bool doneOnLoop = false;
    loop.Post([&] { order += "a"; });
    const auto cancelled = loop.StartTimer(10ms, [&] { order += "x"; });
    loop.StartTimer(30ms, [&] {
        order += "t";
        loop.RunOffThread([&] { order += std::this_thread::get_id() == loopThread ? "?" : "w"; },
                          [&] {
                              doneOnLoop = std::this_thread::get_id() == loopThread;
                              order += "d";
                              loop.Quit();
                          });
    });
    loop.Post([&] { order += "b"; });
    loop.CancelTimer(cancelled);
    const auto start = std::chrono::steady_clock::now();
    loop.Run();
    EXPECT_EQ(order, "abtwd");
    EXPECT_TRUE(doneOnLoop);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

TEST(PlainLoop, APostFromAnotherThreadWakesTheLoop) {
    PlainLoop loop;
    bool ran = false;
    std::thread other([&] {
        std::this_thread::sleep_for(20ms);
        loop.Post([&] {
            ran = true;
            loop.Quit();
        });
    });
    loop.Run();
    other.join();
    EXPECT_TRUE(ran);
}

} // namespace
