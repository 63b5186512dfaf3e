// A hub that floods the session with link status messages, 10,000 a second: the window
// must keep answering the technician and must not pile up memory, with and without the
// traffic dump.
#include "tests/reliability/ConsoleOnSite.h"
#include "tests/reliability/ProcessFigures.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

namespace {

class Flood : public ConsoleOnSite, public ::testing::WithParamInterface<bool> {
protected:
    static void SetUpTestSuite() {
        Start(shared(), TestSiteOptions{.prefix = "kr2", .subnet = 52, .hubs = 1});
    }
    static void TearDownTestSuite() { shared().site.reset(); }
    static Shared& shared() {
        static Shared instance;
        return instance;
    }
    void SetUp() override { OpenConsole(shared(), GetParam()); }

    // Posts a click behind everything already queued for the console thread and returns
    // how long it waited to be handled, -1 when it never was.
    static qint64 QueuedClickDelay(QPushButton* button) {
        QEventLoop loop;
        QElapsedTimer timer;
        qint64 handled = -1;
        const auto connection = QObject::connect(button, &QPushButton::clicked, &loop, [&] {
            handled = timer.elapsed();
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        timer.start();
        QMetaObject::invokeMethod(
            button, [button] { button->click(); }, Qt::QueuedConnection);
        loop.exec();
        QObject::disconnect(connection);
        return handled;
    }

    // The bytes the session's connection has received so far, as the PC's kernel counts.
    long long ReceivedBytes() const {
        std::string output;
        RunCommand(
            {"ip", "netns", "exec", site->PcNamespace(), "ss", "-tinH", "dst", site->HubAddress(1)},
            &output);
        const auto match = QRegularExpression(QStringLiteral("bytes_received:(\\d+)"))
                               .match(QString::fromStdString(output));
        return match.hasMatch() ? match.captured(1).toLongLong() : -1;
    }
};

TEST_P(Flood, TheWindowStaysResponsiveAndMemoryStaysBounded) {
    const bool debug = GetParam();
    ConnectReady(Hub(1));
    const long idleKiB = MeasureProcess().residentKiB;
    Tell(1, "fault flood on");
    QTest::qWait(1000);
    if (debug) {
        // The dump fills the log to its limit within seconds; from then on it holds still.
        ASSERT_TRUE(WaitUntil(
            [this] { return console->Log()->blockCount() > CEventLog::kMaxLines; }, 10000));
    }

    const ProcessFigures before = MeasureProcess();
    const long long bytesBefore = ReceivedBytes();
    QElapsedTimer timer;
    timer.start();
    qint64 worst = 0;
    // "Записать" with controller 1 on link: the handler runs and refuses with a box.
    for (int probe = 0; probe < 10; ++probe) {
        QTest::qWait(300);
        const qint64 delay = QueuedClickDelay(Button(IDC_WRITE_NUMBER));
        ASSERT_GE(delay, 0) << "a queued click was never handled";
        worst = std::max(worst, delay);
    }
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    const ProcessFigures after = MeasureProcess();
    const double messagesPerSecond =
        static_cast<double>(ReceivedBytes() - bytesBefore) / 32.0 / seconds;
    const long grownKiB = after.residentKiB - before.residentKiB;
    std::cout << "[flood] debug=" << debug << " messages/s=" << static_cast<long>(messagesPerSecond)
              << " worst click delay=" << worst << " ms resident growth=" << grownKiB
              << " KiB log lines=" << console->Log()->blockCount() << std::endl;

    // The hub sends 10,000 a second as long as the console reads them; a watcher busy with
    // the dump reads fewer, and the connection holds the hub back.
    EXPECT_GT(messagesPerSecond, 3000) << "the hub did not flood";
    EXPECT_LT(worst, 200);
    EXPECT_EQ(boxes.boxes().size(), 10u);
    EXPECT_LE(console->Log()->blockCount(), CEventLog::kMaxLines + 1);
    if (kResidentMemoryTells) {
        if (debug) {
            // The log at its limit, 10,000 lines of dump: tens of MiB, and no more.
            EXPECT_LT(after.residentKiB - idleKiB, 64 * 1024);
        } else {
            EXPECT_LT(grownKiB, 4096);
        }
    }

    // The technician ends the session in the middle of the flood.
    const qint64 delay = QueuedClickDelay(Button(IDC_DISCONNECT));
    EXPECT_GE(delay, 0);
    EXPECT_LT(delay, 200);
    Record(debug ? "flood (dump on): disconnect click handled" : "flood: disconnect click handled",
           delay);
    ExpectIdle();
    Tell(1, "fault flood off");
    ExpectConnectsAgain(Hub(1));
}

INSTANTIATE_TEST_SUITE_P(DumpOffAndOn, Flood, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Dump" : "NoDump"; });

} // namespace
