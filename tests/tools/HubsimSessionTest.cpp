// hubsim's session port, played from the PC's end with a raw TCP socket.
#include "ConsolePeer.h"
#include "tests/support/SiteTest.h"

#include <cerrno>
#include <chrono>

namespace {

using peer::Bytes;
using peer::HubLink;
using Clock = std::chrono::steady_clock;

class HubsimSession : public SiteSuite<HubsimSession> {
public:
    static TestSiteOptions SiteOptions() { return {.prefix = "ks2", .hubs = 1}; }

protected:
    // A connected link whose first status has been read.
    void Open(HubLink& link) {
        ASSERT_EQ(link.Connect(site->HubAddress(1)), 0);
        const auto status = link.WaitFor(peer::kLinkStatus, 1000);
        ASSERT_TRUE(status);
    }

    std::optional<Bytes> NumberResult(HubLink& link, std::uint8_t number) {
        EXPECT_TRUE(link.Send(peer::ControllerNumberRequest(number)));
        return link.WaitFor(peer::kControllerNumber, 1000);
    }
};

TEST_F(HubsimSession, StatusAtOnceThenTheIpParameters) {
    HubLink link;
    ASSERT_EQ(link.Connect(site->HubAddress(1)), 0);
    const auto first = link.ReadBlock(500);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->size(), 32u);
    EXPECT_TRUE(peer::IsValidLinkStatus(*first));
    EXPECT_EQ(peer::LinkFlags(*first), (std::array<bool, 4>{true, false, false, false}));

    ASSERT_TRUE(link.Send(peer::IpParametersRequest()));
    const auto reply = link.WaitFor(peer::kIpParameters, 1000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0, 0, 0, 0x81, 198, 18, 0, 11, 255, 255, 255, 0, 198, 18, 0, 1,
                             0, 0, 0, 0,    0,   0,  0, 0,  0,   0,   0,   0, 0,   0,  0, 0}));
}

TEST_F(HubsimSession, LinkChangesAreSentAtOnceAndStatusRepeats) {
    HubLink link;
    Open(link);
    Tell(1, "controller 3 present");
    Tell(1, "link 3 up");
    const auto changed = link.WaitFor(peer::kLinkStatus, 500);
    ASSERT_TRUE(changed);
    EXPECT_EQ(peer::LinkFlags(*changed), (std::array<bool, 4>{true, false, true, false}));

    Tell(1, "period 100");
    EXPECT_GE(link.Collect(550).size(), 4u);

    Tell(1, "period 0");
    Tell(1, "flap 1 100");
    const auto flapping = link.Collect(450);
    ASSERT_GE(flapping.size(), 3u);
    for (std::size_t i = 1; i < flapping.size(); ++i) {
        EXPECT_NE(peer::LinkFlags(flapping[i - 1])[0], peer::LinkFlags(flapping[i])[0]);
    }
    Tell(1, "flap 1 off");

    Tell(1, "fault bad-status");
    const auto bad = link.WaitFor(peer::kLinkStatus, 500);
    ASSERT_TRUE(bad);
    EXPECT_FALSE(peer::IsValidLinkStatus(*bad));
}

TEST_F(HubsimSession, ControllerNumberByTheJumpers) {
    HubLink link;
    Open(link);
    auto result = NumberResult(link, 3);
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)[4], 3);
    EXPECT_EQ((*result)[5], 2) << "no jumper fitted";

    // Controller 2, on link as number 2, takes number 3; the status that follows says so.
    Tell(1, "controller 2 present");
    Tell(1, "link 2 up");
    Tell(1, "jumper 2 on");
    ASSERT_TRUE(link.WaitFor(peer::kLinkStatus, 500));
    result = NumberResult(link, 3);
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)[4], 3);
    EXPECT_EQ((*result)[5], 0);
    const auto status = link.WaitFor(peer::kLinkStatus, 500);
    ASSERT_TRUE(status);
    EXPECT_EQ(peer::LinkFlags(*status), (std::array<bool, 4>{true, false, true, false}));
    EXPECT_NE(site->Control(1, "status").find("c2=present,up,id3,jumper"), std::string::npos);

    Tell(1, "jumper 1 on");
    result = NumberResult(link, 4);
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)[5], 1) << "two jumpers: the write fails";

    Tell(1, "result 7");
    EXPECT_EQ((*NumberResult(link, 4))[5], 7);
    Tell(1, "result 1");
    EXPECT_EQ((*NumberResult(link, 4))[5], 1);

    Tell(1, "result auto");
    Tell(1, "fault wrong-number");
    result = NumberResult(link, 4);
    ASSERT_TRUE(result);
    EXPECT_NE((*result)[4], 4);
}

// The hub is strict about the console's requests: a request with a stray byte is
// ignored, so a console bug shows up as a missing answer.
TEST_F(HubsimSession, MalformedRequestsGoUnanswered) {
    HubLink link;
    Open(link);
    Bytes stray = peer::IpParametersRequest();
    stray[20] = 1;
    Bytes unknown = peer::IpParametersRequest();
    unknown[3] = 0x90;
    ASSERT_TRUE(link.Send(stray));
    ASSERT_TRUE(link.Send(unknown));
    EXPECT_FALSE(link.WaitFor(peer::kIpParameters, 400));
    EXPECT_NE(site->Control(1, "status").find("rejected=2"), std::string::npos);
}

TEST_F(HubsimSession, OneSessionAtATime) {
    {
        HubLink first;
        Open(first);
        HubLink second;
        ASSERT_EQ(second.Connect(site->HubAddress(1)), 0);
        const auto block = second.ReadBlock(1000);
        ASSERT_TRUE(block);
        EXPECT_TRUE(block->empty()) << "the second console is closed without a byte";
        ASSERT_TRUE(first.Send(peer::IpParametersRequest()));
        EXPECT_TRUE(first.WaitFor(peer::kIpParameters, 1000));
    }
    // A console that comes right after the last one left is served, not turned away.
    for (int round = 0; round < 20; ++round) {
        HubLink next;
        ASSERT_EQ(next.Connect(site->HubAddress(1)), 0);
        const auto status = next.ReadBlock(1000);
        ASSERT_TRUE(status && status->size() == 32) << "round " << round;
    }
}

TEST_F(HubsimSession, SplitAndMergedWrites) {
    Tell(1, "fault split");
    {
        HubLink link;
        ASSERT_EQ(link.Connect(site->HubAddress(1)), 0);
        const auto head = link.ReadBlock(500);
        const auto tail = link.ReadBlock(500);
        ASSERT_TRUE(head && tail);
        EXPECT_EQ(head->size(), 16u);
        EXPECT_EQ(tail->size(), 16u);
        EXPECT_EQ((*head)[3], peer::kLinkStatus);
    }
    Tell(1, "fault split off");
    Tell(1, "fault merge");
    HubLink link;
    ASSERT_EQ(link.Connect(site->HubAddress(1)), 0);
    ASSERT_TRUE(link.ReadBlock(500));
    ASSERT_TRUE(link.Send(peer::IpParametersRequest()));
    const auto both = link.ReadBlock(500);
    ASSERT_TRUE(both);
    ASSERT_EQ(both->size(), 64u);
    EXPECT_TRUE(peer::IsValidLinkStatus(Bytes(both->begin(), both->begin() + 32)));
    EXPECT_EQ((*both)[32 + 3], peer::kIpParameters);
}

TEST_F(HubsimSession, ClosedRefusedAndDroppedSessions) {
    {
        Tell(1, "fault close-at-once");
        HubLink link;
        ASSERT_EQ(link.Connect(site->HubAddress(1)), 0);
        const auto block = link.ReadBlock(500);
        ASSERT_TRUE(block);
        EXPECT_TRUE(block->empty());
        Tell(1, "fault close-at-once off");
    }
    {
        Tell(1, "fault close-mid");
        HubLink link;
        Open(link);
        ASSERT_TRUE(link.Send(peer::IpParametersRequest()));
        EXPECT_TRUE(link.WaitFor(peer::kIpParameters, 500));
        EXPECT_TRUE(link.WaitClosed(500));
        Tell(1, "fault close-mid off");
    }
    {
        HubLink link;
        Open(link);
        EXPECT_EQ(site->Control(1, "close"), "ok closed");
        EXPECT_TRUE(link.WaitClosed(500));
    }
    Tell(1, "fault refuse");
    HubLink refused;
    EXPECT_EQ(refused.Connect(site->HubAddress(1)), ECONNREFUSED);
    Tell(1, "fault refuse off");
    HubLink served;
    EXPECT_EQ(served.Connect(site->HubAddress(1)), 0);
}

TEST_F(HubsimSession, SilentAndSlowAnswers) {
    HubLink link;
    Open(link);
    Tell(1, "fault no-answer");
    ASSERT_TRUE(link.Send(peer::IpParametersRequest()));
    EXPECT_FALSE(link.WaitFor(peer::kIpParameters, 400));

    Tell(1, "fault no-answer off");
    Tell(1, "fault slow");
    Tell(1, "answer-delay 700");
    const auto sent = Clock::now();
    ASSERT_TRUE(link.Send(peer::IpParametersRequest()));
    ASSERT_TRUE(link.WaitFor(peer::kIpParameters, 1500));
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(650));
}

TEST_F(HubsimSession, FloodOfStatus) {
    HubLink link;
    Open(link);
    Tell(1, "fault flood");
    const auto messages = link.Collect(500);
    // 10,000 a second; two busy shared cores may keep it from the full rate.
    EXPECT_GE(messages.size(), 2000u);
    for (const Bytes& message : messages) {
        ASSERT_TRUE(peer::IsValidLinkStatus(message));
    }
    Tell(1, "fault flood off");
}

TEST_F(HubsimSession, EchoCanBeSwitchedOff) {
    EXPECT_TRUE(peer::Ping(site->HubAddress(1), 500));
    Tell(1, "fault no-echo");
    EXPECT_FALSE(peer::Ping(site->HubAddress(1), 500));
    Tell(1, "fault no-echo off");
    EXPECT_TRUE(peer::Ping(site->HubAddress(1), 500));
}

} // namespace
