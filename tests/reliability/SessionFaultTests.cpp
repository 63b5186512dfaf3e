// Every way a hub or the network can fail a session, end to end: the real window in the
// PC's namespace of a test site. Each test asserts what the technician sees, that the
// console returns to Idle, and that it connects again afterwards.
#include "tests/support/ConsoleOnSite.h"
#include "tests/support/ScriptedHub.h"

#include <random>
#include <thread>

namespace {

const QString kNoResult =
    QStringLiteral("Ответ от хаба о результатах установки номера контроллера "
                   "не получен.  Повторите попытку или вызовите специалиста...");
const QString kDropped =
    QStringLiteral("Подключение разорвано\r\nПодключение к хабу разорвано\r\n");

class SessionFaults : public SiteSuite<SessionFaults, ConsoleOnSite> {
public:
    // Hub 1 is the simulator with a controller in programming mode; hub 2's port is left
    // free for a scripted hub.
    static TestSiteOptions SiteOptions() {
        return {.prefix = "kr1",
                .subnet = 51,
                .hubs = 2,
                .perHubArgs = {{1, "--controller 2 present --jumper 2 on"}, {2, "--fault refuse"}}};
    }

protected:
    void SetUp() override { OpenConsole(SuiteShared()); }

    // The fault ends; a normal session runs again.
    void EndFault(const std::string& fault) {
        Tell(1, "fault " + fault + " off");
        ExpectConnectsAgain(Hub(1));
    }

    QString ConnectError(int hub) const {
        return QStringLiteral("Ошибка подключения к хабу %1 \r\n").arg(Hub(hub));
    }

    // The hub's cable, pulled at the switch.
    void PullCable(int hub) {
        const std::string port = "kr1-s" + std::to_string(hub);
        Change({"ip", "-n", "kr1-sw", "link", "set", port, "down"},
               {"ip", "-n", "kr1-sw", "link", "set", port, "up"});
    }
    void PlugCableBackIn(int hub) {
        ASSERT_EQ(
            RunCommand({"ip", "-n", "kr1-sw", "link", "set", "kr1-s" + std::to_string(hub), "up"}),
            0);
        // The hub still believes in the session it had; like a technician who power-cycles
        // it, end that session so the hub takes a new one.
        EXPECT_EQ(site->Control(hub, "close").rfind("ok", 0), 0u);
        // On a loaded machine the port takes a moment to forward again: wait until the
        // hub answers from the PC's side before the test goes on with it.
        bool answers = false;
        for (int attempt = 0; attempt < 10 && !answers; ++attempt) {
            answers = RunCommand({"ip", "netns", "exec", "kr1-pc", "ping", "-c", "1", "-W", "1",
                                  site->HubAddress(hub)}) == 0;
        }
        EXPECT_TRUE(answers) << "hub " << hub << " unreachable after the cable came back";
    }

    // The console notices by itself that the hub has gone, tells the technician, and is
    // Idle; returns how long that took.
    qint64 ExpectTheDropNoticed(const std::string& what, const QElapsedTimer& since) {
        EXPECT_TRUE(WaitUntil([this] { return Idle(); }, 20000)) << LogText();
        Record(what, since.elapsed());
        EXPECT_TRUE(Log().endsWith(kDropped)) << LogText();
        ExpectIdle();
        return since.elapsed();
    }

    // A connect that fails: one error line and one error box, nothing else changes.
    void ExpectConnectRefused(int hub, qsizetype boxesBefore) {
        EXPECT_TRUE(Log().endsWith(ConnectError(hub))) << LogText();
        ASSERT_EQ(BoxesSince(boxesBefore), QStringList{ConnectError(hub)});
        EXPECT_EQ(boxes.boxes().back().icon, BoxIcon::Error);
        ExpectIdle();
    }

    // Connects, then waits until the console is Idle again after the hub ended the session.
    qint64 ConnectAndWaitForTheDrop(int hub) {
        QElapsedTimer timer;
        timer.start();
        Connect(Hub(hub));
        EXPECT_TRUE(Log().contains(
            QStringLiteral("Подключение к хабу %1 успешно произведено\r\n").arg(Hub(hub))))
            << LogText();
        EXPECT_TRUE(WaitUntil([this] { return Idle(); }, 5000)) << LogText();
        const qint64 elapsed = timer.elapsed();
        // Whatever the hub said before it went must not turn up after the disconnect.
        QTest::qWait(300);
        // The log keeps lines in the order they arrive: a watcher quick enough to see the
        // close while the connect is still writing its own lines comes before them.
        EXPECT_TRUE(Log().endsWith(kDropped) ||
                    (Log().contains(QStringLiteral("\r\nПодключение разорвано\r\n")) &&
                     Log().endsWith(QStringLiteral("\r\nПодключение к хабу разорвано\r\n"))))
            << LogText();
        ExpectIdle();
        EXPECT_TRUE(boxes.boxes().empty()) << boxes.Texts().join('|').toStdString();
        return elapsed;
    }
};

TEST_F(SessionFaults, HubClosingRightAfterTheAccept) {
    Tell(1, "fault close-at-once on");
    Record("hub closes at once after accept", ConnectAndWaitForTheDrop(1));
    EndFault("close-at-once");
}

TEST_F(SessionFaults, HubClosingInTheMiddleOfTheSession) {
    Tell(1, "fault close-mid on");
    Record("hub closes mid-session", ConnectAndWaitForTheDrop(1));
    EndFault("close-mid");
}

TEST_F(SessionFaults, HubResettingTheConnection) {
    scripted::Hub hub(site->HubNamespace(2), site->HubAddress(2), [](scripted::Connection& link) {
        link.Send(scripted::LinkStatus(true, false, false, false));
        if (link.Request(2000)) {
            link.Send(scripted::IpParameters(0xC6123364u, 0xFFFFFF00u, 0xC6123301u));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        link.Reset();
    });
    ASSERT_TRUE(hub.ok()) << hub.whyNot();
    Record("hub resets the connection", ConnectAndWaitForTheDrop(2));
    ExpectConnectsAgain(Hub(1));
}

TEST_F(SessionFaults, HubVanishingWhileTheSessionIsIdle) {
    ConnectReady(Hub(1));
    PullCable(1);
    QElapsedTimer timer;
    timer.start();
    // Keep-alive: the silence is noticed within about ten seconds.
    EXPECT_LT(ExpectTheDropNoticed("hub vanishes while the session is idle", timer), 12500);
    EXPECT_TRUE(boxes.boxes().empty());

    PlugCableBackIn(1);
    ExpectConnectsAgain(Hub(1));
}

TEST_F(SessionFaults, HubVanishingWhileANumberWriteWaitsForItsResult) {
    ConnectReady(Hub(1));
    PullCable(1);
    QElapsedTimer timer;
    timer.start();
    const QStringList shown = WriteNumber(3);
    EXPECT_GE(timer.elapsed(), 4900);
    EXPECT_EQ(shown.value(shown.size() - 1), kNoResult) << shown.join('|').toStdString();
    EXPECT_TRUE(Log().contains(
        QStringLiteral("Передана команда установки номера контроллера терминала...\r\n")));
    // The unanswered request ends the connection once nothing is acknowledged for 10 s.
    ExpectTheDropNoticed("hub vanishes during a controller-number wait", timer);

    PlugCableBackIn(1);
    ExpectConnectsAgain(Hub(1));
}

TEST_F(SessionFaults, HubRefusingItsSessionPort) {
    Tell(1, "fault refuse on");
    QElapsedTimer timer;
    timer.start();
    Connect(Hub(1));
    Record("hub refuses port 5000", timer.elapsed());
    ExpectConnectRefused(1, 0);
    EndFault("refuse");
}

TEST_F(SessionFaults, HubIgnoringEchoRequests) {
    Tell(1, "fault no-echo on");
    QElapsedTimer timer;
    timer.start();
    Connect(Hub(1));
    Record("hub ignores echo requests", timer.elapsed());
    EXPECT_GE(timer.elapsed(), 900);
    EXPECT_LT(timer.elapsed(), 2500);
    ExpectConnectRefused(1, 0);
    EndFault("no-echo");
}

TEST_F(SessionFaults, HubDroppingTheConnectRequest) {
    // The hub answers echo, but its answer to the SYN never leaves it.
    const std::string hubNs = site->HubNamespace(1);
    Change({"ip", "-n", hubNs, "rule", "add", "ipproto", "tcp", "sport", "5000", "blackhole"},
           {"ip", "-n", hubNs, "rule", "del", "ipproto", "tcp", "sport", "5000", "blackhole"});
    QElapsedTimer timer;
    timer.start();
    Connect(Hub(1));
    Record("hub drops the SYN", timer.elapsed());
    EXPECT_GE(timer.elapsed(), 4900);
    EXPECT_LT(timer.elapsed(), 7000);
    ExpectConnectRefused(1, 0);
    undo.clear();
    ExpectConnectsAgain(Hub(1));
}

TEST_F(SessionFaults, HubAnsweringNothing) {
    scripted::Hub hub(site->HubNamespace(2), site->HubAddress(2),
                      [](scripted::Connection& link) { link.WaitForClose(30000); });
    ASSERT_TRUE(hub.ok()) << hub.whyNot();
    Connect(Hub(2));
    ASSERT_TRUE(console->session().IsSocketOpen()) << LogText();
    QTest::qWait(1500);
    // Connected, but nothing to show and nothing to write.
    EXPECT_EQ(Button(IDC_WRITE_NUMBER)->text(), QStringLiteral("Ждите..."));
    EXPECT_FALSE(Button(IDC_WRITE_NUMBER)->isEnabled());
    EXPECT_FALSE(Button(IDC_APPLY_PARAMETERS)->isEnabled());
    EXPECT_TRUE(console->IpField(IDC_HUB_IP_ADDRESS)->IsBlank());
    EXPECT_TRUE(Button(IDC_DISCONNECT)->isEnabled());

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(Button(IDC_DISCONNECT), Qt::LeftButton);
    Record("hub answers nothing: disconnect", timer.elapsed());
    EXPECT_LT(timer.elapsed(), 500);
    EXPECT_TRUE(Log().endsWith(QStringLiteral("Подключение к хабу разорвано\r\n")));
    ExpectIdle();
    ExpectConnectsAgain(Hub(1));
}

TEST_F(SessionFaults, HubAnsweringAfterTheWaitHasEnded) {
    Tell(1, "answer-delay 5600");
    Tell(1, "fault slow on");
    Connect(Hub(1));
    // Link status is no answer: it comes at once and opens the number write.
    ASSERT_TRUE(WaitUntil([this] { return Button(IDC_WRITE_NUMBER)->isEnabled(); }, 3000));
    QElapsedTimer timer;
    timer.start();
    const QStringList shown = WriteNumber(3);
    EXPECT_EQ(shown.value(shown.size() - 1), kNoResult) << shown.join('|').toStdString();
    // The late result is still told: a log line and a box of its own.
    const QString success = QStringLiteral("Номер контроллера успешно установлен");
    ASSERT_TRUE(WaitUntil([&] { return boxes.Texts().contains(success); }, 3000)) << LogText();
    Record("hub answers after the 5 s wait: late result shown", timer.elapsed());
    EXPECT_TRUE(Log().contains(success + QStringLiteral("\r\n")));
    EXPECT_TRUE(WaitUntil([this] { return !console->IpField(IDC_HUB_GATEWAY)->IsBlank(); }, 3000));

    Disconnect();
    EndFault("slow");
}

TEST_F(SessionFaults, HubSplittingItsMessages) {
    // Each message in two writes 100 ms apart. The console takes every read as it comes
    // and reassembles nothing, so a half, or a half merged with the next message's, shows
    // what its own bytes say. What must hold: the console stays whole, asks nothing, and
    // the session ends cleanly.
    Tell(1, "fault split on");
    Connect(Hub(1));
    ASSERT_TRUE(console->session().IsSocketOpen()) << LogText();
    QTest::qWait(1000);
    EXPECT_TRUE(boxes.boxes().empty());
    Disconnect();
    EndFault("split");
}

TEST_F(SessionFaults, HubMergingItsMessages) {
    // Every answer comes in one write behind a link status: both count.
    Tell(1, "fault merge on");
    ConnectReady(Hub(1));
    const QStringList shown = WriteNumber(3);
    EXPECT_EQ(shown.value(shown.size() - 1), QStringLiteral("Номер контроллера успешно установлен"))
        << shown.join('|').toStdString();
    Disconnect();
}

TEST_F(SessionFaults, HubSendingABurstOfResults) {
    // A modal box runs an event loop of its own: a box that opened another for every
    // result queued behind it would nest them until the stack ran out.
    int depth = 0;
    int deepest = 0;
    int shownBoxes = 0;
    SetMessageBoxHandler([&](const MessageBoxRequest&) {
        deepest = std::max(deepest, ++depth);
        ++shownBoxes;
        QTest::qWait(20); // the technician reading the box
        --depth;
        return BoxAnswer::Ok;
    });
    constexpr int kResults = 300;
    scripted::Hub hub(site->HubNamespace(2), site->HubAddress(2), [](scripted::Connection& link) {
        link.Send(scripted::LinkStatus(true, false, false, false));
        scripted::Bytes burst;
        for (int i = 0; i < kResults; ++i) {
            const auto result = scripted::NumberResult(1, 0);
            burst.insert(burst.end(), result.begin(), result.end());
        }
        link.Send(burst);
        link.WaitForClose(30000);
    });
    ASSERT_TRUE(hub.ok()) << hub.whyNot();
    Connect(Hub(2));
    const QString line = QStringLiteral("Номер контроллера успешно установлен\r\n");
    ASSERT_TRUE(WaitUntil([&] { return Log().count(line) == kResults; }, 5000))
        << Log().count(line);
    QTest::qWait(200);
    EXPECT_EQ(deepest, 1);
    EXPECT_GE(shownBoxes, 1);
    Disconnect();
}

TEST_F(SessionFaults, HubSendingGarbage) {
    // Random blocks as fast as the connection takes them: whatever the console makes of
    // them, it stays whole and the technician can end the session.
    scripted::Hub hub(site->HubNamespace(2), site->HubAddress(2), [](scripted::Connection& link) {
        std::mt19937 random(7);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!link.Stopping() && std::chrono::steady_clock::now() < deadline) {
            scripted::Bytes block(1 + random() % 1500);
            for (auto& byte : block) {
                byte = static_cast<std::uint8_t>(random());
            }
            if (!link.Send(block)) {
                return;
            }
        }
        link.WaitForClose(30000);
    });
    ASSERT_TRUE(hub.ok()) << hub.whyNot();
    SetMessageBoxHandler([](const MessageBoxRequest&) { return BoxAnswer::Ok; });
    Connect(Hub(2));
    ASSERT_TRUE(console->session().IsSocketOpen());
    QTest::qWait(2500);
    Disconnect();
    ExpectConnectsAgain(Hub(1));
}

} // namespace
