// One hub session on its own, and two at once: what an open, a parameters write and a
// number write end in, what goes on the wire, and which waits last exactly how long.
#include "hubsession/HubParameterRules.h"
#include "tests/operations/SessionFixture.h"

#include <thread>

using namespace std::chrono_literals;

namespace {

using Failure = HubSession::OpenFailure;
using NumberKind = HubSession::NumberOutcome::Kind;
using ParametersKind = HubSession::ParametersOutcome::Kind;

Ipv4 Address(const char* text) {
    return *Ipv4::Parse(text);
}

HubParameters Wanted(const char* address, const char* mask, const char* gateway) {
    return {Address(address), Address(mask), Address(gateway)};
}

// A number write with both questions answered, for a hub whose firmware takes numbers.
HubSession::NumberRequest AskNumber(std::uint32_t number) {
    return {number, "IPH-4 2.05", false, true};
}

using SessionOpen = SessionFixture;

TEST_F(SessionOpen, TakesTheHubsStatusParametersAndPhysicalAddress) {
    auto& hub = Hub({.link = {true, false, true, false}});
    const auto under = Opened(hub);
    const HubSession& session = *under->session;
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(session.HubAddress(), "127.0.0.1");
    EXPECT_EQ(session.PhysicalAddress(), "02-00-5E-12-00-0B");
    EXPECT_EQ(session.LinkFlags(), (std::array<bool, 4>{true, false, true, false}));
    EXPECT_EQ(session.Parameters(), Wanted("127.0.0.1", "255.0.0.0", "127.0.0.254"));
    // The handler saw what the session took, after it took it.
    EXPECT_EQ(under->ParameterValues(),
              (std::vector<std::uint32_t>{0x7F000001, 0xFF000000, 0x7F0000FE}));
    EXPECT_FALSE(clock.HasTimers()); // the first-status wait ended with the open
}

TEST_F(SessionOpen, WaitsExactlyFiveSecondsForWhatItNeedsThenFailsClosed) {
    // The hub tells its status but never its parameters: enough for an open that does not
    // need them, and for one that does, a NoStatus after the wait with the session closed.
    auto& hub = Hub({.answersParameters = false});
    const auto statusOnly = NewSession(&hub);
    StartOpen(*statusOnly, false);
    ASSERT_TRUE(clock.RunUntil([&] { return statusOnly->opened.has_value(); }));
    EXPECT_EQ(statusOnly->opened->failure, Failure::None);
    EXPECT_FALSE(statusOnly->session->Parameters());
    statusOnly->session->Close();

    const auto needing = NewSession(&hub);
    StartOpen(*needing, true);
    ASSERT_TRUE(clock.RunUntil([&] { return needing->session->StatusReceived(); }));
    clock.Advance(4999ms);
    EXPECT_FALSE(needing->opened);
    clock.Advance(1ms);
    ASSERT_TRUE(needing->opened);
    EXPECT_EQ(needing->opened->failure, Failure::NoStatus);
    EXPECT_FALSE(needing->session->IsOpen());
}

TEST_F(SessionOpen, AHubThatCannotBeReachedIsNamedWithTheWindowsTexts) {
    auto& gone = Hub();
    const std::string freePort = gone.Port();
    hubs.clear(); // nobody listens there any more
    const auto connect = [&](const char* what) {
        HubServices services = Services(nullptr);
        services.hubService = freePort;
        auto under = NewSession(services);
        StartOpen(*under);
        clock.RunPending();
        EXPECT_TRUE(under->opened) << what;
        EXPECT_FALSE(under->session->IsOpen()) << what;
        return under->opened.value_or(HubSession::OpenOutcome{});
    };

    auto outcome = connect("nobody listens");
    EXPECT_EQ(outcome.failure, Failure::Unreachable);
    EXPECT_EQ(outcome.text, "Ошибка подключения к хабу 127.0.0.1 \r\n");

    echo.answers = false;
    outcome = connect("no echo reply");
    EXPECT_EQ(outcome.failure, Failure::Unreachable);
    EXPECT_EQ(outcome.text, "Ошибка подключения к хабу 127.0.0.1 \r\n");

    echo.missing = "raw-сокет ICMP недоступен: нет права cap_net_raw";
    outcome = connect("no echo service");
    EXPECT_EQ(outcome.failure, Failure::NoEchoService);
    EXPECT_EQ(outcome.text, "Нет службы эхо-запросов: " + echo.missing + "\r\n");
}

TEST_F(SessionOpen, AHubThatDropsBeforeItsStatusFailsTheOpen) {
    auto& hub = Hub({.dropAtOnce = true});
    const auto under = NewSession(&hub);
    StartOpen(*under);
    ASSERT_TRUE(clock.RunUntil([&] { return under->opened.has_value(); }));
    // On a slow machine the hub's close can reach the connect itself, which then fails.
    if (under->opened->failure != Failure::Unreachable) {
        EXPECT_EQ(under->opened->failure, Failure::Dropped);
        EXPECT_TRUE(under->Dropped()); // the client hears of the drop too
    }
    EXPECT_FALSE(under->session->IsOpen());
    EXPECT_FALSE(clock.HasTimers());
}

using ParametersWrite = SessionFixture;

TEST_F(ParametersWrite, WhatARuleRefusesIsNotSent) {
    auto& hub = Hub();
    const auto under = Opened(hub);
    const std::size_t before = hub.Requests(1).size();
    bool paused = false;
    const auto write = [&](HubSession::ParametersRequest request) {
        return under->session->WriteParameters(request, [&] { paused = true; });
    };

    auto outcome = write({Wanted("127.0.0.9", "255.0.0.0", "0.0.0.0"), std::nullopt, false});
    EXPECT_EQ(outcome.kind, ParametersKind::Refused);
    EXPECT_EQ(outcome.text,
              "Адрес обратной петли (127.x.x.x) недопустим в качестве IP адреса хаба");

    outcome = write({Wanted("10.0.0.5", "255.0.0.0", "0.0.0.0"), Address("10.0.0.5"), false});
    EXPECT_EQ(outcome.kind, ParametersKind::Refused);
    EXPECT_EQ(outcome.text,
              "IP адрес хаба не может совпадать с адресом сетевого адаптера компьютера");

    // A gateway outside 10.0.0.0/8 is refused until the question was answered.
    outcome = write({Wanted("10.0.0.99", "255.0.0.0", "192.168.1.1"), std::nullopt, false});
    EXPECT_EQ(outcome.kind, ParametersKind::Refused);
    EXPECT_EQ(outcome.text, kGatewayOutsideSubnetQuestion);
    EXPECT_TRUE(outcome.dump.empty());

    ExpectNothingSentSince(*under, hub, before);
    clock.Advance(2000ms);
    EXPECT_FALSE(paused);
}

TEST_F(ParametersWrite, SentParametersAre32BytesAndThePauseIsExactlyOneSecond) {
    auto& hub = Hub();
    const auto under = Opened(hub);
    const std::size_t before = hub.Requests(1).size();
    int paused = 0;
    const auto outcome = under->session->WriteParameters(
        {Wanted("10.0.0.99", "255.0.0.0", "192.168.1.1"), std::nullopt, true}, [&] { ++paused; });
    ASSERT_EQ(outcome.kind, ParametersKind::Sent);
    const scripted::Bytes expected = {0, 0, 0, 0x80, 10, 0, 0, 99, 255, 0, 0, 0, 192, 168, 1, 1,
                                      0, 0, 0, 0,    0,  0, 0, 0,  0,   0, 0, 0, 0,   0,   0, 0};
    EXPECT_EQ(NextRequest(hub, before), expected);
    EXPECT_EQ(outcome.dump, "00 00 00 80 0A 00 00 63 FF 00 00 00 C0 A8 01 01 00 00 00 00 00 00 00 "
                            "00 00 00 00 00 00 00 00 00 ");

    clock.Advance(999ms);
    EXPECT_EQ(paused, 0);
    clock.Advance(1ms);
    EXPECT_EQ(paused, 1);
    clock.Advance(5000ms);
    EXPECT_EQ(paused, 1);
}

// A request that cannot go out is not reported as sent, and no pause follows it.
TEST_F(ParametersWrite, ARequestThatCannotGoOutIsSendFailedWithoutAPause) {
    auto& hub = Hub();
    const auto under = Opened(hub);
    under->session->Connection().Close();
    bool paused = false;
    const auto outcome = under->session->WriteParameters(
        {Wanted("10.0.0.99", "255.0.0.0", "0.0.0.0"), std::nullopt, true}, [&] { paused = true; });
    EXPECT_EQ(outcome.kind, ParametersKind::SendFailed);
    EXPECT_EQ(outcome.text, HubSession::kNumberSendFailedText);
    clock.Advance(5000ms);
    EXPECT_FALSE(paused);
}

using NumberWrite = SessionFixture;

TEST_F(NumberWrite, ChecksAndUnansweredQuestionsSendNothing) {
    auto& hub = Hub(); // controller 1 on link
    const auto under = Opened(hub);
    const std::size_t before = hub.Requests(1).size();
    bool done = false;
    const auto write = [&](HubSession::NumberRequest request) {
        const auto outcome = under->session->WriteNumber(request, [&](auto&) { done = true; });
        EXPECT_TRUE(outcome.has_value());
        return outcome.value_or(HubSession::NumberOutcome{});
    };

    auto outcome = write(AskNumber(5));
    EXPECT_EQ(outcome.kind, NumberKind::Refused);
    EXPECT_EQ(outcome.text, "Недопустимый адресный номер контроллера. Может быть 1...4");
    outcome = write(AskNumber(1));
    EXPECT_EQ(outcome.kind, NumberKind::Refused);
    EXPECT_EQ(outcome.text, "Запись номера контроллера невозможна из-за дублирования номера "
                            "контроллеров. Контроллер с номером 1 существует в этом хабе и "
                            "находится на связи...");
    outcome = write({3, "IPH-4 0.98", false, true});
    EXPECT_EQ(outcome.kind, NumberKind::OldFirmware);
    EXPECT_EQ(outcome.text, "IPH-4 0.98");
    outcome = write({3, "IPH-4 0.98", true, false});
    EXPECT_EQ(outcome.kind, NumberKind::NotConfirmed);

    EXPECT_FALSE(under->session->NumberWaitRunning());
    ExpectNothingSentSince(*under, hub, before);
    clock.Advance(6000ms);
    EXPECT_FALSE(done);
}

TEST_F(NumberWrite, TheHubsResultEndsTheWaitAsSetOrNotSet) {
    struct Case {
        HubPlay play;
        NumberKind kind;
        std::string text;
    };
    const Case cases[] = {
        {{}, NumberKind::Set, "Номер контроллера успешно установлен"},
        {{.resultCode = 2},
         NumberKind::NotSet,
         "Ошибка 2 при записи номера контроллера: не обнаружен контроллер с установленной "
         "перемычкой"},
        {{.answeredNumber = 4},
         NumberKind::NotSet,
         "Возвращен неверный номер 4 контроллера после записи"},
    };
    for (const Case& c : cases) {
        auto& hub = Hub(c.play);
        const auto under = Opened(hub);
        const std::size_t before = hub.Requests(1).size();
        std::vector<HubSession::NumberOutcome> outcomes;
        ASSERT_FALSE(under->session->WriteNumber(
            AskNumber(3), [&](const auto& outcome) { outcomes.push_back(outcome); }));
        EXPECT_TRUE(under->session->NumberWaitRunning());
        const scripted::Bytes request = NextRequest(hub, before);
        EXPECT_EQ(request, scripted::Message(0x82, {{4, 3}}));
        EXPECT_EQ(under->session->LastNumberDump().substr(0, 15), "00 00 00 82 03 ");

        ASSERT_TRUE(clock.RunUntil([&] { return !outcomes.empty(); })) << c.text;
        EXPECT_EQ(outcomes[0].kind, c.kind) << c.text;
        EXPECT_EQ(outcomes[0].text, c.text);
        EXPECT_TRUE(under->session->NumberAnswered());
        EXPECT_FALSE(clock.HasTimers()); // the five seconds are no longer counted
        clock.Advance(6000ms);
        EXPECT_EQ(outcomes.size(), 1u);
    }
}

TEST_F(NumberWrite, ASilentHubIsNoAnswerAfterExactlyFiveSeconds) {
    auto& hub = Hub({.number = HubPlay::Number::Silent});
    const auto under = Opened(hub);
    std::vector<HubSession::NumberOutcome> outcomes;
    ASSERT_FALSE(under->session->WriteNumber(
        AskNumber(3), [&](const auto& outcome) { outcomes.push_back(outcome); }));
    clock.Advance(4999ms);
    EXPECT_TRUE(outcomes.empty());
    clock.Advance(1ms);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, NumberKind::NoAnswer);
    EXPECT_EQ(outcomes[0].text, HubSession::kNoNumberAnswerText);
    EXPECT_FALSE(under->session->NumberAnswered());
    EXPECT_FALSE(under->session->NumberWaitRunning());
}

TEST_F(NumberWrite, ANewRequestEndsTheWaitBeforeItAndWaitsItsOwnFiveSeconds) {
    auto& hub = Hub({.number = HubPlay::Number::Silent});
    const auto under = Opened(hub);
    std::vector<int> ended; // which write's wait ended, in order
    for (const int write : {1, 2}) {
        ASSERT_FALSE(
            under->session->WriteNumber(AskNumber(3), [&ended, write](const auto& outcome) {
                EXPECT_EQ(outcome.kind, NumberKind::NoAnswer);
                ended.push_back(write);
            }));
        clock.Advance(3000ms);
    }
    EXPECT_EQ(ended, std::vector<int>{1});
    clock.Advance(1999ms);
    EXPECT_EQ(ended, std::vector<int>{1});
    clock.Advance(1ms);
    EXPECT_EQ(ended, (std::vector<int>{1, 2}));
}

TEST_F(NumberWrite, ADropDuringTheWaitIsReportedAndTheWaitEndsOnce) {
    // The drop reaches the client as a report; the wait runs on, so that the hub's silence
    // is told first, and ends once, whether by its time or by the client's close.
    auto& hub = Hub({.number = HubPlay::Number::Drop});
    const auto under = Opened(hub);
    std::vector<HubSession::NumberOutcome> outcomes;
    ASSERT_FALSE(under->session->WriteNumber(
        AskNumber(3), [&](const auto& outcome) { outcomes.push_back(outcome); }));
    ASSERT_TRUE(clock.RunUntil([&] { return under->Dropped(); }));
    EXPECT_TRUE(outcomes.empty());
    EXPECT_TRUE(under->session->NumberWaitRunning());
    clock.Advance(5000ms);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, NumberKind::NoAnswer);
    under->session->Close();
    EXPECT_EQ(outcomes.size(), 1u);
}

using TwoSessions = SessionFixture;

TEST_F(TwoSessions, EachKeepsItsOwnStateAndReports) {
    auto& hubA = Hub();
    auto& hubB = Hub({.link = {false, true, true, false},
                      .address = 0x7F000002,
                      .mask = 0xFFFF0000,
                      .gateway = 0x7F000003});
    const auto a = NewSession(&hubA);
    const auto b = NewSession(&hubB);
    StartOpen(*a);
    StartOpen(*b);
    ASSERT_TRUE(clock.RunUntil([&] { return a->opened && b->opened; }));
    ASSERT_EQ(a->opened->failure, Failure::None);
    ASSERT_EQ(b->opened->failure, Failure::None);
    EXPECT_EQ(a->session->LinkFlags(), (std::array<bool, 4>{true, false, false, false}));
    EXPECT_EQ(b->session->LinkFlags(), (std::array<bool, 4>{false, true, true, false}));
    EXPECT_EQ(a->ParameterValues(),
              (std::vector<std::uint32_t>{0x7F000001, 0xFF000000, 0x7F0000FE}));
    EXPECT_EQ(b->ParameterValues(),
              (std::vector<std::uint32_t>{0x7F000002, 0xFFFF0000, 0x7F000003}));

    // Each number result ends its own session's wait.
    std::optional<HubSession::NumberOutcome> numberA;
    std::optional<HubSession::NumberOutcome> numberB;
    ASSERT_FALSE(a->session->WriteNumber(AskNumber(3), [&](const auto& o) { numberA = o; }));
    ASSERT_FALSE(b->session->WriteNumber(AskNumber(4), [&](const auto& o) { numberB = o; }));
    ASSERT_TRUE(clock.RunUntil([&] { return numberA && numberB; }));
    // Had either result reached the other session, it would be a wrong number there.
    EXPECT_EQ(numberA->kind, NumberKind::Set);
    EXPECT_EQ(numberB->kind, NumberKind::Set);

    // A closed leaves B open and reporting.
    const std::size_t reportsOfA = a->reports.size();
    a->session->Close();
    ASSERT_TRUE(b->session->RequestParameters());
    ASSERT_TRUE(clock.RunUntil([&] { return b->ParameterValues().size() == 6; }));
    EXPECT_TRUE(b->session->IsOpen());
    EXPECT_EQ(a->reports.size(), reportsOfA);
    EXPECT_EQ(b->session->Parameters(), Wanted("127.0.0.2", "255.255.0.0", "127.0.0.3"));
}

using SessionGone = SessionFixture;

TEST_F(SessionGone, ASessionDestroyedMidOperationRunsNoCompletion) {
    // During the open, with the hub's first reports on their way.
    auto& hub = Hub();
    auto opening = NewSession(&hub);
    StartOpen(*opening);
    clock.RunPending(); // connected and asked; the hub answers meanwhile
    const std::size_t seen = opening->reports.size();
    std::this_thread::sleep_for(200ms);
    opening->session.reset();
    clock.Advance(6000ms);
    EXPECT_FALSE(opening->opened);
    EXPECT_EQ(opening->reports.size(), seen);

    // During the number wait.
    auto& silent = Hub({.number = HubPlay::Number::Silent});
    auto numbering = Opened(silent);
    bool numberDone = false;
    ASSERT_FALSE(numbering->session->WriteNumber(AskNumber(3), [&](auto&) { numberDone = true; }));
    numbering->session.reset();
    clock.Advance(6000ms);
    EXPECT_FALSE(numberDone);

    // During the apply pause: destroyed, or closed by the client.
    for (const bool destroy : {true, false}) {
        auto applying = Opened(hub);
        bool paused = false;
        ASSERT_EQ(applying->session
                      ->WriteParameters(
                          {Wanted("10.0.0.99", "255.0.0.0", "10.0.0.1"), std::nullopt, false},
                          [&] { paused = true; })
                      .kind,
                  ParametersKind::Sent);
        if (destroy)
            applying->session.reset();
        else
            applying->session->Close();
        clock.Advance(2000ms);
        EXPECT_FALSE(paused) << (destroy ? "destroyed" : "closed");
    }
}

} // namespace
